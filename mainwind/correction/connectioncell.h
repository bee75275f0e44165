#pragma once
// How a row of the connection list is painted: the facing halves of the two
// images' previews, placed as the images meet, their numbers, a red disc
// when both match points are set, and the link's score and offset on a
// label that is yellow when the link is weak or unset.

#include <QColor>
#include <QImage>
#include <QRect>
#include <QString>

#include "engine/registration/linkscore.h"
#include "imagefiles/bitmap.h"

class QPainter;

// Where the halves go in a cell whose inner area is W x H (the cell less 4
// pixels on every side). Rectangles have exclusive Right and Bottom; number
// positions are the top-left corners of the texts, in cell coordinates.
struct ConnectionCellLayout {
  bool Halves = false;  // false: an unknown direction, nothing is copied
  Rect ParentSource;    // in the W x H parent preview
  Rect ParentTarget;    // in the cell
  Rect ChildSource;
  Rect ChildTarget;
  Point ParentNumber;
  Point ChildNumber;
};

// direction is the child's side as seen from the parent (1 right .. 4 above).
ConnectionCellLayout ConnectionLayout(int direction, int innerWidth, int innerHeight);

constexpr int kConnectionFontHeight = 20;
constexpr int kConnectionDiscRadius = 10;

struct ConnectionCellStyle {
  int Index = 0;          // connection a, between images a and a + 1 (shown as a + 1, a + 2)
  int Direction = 0;      // of image a + 1
  bool Selected = false;  // the current row
  bool LinkSet = false;   // both match points set
  double Score = 0;       // the link's score, 0..1
  Offset LinkOffset;      // the child's origin in the parent's pixels, when set
  bool Weak = false;      // set, but scoring below the weak threshold
  QColor Face;            // fill of an unselected cell; the button face when invalid
};

const QColor kConnectionMarkColour(255, 210, 0);  // the label of a weak or unset link
// An offset for the user: "(215, -5) пикс.".
QString LinkOffsetText(Offset offset);
// A score for the user, with two decimals: "0,93".
QString LinkScoreText(double score);
// The label: the score and the offset, or that the link is unset.
QString ConnectionScoreText(const ConnectionCellStyle& style);
// Where the label sits in a width x height cell: centred at the bottom.
QRect ConnectionScoreRect(int width, int height);

// The cell as a width x height 24-bit image, from the two 400 x 300 previews.
QImage RenderConnectionCell(int width, int height, const Bitmap& parentThumb,
                            const Bitmap& childThumb, const ConnectionCellStyle& style);

// Paints the rendered cell at rect's top left in one piece.
void DrawConnectionCell(QPainter& painter, const QRect& rect, const Bitmap& parentThumb,
                        const Bitmap& childThumb, const ConnectionCellStyle& style);
