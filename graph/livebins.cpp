#include "livebins.h"

#include <fcntl.h>
#include <unistd.h>

#include "recordlayout.h"

namespace {

// What the session writes first into every log.
constexpr std::string_view kStartLine = "Start\r\n";
constexpr std::size_t kPieceSize = std::size_t{1} << 20;

// Feeds `length` bytes of the file at `path` from `offset` on; false when the
// file does not hold them all.
bool FeedFromFile(const std::filesystem::path& path, std::uint64_t offset, std::uint64_t length,
                  LogBinner& binner) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return false;
  std::string block(kPieceSize, '\0');
  while (length > 0) {
    const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(length, kPieceSize));
    const ssize_t n = ::pread(fd, block.data(), want, static_cast<off_t>(offset));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    binner.Feed(std::string_view(block.data(), static_cast<std::size_t>(n)));
    offset += static_cast<std::uint64_t>(n);
    length -= static_cast<std::uint64_t>(n);
  }
  ::close(fd);
  return length == 0;
}

}  // namespace

bool LiveBins::SetRequest(const LoadRequest& wanted) {
  GraphData bins;
  LogBinner fresh(wanted, bins);
  for (const std::string& piece : text) fresh.Feed(piece);
  // Past the kept text the log file holds the middle, byte for byte, unless
  // lines could not be written to it; the latest bytes are in memory.
  if (!textKept) {
    const std::uint64_t tailStart = fedBytes - tailBytes;
    if (!FeedFromFile(logPath, keptBytes, tailStart - keptBytes, fresh)) return false;
    for (const std::string& piece : tail) fresh.Feed(piece);
  }
  request = wanted;
  data = std::move(bins);
  binner = std::make_unique<LogBinner>(fresh, data);
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
  tail.clear();
  keptBytes = 0;
  tailBytes = 0;
  fedBytes = 0;
  textKept = true;
  // A new run starts on its first day.
  LoadRequest first = request;
  first.day = 1;
  SetRequest(first);
  Feed(kStartLine);
}

void LiveBins::Received(const Reception& line) {
  Feed(recordlayout::RecordLineOf(line.stamped));
  ++version;
}

void LiveBins::Append(std::vector<std::string>& pieces, std::string_view bytes) {
  if (pieces.empty() || pieces.back().size() + bytes.size() > kPieceSize) {
    pieces.emplace_back().reserve(kPieceSize);
  }
  pieces.back() += bytes;
}

void LiveBins::Feed(std::string_view logBytes) {
  binner->Feed(logBytes);
  fedBytes += logBytes.size();
  if (textKept && keptBytes + logBytes.size() > limit) {
    // Bounded memory: the middle of the run is read from the log file when
    // needed. What is kept stays until the next run (given back at once, in
    // a flood, it would hold the window's thread for a moment).
    textKept = false;
  }
  if (textKept) {
    Append(text, logBytes);
    keptBytes += logBytes.size();
    return;
  }
  Append(tail, logBytes);
  tailBytes += logBytes.size();
  // A piece at a time: the oldest goes once a whole piece is spare.
  while (tail.size() > 1 && tailBytes - tail.front().size() >= tailLimit) {
    tailBytes -= tail.front().size();
    tail.erase(tail.begin());
  }
}
