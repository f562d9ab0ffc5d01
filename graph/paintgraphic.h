#pragma once

#include <QImage>
#include <QWidget>
#include <string>

#include "graphdata.h"
#include "graphpicture.h"
#include "logloader.h"

class Graphic;
class QPrinter;

// The drawing window of the graph page: owns the minute bins and draws the
// two graphs into an off-screen image that reaches the screen in one copy.
class PaintGraphic : public QWidget {
  Q_OBJECT

 public:
  PaintGraphic(Graphic& owner, QWidget* parent);

  // Loads the log at `path` into the bins. False with `error` when it cannot be read.
  bool LoadLog(const QString& path, const LoadRequest& request, std::string& error);
  // Draws the picture of the bins with the page's current choices; `show`
  // also makes the window visible.
  void Render(bool show = true);
  // Prints both graphs on one page. Nothing when no log is loaded or the user
  // cancels the printer choice.
  void PrintGraphs();

  // The font of the drawing: 0 the normal one, any other the small one.
  void SelectFont(int index);

  GraphData data;
  const GraphPicture& Picture() const { return picture; }
  const QImage& Image() const { return image; }

  static QFont SystemFont();
  static QFont SmallFont();

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  Graphic& owner;
  QImage image;
  QFont font;
  GraphPicture picture;
};
