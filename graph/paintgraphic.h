#pragma once

#include <QImage>
#include <QString>
#include <QWidget>
#include <string>

#include "graphdata.h"
#include "graphpicture.h"
#include "logloader.h"

class Graphic;

// The drawing window of the graph page: owns the minute bins and draws the
// two graphs into an off-screen image, once per render, that reaches the
// window in one copy. Created hidden; a render shows it. A one-pixel border
// frames the drawing, which fills the window inside it.
class PaintGraphic : public QWidget {
  Q_OBJECT

 public:
  PaintGraphic(Graphic& owner, QWidget* parent);

  // Empty bins, nothing to draw (the first step of every load).
  void ClearBins();
  // Loads the log at `path` into the bins, telling `progress` after every
  // block. False with `error` naming the file and the reason when it cannot
  // be read or `progress` stopped it; the bins are then empty.
  bool LoadLog(const QString& path, const LoadRequest& request, std::string& error,
               const LoadProgress& progress = {});
  // Draws the picture of the bins with the page's current choices and writes
  // the rate into the page's "TX/min" edit; `show` also makes the window
  // visible. Nothing but the white ground while nothing is loaded.
  void Render(bool show = true);
  // Prints both graphs on one page, after the page's printer choice. No
  // print job when no log is loaded or the user cancels.
  void PrintGraphs();

  // The font of the drawing: 0 the normal one, any other the small one.
  void SelectFont(int index);
  GraphFont Font() const { return font; }

  GraphData data;
  const GraphPicture& Picture() const { return picture; }
  // The off-screen drawing: the window's size less its border.
  const QImage& Image() const { return image; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  Graphic& owner;
  QImage image;
  GraphFont font = GraphFont::kNormal;
  GraphPicture picture;
};
