#include "picturepainter.h"

#include <QFontMetrics>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPen>
#include <QStringList>

QFont GraphQFont(GraphFont font) {
  const FontFace face = FaceOf(font);
  QFont qfont;
  QStringList families;
  for (const QString& family : QString::fromLatin1(face.families).split(QLatin1Char(','))) {
    families << family.trimmed();
  }
  qfont.setFamilies(families);
  qfont.setPixelSize(face.pixelSize);
  qfont.setBold(face.bold);
  if (face.monospace) qfont.setStyleHint(QFont::Monospace);
  return qfont;
}

void PaintPicture(QPainter& painter, const GraphPicture& picture) {
  // Width 1 in the picture's units: a pixel on screen, a 600 dpi dot on paper.
  const QPen axisPen(QColor(0, 0, 0), 1);
  const QPen plotPen(QColor(50, 0, 255), 1);
  painter.setFont(GraphQFont(picture.font));
  const int ascent = painter.fontMetrics().ascent();
  for (const PictureItem& item : picture.items) {
    if (const auto* line = std::get_if<PictureLine>(&item)) {
      painter.setPen(line->pen == GraphPen::kPlot ? plotPen : axisPen);
      painter.drawLine(line->x1, line->y1, line->x2, line->y2);
    } else {
      const auto& text = std::get<PictureText>(item);
      painter.setPen(axisPen);
      painter.drawText(
          text.x, text.y + ascent,
          QString::fromUtf8(text.text.data(), static_cast<qsizetype>(text.text.size())));
    }
  }
}

void PaintPaperPicture(QPainter& painter, const QPagedPaintDevice& device,
                       const GraphPicture& picture) {
  const double scale = device.logicalDpiX() / 600.0;
  painter.save();
  painter.scale(scale, scale);
  PaintPicture(painter, picture);
  painter.restore();
}
