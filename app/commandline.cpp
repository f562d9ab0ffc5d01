#include "commandline.h"

namespace {

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const auto lower = [](char c) {
      return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

}  // namespace

std::optional<std::size_t> FindOneOf(std::string_view text, std::string_view separators) {
  const std::size_t found = text.find_first_of(separators);
  if (found == std::string_view::npos) return std::nullopt;
  return found + 1;
}

StartMode ScanCommandLine(std::string_view commandLine) {
  constexpr std::string_view kSeparators = "-/";
  std::optional<std::size_t> token = FindOneOf(commandLine, kSeparators);
  while (token) {
    // The word must run to the very end of the command line.
    const std::string_view rest = commandLine.substr(*token);
    if (EqualsIgnoringCase(rest, "UnregServer")) return StartMode::kUnregister;
    if (EqualsIgnoringCase(rest, "RegServer")) return StartMode::kRegister;
    const std::optional<std::size_t> next = FindOneOf(rest, kSeparators);
    token = next ? std::optional<std::size_t>(*token + *next) : std::nullopt;
  }
  return StartMode::kRun;
}
