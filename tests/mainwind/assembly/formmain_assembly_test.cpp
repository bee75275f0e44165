#include <gtest/gtest.h>
#include <tiffio.h>
#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollArea>
#include <QScrollBar>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QWheelEvent>
#include <memory>

#include "dialogs/print/prerpintdlg.h"
#include "dialogs/settings/preferences.h"
#include "imagefiles/imagefiles.h"
#include "imagefiles/pixdialogs.h"
#include "imagefiles/pyramidtiff.h"
#include "mainwind/formmain.h"
#include "support/printsetupanswer.h"
#include "support/shownwindow.h"
#include "support/testimages.h"
#include "widgets/panelstatusbar.h"
#include "widgets/picturecontrol.h"
#include "widgets/userdialogs.h"

namespace {

// Two tiles of one textured scene, the second 150 pixels right of and 10
// pixels below the first; their link is set by hand, so the mosaic is
// 350 x 160 and its common rectangle 350 x 140.
class AssemblyWindow : public ShownWindow {
 protected:
  void SetUp() override {
    OpenWindow("assemblywin");

    const Bitmap scene = TexturedBitmap(400, 200, 7);
    Panoram& engine = form_->Engine;
    engine.ApplySettings({30, 15, 0, {}, 5, 1, 3});
    engine.AddImage(CropBitmap(scene, 0, 0, 200, 150), kDirNone, "a.bmp");
    engine.AddImage(CropBitmap(scene, 150, 10, 200, 150), kDirRight, "b.bmp");
    engine.SetLinkOut(0, 170, 70);
    engine.SetLinkIn(1, 20, 60);
    engine.PlaceChain();
    engine.ChainToTable(form_->MontageTable);
    form_->SetWorkflowState(kStateAssembled);
    form_->PageControl->setCurrentWidget(form_->Assembly->TabSheetQuilt);
    QApplication::processEvents();
    form_->Assembly->ShowMosaic();
  }

  void TearDown() override {
    SetPixSaveAnswer({});
    SetPixSavePyramidAnswer({});
    CloseWindow();
  }

