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
    // Every period multiplied by this: 5 gives receptions every 10 s to
    // 33 s, as a day's log would hold them.
    double periodScale = 1.0;
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

  // The transmitter's signal level now, 4..15; its hex digit is the line's
  // last character, the level that the graph of a log draws.
  int Level(std::size_t transmitter) const { return level[transmitter]; }

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
