// The scan command through the window, on SANE's test back end: the dialog is
// answered the way a person would, the files are read back from the disk.

#include <gtest/gtest.h>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFile>
#include <QInputDialog>
#include <QMouseEvent>
#include <QProgressDialog>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <filesystem>
#include <fstream>
#include <functional>

#include "capture/scanner/scancommand.h"
#include "capture/scanner/scandialog.h"
#include "capture/scanner/scanwork.h"
#include "engine/panoram.h"
#include "imagefiles/imagefiles.h"
#include "imagefiles/pixdialogs.h"
#include "mainwind/correction/correctionpage.h"
#include "support/sanetest.h"
#include "support/windowfixture.h"
#include "widgets/drawgrid.h"

namespace {

// Acts on the next modal window of type T as soon as it is up; the timer
// lives as long as the returned object.
template <typename T>
std::unique_ptr<QTimer> WhenModal(std::function<void(T&)> act) {
  auto timer = std::make_unique<QTimer>();
  timer->setInterval(5);
  QObject::connect(timer.get(), &QTimer::timeout, [timer = timer.get(), act] {
    if (auto* window = qobject_cast<T*>(QApplication::activeModalWidget())) {
      timer->stop();
      act(*window);
    }
  });
  timer->start();
  return timer;
}

class ScanWindow : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    window_ = MakeWindow();
    scan_ = window_->Scanning;
    folder_ = paths_.ImageFolder.toStdString();
  }
  void TearDown() override {
    SetScannerWorkWatcher({});
    window_.reset();
    WindowTest::TearDown();
  }

  // One click on the scan button; the dialog is given to prepare, then
  // Scan (or Cancel) is pressed.
  void Scan(const std::function<void(TScanDialog&)>& prepare = {}, bool start = true) {
    const auto answer = WhenModal<TScanDialog>([prepare, start](TScanDialog& dialog) {
      if (prepare) prepare(dialog);
      (start ? dialog.ButtonScanStart : dialog.ButtonScanCancel)->click();
    });
    window_->Album->ToolButtonScan->click();
  }

  bool Exists(const std::string& name) const { return std::filesystem::exists(folder_ + name); }
  int Images() const { return window_->Engine.Count(); }

  SaneTestConfig sane_;
  std::unique_ptr<TFormMain> window_;
  ScanCommand* scan_ = nullptr;
  std::string folder_;
};

TEST_F(ScanWindow, ThreeScansAreNumberedSavedAndReadBackIntoTheAlbum) {
  ASSERT_TRUE(window_->Album->ToolButtonScan->isVisible() || !window_->isVisible());
  EXPECT_EQ(scan_->ScanFile, folder_ + "Scan.jpg");
  EXPECT_TRUE(scan_->AutoNum->isChecked());
  Scan();
  ASSERT_EQ(Images(), 1) << Told.join("\n").toStdString();
  EXPECT_EQ(window_->WorkflowState(), kStateAlbumReady);
  EXPECT_TRUE(window_->Album->DrawGridAlbum->isVisibleTo(window_.get()));
  EXPECT_EQ(window_->Correction->DrawGridEditConnect->RowCount(), 0);
  Scan();
  EXPECT_EQ(window_->Correction->DrawGridEditConnect->RowCount(), 1);
  Scan();
  ASSERT_EQ(Images(), 3);
  for (int i = 0; i < 3; ++i) {
    const std::string name = folder_ + "Scan" + std::to_string(i) + ".jpg";
    EXPECT_EQ(window_->Engine.Image(i).Name, name);
    // The album holds what the file holds (the JPEG's losses included).
    Bitmap file;
    ASSERT_TRUE(PixLoadImage(name, file).Ok()) << name;
    EXPECT_TRUE(window_->Engine.Image(i).Bitmap == file);
  }
  EXPECT_EQ(window_->Album->DrawGridAlbum->Row(), 2);
  EXPECT_TRUE(Told.isEmpty()) << Told.join("\n").toStdString();
}

TEST_F(ScanWindow, WithoutNumberingEveryScanOverwritesTheOneFile) {
  scan_->ScanCounter = 5;
  scan_->AutoNum->trigger();
  EXPECT_FALSE(scan_->AutoNum->isChecked());
  EXPECT_EQ(scan_->ScanCounter, 0);
  Scan();
  const auto first = std::filesystem::last_write_time(folder_ + "Scan.jpg");
  std::filesystem::last_write_time(folder_ + "Scan.jpg", first - std::chrono::hours(1));
  Scan();
  EXPECT_GT(std::filesystem::last_write_time(folder_ + "Scan.jpg"), first - std::chrono::hours(1));
  EXPECT_EQ(Images(), 2);
  EXPECT_EQ(window_->Engine.Image(1).Name, folder_ + "Scan.jpg");
  EXPECT_FALSE(Exists("Scan0.jpg"));
  EXPECT_EQ(scan_->ScanCounter, 2);
}

