#include "paintgraphic.h"

#include <QFile>
#include <QPainter>
#include <QPrinter>

#include "graphic.h"
#include "picturepainter.h"

namespace {

constexpr int kBorder = 1;

}  // namespace

PaintGraphic::PaintGraphic(Graphic& page, QWidget* parent) : QWidget(parent), owner(page) {
  setObjectName(QStringLiteral("PaintGraphic"));
  // Every pixel is painted from the image: no background erase to flicker.
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void PaintGraphic::ClearBins() { data.Clear(); }

void PaintGraphic::SelectFont(int index) {
  font = index == 0 ? GraphFont::kNormal : GraphFont::kSmall;
}

bool PaintGraphic::LoadLog(const QString& path, const LoadRequest& request, std::string& error,
                           const LoadProgress& progress) {
  return ::LoadLog(QFile::encodeName(path).toStdString(), request, data, error,
                   std::size_t{1} << 20, progress);
}

void PaintGraphic::Render(bool show) {
  const QSize inside = size() - QSize(2 * kBorder, 2 * kBorder);
  if (image.size() != inside) image = QImage(inside, QImage::Format_RGB32);
  image.fill(Qt::white);
  GraphSettings settings = owner.Settings();
  settings.font = font;
  picture = DrawGraphs(data, settings, GraphGeometry::Screen());
  if (picture.drawn) {
    QPainter painter(&image);
    PaintPicture(painter, picture);
    owner.ShowRate(QString::fromStdString(picture.rateText));
  }
  if (show) this->show();
  // Copied to the window at once when it is visible.
  repaint();
}

void PaintGraphic::PrintGraphs() {
  if (data.spanMinutes <= 0) return;  // nothing loaded: no print job, no empty page
  QPrinter printer(QPrinter::HighResolution);
  if (!owner.choosePrinter(printer)) return;
  QPainter painter;
  if (!painter.begin(&printer)) return;
  PaintPaperPicture(painter, printer, DrawGraphs(data, owner.Settings(), GraphGeometry::Paper()));
  painter.end();
}

void PaintGraphic::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setPen(palette().color(QPalette::Dark));
  painter.drawRect(0, 0, width() - 1, height() - 1);
  if (image.isNull()) {
    painter.fillRect(rect().adjusted(kBorder, kBorder, -kBorder, -kBorder), Qt::white);
    return;
  }
  painter.drawImage(kBorder, kBorder, image);
}
