#pragma once

// Texts of the string table as Qt strings. Qt code only.

#include <QString>

#include "stringtable.h"

inline QString UiText(int id) {
  const std::string_view text = strings::Load(id);
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}
