#pragma once
// Prints the mosaic on one page by the print layout rules.

#include <QString>

#include "dialogs/print/printlayout.h"
#include "imagefiles/bitmap.h"

class QPainter;
class QPrinter;

// Draws picture and title on a page of pageW x pageH dots through painter.
void PaintMosaicPage(QPainter& painter, int pageW, int pageH, const Bitmap& picture,
                     const PrintOptions& options);

// One print job of one page. Returns false with a reason when the printer
// could not be started or finished.
bool PrintMosaic(QPrinter& printer, const Bitmap& picture, const PrintOptions& options,
                 QString* error);
