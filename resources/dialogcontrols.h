#pragma once

// Controls placed as the dialog templates place them. Qt code only.

#include <QLabel>
#include <QString>
#include <QWidget>

#include "dialogunits.h"

namespace dialogunits {

// A drop-down list's template height is that of its open list; the closed box
// stands one edit line high.
inline constexpr int kComboHeight = 12;

// A new `Widget` in `page` at the template's place; a template id (above 0)
// is kept as the object name and the property "controlId".
template <typename Widget>
Widget* Place(QWidget* page, int id, int x, int y, int width, int height) {
  auto* widget = new Widget(page);
  widget->setGeometry(Rect(x, y, width, height));
  if (id > 0) {
    widget->setObjectName(QString::number(id));
    widget->setProperty("controlId", id);
  }
  return widget;
}

// A static text; only labels drawn for several lines wrap.
inline QLabel* PlaceLabel(QWidget* page, const char* text, int x, int y, int width, int height) {
  auto* label = Place<QLabel>(page, -1, x, y, width, height);
  label->setText(QString::fromUtf8(text));
  label->setWordWrap(height > 8);
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  return label;
}

}  // namespace dialogunits
