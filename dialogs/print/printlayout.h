#pragma once
// Where the mosaic and its title go on the printed page. Plain arithmetic,
// all lengths in printer dots; the print job and the tests share it.

#include <string>

#include "imagefiles/bitmap.h"

// What the print dialog chose.
struct PrintOptions {
  bool FitToPage = false;  // enlarge by a whole factor to the page
  bool Centre = true;      // centre vertically; horizontally it is always centred
  bool PrintTitle = false;
  std::string Title;  // may hold a folder part, which is not printed
};

struct PrintLayout {
  Rect Image;  // stretched picture, Right and Bottom exclusive; may reach off the page
  bool HasTitle = false;
  std::string Title;  // without its folder
  int TitleTop = 0;   // top of the title line
};

// Unscaled prints are three dots per picture pixel.
constexpr int kPrintDefaultScale = 3;
constexpr int kPrintTitleGap = 20;

// pictureW/H in pixels, pageW/H in dots. A picture larger than the page with
// FitToPage is scaled down to fit instead of shrinking to nothing.
PrintLayout ComputePrintLayout(int pictureW, int pictureH, int pageW, int pageH,
                               const PrintOptions& options);

// Left edge of a title of the given width, centred on the page.
int PrintTitleLeft(int pageW, int titleWidth);

// Everything up to and including the last folder separator or drive colon removed.
std::string StripFolder(const std::string& path);