  QString Panel(int i) const { return form_->Assembly->StatusBar->PanelText(i); }
  const Bitmap& Held() const { return form_->Assembly->ImageQuilt->Held(); }
};

// The view's cases come first: the print cases start a process, after which
// ThreadSanitizer refuses new threads in the test program.
class AssemblyView : public AssemblyWindow {
 protected:
  void TearDown() override {
    SetPixSaveOptionsAnswer({});
    AssemblyWindow::TearDown();
  }
  AssemblyPage& Page() { return *form_->Assembly; }
  QSize Shown() { return Page().ImageQuilt->size(); }
  // The mosaic's pixel under a spot of the viewport, at the current zoom.
  QPointF MosaicPixelAt(QPoint spot) {
    return QPointF(Page().ImageQuilt->mapFrom(Page().ImageBox->viewport(), spot)) /
           Page().MosaicZoom;
  }
  // A wheel notch at spot of the viewport, sent to target (the picture or the viewport).
  void Wheel(QWidget* target, QPoint spot, int delta, Qt::KeyboardModifiers modifiers) {
    const QPointF local =
        target->mapFromGlobal(QPointF(Page().ImageBox->viewport()->mapToGlobal(spot)));
    QWheelEvent wheel(local, target->mapToGlobal(local), QPoint(), QPoint(0, delta), Qt::NoButton,
                      modifiers, Qt::NoScrollPhase, false);
    QApplication::sendEvent(target, &wheel);
  }
};

TEST_F(AssemblyView, FitShowsTheWholeMosaicAndCtrlFDoesTheSame) {
  const QSize box = Page().ImageBox->maximumViewportSize();
  Page().ToolButtonFit->click();
  // 350 x 160 in a larger box: enlarged until one side meets the box.
  const double zoom = std::min(box.width() / 350.0, box.height() / 160.0);
  EXPECT_NEAR(Page().MosaicZoom, zoom, 1e-4);
  EXPECT_LE(Shown().width(), box.width());
  EXPECT_LE(Shown().height(), box.height());
  EXPECT_TRUE(Shown().width() >= box.width() - 1 || Shown().height() >= box.height() - 1);
  QTest::keyClick(form_.get(), Qt::Key_0, Qt::ControlModifier);
  EXPECT_EQ(Shown(), QSize(350, 160));
  QTest::keyClick(form_.get(), Qt::Key_F, Qt::ControlModifier);
  EXPECT_NEAR(Page().MosaicZoom, zoom, 1e-4);
  EXPECT_EQ(Panel(2), QString::fromUtf8("Увеличение %1 %").arg(static_cast<int>(zoom * 100)));
}

TEST_F(AssemblyView, ZoomKeysWorkOnlyWithTheAssemblyPageInFront) {
  QTest::keyClick(form_.get(), Qt::Key_Minus, Qt::ControlModifier);
  EXPECT_EQ(Shown(), QSize(175, 80));
  QTest::keyClick(form_.get(), Qt::Key_Plus, Qt::ControlModifier);
  QTest::keyClick(form_.get(), Qt::Key_Equal, Qt::ControlModifier);
  EXPECT_EQ(Shown(), QSize(700, 320));
  form_->PageControl->setCurrentWidget(form_->TabSheetImages);
  QTest::keyClick(form_.get(), Qt::Key_0, Qt::ControlModifier);
  EXPECT_EQ(Page().MosaicZoom, 2.0f);
  // Saving works from any page once there is a mosaic; its key is in the tooltip.
  int asked = 0;
  SetPixSaveAnswer([&](const std::string&, const std::string&) {
    ++asked;
    return std::string();
  });
  QTest::keyClick(form_.get(), Qt::Key_S, Qt::ControlModifier);
  EXPECT_EQ(asked, 1);
}

TEST_F(AssemblyView, CtrlWheelZoomsAboutTheMouseAndTheWheelAloneScrolls) {
  for (int i = 0; i < 3; ++i) Page().ToolButtonPlus->click();  // 2800 x 1280
  // Off the middle, where the scroll bars reach at both zooms.
  const QPoint spot = Page().ImageBox->viewport()->rect().center() + QPoint(37, -23);
  const QPointF before = MosaicPixelAt(spot);
  Wheel(Page().ImageQuilt, spot, 120, Qt::ControlModifier);
  EXPECT_EQ(Page().MosaicZoom, 16.0f);
  EXPECT_NEAR(MosaicPixelAt(spot).x(), before.x(), 0.5);
  EXPECT_NEAR(MosaicPixelAt(spot).y(), before.y(), 0.5);
  Wheel(Page().ImageBox->viewport(), spot, -120, Qt::ControlModifier);
  EXPECT_EQ(Page().MosaicZoom, 8.0f);
  EXPECT_NEAR(MosaicPixelAt(spot).x(), before.x(), 0.5);
  EXPECT_NEAR(MosaicPixelAt(spot).y(), before.y(), 0.5);

  // Without Ctrl the picture leaves the wheel to the box, which scrolls.
  QScrollBar* vertical = Page().ImageBox->verticalScrollBar();
  const int scrolled = vertical->value();
  Wheel(Page().ImageBox->viewport(), spot, -120, Qt::NoModifier);
  EXPECT_EQ(Page().MosaicZoom, 8.0f);
  EXPECT_GT(vertical->value(), scrolled);
}

TEST_F(AssemblyView, SaveOptionsAreAskedUsedAndRemembered) {
  int askedOptions = 0;
  SetPixSaveOptionsAnswer([&](const std::string&, PixSaveOptions& options) {
    ++askedOptions;
    EXPECT_EQ(options.JpegQuality, 95);  // the default the first time
    options.JpegQuality = 20;
    return true;
  });
  const std::string low = (root_ + "/low.jpg").toStdString();
  SetPixSaveAnswer([&](const std::string&, const std::string&) { return low; });
  Page().ToolButtonSave->click();
  EXPECT_EQ(askedOptions, 1);
  EXPECT_EQ(RememberedSaveOptions().JpegQuality, 20);
  // The save dialog now proposes the folder saved to last.
  std::string offered;
  const std::string high = (root_ + "/Image/high.jpg").toStdString();
  SetPixSaveAnswer([&](const std::string&, const std::string& initial) {
    offered = initial;
    return high;
  });
  SetPixSaveOptionsAnswer([](const std::string&, PixSaveOptions& options) {
    options.JpegQuality = 98;
    return true;
  });
  Page().ToolButtonSave->click();
  EXPECT_EQ(offered, (root_ + "/Panorama.bmp").toStdString());
  EXPECT_EQ(RememberedSaveFolder(), root_ + "/Image/");
  ASSERT_TRUE(QFileInfo::exists(QString::fromStdString(low)));
  EXPECT_LT(QFileInfo(QString::fromStdString(low)).size(),
            QFileInfo(QString::fromStdString(high)).size());
  // A cancelled options dialog writes nothing.
  const std::string none = (root_ + "/none.tif").toStdString();
  SetPixSaveAnswer([&](const std::string&, const std::string&) { return none; });
  SetPixSaveOptionsAnswer([](const std::string&, PixSaveOptions&) { return false; });
  Page().ToolButtonSave->click();
  EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(none)));
  EXPECT_TRUE(messages_.isEmpty());
}

