#include "graphexport.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <iostream>
#include <memory>

#include "binscsv.h"
#include "dialogunits.h"
#include "graphcommand.h"
#include "picturepainter.h"
#include "svgwriter.h"
#include "wholefile.h"

namespace {

// The picture of the window: the drawing window's size less its border.
constexpr int kScreenBorder = 1;
const int kScreenWidth = dialogunits::X(578) - 2 * kScreenBorder;
const int kScreenHeight = dialogunits::Y(396) - 2 * kScreenBorder;

QtMessageHandler previousHandler = nullptr;

// Qt's remark that XDG_RUNTIME_DIR is not set says nothing to a user of the
// console; everything else goes through.
void QuietHandler(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  if (message.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR not set"))) return;
  if (previousHandler != nullptr) previousHandler(type, context, message);
}

// Text needs fonts, and fonts need an application; without a display the
// offscreen platform serves. Made only when the process has none.
class GuiScope {
 public:
  GuiScope() {
    if (QCoreApplication::instance() != nullptr) return;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
      // The pictures are drawn off-screen: no display is needed, none is opened.
      qputenv("QT_QPA_PLATFORM", "offscreen");
      setPlatform = true;
    }
    previousHandler = qInstallMessageHandler(QuietHandler);
    application = std::make_unique<QGuiApplication>(argc, argv);
  }
  ~GuiScope() {
    if (!application) return;
    application.reset();
    qInstallMessageHandler(previousHandler);
    if (setPlatform) qunsetenv("QT_QPA_PLATFORM");
  }
  GuiScope(const GuiScope&) = delete;
  GuiScope& operator=(const GuiScope&) = delete;

 private:
  int argc = 1;
  char name[10] = "delvarine";
  char* argv[2] = {name, nullptr};
  bool setPlatform = false;
  std::unique_ptr<QGuiApplication> application;
};

}  // namespace

// Drawn into memory, then written whole: a full disk or a failing flush
// leaves the old file untouched and is said.
bool ExportGraphs(const std::string& path, const GraphData& data, const GraphSettings& settings,
                  std::string& error) {
  QByteArray bytes;
  if (HasEnding(path, ".csv")) {
    const std::string csv = BinsCsv(data);
    bytes = QByteArray(csv.data(), static_cast<qsizetype>(csv.size()));
  } else if (HasEnding(path, ".svg")) {
    const std::string svg =
        WriteSvg(DrawGraphs(data, settings, GraphGeometry::Screen()), kScreenWidth, kScreenHeight);
    bytes = QByteArray(svg.data(), static_cast<qsizetype>(svg.size()));
  } else {
    const GuiScope gui;
    QBuffer out(&bytes);
    out.open(QIODevice::WriteOnly);
    if (HasEnding(path, ".png")) {
      QImage image(kScreenWidth, kScreenHeight, QImage::Format_RGB32);
      image.fill(Qt::white);
      QPainter painter(&image);
      PaintPicture(painter, DrawGraphs(data, settings, GraphGeometry::Screen()));
      painter.end();
      if (!image.save(&out, "PNG")) {
        error = "cannot write " + path + ": the picture could not be made";
        return false;
      }
    } else {
      // The paper picture on an A4 page, as a 600 dpi printer would print it.
      QPdfWriter pdf(&out);
      pdf.setResolution(600);
      pdf.setCreator(QStringLiteral("Delvarine"));
      pdf.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                    QMarginsF(10, 10, 10, 10), QPageLayout::Millimeter));
      QPainter painter;
      if (!painter.begin(&pdf)) {
        error = "cannot write " + path + ": the page could not be made";
        return false;
      }
      PaintPaperPicture(painter, pdf, DrawGraphs(data, settings, GraphGeometry::Paper()));
      painter.end();
    }
  }
  error = WriteFileWhole(
      path, std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
  return error.empty();
}

int RunGraphCommand(const std::vector<std::string>& arguments) {
  return RunGraphCommand(arguments, std::cout, std::cerr, ExportGraphs);
}
