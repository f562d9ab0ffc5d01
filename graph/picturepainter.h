#pragma once

#include "graphpicture.h"

class QPainter;

// Draws `picture` with `painter`'s current font, each text's top left corner
// at its point; the axis pen is black, the plot pen (50, 0, 255), 1 wide.
void PaintPicture(QPainter& painter, const GraphPicture& picture);