TEST_F(AssemblyView, TiffCompressionsAndTheResolutionAreInTheFiles) {
  for (PixTiffCompression compression :
       {PixTiffCompression::None, PixTiffCompression::Lzw, PixTiffCompression::Deflate}) {
    const std::string name = (root_ + "/out.tif").toStdString();
    SetPixSaveAnswer([&](const std::string&, const std::string&) { return name; });
    SetPixSaveOptionsAnswer([compression](const std::string&, PixSaveOptions& options) {
      options.Tiff = compression;
      return true;
    });
    Page().ToolButtonSave->click();
    TIFF* tiff = TIFFOpen(name.c_str(), "r");
    ASSERT_NE(tiff, nullptr);
    uint16_t tag = 0;
    float xres = 0;
    uint16_t unit = 0;
    TIFFGetField(tiff, TIFFTAG_COMPRESSION, &tag);
    TIFFGetField(tiff, TIFFTAG_XRESOLUTION, &xres);
    TIFFGetField(tiff, TIFFTAG_RESOLUTIONUNIT, &unit);
    TIFFClose(tiff);
    const uint16_t expected[] = {COMPRESSION_NONE, COMPRESSION_LZW, COMPRESSION_ADOBE_DEFLATE};
    EXPECT_EQ(tag, expected[static_cast<int>(compression)]);
    EXPECT_FLOAT_EQ(xres, 96.0f);
    EXPECT_EQ(unit, RESUNIT_INCH);
    Bitmap back;
    ASSERT_TRUE(PixLoadImage(name, back).Ok());
    EXPECT_TRUE(back == Held());
  }
  // PNG and BMP carry 96 dpi too: 3780 pixels a metre.
  const std::string png = (root_ + "/out.png").toStdString();
  SetPixSaveAnswer([&](const std::string&, const std::string&) { return png; });
  Page().ToolButtonSave->click();
  EXPECT_EQ(QImage(QString::fromStdString(png)).dotsPerMeterX(), 3780);
}

