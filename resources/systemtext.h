#pragma once

#include <string>
#include <string_view>

// A message for a Russian box: the common English phrases of the system and
// of the program's file layer ("cannot write X: No space left on device")
// said in Russian, with the system's own words kept after them in
// parentheses. Anything it does not know stays as it is. UTF-8.
std::string InRussian(std::string_view message);
