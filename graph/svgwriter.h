#pragma once

#include <string>

#include "graphpicture.h"

// `picture` as a plain SVG document of `width` x `height` units (the picture's
// own units, so the screen picture is in pixels): white ground, black axes,
// the bars in the plot colour, the texts in the picture's font with their top
// left corner at their point. Whatever lies outside the size is clipped.
std::string WriteSvg(const GraphPicture& picture, int width, int height);
