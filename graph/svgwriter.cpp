#include "svgwriter.h"

namespace {

std::string Escaped(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default:
        // Control bytes are not allowed in XML text.
        if (static_cast<unsigned char>(c) >= 0x20 || c == '\t') out += c;
    }
  }
  return out;
}

}  // namespace

std::string WriteSvg(const GraphPicture& picture, int width, int height, int fontPixels) {
  const std::string w = std::to_string(width);
  const std::string h = std::to_string(height);
  std::string svg = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                    "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + w + "\" height=\"" + h +
                    "\" viewBox=\"0 0 " + w + " " + h + "\">\n"
                    "<rect width=\"100%\" height=\"100%\" fill=\"#ffffff\"/>\n"
                    "<g font-family=\"DejaVu Sans, Arial, sans-serif\" font-size=\"" +
                    std::to_string(fontPixels) + "\" dominant-baseline=\"text-before-edge\">\n";
  for (const PictureItem& item : picture.items) {
    if (const auto* line = std::get_if<PictureLine>(&item)) {
      svg += "<line x1=\"" + std::to_string(line->x1) + "\" y1=\"" + std::to_string(line->y1) +
             "\" x2=\"" + std::to_string(line->x2) + "\" y2=\"" + std::to_string(line->y2) +
             "\" stroke=\"" + (line->pen == GraphPen::kPlot ? "#3200ff" : "#000000") +
             "\" stroke-width=\"1\"/>\n";
    } else {
      const auto& text = std::get<PictureText>(item);
      svg += "<text x=\"" + std::to_string(text.x) + "\" y=\"" + std::to_string(text.y) + "\">" +
             Escaped(text.text) + "</text>\n";
    }
  }
  svg += "</g>\n</svg>\n";
  return svg;
}
