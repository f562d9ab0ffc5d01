#include "growinglayout.h"

#include <QWidget>
#include <algorithm>

GrowingLayout::GrowingLayout(QWidget* page, int line) : naturalSize(page->size()), moveLine(line) {
  for (QWidget* child : page->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    if (!child->isWindow()) placed.push_back({child, child->geometry()});
  }
}

void GrowingLayout::Apply(QSize size) const {
  const int dx = std::max(0, size.width() - naturalSize.width());
  const int dy = std::max(0, size.height() - naturalSize.height());
  for (const Placed& item : placed) {
    if (item.widget.isNull()) continue;
    QRect place = item.natural;
    if (std::find(tall.begin(), tall.end(), item.widget.data()) != tall.end()) {
      place.setHeight(place.height() + dy);
    } else if (place.top() >= moveLine) {
      place.moveTop(place.top() + dy);
    }
    if (std::find(wide.begin(), wide.end(), item.widget.data()) != wide.end()) {
      place.setWidth(place.width() + dx);
    }
    if (place != item.widget->geometry()) item.widget->setGeometry(place);
  }
}
