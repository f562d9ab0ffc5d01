#include "graphcommand.h"

#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>

#include "logloader.h"
#include "optionreader.h"
#include "stringtable.h"

const char* const kGraphUsage =
    "usage: delvarine graph LOGFILE [--tx ID] [--from HH:MM] [--to HH:MM] [--day N]\n"
    "                       [--interval 1|2|3|5|10] [--max 1|10|20|30|60|120]\n"
    "                       [--output FILE.png|FILE.pdf|FILE.svg|FILE.csv] [--bins]\n"
    "                       [--transmitters]\n"
    "  --tx ID         the receiver's 5-character identifier or a 4-character number (0A642)\n"
    "  --from HH:MM    receptions from this time on (00:00); 9:30 and 9.30 are 09:30\n"
    "  --to HH:MM      the end of the time axis (23:59)\n"
    "  --day N         the log's day N: 1 is its first, the next begins after each\n"
    "                  midnight (1)\n"
    "  --interval N    minutes per bar (1)\n"
    "  --max N         top of the reception scale (30)\n"
    "  --output FILE   the screen picture as PNG or SVG, the paper picture as PDF,\n"
    "                  the minute bins as CSV\n"
    "  --bins          print \"MINUTE COUNT PEAK\" for each minute of the axis\n"
    "  --transmitters  print the transmitters the log holds, \"ID LINES\" each, and stop\n"
    "  --help          show this help\n"
    "Prints \"total R span S\" (receptions on the axis, its minutes) last. Exit 1 when\n"
    "LOGFILE cannot be read or FILE written, 2 for bad arguments.\n";

namespace {

// The most frequent transmitters named when the asked-for one is missing.
constexpr std::size_t kHintedTransmitters = 20;

struct GraphOptions {
  std::string logFile;
  LoadRequest request;
  int interval = 1;
  int maxTx = 30;
  std::string output;
  bool bins = false;
  bool transmitters = false;
  bool help = false;
};

std::optional<GraphOptions> Parse(const std::vector<std::string>& arguments, std::string& problem) {
  GraphOptions options;
  OptionReader reader(arguments);
  std::string v;
  const bool read = reader.ReadAll([&] {
    const std::string& option = reader.Name();
    if (!reader.IsOption()) {
      if (!options.logFile.empty()) return reader.Fail("one log file only");
      options.logFile = reader.Positional();
    } else if (option == "--tx") {
      if (!reader.Value(v)) return false;
      if (v.empty() || v.size() > 5)
        return reader.Fail("--tx needs an identifier of at most 5 characters");
      options.request.transmitter = v;
    } else if (option == "--from" || option == "--to") {
      if (!reader.Value(v)) return false;
      std::string clock;
      if (!ParseClockText(v, clock)) return reader.Fail(option + " needs a time HH:MM");
      (option == "--from" ? options.request.firstText : options.request.lastText) = clock;
    } else if (option == "--day") {
      if (!reader.Value(v)) return false;
      int day = 0;
      const auto [end, error] = std::from_chars(v.data(), v.data() + v.size(), day);
      if (error != std::errc() || end != v.data() + v.size() || day < 1) {
        return reader.Fail("--day needs a day number from 1 on");
      }
      options.request.day = day;
    } else if (option == "--interval" || option == "--max") {
      if (!reader.Value(v)) return false;
      const bool interval = option == "--interval";
      int chosen = -1;
      for (int index = 0; index < (interval ? 5 : 6); ++index) {
        const int candidate = interval ? IntervalOfItem(index) : MaxTxOfItem(index);
        if (v == std::to_string(candidate)) chosen = candidate;
      }
      if (chosen < 0) {
        return reader.Fail(interval ? "--interval is 1, 2, 3, 5 or 10"
                                    : "--max is 1, 10, 20, 30, 60 or 120");
      }
      (interval ? options.interval : options.maxTx) = chosen;
    } else if (option == "--output") {
      if (!reader.Value(v)) return false;
      if (!IsExportName(v)) {
        return reader.Fail("--output needs a .png, .pdf, .svg or .csv file");
      }
      options.output = v;
    } else if (option == "--bins") {
      if (!reader.NoValue()) return false;
      options.bins = true;
    } else if (option == "--transmitters") {
      if (!reader.NoValue()) return false;
      options.transmitters = true;
    } else {
      return reader.Unknown();
    }
    return true;
  });
  if (!read) {
    problem = reader.Problem();
    return std::nullopt;
  }
  options.help = reader.WantsHelp();
  if (options.help) return options;
  if (options.logFile.empty()) {
    problem = "no log file";
    return std::nullopt;
  }
  return options;
}

// From this size on a load takes long enough to show its progress.
constexpr std::uint64_t kProgressFileSize = 64u << 20;

}  // namespace

