#pragma once

#include <filesystem>
#include <string>
#include <vector>

// The slots' transmitter numbers in tx.txt: one 4-character number per line,
// in slot order, at most eight; written with CR LF, read with CR LF or LF.
struct TransmitterList {
  std::vector<std::string> numbers;  // at most 8, each 4 bytes
  std::string problem;               // why reading stopped early; empty when all was well
};

// Reads `path`. A missing file gives no numbers and no problem; a line that is
// not a 4-character number ends the reading and is named in `problem`.
TransmitterList LoadTransmitterList(const std::filesystem::path& path);

// Writes the numbers that are exactly 4 bytes after cutting each to its first
// 4 (a longer edit is saved with its first four), packed, in order. The file is
// replaced whole, so a crash leaves the old list or the new one. Returns an
// empty string or the reason of the failure.
std::string SaveTransmitterList(const std::filesystem::path& path,
                                const std::vector<std::string>& edits);

// tx.txt of one folder, as the reading page keeps it: read at start-up and
// saved at exit. A file that could not be read whole is moved aside to
// tx.txt.bad before the save, so what it held is not lost.
class TransmitterStore {
 public:
  struct SaveProblem {
    bool keptAside = true;  // false: the damaged file could not be moved aside
    std::string detail;     // the path and the system's reason
    explicit operator bool() const { return !detail.empty(); }
  };

  // Reads tx.txt in `folder`.
  TransmitterList Load(const std::filesystem::path& folder);
  // Writes `edits` as SaveTransmitterList does, into the folder last loaded.
  SaveProblem Save(const std::vector<std::string>& edits);

  const std::filesystem::path& Path() const { return path; }
  bool Damaged() const { return damaged; }

 private:
  std::filesystem::path path;
  bool damaged = false;
};
