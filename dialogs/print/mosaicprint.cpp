#include "dialogs/print/mosaicprint.h"

#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QPrinter>

#include "imagefiles/bitmapview.h"

namespace {

constexpr int kTitlePoints = 12;

}  // namespace

void PaintMosaicPage(QPainter& painter, int pageW, int pageH, const Bitmap& picture,
                     const PrintOptions& options) {
  QFont font = painter.font();
  font.setPointSize(kTitlePoints);
  painter.setFont(font);

  const PrintLayout layout =
      ComputePrintLayout(picture.Width(), picture.Height(), pageW, pageH, options);
  if (!picture.Empty() && !layout.Image.IsEmpty()) {
    const QRect target(layout.Image.Left, layout.Image.Top, layout.Image.Width(),
                       layout.Image.Height());
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.drawImage(target, BitmapView(picture));
  }
  if (layout.HasTitle) {
    const QString title = QString::fromStdString(layout.Title);
    // Metrics of the painter's device: a printer's dots, not screen pixels.
    const QFontMetrics metrics(painter.font(), painter.device());
    const int left = PrintTitleLeft(pageW, metrics.horizontalAdvance(title));
    painter.setPen(Qt::black);
    painter.drawText(left, layout.TitleTop + metrics.ascent(), title);
  }
}

bool PrintMosaic(QPrinter& printer, const Bitmap& picture, const PrintOptions& options,
                 QString* error) {
  QPainter painter;
  if (!painter.begin(&printer)) {
    if (error) {
      *error = printer.outputFormat() == QPrinter::PdfFormat
                   ? QStringLiteral("не удалось создать файл «%1»").arg(printer.outputFileName())
                   : QStringLiteral("принтер «%1» не отвечает").arg(printer.printerName());
    }
    return false;
  }
  // The painter's origin is the top left of the printable area, as are the page sizes.
  PaintMosaicPage(painter, printer.width(), printer.height(), picture, options);
  if (!painter.end()) {
    if (error) *error = QStringLiteral("задание печати не завершено");
    return false;
  }
  return true;
}
