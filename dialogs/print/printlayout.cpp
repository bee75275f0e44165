#include "dialogs/print/printlayout.h"

#include <algorithm>
#include <cstdint>

namespace {

// Scales by a real factor, cut toward zero; used only when a whole factor is 0.
int ScaleDown(int length, double factor) { return static_cast<int>(length * factor); }

}  // namespace

PrintLayout ComputePrintLayout(int pictureW, int pictureH, int pageW, int pageH,
                               const PrintOptions& options) {
  PrintLayout layout;
  int printedW = 0;
  int printedH = 0;
  if (pictureW > 0 && pictureH > 0) {
    int64_t scale = kPrintDefaultScale;
    if (options.FitToPage) scale = std::min(pageW / pictureW, pageH / pictureH);
    if (scale >= 1) {
      printedW = static_cast<int>(std::min<int64_t>(pictureW * scale, INT32_MAX));
      printedH = static_cast<int>(std::min<int64_t>(pictureH * scale, INT32_MAX));
    } else {
      // The page is smaller than the picture: fit it keeping its proportions.
      const double factor =
          std::min(static_cast<double>(pageW) / pictureW, static_cast<double>(pageH) / pictureH);
      printedW = std::max(1, ScaleDown(pictureW, factor));
      printedH = std::max(1, ScaleDown(pictureH, factor));
    }
  }
  const int x = (pageW - printedW) / 2;
  const int y = options.Centre ? (pageH - printedH) / 2 : 0;
  layout.Image = {x, y, x + printedW, y + printedH};

  if (options.PrintTitle) {
    layout.Title = StripFolder(options.Title);
    layout.HasTitle = !layout.Title.empty();
    layout.TitleTop = y + printedH + kPrintTitleGap;
  }
  return layout;
}

int PrintTitleLeft(int pageW, int titleWidth) { return (pageW - titleWidth) / 2; }

std::string StripFolder(const std::string& path) {
  const auto cut = path.find_last_of("\\/:");
  return cut == std::string::npos ? path : path.substr(cut + 1);
}
