#include "optionreader.h"

#include <utility>

OptionReader::OptionReader(std::vector<std::string> commandArguments)
    : arguments(std::move(commandArguments)) {}

bool OptionReader::Next() {
  for (;;) {
    if (next >= arguments.size()) return false;
    current = arguments[next++];
    hasInlineValue = false;
    inlineValue.clear();
    if (!optionsEnded && current == "--") {
      optionsEnded = true;
      continue;
    }
    isOption = !optionsEnded && current.size() > 1 && current[0] == '-';
    name = current;
    if (isOption) {
      const std::size_t equals = current.find('=');
      if (current.starts_with("--") && equals != std::string::npos) {
        name = current.substr(0, equals);
        inlineValue = current.substr(equals + 1);
        hasInlineValue = true;
      }
    }
    return true;
  }
}

bool OptionReader::Value(std::string& value) {
  if (hasInlineValue) {
    value = inlineValue;
    return true;
  }
  if (next >= arguments.size()) return Fail(name + " needs a value");
  value = arguments[next++];
  return true;
}

bool OptionReader::NoValue() {
  if (hasInlineValue) return Fail(name + " takes no value");
  return true;
}

bool OptionReader::Unknown() {
  return Fail(isOption ? "unknown option " + name : "unexpected argument \"" + current + "\"");
}