TEST_F(ScanWindow, NumberedScansOfAnEarlierRunAreNeverOverwritten) {
  std::ofstream(folder_ + "Scan0.jpg") << "earlier run";
  std::ofstream(folder_ + "Scan1.jpg") << "earlier run";
  Scan();
  EXPECT_EQ(window_->Engine.Image(0).Name, folder_ + "Scan2.jpg");
  std::ifstream earlier(folder_ + "Scan1.jpg");
  std::string text;
  std::getline(earlier, text);
  EXPECT_EQ(text, "earlier run");
  EXPECT_EQ(scan_->ScanCounter, 3);
}

TEST_F(ScanWindow, ACancelledScanAddsNothingAndUsesNoNumber) {
  Scan({}, false);  // cancelled in the dialog
  EXPECT_EQ(Images(), 0);
  EXPECT_EQ(scan_->ScanCounter, 0);
  EXPECT_FALSE(Exists("Scan0.jpg"));
  EXPECT_TRUE(Told.isEmpty());

  // Cancelled while the picture comes: slow delivery, the progress window's button.
  bool progressShown = false;
  SetScannerWorkWatcher([&](QWidget* window) {
    auto* progress = qobject_cast<QProgressDialog*>(window);
    if (progress != nullptr && progress->labelText() == "Сканирование...") {
      progressShown = progress->isVisible();
      // The button, as a person presses it.
      const QList<QPushButton*> buttons = progress->findChildren<QPushButton*>();
      ASSERT_EQ(buttons.size(), 1);
      EXPECT_EQ(buttons[0]->text(), QStringLiteral("Отмена"));
      buttons[0]->click();
    }
  });
  Scan([](TScanDialog& dialog) {
    dialog.Session()->SetNumber("read-delay", 1);
    dialog.Session()->SetNumber("read-delay-duration", 20000);
    dialog.Session()->SetNumber("read-limit", 1);
    dialog.Session()->SetNumber("read-limit-size", 512);
  });
  EXPECT_TRUE(progressShown);
  EXPECT_EQ(Images(), 0);
  EXPECT_EQ(scan_->ScanCounter, 0);
  EXPECT_FALSE(Exists("Scan0.jpg"));
  EXPECT_TRUE(Told.isEmpty()) << Told.join("\n").toStdString();
  SetScannerWorkWatcher({});
  // A device that cancels by itself is told.
  Scan([](TScanDialog& dialog) {
    dialog.Session()->SetText("read-return-value", "SANE_STATUS_CANCELLED");
  });
  EXPECT_EQ(Images(), 0);
  ASSERT_EQ(Told.size(), 1);
  EXPECT_TRUE(Told[0].contains(QStringLiteral("Сканер сам прервал сканирование")));
  Scan([](TScanDialog& dialog) { dialog.Session()->SetText("read-return-value", "Default"); });
  EXPECT_EQ(window_->Engine.Image(0).Name, folder_ + "Scan0.jpg");
  EXPECT_EQ(scan_->ScanCounter, 1);
}

TEST_F(ScanWindow, ADeviceFaultIsToldAndAddsNothing) {
  Scan([](TScanDialog& dialog) {
    dialog.Session()->SetText("read-return-value", "SANE_STATUS_IO_ERROR");
  });
  EXPECT_EQ(Images(), 0);
  ASSERT_EQ(Told.size(), 1);
  EXPECT_TRUE(Told[0].startsWith(QStringLiteral("ВНИМАНИЕ!")));
  EXPECT_TRUE(Told[0].contains(QStringLiteral("Ошибка связи")));
  EXPECT_FALSE(Exists("Scan0.jpg"));
  EXPECT_EQ(scan_->ScanCounter, 0);  // the next good scan is Scan0
}

TEST_F(ScanWindow, NoLibraryOrNoScannerIsSaidOnceAndNothingElseChanges) {
  scan_->Twain.TwainLibraryPath = "/nonexistent/libsane.so.1";
  window_->Album->ToolButtonScan->click();
  ASSERT_EQ(Told.size(), 1);
  EXPECT_TRUE(Told[0].contains(QStringLiteral("libsane1")));
  Told.clear();
  scan_->SetTWAIN->trigger();
  EXPECT_EQ(Told.size(), 1);
  EXPECT_EQ(Images(), 0);

  // A library that finds no scanner at all.
  scan_->Twain.TwainLibraryPath = "libsane.so.1";
  sane_.SetBackEnds("");
  Told.clear();
  window_->Album->ToolButtonScan->click();
  ASSERT_EQ(Told.size(), 1);
  EXPECT_TRUE(Told[0].contains(QStringLiteral("Сканер не найден")));
  EXPECT_EQ(Images(), 0);
  EXPECT_EQ(window_->WorkflowState(), kStateNoImages);
}

TEST_F(ScanWindow, AScanThatCannotBeWrittenStillJoinsTheAlbum) {
  scan_->ScanFile = folder_ + "no such folder/Scan.jpg";
  Scan();
  ASSERT_EQ(Images(), 1);
  EXPECT_EQ(window_->Engine.Image(0).Name, folder_ + "no such folder/Scan0.jpg");
  ASSERT_EQ(Told.size(), 1);
  EXPECT_TRUE(Told[0].contains(QStringLiteral("не удалось записать")));

  // A name without an extension is numbered at its end.
  scan_->ScanFile = folder_ + "Scan";
  scan_->ScanCounter = 0;
  Scan();
  EXPECT_EQ(window_->Engine.Image(1).Name, folder_ + "Scan0");
}

