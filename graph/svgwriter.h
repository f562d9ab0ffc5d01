#pragma once

#include <string>

#include "graphpicture.h"

// `picture` as an SVG document of `width` x `height` units: white ground,
// black axes, the bars in the plot colour, texts in `fontPixels` high type.
std::string WriteSvg(const GraphPicture& picture, int width, int height, int fontPixels);
