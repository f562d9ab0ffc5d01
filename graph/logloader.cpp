#include "logloader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#include "recordlayout.h"

namespace {

// A line longer than this cannot be one of the program's own.
constexpr std::size_t kLongestLine = 4096;
using recordlayout::HasRecordTime;
using recordlayout::HasStamp;
constexpr std::size_t kRecordTime = recordlayout::kRecordTimeLength;
constexpr std::size_t kShortRecord = recordlayout::kShortRecordLength;
constexpr std::size_t kLongRecord = recordlayout::kLongRecordLength;

int Number(char first, char second) { return recordlayout::TwoDigits(first, second); }

// A name of at most 7 bytes as one number, its length in the top byte.
std::uint64_t PackedName(std::string_view name) {
  std::uint64_t key = name.size();
  for (char c : name) key = key << 8 | static_cast<unsigned char>(c);
  return key;
}

// The same numbers for the decoder's fixed-size fields, without a loop.
static_assert(std::endian::native == std::endian::little, "the packed keys read bytes in order");
std::uint64_t PackedNumber(const std::array<char, 4>& number) {
  std::uint32_t bytes;
  std::memcpy(&bytes, number.data(), sizeof bytes);
  return std::uint64_t{4} << 32 | __builtin_bswap32(bytes);
}

std::uint64_t PackedIdentifier(const std::array<char, 5>& identifier) {
  std::uint32_t bytes;
  std::memcpy(&bytes, identifier.data() + 1, sizeof bytes);
  return std::uint64_t{5} << 40 | std::uint64_t{static_cast<unsigned char>(identifier[0])} << 32 |
         __builtin_bswap32(bytes);
}

char At(std::string_view text, std::size_t i) { return i < text.size() ? text[i] : '\0'; }

unsigned LevelOf(unsigned char byte) {
  if (byte >= '0' && byte <= '9') return byte - '0';
  return static_cast<unsigned char>(byte - 55);
}

// `value` (-9..99, what two characters can hold) as two characters, zero-padded.
void PutTwoDigits(std::string& text, std::size_t at, int value) {
  if (value < 0) {
    text[at] = '-';
    text[at + 1] = static_cast<char>('0' - value % 10);
    return;
  }
  text[at] = static_cast<char>('0' + (value / 10) % 10);
  text[at + 1] = static_cast<char>('0' + value % 10);
}

}  // namespace

int MinutesOf(std::string_view text) {
  return Number(At(text, 0), At(text, 1)) * 60 + Number(At(text, 3), At(text, 4));
}

int SpanMinutes(std::string_view firstText, std::string_view lastText) {
  int span = MinutesOf(lastText) - MinutesOf(firstText);
  // A last reception not after the first one lies on the next day.
  if (span <= 0) span += 1440;
  // Texts that no clock shows (hour 99) can leave it negative: nothing to draw.
  return span > 0 ? span : 0;
}

void GraphData::Clear() {
  receptionCounts.assign(kBinCount, 0);
  peakLevels.assign(kBinCount, 0.0);
  firstText.clear();
  lastText.clear();
  receptionTotal = 0;
  spanMinutes = 0;
  loaded = false;
  transmitter.clear();
  day = 1;
  matchedLines = 0;
  dateText.clear();
  dayCount = 0;
  transmitters.clear();
  unlistedLines = 0;
}

std::vector<std::string> FrequentTransmitters(const GraphData& data, std::size_t count) {
  std::vector<const std::pair<std::string, long long>*> order;
  for (const auto& transmitter : data.transmitters) order.push_back(&transmitter);
  const std::size_t shown = std::min(count, order.size());
  std::partial_sort(order.begin(), order.begin() + static_cast<std::ptrdiff_t>(shown), order.end(),
                    [](const auto* a, const auto* b) { return a->second > b->second; });
  std::vector<std::string> texts;
  for (std::size_t i = 0; i < shown; ++i)
    texts.push_back(order[i]->first + " (" + std::to_string(order[i]->second) + ")");
  return texts;
}

bool ParseClockText(std::string_view text, std::string& clock) {
  // H:MM, HH:MM, H.MM or HH.MM, and nothing else.
  const std::size_t separator = text.find_first_of(":.");
  if (separator != 1 && separator != 2) return false;
  if (text.size() != separator + 3) return false;
  const auto digit = [](char c) { return c >= '0' && c <= '9'; };
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (i != separator && !digit(text[i])) return false;
  }
  const int hour = separator == 1 ? text[0] - '0' : (text[0] - '0') * 10 + (text[1] - '0');
  const int minute = (text[separator + 1] - '0') * 10 + (text[separator + 2] - '0');
  if (hour > 23 || minute > 59) return false;
  clock = "00:00";
  PutTwoDigits(clock, 0, hour);
  PutTwoDigits(clock, 3, minute);
  return true;
}

