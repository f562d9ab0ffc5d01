#include "receiversimulator.h"

#include <algorithm>

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

}  // namespace

ReceiverSimulator::ReceiverSimulator(Options chosen)
    : options(std::move(chosen)), random(options.seed) {
  const std::size_t count = options.numbers.size();
  for (std::size_t i = 0; i < count; ++i) {
    // Periods of a few seconds, different per transmitter.
    period.push_back((2.0 + 1.5 * static_cast<double>(i)) * options.periodScale);
    due.push_back(0.1 * static_cast<double>(i));
    level.push_back(8 + static_cast<int>(i % 5));
    receptions.push_back(0);
  }
}

std::string ReceiverSimulator::ReceptionLine(std::size_t transmitter) {
  // The level drifts slowly, a step now and then, as a receiver's report of
  // a fading signal does.
  std::uniform_int_distribution<int> step(-1, 1);
  std::uniform_int_distribution<int> now(0, 7);
  if (now(random) == 0) level[transmitter] = std::clamp(level[transmitter] + step(random), 4, 15);
  const char levelCharacter = kHexDigits[level[transmitter]];
  std::uniform_int_distribution<int> hex(0, 15);
  const auto field = [&](int length) {
    std::string text;
    for (int i = 0; i < length; ++i) text += kHexDigits[hex(random)];
    return text;
  };
  bool longForm = options.form == Form::kLong;
  if (options.form == Form::kMixed) longForm = (sent % 2) == 1;
  const std::string& number = options.numbers[transmitter];
  if (longForm)
    return "P0" + number + field(6) + levelCharacter + field(2) + levelCharacter + "\r\n";
  return "P" + number + levelCharacter + field(2) + levelCharacter + "\r\n";
}

std::string ReceiverSimulator::NoiseLine() {
  std::uniform_int_distribution<int> kind(0, 4);
  switch (kind(random)) {
    case 0:
      return "S status 0K\r\n";  // not a reception
    case 1:
      return std::string("P1") + '\0' + "2345678\r\n";  // a NUL in the line
    case 2:
      return "\n";  // a bare LF
    case 3:
      return std::string(600, 'Z') + "\r\n";  // longer than any buffer
    default:
      return "P99998888\n";  // no CR
  }
}

ReceiverSimulator::Line ReceiverSimulator::Next() {
  ++sent;
  if (options.noise) {
    std::uniform_int_distribution<int> chance(0, 9);
    if (chance(random) == 0) {
      ++noiseLines;
      const double at = due.empty() ? 0 : *std::min_element(due.begin(), due.end());
      return {NoiseLine(), at, -1};
    }
  }
  if (due.empty()) return {NoiseLine(), 0, -1};
  const auto next =
      static_cast<std::size_t>(std::min_element(due.begin(), due.end()) - due.begin());
  const double at = due[next];
  std::uniform_real_distribution<double> jitter(-0.2, 0.2);
  due[next] += period[next] * (1.0 + jitter(random));
  ++receptions[next];
  return {ReceptionLine(next), at, static_cast<int>(next)};
}
