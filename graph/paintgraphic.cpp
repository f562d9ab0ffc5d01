#include "paintgraphic.h"

#include <QPainter>

#include "picturepainter.h"

namespace {

constexpr int kBorder = 1;

}  // namespace

PaintGraphic::PaintGraphic(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("PaintGraphic"));
  // Every pixel is painted from the image: no background erase to flicker.
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void PaintGraphic::Show(GraphPicture shown, bool show) {
  picture = std::move(shown);
  const QSize inside = size() - QSize(2 * kBorder, 2 * kBorder);
  if (image.size() != inside) image = QImage(inside, QImage::Format_RGB32);
  image.fill(Qt::white);
  if (picture.drawn) {
    QPainter painter(&image);
    PaintPicture(painter, picture);
  }
  if (show) this->show();
  // Copied to the window at once when it is visible.
  repaint();
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
