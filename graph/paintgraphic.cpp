#include "paintgraphic.h"

#include <QPainter>
#include <QPrinter>

#include "graphic.h"
#include "picturepainter.h"

PaintGraphic::PaintGraphic(Graphic& page, QWidget* parent)
    : QWidget(parent), owner(page), font(SystemFont()) {}

QFont PaintGraphic::SystemFont() {
  QFont system;
  system.setFamilies({QStringLiteral("DejaVu Sans"), QStringLiteral("Arial")});
  system.setPixelSize(13);
  system.setBold(true);
  return system;
}

QFont PaintGraphic::SmallFont() {
  QFont small;
  small.setFamilies({QStringLiteral("Courier"), QStringLiteral("DejaVu Sans Mono")});
  small.setStyleHint(QFont::Monospace);
  small.setPixelSize(10);
  small.setWeight(QFont::Light);
  return small;
}

void PaintGraphic::SelectFont(int index) { font = index == 0 ? SystemFont() : SmallFont(); }

bool PaintGraphic::LoadLog(const QString& path, const LoadRequest& request, std::string& error) {
  return ::LoadLog(path.toStdString(), request, data, error);
}

void PaintGraphic::Render(bool show) {
  if (image.size() != size()) image = QImage(size(), QImage::Format_RGB32);
  image.fill(Qt::white);
  picture = DrawGraphs(data, owner.Settings(), GraphGeometry::Screen());
  if (picture.drawn) {
    QPainter painter(&image);
    painter.setFont(font);
    PaintPicture(painter, picture);
    owner.ShowRate(QString::fromStdString(picture.rateText));
  }
  update();
  if (show) this->show();
}

void PaintGraphic::PrintGraphs() {
  if (data.spanMinutes == 0) return;  // nothing loaded: no empty page is printed
  QPrinter printer(QPrinter::HighResolution);
  if (!owner.choosePrinter(printer)) return;
  QPainter painter;
  if (!painter.begin(&printer)) return;
  // The paper picture is laid out in 600 dpi dots: the same size on every printer.
  const double scale = printer.resolution() / 600.0;
  painter.scale(scale, scale);
  QFont paperFont = painter.font();
  paperFont.setPointSizeF(paperFont.pointSizeF() / scale);
  painter.setFont(paperFont);
  PaintPicture(painter, DrawGraphs(data, owner.Settings(), GraphGeometry::Paper()));
  painter.end();
}

void PaintGraphic::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  if (image.isNull()) {
    painter.fillRect(rect(), palette().window());
    return;
  }
  painter.drawImage(0, 0, image);
}