TEST_F(AssemblyView, ThePyramidFilterWritesTiledLevelsWithTheChosenTiles) {
  const std::string name = (root_ + "/slide.tif").toStdString();
  SetPixSavePyramidAnswer([&](const std::string&, const std::string&, bool& pyramid) {
    pyramid = true;
    return name;
  });
  SetPixSaveOptionsAnswer([](const std::string&, PixSaveOptions& options) {
    EXPECT_TRUE(options.Pyramid);
    options.PyramidTiles = PixPyramidCompression::Deflate;
    return true;
  });
  Page().ToolButtonSave->click();
  TIFF* tiff = TIFFOpen(name.c_str(), "r");
  ASSERT_NE(tiff, nullptr);
  uint16_t tag = 0;
  uint32_t tileWidth = 0;
  TIFFGetField(tiff, TIFFTAG_COMPRESSION, &tag);
  TIFFGetField(tiff, TIFFTAG_TILEWIDTH, &tileWidth);
  // The first tile of the first level holds the picture's top left corner as it is.
  std::vector<uint8_t> tile(512 * 512 * 3);
  const bool read = TIFFReadEncodedTile(tiff, 0, tile.data(), tile.size()) > 0;
  const int levels = TIFFNumberOfDirectories(tiff);
  TIFFClose(tiff);
  EXPECT_EQ(tag, COMPRESSION_ADOBE_DEFLATE);
  ASSERT_EQ(tileWidth, 512u);
  EXPECT_EQ(levels, static_cast<int>(PyramidLevels(Held().Width(), Held().Height()).size()));
  ASSERT_TRUE(read);
  for (int y = 0; y < std::min(512, Held().Height()); y += 7) {
    for (int x = 0; x < std::min(512, Held().Width()); x += 5) {
      const uint8_t* rgb = &tile[(y * 512 + x) * 3];
      const uint8_t* bgr = Held().Pixel(x, y);
      ASSERT_TRUE(rgb[0] == bgr[2] && rgb[1] == bgr[1] && rgb[2] == bgr[0]) << x << "," << y;
    }
  }
}

TEST_F(AssemblyView, AMosaicTooLargeForJpegIsRefusedBeforeWriting) {
  Page().ImageQuilt->Assign(FlatBitmap(65520, 2, 1, 2, 3));  // JPEG holds 65500
  const std::string name = (root_ + "/huge.jpg").toStdString();
  SetPixSaveAnswer([&](const std::string&, const std::string&) { return name; });
  int askedOptions = 0;
  SetPixSaveOptionsAnswer([&](const std::string&, PixSaveOptions&) { return ++askedOptions > 0; });
  Page().ToolButtonSave->click();
  EXPECT_EQ(askedOptions, 0);
  EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(name)));
  ASSERT_EQ(messages_.size(), 1);
  EXPECT_TRUE(messages_[0].contains(QStringLiteral("65520 x 2")));
  EXPECT_TRUE(messages_[0].contains(QStringLiteral("JPG")));
  EXPECT_TRUE(messages_[0].contains(QStringLiteral("TIF")));
}

TEST_F(AssemblyWindow, StatusAfterTheStitch) {
  EXPECT_EQ(Panel(0), QString::fromUtf8("Всего изображений  2"));
  EXPECT_EQ(Panel(1), QString::fromUtf8("Размер 350x160"));
  EXPECT_EQ(Panel(2), QString::fromUtf8("Увеличение 100 %"));
  EXPECT_EQ(Panel(3), QString());
  EXPECT_EQ(Panel(4), QString());
  EXPECT_EQ(Panel(5), QString());
  EXPECT_EQ(form_->Assembly->ImageQuilt->size(), QSize(350, 160));
  EXPECT_TRUE(messages_.isEmpty());
}

TEST_F(AssemblyWindow, ThreeZoomOutsShowAnEighth) {
  const Bitmap before = Held();
  for (int i = 0; i < 3; ++i) form_->Assembly->ToolButtonMinus->click();
  EXPECT_EQ(Panel(2), QString::fromUtf8("Увеличение 12 %"));
  EXPECT_EQ(form_->Assembly->ImageQuilt->size(), QSize(43, 20));
  form_->Assembly->ToolButtonNormal->click();
  EXPECT_EQ(Panel(2), QString::fromUtf8("Увеличение 100 %"));
  EXPECT_EQ(form_->Assembly->ImageQuilt->size(), QSize(350, 160));
  EXPECT_TRUE(Held() == before);  // not rebuilt, still full resolution
}

