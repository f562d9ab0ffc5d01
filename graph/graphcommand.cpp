#include "graphcommand.h"

#include <QGuiApplication>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <optional>

#include "dialogunits.h"
#include "logloader.h"
#include "paintgraphic.h"
#include "picturepainter.h"
#include "stringtable.h"
#include "svgwriter.h"

const char* const kGraphUsage =
    "usage: delvarine graph LOGFILE [--tx ID] [--from HH:MM] [--to HH:MM] [--interval 1|2|3|5|10]\n"
    "                       [--max 1|10|20|30|60|120] [--output FILE.png|FILE.pdf|FILE.svg] [--bins]\n"
    "  --tx ID         the receiver's 5-character identifier or a 4-character number (0A642)\n"
    "  --from HH:MM    receptions from this time on (00:00)\n"
    "  --to HH:MM      the end of the time axis (23:59)\n"
    "  --interval N    minutes per bar (1)\n"
    "  --max N         top of the reception scale (30)\n"
    "  --output FILE   the screen picture as PNG or SVG, the paper picture as PDF\n"
    "  --bins          print minute, count and peak level per minute, then the totals\n";

namespace {

struct GraphOptions {
  std::string logFile;
  LoadRequest request;
  int interval = 1;
  int maxTx = 30;
  std::string output;
  bool bins = false;
};

bool IsClockText(const std::string& text) {
  if (text.size() != 5 || text[2] != ':') return false;
  for (std::size_t i : {0u, 1u, 3u, 4u}) {
    if (text[i] < '0' || text[i] > '9') return false;
  }
  return std::stoi(text.substr(0, 2)) < 24 && std::stoi(text.substr(3, 2)) < 60;
}

bool EndsWith(const std::string& text, const char* suffix) {
  const std::string end(suffix);
  if (text.size() < end.size()) return false;
  std::string tail = text.substr(text.size() - end.size());
  for (char& c : tail) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  return tail == end;
}

std::optional<GraphOptions> Parse(const std::vector<std::string>& arguments, std::string& problem) {
  GraphOptions options;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& option = arguments[i];
    const auto value = [&]() -> std::optional<std::string> {
      if (i + 1 >= arguments.size()) {
        problem = option + " needs a value";
        return std::nullopt;
      }
      return arguments[++i];
    };
    if (option == "--tx") {
      const auto v = value();
      if (!v) return std::nullopt;
      if (v->empty() || v->size() > 5) {
        problem = "--tx needs an identifier of at most 5 characters";
        return std::nullopt;
      }
      options.request.transmitter = *v;
    } else if (option == "--from" || option == "--to") {
      const auto v = value();
      if (!v) return std::nullopt;
      if (!IsClockText(*v)) {
        problem = option + " needs a time HH:MM";
        return std::nullopt;
      }
      (option == "--from" ? options.request.firstText : options.request.lastText) = *v;
    } else if (option == "--interval" || option == "--max") {
      const auto v = value();
      if (!v) return std::nullopt;
      const bool interval = option == "--interval";
      int chosen = -1;
      for (int index = 0; index < (interval ? 5 : 6); ++index) {
        const int candidate = interval ? IntervalOfItem(index) : MaxTxOfItem(index);
        if (*v == std::to_string(candidate)) chosen = candidate;
      }
      if (chosen < 0) {
        problem = interval ? "--interval is 1, 2, 3, 5 or 10" : "--max is 1, 10, 20, 30, 60 or 120";
        return std::nullopt;
      }
      (interval ? options.interval : options.maxTx) = chosen;
    } else if (option == "--output") {
      const auto v = value();
      if (!v) return std::nullopt;
      if (!EndsWith(*v, ".png") && !EndsWith(*v, ".pdf") && !EndsWith(*v, ".svg")) {
        problem = "--output needs a .png, .pdf or .svg file";
        return std::nullopt;
      }
      options.output = *v;
    } else if (option == "--bins") {
      options.bins = true;
    } else if (!option.empty() && option[0] == '-') {
      problem = "unknown option " + option;
      return std::nullopt;
    } else if (options.logFile.empty()) {
      options.logFile = option;
    } else {
      problem = "one log file only";
      return std::nullopt;
    }
  }
  if (options.logFile.empty()) {
    problem = "no log file";
    return std::nullopt;
  }
  return options;
}

