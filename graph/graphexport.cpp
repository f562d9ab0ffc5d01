#include "graphexport.h"

#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <iostream>
#include <memory>

#include "binscsv.h"
#include "dialogunits.h"
#include "graphcommand.h"
#include "picturepainter.h"
#include "svgwriter.h"

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

// Written under a temporary name and put in place only when complete.
bool ExportGraphs(const std::string& path, const GraphData& data, const GraphSettings& settings,
                  std::string& error) {
  const QString file = QFile::decodeName(path.c_str());
  QSaveFile out(file);
  const auto failed = [&](const QString& reason) {
    error = "cannot write " + path + ": " + reason.toStdString();
    out.cancelWriting();
    return false;
  };
  if (!out.open(QIODevice::WriteOnly)) return failed(out.errorString());
  if (HasEnding(path, ".csv")) {
    const std::string csv = BinsCsv(data);
    if (out.write(csv.data(), static_cast<qint64>(csv.size())) != static_cast<qint64>(csv.size())) {
      return failed(out.errorString());
    }
  } else if (HasEnding(path, ".svg")) {
    const std::string svg =
        WriteSvg(DrawGraphs(data, settings, GraphGeometry::Screen()), kScreenWidth, kScreenHeight);
    if (out.write(svg.data(), static_cast<qint64>(svg.size())) != static_cast<qint64>(svg.size())) {
      return failed(out.errorString());
    }
  } else if (HasEnding(path, ".png")) {
    const GuiScope gui;
    QImage image(kScreenWidth, kScreenHeight, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    PaintPicture(painter, DrawGraphs(data, settings, GraphGeometry::Screen()));
    painter.end();
    if (!image.save(&out, "PNG")) return failed(out.errorString());
  } else {
    // The paper picture on an A4 page, as a 600 dpi printer would print it.
    const GuiScope gui;
    QPdfWriter pdf(&out);
    pdf.setResolution(600);
    pdf.setCreator(QStringLiteral("Delvarine"));
    pdf.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                  QMarginsF(10, 10, 10, 10), QPageLayout::Millimeter));
    QPainter painter;
    if (!painter.begin(&pdf)) return failed(out.errorString());
    PaintPaperPicture(painter, pdf, DrawGraphs(data, settings, GraphGeometry::Paper()));
    if (!painter.end()) return failed(out.errorString());
  }
  // A write that failed on the way (a full disk) shows here.
  if (out.error() != QFileDevice::NoError) return failed(out.errorString());
  if (!out.commit()) {
    error = "cannot write " + path + ": " + out.errorString().toStdString();
    return false;
  }
  return true;
}

int RunGraphCommand(const std::vector<std::string>& arguments) {
  return RunGraphCommand(arguments, std::cout, std::cerr, ExportGraphs);
}