LogBinner::LogBinner(const LoadRequest& loadRequest, GraphData& target)
    : request(loadRequest), data(&target) {
  // Only a 4- or 5-character name can match; any other matches nothing.
  const std::size_t length = request.transmitter.size();
  wantedKey = length == 4 || length == 5 ? PackedName(request.transmitter) : 0;
  data->firstText = request.firstText;
  data->lastText = request.lastText;
  data->transmitter = request.transmitter;
  data->day = request.day;
  data->receptionTotal = 0;
  startMinutes = MinutesOf(request.firstText);
}

void LogBinner::Feed(std::string_view bytes) {
  if (carry.empty()) {
    const std::size_t taken = Consume(bytes, false);
    carry.assign(bytes.substr(taken));
    return;
  }
  const std::size_t before = carry.size();
  carry.append(bytes);
  // The carry is one unfinished line. It is looked at again only when the
  // new bytes can decide it: a line end, a CR's next byte, or one of the
  // lengths a line is told by. So small pieces cost what one piece costs.
  bool decides = bytes.find_first_of("\r\n") != std::string_view::npos || carry[before - 1] == '\r';
  for (std::size_t length : {kRecordTime, kShortRecord + 1, kLongRecord + 1, kLongestLine + 1}) {
    decides = decides || (before < length && carry.size() >= length);
  }
  if (!decides) return;
  const std::size_t taken = Consume(carry, false);
  carry.erase(0, taken);
}

void LogBinner::Finish() {
  Consume(carry, true);
  carry.clear();
  SetSpan();
}

void LogBinner::SetSpan() {
  data->loaded = true;
  // Nothing in the window: nothing to draw, rather than an axis of a day.
  data->spanMinutes = started && !emptyWindow ? SpanMinutes(data->firstText, data->lastText) : 0;
}

std::size_t LogBinner::Consume(std::string_view bytes, bool atEnd) {
  std::size_t position = 0;
  while (position < bytes.size()) {
    const std::string_view rest = bytes.substr(position);
    if (skipping) {
      // The rest of a line too long to be one of ours; an LF after its CR
      // makes an empty line, which is skipped as well.
      const std::size_t end = rest.find_first_of("\r\n");
      if (end == std::string_view::npos) return bytes.size();
      skipping = false;
      position += end + 1;
      continue;
    }
    // Every decision below looks at most 41 bytes ahead or up to the line's
    // end, and waits for them: so the result never depends on the cuts.
    if (rest.size() < kRecordTime && !atEnd) return position;
    // A record line has a fixed length and may hold its own CR and LF inside;
    // its LF may have become CR LF on the way through a Windows program.
    if (HasRecordTime(rest)) {
      const auto endsAt = [&](std::size_t length) -> std::size_t {
        if (rest.size() >= length && rest[length - 1] == '\n') return length;
        if (rest.size() > length && rest[length - 1] == '\r' && rest[length] == '\n') {
          return length + 1;
        }
        return 0;
      };
      if (rest.size() <= kShortRecord && !atEnd) return position;
      if (const std::size_t taken = endsAt(kShortRecord); taken != 0 && rest[20] == ' ') {
        RecordLine(rest.substr(0, kShortRecord));
        position += taken;
        continue;
      }
      if (rest.size() <= kLongRecord && !atEnd) return position;
      if (const std::size_t taken = endsAt(kLongRecord); taken != 0 && rest[21] == ' ') {
        RecordLine(rest.substr(0, kLongRecord));
        position += taken;
        continue;
      }
    }
    const std::size_t end = rest.find_first_of("\r\n");
    if (end == std::string_view::npos) {
      if (rest.size() > kLongestLine) {
        skipping = true;
        return bytes.size();
      }
      if (!atEnd) return position;
      StampedLine(rest);
      return bytes.size();
    }
    // A CR ends the line and takes the LF after it along.
    std::size_t next = end + 1;
    if (rest[end] == '\r') {
      if (next >= rest.size() && !atEnd) return position;
      if (next < rest.size() && rest[next] == '\n') ++next;
    }
    if (end <= kLongestLine) StampedLine(rest.substr(0, end));
    position += next;
  }
  return position;
}

