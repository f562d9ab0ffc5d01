#pragma once

// Dialog units of the 8-point dialog font to pixels. The dialog templates were
// laid out in these units; one horizontal unit is a quarter of the font's
// average character width (6 px), one vertical unit an eighth of its height
// (13 px). Qt code only.

#include <QFont>
#include <QRect>

namespace dialogunits {

inline constexpr int kBaseWidth = 6;
inline constexpr int kBaseHeight = 13;

// Rounded as the dialog manager rounds (MulDiv).
constexpr int X(int units) { return (units * kBaseWidth + 2) / 4; }
constexpr int Y(int units) { return (units * kBaseHeight + 4) / 8; }

inline QRect Rect(int x, int y, int width, int height) {
  return QRect(X(x), Y(y), X(width), Y(height));
}

// The font that fits the templates' cells: 13 px high, average width about 6.
inline constexpr int kFontPixelSize = 11;

// The window's font: a condensed face where there is one, so that the labels
// fit the cells they were drawn for.
inline QFont DialogFont() {
  QFont font;
  font.setFamilies({QStringLiteral("DejaVu Sans Condensed"), QStringLiteral("Liberation Sans"),
                    QStringLiteral("Arial"), QStringLiteral("MS Sans Serif")});
  font.setPixelSize(kFontPixelSize);
  return font;
}

}  // namespace dialogunits
