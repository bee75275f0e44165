// Prints to PDF files and reads them back with the poppler tools: the page is
// rendered at one tenth of the printer's resolution and the picture found on it.
#include "dialogs/print/mosaicprint.h"

#include <gtest/gtest.h>
#include <QFile>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPrinter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "support/testimages.h"

namespace {

constexpr int kDpi = 600;
constexpr int kRenderDpi = 60;  // one rendered pixel = ten dots

// Ink on the rendered page: the bounding box of dark pixels, in dots.
struct Ink {
  bool Found = false;
  QRect Box;  // rendered pixels
};

class PdfPrint : public ::testing::Test {
 protected:
  void SetUp() override {
    if (QStandardPaths::findExecutable("pdftoppm").isEmpty() ||
        QStandardPaths::findExecutable("pdftotext").isEmpty())
      GTEST_SKIP() << "poppler-utils not installed (scripts/setup.sh)";
    ASSERT_TRUE(dir_.isValid());
  }

  // A printer whose page is exactly pageW x pageH dots.
  void Print(const Bitmap& picture, const PrintOptions& options, int pageW = 4800,
             int pageH = 6800) {
    pdf_ = dir_.filePath("page.pdf");
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdf_);
    printer.setResolution(kDpi);
    printer.setFullPage(true);
    const QPageSize size(QSizeF(pageW * 72.0 / kDpi, pageH * 72.0 / kDpi), QPageSize::Point,
                         QString(), QPageSize::ExactMatch);
    ASSERT_TRUE(
        printer.setPageLayout(QPageLayout(size, QPageLayout::Portrait, QMarginsF(0, 0, 0, 0))));
    ASSERT_EQ(printer.width(), pageW);
    ASSERT_EQ(printer.height(), pageH);
    QString error;
    ASSERT_TRUE(PrintMosaic(printer, picture, options, &error)) << error.toStdString();
  }

  QString Run(const QString& program, const QStringList& args) {
    QProcess process;
    process.start(program, args);
    EXPECT_TRUE(process.waitForFinished(60000));
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    return QString::fromUtf8(process.readAllStandardOutput());
  }

  QImage Render() {
    const QString prefix = dir_.filePath("render");
    Run("pdftoppm", {"-r", QString::number(kRenderDpi), "-gray", "-singlefile", pdf_, prefix});
    return QImage(prefix + ".pgm");
  }

  static Ink FindInk(const QImage& page) {
    Ink ink;
    for (int y = 0; y < page.height(); ++y)
      for (int x = 0; x < page.width(); ++x)
        if (qGray(page.pixel(x, y)) < 128) {
          ink.Box = ink.Found ? ink.Box.united(QRect(x, y, 1, 1)) : QRect(x, y, 1, 1);
          ink.Found = true;
        }
    return ink;
  }

  // Expected dots to rendered pixels; the edges may land one pixel either way.
  static void ExpectBox(const QRect& box, int left, int top, int right, int bottom) {
    EXPECT_NEAR(box.left(), left / 10, 1);
    EXPECT_NEAR(box.top(), top / 10, 1);
    EXPECT_NEAR(box.right() + 1, right / 10, 1);
    EXPECT_NEAR(box.bottom() + 1, bottom / 10, 1);
  }

  QString Text() { return Run("pdftotext", {"-layout", pdf_, "-"}).trimmed(); }

  int Pages() {
    const QString info = Run("pdfinfo", {pdf_});
    for (const QString& line : info.split('\n'))
      if (line.startsWith("Pages:")) return line.mid(6).trimmed().toInt();
    return -1;
  }

  QTemporaryDir dir_;
  QString pdf_;
};

TEST_F(PdfPrint, ThreeTimesCentredOnOnePage) {
  PrintOptions options;  // no fit, centred, no title
  Print(FlatBitmap(1000, 800, 0, 0, 0), options);
  EXPECT_EQ(Pages(), 1);
  const QImage page = Render();
  ASSERT_EQ(page.size(), QSize(480, 680));
  const Ink ink = FindInk(page);
  ASSERT_TRUE(ink.Found);
  ExpectBox(ink.Box, 900, 2200, 3900, 4600);
  EXPECT_TRUE(Text().isEmpty());
}

