#include "stringtable.h"

#include <array>

namespace strings {
namespace {

constexpr int kFirstId = 100;

constexpr std::array<std::string_view, 27> kTable = {
    "Delvarine",                                                    // 100
    "1 сек.",                                                       // 101
    "10 сек.",                                                      // 102
    "Интервал: ",                                                   // 103
    "Считывание",                                                   // 104
    "График",                                                       // 105
    "1 мин.",                                                       // 106
    "2 мин.",                                                       // 107
    "3 мин.",                                                       // 108
    "5 мин.",                                                       // 109
    "10 мин.",                                                      // 110
    "Количество приемов за ",                                       // 111
    "Относительный уровень сигнала, dB",                            // 112
    "Норм.",                                                        // 113
    "Уменьш.",                                                      // 114
    "20 сек.",                                                      // 115
    "30 сек.",                                                      // 116
    "40 сек.",                                                      // 117
    "20 мин.",                                                      // 118
    "30 мин.",                                                      // 119
    "1 час",                                                        // 120
    "1,5 час.",                                                     // 121
    "2 час.",                                                       // 122
    "нет",                                                          // 123
    "Ошибка!",                                                      // 124
    "Соединение не может быть установлено, поскольку порт занят.",  // 125
    "Сохранить файлы?",                                             // 126
};

}  // namespace

std::string_view Load(int id) {
  const int index = id - kFirstId;
  if (index < 0 || index >= static_cast<int>(kTable.size())) return {};
  return kTable[static_cast<std::size_t>(index)];
}

}  // namespace strings
