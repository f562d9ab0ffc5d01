#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

#include "graphdata.h"

// What to take from a log: the transmitter (5 characters: the receiver's
// identifier; 4: the transmitter number) and the "HH:MM" texts of the first
// and the last reception.
struct LoadRequest {
  std::string transmitter = "0A642";
  std::string firstText = "00:00";
  std::string lastText = "23:59";
};

// Folds the receptions of one transmitter into minute bins. The log comes in
// pieces of any size; the result is the same however it is cut. It reads the
// record lines the program logs and the stamped lines of the reception
// monitor; any other line is skipped.
class LogBinner {
 public:
  LogBinner(const LoadRequest& request, GraphData& data);
  void Feed(std::string_view bytes);
  // The end of the file: handles a last line without line end, sets the span.
  void Finish();

  // Takes the whole lines at the front of `bytes` (all of them at the end of
  // the file) and returns how many bytes it took; for readers that keep the
  // rest themselves. SetSpan() then ends the load.
  std::size_t Consume(std::string_view bytes, bool atEnd);
  void SetSpan();

 private:
  void RecordLine(std::string_view line);
  void StampedLine(std::string_view line);
  void Accept(int hour, int minute, int second, unsigned char levelByte);

  const LoadRequest request;
  GraphData& data;
  std::string carry;      // the unfinished end of the last piece
  bool skipping = false;  // inside a line too long to be one of ours
  bool started = false;
  int startMinutes = 0;
  int previousMinute = 0;
  int previousSecond = 0;
  int previousTime = -1;  // seconds since midnight of the last accepted line
  long long bin = 0;
};

// Clears `data` and loads the log at `path` into it. False, with `error`
// naming the file and the reason, when it cannot be read.
bool LoadLog(const std::filesystem::path& path, const LoadRequest& request, GraphData& data,
             std::string& error);

// The hour and minute of an "HH:MM" text, each read as atoi reads it.
int MinutesOf(std::string_view text);