TEST_F(PdfPrint, TopWhenNotCentred) {
  PrintOptions options;
  options.Centre = false;
  Print(FlatBitmap(1000, 800, 0, 0, 0), options);
  const Ink ink = FindInk(Render());
  ASSERT_TRUE(ink.Found);
  ExpectBox(ink.Box, 900, 0, 3900, 2400);
}

TEST_F(PdfPrint, WholeFactorToTheWidth) {
  PrintOptions options;
  options.FitToPage = true;
  Print(FlatBitmap(1000, 800, 0, 0, 0), options);
  const Ink ink = FindInk(Render());
  ASSERT_TRUE(ink.Found);
  ExpectBox(ink.Box, 400, 1800, 4400, 5000);
}

TEST_F(PdfPrint, PictureLargerThanPageIsFittedNotDropped) {
  PrintOptions options;
  options.FitToPage = true;
  Print(FlatBitmap(9600, 2400, 0, 0, 0), options);
  const Ink ink = FindInk(Render());
  ASSERT_TRUE(ink.Found);
  ExpectBox(ink.Box, 0, 2800, 4800, 4000);
}

TEST_F(PdfPrint, PictureIsUprightAndUnmirrored) {
  // Black picture with a white top-left quarter.
  Bitmap picture = FlatBitmap(1000, 800, 0, 0, 0);
  for (int y = 0; y < 400; ++y)
    for (int x = 0; x < 500; ++x) std::fill_n(picture.Pixel(x, y), 3, uint8_t{255});
  PrintOptions options;
  Print(picture, options);
  const QImage page = Render();
  // Picture at (90, 220) - (390, 460) in rendered pixels; probe the quarters' middles.
  EXPECT_GT(qGray(page.pixel(90 + 75, 220 + 60)), 200);
  EXPECT_LT(qGray(page.pixel(390 - 75, 220 + 60)), 60);
  EXPECT_LT(qGray(page.pixel(90 + 75, 460 - 60)), 60);
}

TEST_F(PdfPrint, TitleWithoutFolderUnderThePicture) {
  PrintOptions options;
  options.PrintTitle = true;
  options.Title = "D:\\Work\\mosaic.bmp";
  Print(FlatBitmap(1000, 800, 0, 0, 0), options);
  EXPECT_EQ(Text(), QString("mosaic.bmp"));

  // Title ink: the whole ink box reaches below the picture, within one line of 12 points.
  const Ink ink = FindInk(Render());
  ASSERT_TRUE(ink.Found);
  EXPECT_NEAR(ink.Box.top(), 220, 1);
  const int titleTop = (4600 + 20) / 10;
  EXPECT_GT(ink.Box.bottom(), titleTop);
  EXPECT_LT(ink.Box.bottom(), titleTop + 12 * kRenderDpi / 72 + 2);
}

TEST_F(PdfPrint, TitleCentredOnThePage) {
  PrintOptions options;
  options.PrintTitle = true;
  options.Title = "/data/WWWWWWWWWW.png";
  // A white picture leaves only the title as ink.
  Print(FlatBitmap(1000, 800, 255, 255, 255), options);
  const Ink ink = FindInk(Render());
  ASSERT_TRUE(ink.Found);
  const int centre = (ink.Box.left() + ink.Box.right() + 1) / 2;
  EXPECT_NEAR(centre, 240, 2);
  EXPECT_GE(ink.Box.top(), (4600 + 20) / 10 - 1);
}

TEST_F(PdfPrint, NoTitleUnlessChecked) {
  PrintOptions options;
  options.PrintTitle = false;
  options.Title = "D:\\Work\\mosaic.bmp";
  Print(FlatBitmap(1000, 800, 0, 0, 0), options);
  EXPECT_TRUE(Text().isEmpty());
}

TEST_F(PdfPrint, FileThatCannotBeCreatedIsNamedNotAPrinter) {
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  const QString target = dir_.filePath("no/such/folder/page.pdf");
  printer.setOutputFileName(target);
  QString error;
  EXPECT_FALSE(PrintMosaic(printer, TexturedBitmap(20, 10, 1), PrintOptions{}, &error));
  EXPECT_TRUE(error.contains(target)) << error.toStdString();
  EXPECT_FALSE(error.contains(QStringLiteral("принтер"))) << error.toStdString();
  EXPECT_FALSE(QFile::exists(target));
}

}  // namespace
