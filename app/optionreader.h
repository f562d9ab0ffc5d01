#pragma once

#include <cstddef>
#include <string>
#include <vector>

// Reads a console command's arguments as GNU programs take them: "--name
// value" and "--name=value", "--help", "--" ending the options, and
// positional arguments anywhere. One reader serves every command.
class OptionReader {
 public:
  explicit OptionReader(std::vector<std::string> arguments);

  // Hands every argument in turn to `take`, which reads the current one and
  // returns false (having called Fail or Value) to stop. False when it
  // stopped; "--help" ends the reading early, true, with WantsHelp().
  template <typename Take>
  bool ReadAll(Take take) {
    while (Next()) {
      if (IsHelp()) {
        helpAsked = true;
        return true;
      }
      if (!take()) return false;
    }
    return true;
  }
  bool WantsHelp() const { return helpAsked; }

  // Moves to the next argument; false when there is none.
  bool Next();
  // The current argument is an option ("--name" or "--name=value" before any
  // "--"); else it is a positional argument.
  bool IsOption() const { return isOption; }
  // The option's name without "=value", e.g. "--tx".
  const std::string& Name() const { return name; }
  // The positional argument.
  const std::string& Positional() const { return current; }
  bool IsHelp() const { return isOption && name == "--help"; }

  // The option's value: what follows '=', else the next argument. False,
  // with Problem() set, when there is none.
  bool Value(std::string& value);
  // For an option without a value: false, with Problem() set, when one was
  // given with '='.
  bool NoValue();

  // Why the arguments cannot be taken; set by the calls above or by Fail.
  const std::string& Problem() const { return problem; }
  bool Fail(std::string why) {
    problem = std::move(why);
    return false;
  }
  // The problem of an option nobody asked for, or of a stray argument.
  bool Unknown();

 private:
  std::vector<std::string> arguments;
  std::size_t next = 0;
  bool optionsEnded = false;
  bool isOption = false;
  std::string name;
  std::string current;
  std::string inlineValue;
  bool hasInlineValue = false;
  bool helpAsked = false;
  std::string problem;
};