TEST_F(AssemblyWindow, ZoomButtonsStopAtTheirLimitsAndTheTextStaysWhole) {
  for (int i = 0; i < 20 && form_->Assembly->ToolButtonPlus->isEnabled(); ++i)
    form_->Assembly->ToolButtonPlus->click();
  EXPECT_FALSE(form_->Assembly->ToolButtonPlus->isEnabled());
  EXPECT_TRUE(form_->Assembly->ToolButtonMinus->isEnabled());
  // 350 x 2^15 is the last width a widget can have.
  EXPECT_EQ(Panel(2), QString::fromUtf8("Увеличение 3276800 %"));
  auto* panel = form_->Assembly->StatusBar->findChild<QLabel*>(QStringLiteral("StatusPanel2"));
  ASSERT_NE(panel, nullptr);
  EXPECT_GE(panel->width(), panel->fontMetrics().horizontalAdvance(Panel(2)));
  form_->Assembly->ToolButtonNormal->click();
  EXPECT_TRUE(form_->Assembly->ToolButtonPlus->isEnabled());
  for (int i = 0; i < 20 && form_->Assembly->ToolButtonMinus->isEnabled(); ++i)
    form_->Assembly->ToolButtonMinus->click();
  EXPECT_FALSE(form_->Assembly->ToolButtonMinus->isEnabled());
  // 160 / 128 is the last height of at least one pixel.
  EXPECT_EQ(form_->Assembly->ImageQuilt->height(), 1);
}

TEST_F(AssemblyWindow, CropToggleRebuildsAndBack) {
  const Bitmap whole = Held();
  form_->Assembly->ToolButtonCrop->click();
  EXPECT_TRUE(form_->Assembly->ToolButtonCrop->isChecked());
  EXPECT_EQ(Panel(4), QString::fromUtf8("Обрезано"));
  EXPECT_EQ(Panel(1), QString::fromUtf8("Размер 350x140"));
  ASSERT_EQ(Held().Width(), 350);
  ASSERT_EQ(Held().Height(), 140);
  EXPECT_TRUE(Held() == CropBitmap(whole, 0, 10, 350, 140));
  form_->Assembly->ToolButtonCrop->click();
  EXPECT_EQ(Panel(4), QString());
  EXPECT_TRUE(Held() == whole);
}

TEST_F(AssemblyWindow, SmoothingToggleShowsInTheStatus) {
  form_->Assembly->ToolButtonFineFront->click();
  EXPECT_EQ(Panel(3), QString::fromUtf8("Сглажено"));
  form_->Assembly->ToolButtonFineFront->click();
  EXPECT_EQ(Panel(3), QString());
}

TEST_F(AssemblyWindow, SavingAtAQuarterWritesFullResolution) {
  form_->Assembly->ToolButtonMinus->click();
  form_->Assembly->ToolButtonMinus->click();
  ASSERT_EQ(Panel(2), QString::fromUtf8("Увеличение 25 %"));
  const std::string target = (root_ + "/out.bmp").toStdString();
  std::string offered;
  SetPixSaveAnswer([&](const std::string& title, const std::string& initial) {
    EXPECT_EQ(title, "Сохранение изображения");
    offered = initial;
    return target;
  });
  form_->Assembly->ToolButtonSave->click();
  EXPECT_EQ(offered, (form_->ImageFolder + "Panorama.bmp").toStdString());
  Bitmap saved;
  ASSERT_TRUE(PixLoadImage(target, saved).Ok());
  EXPECT_EQ(saved.Width(), 350);
  EXPECT_EQ(saved.Height(), 160);
  EXPECT_TRUE(saved == Held());
  EXPECT_TRUE(messages_.isEmpty());
}

