#include "svgwriter.h"

namespace {

std::string Escaped(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        // Control bytes are not allowed in XML text.
        if (static_cast<unsigned char>(c) >= 0x20 || c == '\t') out += c;
    }
  }
  return out;
}

std::string Number(int value) { return std::to_string(value); }

std::string Half(int value) { return std::to_string(value) + ".5"; }

}  // namespace

std::string WriteSvg(const GraphPicture& picture, int width, int height) {
  const FontFace face = FaceOf(picture.font);
  // The text's top is given; SVG places the baseline: the face's ascent below.
  const int ascent = (face.pixelSize * 93 + 50) / 100;
  const std::string w = Number(width);
  const std::string h = Number(height);
  std::string svg =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" +
      w + "\" height=\"" + h + "\" viewBox=\"0 0 " + w + " " + h +
      "\">\n"
      "<rect width=\"" +
      w + "\" height=\"" + h + "\" fill=\"#ffffff\"/>\n";
  svg += "<g font-family=\"" + std::string(face.families) + "\" font-size=\"" +
         Number(face.pixelSize) + "px\"" + (face.bold ? " font-weight=\"bold\"" : "") +
         " fill=\"#000000\" stroke-width=\"1\" stroke-linecap=\"square\" "
         "shape-rendering=\"crispEdges\">\n";
  for (const PictureItem& item : picture.items) {
    if (const auto* line = std::get_if<PictureLine>(&item)) {
      // Lines of one pixel through the middle of the pixels, as the window draws them.
      svg += "<line x1=\"" + Half(line->x1) + "\" y1=\"" + Half(line->y1) + "\" x2=\"" +
             Half(line->x2) + "\" y2=\"" + Half(line->y2) + "\" stroke=\"" +
             (line->pen == GraphPen::kPlot ? "#3200ff" : "#000000") + "\"/>\n";
    } else {
      const auto& text = std::get<PictureText>(item);
      svg += "<text x=\"" + Number(text.x) + "\" y=\"" + Number(text.y + ascent) +
             "\" xml:space=\"preserve\">" + Escaped(text.text) + "</text>\n";
    }
  }
  svg += "</g>\n</svg>\n";
  return svg;
}