TEST_F(ScanWindow, LineArtChosenInTheDialogArrivesAsTheDevicesPicture) {
  scan_->ScanFile = folder_ + "Scan.png";  // lossless, to compare pixels
  Scan([](TScanDialog& dialog) {
    dialog.Session()->SetText("test-picture", "Color pattern");
    dialog.ShowOptions({});
    dialog.ComboBoxScanMode->setCurrentIndex(
        dialog.ComboBoxScanMode->findText(QStringLiteral("Штриховой")));
    dialog.ComboBoxScanResolution->setCurrentIndex(dialog.ComboBoxScanResolution->findData(50.0));
  });
  ASSERT_EQ(Images(), 1) << Told.join("\n").toStdString();
  const std::optional<Bitmap> reference = ScanimageReference(
      {"--mode=Gray", "--depth=1", "--resolution=50", "--test-picture=Color pattern"});
  ASSERT_TRUE(reference);
  EXPECT_TRUE(window_->Engine.Image(0).Bitmap == *reference);
  // The dialog remembers the choice for the next scan.
  ASSERT_TRUE(scan_->Twain.LastChoices.Colour);
  EXPECT_EQ(*scan_->Twain.LastChoices.Colour, ScanColour::LineArt);
}

TEST_F(ScanWindow, ThePreviewShowsTheGlassAndADragOnItSetsTheArea) {
  Scan([](TScanDialog& dialog) {
    dialog.Session()->SetText("test-picture", "Color pattern");
    dialog.Session()->SetText("mode", "Color");
    dialog.ShowOptions({});
    dialog.ButtonScanPreview->click();
    const QImage& preview = dialog.PreviewImage();
    ASSERT_FALSE(preview.isNull());
    // About 400 pixels across the 200 mm glass.
    EXPECT_NEAR(preview.width(), 400, 10);
    ScanPreview* view = dialog.PreviewScan;
    view->resize(300, 300);
    // The glass is square: the picture fills the widget; a drag over the
    // middle half is 50..150 mm on both sides.
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(75, 75), QPointF(75, 75), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(225, 225), QPointF(225, 225),
                        Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(view, &press);
    QApplication::sendEvent(view, &release);
    EXPECT_NEAR(dialog.SpinScanLeft->value(), 50, 1);
    EXPECT_NEAR(dialog.SpinScanTop->value(), 50, 1);
    EXPECT_NEAR(dialog.SpinScanRight->value(), 150, 1);
    EXPECT_NEAR(dialog.SpinScanBottom->value(), 150, 1);
    // The README's picture of the dialog.
    const QString file = qEnvironmentVariable("QUILTOR_SCAN_SCREENSHOT");
    if (!file.isEmpty()) {
      dialog.resize(760, 460);
      QCoreApplication::processEvents();
      EXPECT_TRUE(dialog.grab().save(file));
    }
  });
  ASSERT_EQ(Images(), 1);
  // 100 mm at the test device's 50 dpi.
  EXPECT_NEAR(window_->Engine.Image(0).Bitmap.Width(), 100 / 25.4 * 50, 2);
}

TEST_F(ScanWindow, SaveAsChoosesTheBaseNameAndRestartsTheNumbers) {
  std::string askedTitle;
  std::string offered;
  SetPixSaveAnswer([&](const std::string& title, const std::string& initial) {
    askedTitle = title;
    offered = initial;
    return std::string();  // cancelled
  });
  scan_->ScanCounter = 4;
  scan_->SaveScanAs->trigger();
  EXPECT_EQ(askedTitle, "Сохранить как..");
  EXPECT_EQ(offered, folder_ + "Scan.jpg");
  EXPECT_EQ(scan_->ScanFile, folder_ + "Scan.jpg");
  EXPECT_EQ(scan_->ScanCounter, 4);

  SetPixSaveAnswer([&](const std::string&, const std::string&) { return folder_ + "Срез.png"; });
  scan_->SaveScanAs->trigger();
  SetPixSaveAnswer({});
  EXPECT_EQ(scan_->ScanFile, folder_ + "Срез.png");
  EXPECT_EQ(scan_->ScanCounter, 0);
  Scan();
  EXPECT_TRUE(Exists("Срез0.png"));
  EXPECT_EQ(window_->Engine.Image(0).Name, folder_ + "Срез0.png");
}

TEST_F(ScanWindow, TheChosenSourceIsTheOneLaterScansUse) {
  const auto answer = WhenModal<QInputDialog>([](QInputDialog& dialog) {
    dialog.setTextValue(dialog.comboBoxItems().at(1));
    dialog.accept();
  });
  scan_->SetTWAIN->trigger();
  EXPECT_EQ(scan_->Twain.Source, "test:1");
  std::string shown;
  Scan([&shown](TScanDialog& dialog) { shown = dialog.Device(); });
  EXPECT_EQ(shown, "test:1");
}

}  // namespace