bool LogBinner::Clock(int hour, int minute) {
  const int minuteOfDay = hour * 60 + minute;
  // 12 hours or more back is past midnight; less is the clock set back.
  if (previousLineMinute >= 0 && previousLineMinute - minuteOfDay >= 720) ++day;
  previousLineMinute = minuteOfDay;
  data->dayCount = day;
  return day >= request.day;
}

void LogBinner::Tally(std::uint64_t key, std::string_view transmitter) {
  // Found by its packed key: a comparison a transmitter, no strings.
  // A direct-mapped cache of the names seen, then the list itself.
  const std::size_t slot = static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ull) >> 58);
  if (cachedKeys[slot] == key) {
    ++data->transmitters[cachedIndexes[slot]].second;
    return;
  }
  if (const auto found = tallyIndex.find(key); found != tallyIndex.end()) {
    cachedKeys[slot] = key;
    cachedIndexes[slot] = found->second;
    ++data->transmitters[found->second].second;
    return;
  }
  // Only what a user could type; a garbled line names no transmitter.
  for (char c : transmitter) {
    if (c <= ' ' || c > '~') return;
  }
  // Bounded whatever the file holds, without hiding a transmitter.
  // Counts only grow: once a drop found no name seen once, none will be.
  if (tallyKeys.size() >= kMaxTransmitters && !listFull) {
    DropRareNames();
    listFull = tallyKeys.size() >= kMaxTransmitters;
  }
  if (tallyKeys.size() >= kMaxTransmitters) {
    ++data->unlistedLines;
    return;
  }
  tallyIndex.emplace(key, static_cast<std::uint32_t>(tallyKeys.size()));
  tallyKeys.push_back(key);
  data->transmitters.emplace_back(transmitter, 1);
}

void LogBinner::DropRareNames() {
  std::size_t kept = 0;
  tallyIndex.clear();
  for (std::size_t i = 0; i < tallyKeys.size(); ++i) {
    if (data->transmitters[i].second <= 1) {
      data->unlistedLines += data->transmitters[i].second;
      continue;
    }
    tallyIndex.emplace(tallyKeys[i], static_cast<std::uint32_t>(kept));
    if (kept != i) {
      tallyKeys[kept] = tallyKeys[i];
      data->transmitters[kept] = std::move(data->transmitters[i]);
    }
    ++kept;
  }
  tallyKeys.resize(kept);
  data->transmitters.resize(kept);
  cachedKeys.fill(0);
}

void LogBinner::RecordLine(std::string_view line) {
  // The level byte is looked for only in the lines that count.
  const DecodedLine decoded = recordlayout::DecodeRecordLine(line, false);
  const bool longLayout = decoded.form == DecodedLine::Form::kLong;
  const bool inDays = Clock(decoded.hour, decoded.minute);
  const std::uint64_t numberKey = PackedNumber(decoded.number);
  const std::uint64_t identifierKey = longLayout ? PackedIdentifier(decoded.identifier) : 0;
  if (decoded.reception) {
    if (longLayout) {
      Tally(identifierKey, {decoded.identifier.data(), decoded.identifier.size()});
    } else {
      Tally(numberKey, {decoded.number.data(), decoded.number.size()});
    }
  }
  const bool matches = (longLayout && wantedKey == identifierKey) || wantedKey == numberKey;
  if (!matches) return;
  ++data->matchedLines;
  if (!inDays) return;
  const char level = recordlayout::LastReceived(line.data(), longLayout);
  Accept(decoded.hour, decoded.minute, decoded.second, static_cast<unsigned char>(level));
}

void LogBinner::StampedLine(std::string_view line) {
  if (!HasStamp(line)) return;
  const DecodedLine decoded = recordlayout::DecodeStamped(line);
  const bool inDays = Clock(decoded.hour, decoded.minute);
  const std::string_view number(decoded.number.data(), decoded.number.size());
  // The number's four bytes lie inside the line (the decoder reads past it as NUL).
  const std::size_t numberAt = decoded.form == DecodedLine::Form::kLong ? 15 : 14;
  const bool numberThere = line.size() >= numberAt + 4;
  if (numberThere && decoded.reception) Tally(PackedNumber(decoded.number), number);
  const std::string& wanted = request.transmitter;
  bool matches;
  if (wanted.size() == 4) {
    // The transmitter number, where the statistics find it.
    matches = numberThere && number == wanted;
  } else {
    // Five bytes compared raw, the 'P' among them: a shorter identifier,
    // with its NULs, matches nothing.
    std::array<char, 5> padded{};
    for (std::size_t i = 0; i < padded.size() && i < wanted.size(); ++i) padded[i] = wanted[i];
    matches = line.size() >= 18 && std::memcmp(line.data() + 13, padded.data(), 5) == 0;
  }
  if (!matches) return;
  ++data->matchedLines;
  if (!inDays) return;
  Accept(decoded.hour, decoded.minute, decoded.second, static_cast<unsigned char>(decoded.last));
}