// Text needs fonts, and fonts need an application; without a display the
// offscreen platform serves.
std::unique_ptr<QGuiApplication> GuiApplication() {
  if (QCoreApplication::instance() != nullptr) return nullptr;
  const char* display = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  if ((display == nullptr || *display == '\0') && (wayland == nullptr || *wayland == '\0') &&
      qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  static int argc = 1;
  static char name[] = "delvarine";
  static char* argv[] = {name, nullptr};
  return std::make_unique<QGuiApplication>(argc, argv);
}

bool WriteOutput(const GraphOptions& options, const GraphData& data, const GraphSettings& settings,
                 std::string& error) {
  const int width = dialogunits::X(578);
  const int height = dialogunits::Y(396);
  if (EndsWith(options.output, ".svg")) {
    const GraphPicture picture = DrawGraphs(data, settings, GraphGeometry::Screen());
    std::ofstream out(options.output, std::ios::binary | std::ios::trunc);
    out << WriteSvg(picture, width, height, 13);
    out.close();
    if (!out) error = "cannot write " + options.output;
    return static_cast<bool>(out);
  }
  const auto application = GuiApplication();
  const QString file = QString::fromStdString(options.output);
  if (EndsWith(options.output, ".png")) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setFont(PaintGraphic::SystemFont());
    PaintPicture(painter, DrawGraphs(data, settings, GraphGeometry::Screen()));
    painter.end();
    if (!image.save(file, "PNG")) {
      error = "cannot write " + options.output;
      return false;
    }
    return true;
  }
  QPdfWriter pdf(file);
  pdf.setResolution(600);
  pdf.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                QMarginsF(10, 10, 10, 10), QPageLayout::Millimeter));
  QPainter painter;
  if (!painter.begin(&pdf)) {
    error = "cannot write " + options.output;
    return false;
  }
  QFont font = painter.font();
  font.setPointSize(9);
  painter.setFont(font);
  PaintPicture(painter, DrawGraphs(data, settings, GraphGeometry::Paper()));
  painter.end();
  return true;
}

}  // namespace

int RunGraphCommand(const std::vector<std::string>& arguments) {
  std::string problem;
  const std::optional<GraphOptions> options = Parse(arguments, problem);
  if (!options) {
    std::fprintf(stderr, "delvarine graph: %s\n%s", problem.c_str(), kGraphUsage);
    return 2;
  }
  GraphData data;
  std::string error;
  if (!LoadLog(options->logFile, options->request, data, error)) {
    std::fprintf(stderr, "delvarine graph: %s\n", error.c_str());
    return 1;
  }
  GraphSettings settings;
  settings.intervalMinutes = options->interval;
  settings.maxTx = options->maxTx;
  static constexpr int kIntervalTexts[] = {strings::kOneMinute, strings::kTwoMinutes,
                                           strings::kThreeMinutes, strings::kFiveMinutes,
                                           strings::kTenMinutes};
  for (int index = 0; index < 5; ++index) {
    if (IntervalOfItem(index) == options->interval) {
      settings.intervalText = std::string(strings::Load(kIntervalTexts[index]));
    }
  }
  if (options->bins) {
    for (int minute = 0; minute < data.spanMinutes; ++minute) {
      const auto index = static_cast<std::size_t>(minute);
      const bool inTable = index < GraphData::kBinCount;
      std::printf("%d %d %g\n", minute, inTable ? data.receptionCounts[index] : 0,
                  inTable ? data.peakLevels[index] : 0.0);
    }
  }
  std::printf("total %d span %d\n", data.receptionTotal, data.spanMinutes);
  if (!options->output.empty() && !WriteOutput(*options, data, settings, error)) {
    std::fprintf(stderr, "delvarine graph: %s\n", error.c_str());
    return 1;
  }
  return 0;
}
