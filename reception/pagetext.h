#pragma once

// The receiver's bytes (Windows-1251) as the page's texts, and back. Qt code only.

#include <QString>
#include <string>
#include <string_view>

#include "cp1251.h"
#include "systemtext.h"

// The program's bytes as a control's text; CR LF ends a line as LF does.
inline QString FromBytes(std::string_view bytes) {
  const std::string utf8 = Cp1251ToUtf8(bytes);
  QString text = QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  return text;
}

// A message with the system's reasons in it, for a Russian box.
inline QString SystemText(const std::string& message) {
  return QString::fromStdString(InRussian(message));
}

inline std::string ToBytes(const QString& text) {
  const QByteArray utf8 = text.toUtf8();
  return Utf8ToCp1251(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())));
}