bool HasEnding(std::string_view path, std::string_view ending) {
  if (path.size() < ending.size()) return false;
  for (std::size_t i = 0; i < ending.size(); ++i) {
    const char c = path[path.size() - ending.size() + i];
    if ((c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c) != ending[i]) return false;
  }
  return true;
}

bool IsExportName(const std::string& path) {
  return HasEnding(path, ".png") || HasEnding(path, ".pdf") || HasEnding(path, ".svg") ||
         HasEnding(path, ".csv");
}

bool GraphCommandWritesFile(const std::vector<std::string>& arguments) {
  std::string problem;
  const std::optional<GraphOptions> options = Parse(arguments, problem);
  return options && !options->help && !options->output.empty();
}

int RunGraphCommand(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err,
                    const GraphExporter& exporter) {
  std::string problem;
  const std::optional<GraphOptions> options = Parse(arguments, problem);
  if (!options) {
    err << "delvarine graph: " << problem << '\n' << kGraphUsage;
    return 2;
  }
  if (options->help) {
    out << kGraphUsage;
    return 0;
  }
  GraphData data;
  std::string error;
  // Large files show how far the load is, on a terminal only.
  const bool showProgress = &err == &std::cerr && isatty(STDERR_FILENO) == 1;
  int shownPercent = -1;
  const LoadProgress progress = [&](std::uint64_t done, std::uint64_t total) {
    if (total < kProgressFileSize) return true;
    // A log that is still being written can grow past the size it had.
    const int percent = static_cast<int>(std::min<std::uint64_t>(done, total) * 100 / total);
    if (percent == shownPercent) return true;
    shownPercent = percent;
    err << "\rloading " << options->logFile << ": " << percent << "%" << std::flush;
    return true;
  };
  const bool loaded = LoadLog(options->logFile, options->request, data, error, std::size_t{1} << 18,
                              showProgress ? progress : LoadProgress());
  if (shownPercent >= 0) err << "\r\033[K" << std::flush;
  if (!loaded) {
    err << "delvarine graph: " << error << '\n';
    return 1;
  }
  if (options->transmitters) {
    for (const auto& [name, lines] : data.transmitters) out << name << ' ' << lines << '\n';
    out.flush();
    if (data.unlistedLines > 0) {
      err << "delvarine graph: " << data.unlistedLines
          << " lines name transmitters seen only once (garbled lines); they are not listed\n";
    }
    return 0;
  }
  // Nothing to draw is said, with what would help.
  if (data.matchedLines == 0) {
    err << "delvarine graph: " << options->logFile << " has no line of transmitter "
        << options->request.transmitter;
    if (data.transmitters.empty()) {
      err << ", nor of any other\n";
    } else {
      err << "; it holds (see --transmitters):";
      for (const std::string& text : FrequentTransmitters(data, kHintedTransmitters))
        err << ' ' << text;
      if (data.transmitters.size() > kHintedTransmitters)
        err << " and " << data.transmitters.size() - kHintedTransmitters << " more";
      err << '\n';
    }
  } else if (data.spanMinutes == 0) {
    err << "delvarine graph: no reception of " << options->request.transmitter << " from "
        << options->request.firstText << " to " << options->request.lastText << " on day "
        << options->request.day << " of " << data.dayCount << "; nothing to draw\n";
  }
  GraphSettings settings;
  settings.intervalMinutes = options->interval;
  settings.maxTx = options->maxTx;
  settings.caption =
      PictureCaption(data, std::filesystem::path(options->logFile).filename().string());
  static constexpr int kIntervalTexts[] = {strings::kOneMinute, strings::kTwoMinutes,
                                           strings::kThreeMinutes, strings::kFiveMinutes,
                                           strings::kTenMinutes};
  for (int index = 0; index < 5; ++index) {
    if (IntervalOfItem(index) == options->interval) {
      settings.intervalText = std::string(strings::Load(kIntervalTexts[index]));
    }
  }
  if (options->bins) {
    std::string lines;
    for (int minute = 0; minute < data.spanMinutes; ++minute) {
      const auto index = static_cast<std::size_t>(minute);
      const bool inTable = index < GraphData::kBinCount;
      lines += std::to_string(minute) + ' ' +
               std::to_string(inTable ? data.receptionCounts[index] : 0) + ' ' +
               std::to_string(inTable ? static_cast<int>(data.peakLevels[index]) : 0) + '\n';
    }
    out << lines;
  }
  out << "total " << data.receptionTotal << " span " << data.spanMinutes << '\n';
  out.flush();
  if (!options->output.empty()) {
    if (!exporter) {
      err << "delvarine graph: this program cannot write " << options->output << '\n';
      return 1;
    }
    if (!exporter(options->output, data, settings, error)) {
      err << "delvarine graph: " << error << '\n';
      return 1;
    }
  }
  return 0;
}
