#pragma once
// How album and montage table cells are painted: a thumbnail above the image's
// file name, in a red cell when selected.

#include <QColor>
#include <QFont>
#include <QImage>
#include <QRect>
#include <string>

#include "imagefiles/bitmap.h"

class Panoram;
class QPainter;

constexpr int kAlbumFontHeight = 18;
constexpr int kTableFontHeight = 16;

struct ThumbCellStyle {
  int FontHeight = kAlbumFontHeight;  // cell height of the font, pixels
  bool Selected = false;
  QColor Face;  // fill of an unselected cell; the button face when invalid
  // The full image's size: the thumbnail keeps its shape, centred in its
  // room; zero stretches the thumbnail over the room.
  int ImageWidth = 0;
  int ImageHeight = 0;
};

// Where the thumbnail goes inside its room (left, top, width, height): all of
// it, or the largest centred part with the image's proportions.
QRect ThumbnailRect(const QRect& room, int imageWidth, int imageHeight);

// "Arial" whose line (ascent plus descent) is at most cellHeight pixels.
QFont CellHeightFont(int cellHeight);

// The cell as a w x h 24-bit image: outline, thumbnail in the room from (4, 4), name
// (its folder removed) centred at the bottom or from x = 0 when too wide.
QImage RenderThumbCell(int width, int height, const Bitmap& thumb, const std::string& name,
                       const ThumbCellStyle& style);

// Paints the rendered cell at rect's top left in one piece.
void DrawThumbCell(QPainter& painter, const QRect& rect, const Bitmap& thumb,
                   const std::string& name, const ThumbCellStyle& style);

// The cell of the engine's image index: its thumbnail in its own shape and its name.
void DrawImageCell(QPainter& painter, const QRect& rect, const Panoram& engine, int index,
                   int fontHeight, bool selected);