TEST_F(AssemblyWindow, FailedSaveIsReported) {
  const std::string target = (root_ + "/no/such/folder/out.bmp").toStdString();
  SetPixSaveAnswer([&](const std::string&, const std::string&) { return target; });
  form_->Assembly->ToolButtonSave->click();
  ASSERT_EQ(messages_.size(), 1);
  EXPECT_TRUE(messages_[0].contains(QString::fromStdString(target)));
}

TEST_F(AssemblyWindow, CancelledSaveWritesNothing) {
  SetPixSaveAnswer([&](const std::string&, const std::string&) { return std::string(); });
  form_->Assembly->ToolButtonSave->click();
  EXPECT_TRUE(QDir(root_ + "/Image").isEmpty());
  EXPECT_TRUE(messages_.isEmpty());
}

TEST_F(AssemblyWindow, SavingLetsTheWindowRunWithABusyCursorAndHoldsOffOtherCommands) {
  const std::string target = (root_ + "/busy.png").toStdString();
  int asked = 0;
  SetPixSaveAnswer([&](const std::string&, const std::string&) {
    ++asked;
    return target;
  });
  QString during;
  bool busyCursor = false;
  bool running = false;
  // Runs only if the window handles its events while the file is written.
  QTimer::singleShot(0, form_.get(), [&] {
    during = Panel(5);
    const QCursor* cursor = QGuiApplication::overrideCursor();
    busyCursor = cursor && cursor->shape() == Qt::WaitCursor;
    running = form_->CommandRunning;
    form_->Assembly->ToolButtonCrop->click();
    form_->Assembly->ToolButtonSave->click();
  });
  form_->Assembly->ToolButtonSave->click();
  EXPECT_EQ(during, QString::fromUtf8("Сохранение…"));
  EXPECT_TRUE(busyCursor);
  EXPECT_TRUE(running);
  // The commands pressed meanwhile did nothing.
  EXPECT_FALSE(form_->Assembly->ToolButtonCrop->isChecked());
  EXPECT_EQ(Panel(4), QString());
  EXPECT_EQ(asked, 1);
  // Afterwards: the normal cursor, an empty working panel, the picture on disk.
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
  EXPECT_EQ(Panel(5), QString());
  EXPECT_FALSE(form_->CommandRunning);
  Bitmap saved;
  ASSERT_TRUE(PixLoadImage(target, saved).Ok());
  EXPECT_TRUE(saved == Held());
  EXPECT_TRUE(messages_.isEmpty());
}

TEST_F(AssemblyWindow, SmallPictureIsCentred) {
  const QSize client = form_->Assembly->ImageBox->viewport()->size();
  ASSERT_GT(client.width(), 350);
  ASSERT_GT(client.height(), 160);
  EXPECT_EQ(form_->Assembly->ImageQuilt->pos(),
            QPoint((client.width() - 350) / 2, (client.height() - 160) / 2));
}

TEST_F(AssemblyWindow, LargePictureIsScrolledToItsMiddle) {
  for (int i = 0; i < 3; ++i) form_->Assembly->ToolButtonPlus->click();
  ASSERT_EQ(form_->Assembly->ImageQuilt->size(), QSize(2800, 1280));
  QApplication::processEvents();
  const QSize client = form_->Assembly->ImageBox->viewport()->size();
  EXPECT_EQ(form_->Assembly->ImageBox->horizontalScrollBar()->value(), (2800 - client.width()) / 2);
  EXPECT_EQ(form_->Assembly->ImageBox->verticalScrollBar()->value(), (1280 - client.height()) / 2);
}

