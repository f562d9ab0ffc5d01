#include "systemtext.h"

#include <array>
#include <utility>

namespace {

using Phrase = std::pair<std::string_view, std::string_view>;

// The reasons users meet, as glibc words them.
constexpr std::array kReasons = {
    Phrase{"No such file or directory", "нет такого файла или папки"},
    Phrase{"Permission denied", "нет прав доступа"},
    Phrase{"No space left on device", "на диске нет места"},
    Phrase{"Read-only file system", "файловая система только для чтения"},
    Phrase{"Input/output error", "ошибка ввода-вывода"},
    Phrase{"Device or resource busy", "устройство занято"},
    Phrase{"Too many open files", "открыто слишком много файлов"},
    Phrase{"File too large", "файл слишком велик"},
    Phrase{"Disk quota exceeded", "превышена дисковая квота"},
    Phrase{"Not a directory", "это не папка"},
    Phrase{"Is a directory", "это папка"},
    Phrase{"File exists", "файл уже есть"},
    Phrase{"Operation not permitted", "действие не разрешено"},
};

// How the program's own messages begin.
constexpr std::array kOperations = {
    Phrase{"cannot create ", "не удаётся создать "},
    Phrase{"cannot write ", "не удаётся записать "},
    Phrase{"cannot read back ", "не удаётся прочитать снова "},
    Phrase{"cannot read ", "не удаётся прочитать "},
    Phrase{"cannot open ", "не удаётся открыть "},
    Phrase{"cannot load ", "не удаётся загрузить "},
    Phrase{"cannot replace ", "не удаётся заменить "},
    Phrase{"cannot close ", "не удаётся закрыть "},
    Phrase{"cannot flush ", "не удаётся сбросить на диск "},
    Phrase{"cannot keep ", "не удаётся сохранить "},
};

std::string LineInRussian(std::string_view line) {
  std::string out;
  for (const auto& [english, russian] : kOperations) {
    if (line.starts_with(english)) {
      out = russian;
      line.remove_prefix(english.size());
      // "cannot flush X to the disk": the object stays, the tail goes.
      constexpr std::string_view kToDisk = " to the disk:";
      if (const std::size_t at = line.find(kToDisk); at != std::string_view::npos) {
        out += line.substr(0, at);
        out += ':';
        line.remove_prefix(at + kToDisk.size());
      }
      break;
    }
  }
  std::string rest(line);
  for (const auto& [english, russian] : kReasons) {
    const std::size_t at = rest.find(english);
    if (at == std::string::npos) continue;
    rest.replace(at, english.size(), std::string(russian) + " (" + std::string(english) + ")");
    break;
  }
  return out + rest;
}

}  // namespace

std::string InRussian(std::string_view message) {
  std::string out;
  while (true) {
    const std::size_t end = message.find('\n');
    out += LineInRussian(message.substr(0, end));
    if (end == std::string_view::npos) break;
    out += '\n';
    message.remove_prefix(end + 1);
  }
  return out;
}
