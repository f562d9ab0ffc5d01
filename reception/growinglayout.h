#pragma once

#include <QPointer>
#include <QRect>
#include <QSize>
#include <vector>

class QWidget;

// Lets a page whose controls stand at fixed places use a window larger than
// its natural size: the widgets that grow take the extra height, those whose
// top lies at or below a line move down by it, and those that widen take the
// extra width. Smaller than natural, nothing changes (the window scrolls).
class GrowingLayout {
 public:
  // Records where the page's child widgets stand now, and the page's size.
  explicit GrowingLayout(QWidget* page, int moveLine);

  void GrowTall(QWidget* widget) { tall.push_back(widget); }
  void Widen(QWidget* widget) { wide.push_back(widget); }
  // Places every recorded widget for the page's size `size`.
  void Apply(QSize size) const;

 private:
  struct Placed {
    QPointer<QWidget> widget;
    QRect natural;
  };
  std::vector<Placed> placed;
  std::vector<QWidget*> tall;
  std::vector<QWidget*> wide;
  QSize naturalSize;
  int moveLine;
};