TEST_F(AssemblyWindow, DraggingPansThePicture) {
  for (int i = 0; i < 3; ++i) form_->Assembly->ToolButtonPlus->click();
  QScrollBar* h = form_->Assembly->ImageBox->horizontalScrollBar();
  QScrollBar* v = form_->Assembly->ImageBox->verticalScrollBar();
  const int h0 = h->value();
  const int v0 = v->value();
  PictureControl* picture = form_->Assembly->ImageQuilt;
  const auto send = [picture](QEvent::Type type, QPoint at, Qt::MouseButtons buttons) {
    QMouseEvent event(type, QPointF(at), picture->mapToGlobal(QPointF(at)),
                      type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons,
                      Qt::NoModifier);
    QApplication::sendEvent(picture, &event);
  };
  send(QEvent::MouseButtonPress, {1000, 600}, Qt::LeftButton);
  send(QEvent::MouseMove, {960, 570}, Qt::LeftButton);
  EXPECT_EQ(h->value(), h0 + 40);
  EXPECT_EQ(v->value(), v0 + 30);
  send(QEvent::MouseButtonRelease, {960, 570}, Qt::NoButton);
  EXPECT_FALSE(form_->Assembly->PanDragging);
  send(QEvent::MouseMove, {900, 500}, Qt::NoButton);
  EXPECT_EQ(h->value(), h0 + 40);
}

TEST_F(AssemblyWindow, WorkingTextShowsWhileRebuilding) {
  QString during;
  QTimer::singleShot(0, form_.get(), [&] { during = Panel(5); });
  form_->Assembly->ToolButtonFineFront->click();
  EXPECT_EQ(during, QString::fromUtf8("Обработка"));
  EXPECT_EQ(Panel(5), QString());
}

TEST_F(AssemblyWindow, PrintsThePictureToOnePage) {
  auto* dialog = new TPrePrintQuiltDialog(form_.get());
  form_->Assembly->PrePrintQuiltDialog = dialog;
  const QString pdf = root_ + "/print.pdf";
  dialog->Printer().setOutputFormat(QPrinter::PdfFormat);
  dialog->Printer().setOutputFileName(pdf);
  QTimer::singleShot(0, dialog->Button2, &QPushButton::click);
  form_->Assembly->ToolButtonPrint->click();
  EXPECT_FALSE(QFile::exists(pdf));
  QTimer::singleShot(0, dialog->Button1, &QPushButton::click);
  form_->Assembly->ToolButtonPrint->click();
  EXPECT_TRUE(QFile::exists(pdf));
  EXPECT_GT(QFile(pdf).size(), 1000);
  EXPECT_TRUE(messages_.isEmpty());
}

TEST_F(AssemblyWindow, WithoutAPrinterThePrintGoesToTheChosenPdfFile) {
  if (QStandardPaths::findExecutable("pdfinfo").isEmpty())
    GTEST_SKIP() << "poppler-utils not installed (scripts/setup.sh)";
  auto* dialog = new TPrePrintQuiltDialog(form_.get());
  form_->Assembly->PrePrintQuiltDialog = dialog;
  // What the printing layer gives on a system with no printer installed.
  dialog->Printer().setOutputFormat(QPrinter::PdfFormat);
  dialog->Printer().setOutputFileName(QString());
  const QString pdf = root_ + "/chosen.pdf";
  QTimer::singleShot(0, dialog, [dialog, pdf] {
    AnswerPrintSetUp(pdf);
    dialog->Button1->click();
  });
  form_->Assembly->ToolButtonPrint->click();
  EXPECT_TRUE(messages_.isEmpty()) << messages_.join('\n').toStdString();
  QProcess info;
  info.start("pdfinfo", {pdf});
  ASSERT_TRUE(info.waitForFinished(60000));
  ASSERT_EQ(info.exitCode(), 0) << info.readAllStandardError().toStdString();
  EXPECT_TRUE(QString::fromUtf8(info.readAllStandardOutput())
                  .contains(QRegularExpression("Pages:\\s+1\\n")));
}

}  // namespace
