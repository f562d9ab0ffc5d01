#include "systemtext.h"

#include <gtest/gtest.h>

namespace {

// The system's words reach a Russian box in Russian, with the original kept
// for a search or a bug report; the path and the unknown stay as they are.
TEST(InRussian, SaysTheCommonReasonsAndOperationsInRussian) {
  const struct {
    const char* english;
    const char* russian;
  } cases[] = {
      {"cannot write /home/x/tx.txt: No such file or directory",
       "не удаётся записать /home/x/tx.txt: нет такого файла или папки (No such file or "
       "directory)"},
      {"cannot flush /m/a.txt to the disk: Input/output error",
       "не удаётся сбросить на диск /m/a.txt: ошибка ввода-вывода (Input/output error)"},
      {"Файл\n\n/dev/ttyUSB0: Device or resource busy",
       "Файл\n\n/dev/ttyUSB0: устройство занято (Device or resource busy)"},
      {"cannot create /x: Read-only file system",
       "не удаётся создать /x: файловая система только для чтения (Read-only file system)"},
      {"something else: Exec format error", "something else: Exec format error"},
  };
  for (const auto& c : cases) EXPECT_EQ(InRussian(c.english), c.russian);
}

}  // namespace
