#pragma once

#include <QFont>

#include "graphpicture.h"

class QPagedPaintDevice;
class QPainter;

// The Qt font of `font` (FaceOf), its size in the picture's units.
QFont GraphQFont(GraphFont font);

// Draws `picture` with `painter`: each text in the picture's font with its top
// left corner at its point, the axis pen black, the plot pen (50, 0, 255),
// both one unit wide.
void PaintPicture(QPainter& painter, const GraphPicture& picture);

// Draws the paper picture on a page of `device` (a printer or a PDF writer),
// whose painter is active in `painter`: its units are 600 dpi dots, scaled
// to the device's resolution so that it has the same size on every printer.
void PaintPaperPicture(QPainter& painter, const QPagedPaintDevice& device,
                       const GraphPicture& picture);
