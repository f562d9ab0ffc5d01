#include "livebins.h"

#include "recordlayout.h"

namespace {

// What the session writes first into every log.
constexpr std::string_view kStartLine = "Start\r\n";

}  // namespace

bool LiveBins::SetRequest(const LoadRequest& wanted) {
  if (!textKept) return false;
  request = wanted;
  data.Clear();
  binner = std::make_unique<LogBinner>(request, data);
  binner->Feed(text);
  ++version;
  return true;
}

void LiveBins::Snapshot(GraphData& out) const {
  out = data;
  // The file's end is where the run stands: its last line is taken as the
  // loader takes the last line of a file.
  LogBinner atEnd(*binner, out);
  atEnd.Finish();
  out.dateText = DayDate(logPath.filename().string(), request.day);
}

void LiveBins::RunStarted(const std::filesystem::path& path, std::int64_t) {
  logPath = path;
  running = true;
  text.clear();
  textKept = true;
  SetRequest(request);
  Feed(kStartLine);
}

void LiveBins::Received(const Reception& line) {
  Feed(recordlayout::RecordLineOf(line.stamped));
  ++version;
}

void LiveBins::Feed(std::string_view logBytes) {
  binner->Feed(logBytes);
  if (!textKept) return;
  if (text.size() + logBytes.size() > kKeptLimit) {
    // Bounded memory: from here on the bins go on for this request only.
    textKept = false;
    std::string().swap(text);
    return;
  }
  text += logBytes;
}
