#include "picturepainter.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPen>

void PaintPicture(QPainter& painter, const GraphPicture& picture) {
  const QPen axisPen(QColor(0, 0, 0), 0);
  const QPen plotPen(QColor(50, 0, 255), 0);
  const int ascent = painter.fontMetrics().ascent();
  for (const PictureItem& item : picture.items) {
    if (const auto* line = std::get_if<PictureLine>(&item)) {
      painter.setPen(line->pen == GraphPen::kPlot ? plotPen : axisPen);
      painter.drawLine(line->x1, line->y1, line->x2, line->y2);
    } else {
      const auto& text = std::get<PictureText>(item);
      painter.setPen(axisPen);
      painter.drawText(text.x, text.y + ascent, QString::fromUtf8(text.text.data(),
                                                                   static_cast<qsizetype>(text.text.size())));
    }
  }
}
