#pragma once

#include <string>
#include <string_view>

// The program's 8-bit texts are Windows-1251; the window works in Unicode.

// Windows-1251 bytes to UTF-8. Every byte maps to one character.
std::string Cp1251ToUtf8(std::string_view bytes);

// UTF-8 to Windows-1251; a character the code page lacks becomes '?'.
std::string Utf8ToCp1251(std::string_view text);
