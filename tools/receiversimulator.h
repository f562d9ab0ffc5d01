#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <vector>

// A stand-in for the receiver: every transmitter reports with its own period
// and jitter, its level character drifts, and the lines come in the short or
// long form of the receiver, each ended by CR LF.
class ReceiverSimulator {
 public:
  enum class Form { kShort, kLong, kMixed };

  struct Options {
    std::vector<std::string> numbers = {"1234", "A642", "C115", "0B17"};
    Form form = Form::kShort;
    bool noise = false;  // mix in what a real line brings
    std::uint32_t seed = 1;
  };

  explicit ReceiverSimulator(Options options);

  // The bytes of the next line and the simulated seconds since the start at
  // which the receiver sends it.
  struct Line {
    std::string bytes;
    double at = 0;
    int transmitter = -1;  // index into the numbers; -1 for a noise line
  };
  Line Next();

  // Receptions sent so far per transmitter, and noise lines sent.
  const std::vector<long long>& Receptions() const { return receptions; }
  long long NoiseLines() const { return noiseLines; }

 private:
  std::string ReceptionLine(std::size_t transmitter);
  std::string NoiseLine();

  Options options;
  std::mt19937 random;
  std::vector<double> period;
  std::vector<double> due;
  std::vector<int> level;  // 4..15
  std::vector<long long> receptions;
  long long noiseLines = 0;
  long long sent = 0;
};
