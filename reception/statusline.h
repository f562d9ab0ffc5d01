#pragma once

#include <QString>
#include <filesystem>
#include <optional>
#include <string>

#include "localtime.h"

class QLabel;

// The status line under the slots: the device and its state, the lines of
// the run, the time of the last line and the log file. It keeps the run's
// facts as they change; what it shows is shortened in the middle to the
// line's width, and whole in its tooltip.
class StatusLine {
 public:
  enum class State { kStopped, kEnding, kReading };

  explicit StatusLine(QLabel* line) : label(line) {}

  void RunStarted(const std::filesystem::path& log);
  void Received(const LocalTime& time);
  void LineLost(const LocalTime& since) { lostSince = since; }
  void LineBack() { lostSince.reset(); }
  void LogMoved(const std::filesystem::path& log) { logPath = log; }
  // The run was ended with "Нет": its file is gone.
  void LogDeleted();

  // The text for `device` (empty: none chosen), COM`comPort` (0: none).
  QString Text(const std::string& device, int comPort, State state) const;
  // Shows `text`; laid out anew only when it changed, or `force`d (a new width).
  void Show(const QString& text, bool force = false);

 private:
  QLabel* label;
  std::int64_t lines = 0;
  std::optional<LocalTime> lastLineAt;
  std::optional<LocalTime> lostSince;
  std::filesystem::path logPath;
  bool logDeleted = false;
};