void LogBinner::Accept(int hour, int minute, int second, unsigned char levelByte) {
  const int minuteOfDay = hour * 60 + minute;
  if (emptyWindow) return;
  bool newMinute;
  if (!started) {
    // The first reception: on the chosen day, from the first-reception time.
    if (day != request.day || minuteOfDay < startMinutes) return;
    // One at or past the last-reception time leaves the window empty.
    if (minuteOfDay - startMinutes >= SpanMinutes(request.firstText, request.lastText)) {
      emptyWindow = true;
      return;
    }
    started = true;
    startMinutes = minuteOfDay;
    previousMinute = minuteOfDay;
    if (data->firstText.size() < 5) data->firstText = "00:00";
    PutTwoDigits(data->firstText, 0, hour);
    PutTwoDigits(data->firstText, 3, minute);
    span = SpanMinutes(data->firstText, data->lastText);
    // The first reception counts in bin 0 as the first line of a new minute.
    newMinute = true;
  } else {
    newMinute = minuteOfDay != previousMinute;
  }
  unsigned level = LevelOf(levelByte);
  if (level < 4) level = 15;

  if (newMinute) {
    int difference = minuteOfDay - previousMinute;
    // 12 hours or more back is the next day; less is a clock set back,
    // which the bins follow.
    if (difference <= -720) difference += 1440;
    bin += difference;
    previousMinute = minuteOfDay;
  }
  // A line that repeats the previous accepted line's time is the same
  // reception: it counts once, in the bars and in TX/min alike.
  const int time = hour * 3600 + minute * 60 + second;
  const bool repeated = hasPreviousTime && time == previousTime;
  hasPreviousTime = true;
  previousTime = time;
  if (!repeated && bin >= 0 && bin < span) ++data->receptionTotal;
  // Lines past the cleared table are skipped, never stored.
  if (repeated || bin < 0 || bin >= static_cast<long long>(GraphData::kBinCount)) return;
  const auto index = static_cast<std::size_t>(bin);
  if (data->receptionCounts[index] < 255) ++data->receptionCounts[index];
  if (level > data->peakLevels[index]) data->peakLevels[index] = level;
}

namespace {

// Reads a file block by block on a thread of its own, so that the kernel's
// copying of the next block overlaps the binning of this one. Each block has
// room in front for the unfinished line of the block before.
class BlockReader {
 public:
  static constexpr std::size_t kFront = 8192;  // more than the longest line kept
  static constexpr std::size_t kBlocks = 4;

  struct Block {
    std::vector<char> bytes;  // kFront bytes of room, then the data
    std::size_t size = 0;     // of the data; 0 at the end of the file
    int error = 0;            // errno of a failed read
  };

  BlockReader(int fd, std::size_t blockSize) : file(fd) {
    for (std::size_t i = 0; i < kBlocks; ++i) {
      auto block = std::make_unique<Block>();
      block->bytes.resize(kFront + blockSize);
      empty.push_back(std::move(block));
    }
    thread = std::thread([this] { Run(); });
  }
  ~BlockReader() {
    {
      std::lock_guard lock(mutex);
      stopping = true;
    }
    changed.notify_all();
    thread.join();
  }
  BlockReader(const BlockReader&) = delete;
  BlockReader& operator=(const BlockReader&) = delete;

  // The next block in file order; give it back when done with it.
  std::unique_ptr<Block> Next() {
    std::unique_lock lock(mutex);
    changed.wait(lock, [&] { return !full.empty(); });
    std::unique_ptr<Block> block = std::move(full.front());
    full.pop_front();
    return block;
  }
  void GiveBack(std::unique_ptr<Block> block) {
    {
      std::lock_guard lock(mutex);
      empty.push_back(std::move(block));
    }
    changed.notify_all();
  }

 private:
  void Run() {
    for (;;) {
      std::unique_ptr<Block> block;
      {
        std::unique_lock lock(mutex);
        changed.wait(lock, [&] { return stopping || !empty.empty(); });
        if (stopping) return;
        block = std::move(empty.front());
        empty.pop_front();
      }
      ssize_t n;
      do {
        n = ::read(file, block->bytes.data() + kFront, block->bytes.size() - kFront);
      } while (n < 0 && errno == EINTR);
      block->error = n < 0 ? errno : 0;
      block->size = n > 0 ? static_cast<std::size_t>(n) : 0;
      const bool last = n <= 0;
      {
        std::lock_guard lock(mutex);
        full.push_back(std::move(block));
      }
      changed.notify_all();
      if (last) return;
    }
  }

