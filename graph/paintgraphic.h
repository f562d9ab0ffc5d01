#pragma once

#include <QImage>
#include <QWidget>

#include "graphpicture.h"

// The drawing window of the graph page: shows a picture, drawn into an
// off-screen image once per picture, that reaches the window in one copy.
// Created hidden; showing a picture shows it. A one-pixel border frames the
// drawing, which fills the window inside it.
class PaintGraphic : public QWidget {
  Q_OBJECT

 public:
  explicit PaintGraphic(QWidget* parent);

  // Draws `picture` (the white ground alone while nothing is drawn); `show`
  // also makes the window visible.
  void Show(GraphPicture picture, bool show = true);

  const GraphPicture& Picture() const { return picture; }
  // The off-screen drawing: the window's size less its border.
  const QImage& Image() const { return image; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QImage image;
  GraphPicture picture;
};