  const int file;
  std::mutex mutex;
  std::condition_variable changed;
  std::deque<std::unique_ptr<Block>> empty;
  std::deque<std::unique_ptr<Block>> full;
  bool stopping = false;
  std::thread thread;
};

}  // namespace

bool LoadLog(const std::filesystem::path& path, const LoadRequest& request, GraphData& data,
             std::string& error, std::size_t blockSize, const LoadProgress& progress) {
  data.Clear();
  // Non-blocking, so that a FIFO given as a log cannot hold the open.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    error = "cannot open " + path.string() + ": " + std::strerror(errno);
    return false;
  }
  struct stat status {};
  if (fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
    // A FIFO, a device (/dev/zero never ends) or a folder is no log.
    error = "cannot load " + path.string() + ": it is not a log file but " +
            (S_ISDIR(status.st_mode)    ? "a folder"
             : S_ISFIFO(status.st_mode) ? "a FIFO"
                                        : "a device");
    ::close(fd);
    return false;
  }
  const std::uint64_t total = static_cast<std::uint64_t>(status.st_size);
  std::uint64_t done = 0;
  LogBinner binner(request, data);
  const auto fail = [&](std::string why) {
    error = std::move(why);
    data.Clear();
    return false;
  };
  bool loaded = true;
  {
    std::unique_ptr<BlockReader> reader;
    try {
      reader = std::make_unique<BlockReader>(fd, blockSize > 0 ? blockSize : 1);
    } catch (const std::system_error& threadError) {
      ::close(fd);
      return fail("cannot load " + path.string() + ": " + threadError.what());
    }
    // The unfinished line of the block before, moved in front of the next.
    std::vector<char> kept;
    for (;;) {
      std::unique_ptr<BlockReader::Block> block = reader->Next();
      if (block->error != 0) {
        loaded = fail("cannot read " + path.string() + ": " + std::strerror(block->error));
        break;
      }
      char* start = block->bytes.data() + BlockReader::kFront;
      std::size_t filled = block->size;
      std::vector<char> joined;
      if (kept.size() <= BlockReader::kFront) {
        if (!kept.empty()) {
          start -= kept.size();
          std::memcpy(start, kept.data(), kept.size());
          filled += kept.size();
        }
      } else {
        // Never with the lines of a log; any file can hold anything.
        joined = kept;
        joined.insert(joined.end(), start, start + block->size);
        start = joined.data();
        filled = joined.size();
      }
      if (block->size == 0) {
        binner.Consume(std::string_view(start, filled), true);
        break;
      }
      done += block->size;
      if (progress && !progress(done, total)) {
        loaded = fail("loading " + path.string() + " was cancelled");
        break;
      }
      const std::size_t taken = binner.Consume(std::string_view(start, filled), false);
      kept.assign(start + taken, start + filled);
      reader->GiveBack(std::move(block));
    }
  }
  ::close(fd);
  if (!loaded) return false;
  binner.SetSpan();
  data.dateText = DayDate(path.filename().string(), request.day);
  return true;
}

std::string DayDate(std::string_view logName, int day) {
  // YYYY.MM.DD_hh-mm-ss.txt, as the reading page names its logs.
  if (logName.size() < 10 || logName[4] != '.' || logName[7] != '.' || day < 1) return {};
  int parts[3] = {0, 0, 0};
  const std::size_t starts[3] = {0, 5, 8};
  const std::size_t lengths[3] = {4, 2, 2};
  for (int i = 0; i < 3; ++i) {
    for (std::size_t j = 0; j < lengths[i]; ++j) {
      const char c = logName[starts[i] + j];
      if (c < '0' || c > '9') return {};
      parts[i] = parts[i] * 10 + (c - '0');
    }
  }
  using namespace std::chrono;
  const year_month_day first{year(parts[0]), month(static_cast<unsigned>(parts[1])),
                             std::chrono::day(static_cast<unsigned>(parts[2]))};
  if (!first.ok()) return {};
  const year_month_day date{sys_days(first) + days(day - 1)};
  std::string text = "00.00.";
  PutTwoDigits(text, 0, static_cast<int>(static_cast<unsigned>(date.day())));
  PutTwoDigits(text, 3, static_cast<int>(static_cast<unsigned>(date.month())));
  return text + std::to_string(static_cast<int>(date.year()));
}
