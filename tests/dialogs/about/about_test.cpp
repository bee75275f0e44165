#include "dialogs/about/about.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QUrl>

#include "app/startup.h"
#include "dialogs/about/versioninfocomponent.h"
#include "mainwind/formmain.h"
#include "support/windowfixture.h"

namespace {

// Ticks the fade by hand until the timer stops; visible[i] is whether the
// box was still shown after tick i + 1.
struct FadeRun {
  int Ticks = 0;
  std::vector<bool> Visible;
};

FadeRun RunFade(TAboutQuiltDlg& box) {
  FadeRun run;
  while (box.Timer->isActive() && run.Ticks < 100) {
    box.TimerTimer();
    ++run.Ticks;
    run.Visible.push_back(box.isVisible());
  }
  return run;
}

// Every label lies inside the fixed box and has the room its text needs.
void ExpectEveryTextShownWhole(TAboutDlg& box) {
  box.show();
  for (QLabel* label : box.findChildren<QLabel*>()) {
    const std::string name = label->objectName().toStdString();
    const QRect inBox(label->mapTo(&box, QPoint(0, 0)), label->size());
    EXPECT_TRUE(box.rect().contains(inBox)) << name;
    const int needed = label->hasHeightForWidth() ? label->heightForWidth(label->width())
                                                  : label->sizeHint().height();
    EXPECT_GE(label->height(), needed) << name;
    if (!label->wordWrap()) {
      EXPECT_GE(label->width(), label->sizeHint().width()) << name;
    }
  }
  box.close();
}

// The runs of rows in area that hold dark pixels (lines of text), first and last row each.
QList<std::pair<int, int>> InkBands(const QImage& shot, const QRect& area) {
  QList<std::pair<int, int>> bands;
  bool inBand = false;
  for (int y = area.top(); y <= area.bottom(); ++y) {
    bool ink = false;
    for (int x = area.left(); x <= area.right() && !ink; ++x) ink = qGray(shot.pixel(x, y)) < 128;
    if (ink && !inBand) bands.append({y, y});
    if (ink) bands.last().second = y;
    inBand = ink;
  }
  return bands;
}

QRect InBox(QWidget* widget, QWidget* box) {
  return QRect(widget->mapTo(box, QPoint(0, 0)), widget->size());
}

class AboutBoxTest : public ::testing::Test {
 protected:
  void SetUp() override {
    previous_ = SetUrlOpener([this](const QUrl& url) {
      opened_.append(url);
      return true;
    });
  }
  void TearDown() override {
    box_.close();
    SetUrlOpener(previous_);
  }

  void ShowFadedIn() {
    box_.show();
    RunFade(box_);
    ASSERT_EQ(box_.Alpha(), 255);
  }

  TAboutQuiltDlg box_;
  QList<QUrl> opened_;
  UrlOpener previous_;
};

TEST_F(AboutBoxTest, ShowingFadesInOverSeventeenTicksAndStaysOpaque) {
  EXPECT_EQ(box_.Alpha(), 0);
  EXPECT_EQ(box_.windowOpacity(), 0.0);
  EXPECT_FALSE(box_.Timer->isActive());
  box_.show();
  EXPECT_TRUE(box_.Timer->isActive());
  EXPECT_EQ(box_.Timer->interval(), 20);
  EXPECT_EQ(box_.Step(), 15);
  box_.TimerTimer();
  EXPECT_EQ(box_.Alpha(), 15);
  const FadeRun run = RunFade(box_);
  EXPECT_EQ(run.Ticks + 1, 17);
  EXPECT_EQ(box_.Alpha(), 255);
  EXPECT_DOUBLE_EQ(box_.windowOpacity(), 1.0);
  EXPECT_TRUE(box_.isVisible());
}

TEST_F(AboutBoxTest, CloseButtonFadesOutAndClosesOnlyAtZero) {
  ShowFadedIn();
  QTest::mouseClick(box_.Button1, Qt::LeftButton);
  EXPECT_TRUE(box_.isVisible());
  EXPECT_EQ(box_.Alpha(), 255);
  EXPECT_EQ(box_.Step(), -15);
  const FadeRun run = RunFade(box_);
  ASSERT_EQ(run.Ticks, 17);
  for (int i = 0; i < 16; ++i) EXPECT_TRUE(run.Visible[i]) << "tick " << i + 1;
  EXPECT_FALSE(run.Visible[16]);
  EXPECT_EQ(box_.Alpha(), 0);
  EXPECT_EQ(box_.windowOpacity(), 0.0);
}

TEST_F(AboutBoxTest, CloseWhileFadingInRestartsFromOpaqueDownward) {
  box_.show();
  for (int i = 0; i < 3; ++i) box_.TimerTimer();
  ASSERT_EQ(box_.Alpha(), 45);
  QTest::mouseClick(box_.Button1, Qt::LeftButton);
  EXPECT_EQ(box_.Alpha(), 255);
  box_.TimerTimer();
  EXPECT_EQ(box_.Alpha(), 240);
  const FadeRun run = RunFade(box_);
  EXPECT_EQ(run.Ticks + 1, 17);
  EXPECT_FALSE(box_.isVisible());
}

TEST_F(AboutBoxTest, TitleBarCloseClosesAtOnceWithoutFading) {
  for (const bool fadedIn : {false, true}) {
    box_.show();
    if (fadedIn) RunFade(box_);
    const int32_t alpha = box_.Alpha();
    EXPECT_TRUE(box_.close());
    EXPECT_FALSE(box_.isVisible()) << fadedIn;
    EXPECT_FALSE(box_.Timer->isActive()) << fadedIn;
    EXPECT_EQ(box_.Alpha(), alpha) << fadedIn;
  }
}

TEST_F(AboutBoxTest, ShownAgainStartsFromTransparent) {
  ShowFadedIn();
  box_.close();
  box_.show();
  EXPECT_EQ(box_.Alpha(), 0);
  EXPECT_EQ(box_.windowOpacity(), 0.0);
  EXPECT_EQ(box_.Step(), 15);
}

TEST_F(AboutBoxTest, ModalShowingEndsWhenTheFadeOutReachesZero) {
  bool pressed = false;
  QTimer::singleShot(0, &box_, [this, &pressed] {
    pressed = QApplication::activeModalWidget() == &box_;
    box_.Button1->click();
  });
  // A box that never fades out is closed after a while, and the test fails on its alpha.
  QTimer::singleShot(10000, &box_, [this] { box_.reject(); });
  // The box's own 20 ms timer runs the fade inside the modal loop.
  box_.exec();
  EXPECT_TRUE(pressed);
  EXPECT_FALSE(box_.isVisible());
  EXPECT_EQ(box_.Alpha(), 0);
}

struct LinkCase {
  const char* Label;
  QString Shown;
  QString Url;
};

class AboutLinkTest : public AboutBoxTest, public ::testing::WithParamInterface<LinkCase> {};

TEST_P(AboutLinkTest, ClickOpensItsAddress) {
  ShowFadedIn();
  auto* label = box_.findChild<QLabel*>(QString::fromLatin1(GetParam().Label));
  ASSERT_NE(label, nullptr);
  EXPECT_EQ(label->text(), GetParam().Shown);
  EXPECT_EQ(label->palette().color(QPalette::WindowText), QColor(0, 0, 128));
  QTest::mouseClick(label, Qt::LeftButton);
  EXPECT_EQ(opened_, QList<QUrl>{QUrl(GetParam().Url)});
  // Only the left button opens it.
  QTest::mouseClick(label, Qt::RightButton);
  EXPECT_EQ(opened_.size(), 1);
}

INSTANTIATE_TEST_SUITE_P(Links, AboutLinkTest,
                         ::testing::Values(LinkCase{"StaticText1", "https://quiltor.example.org/",
                                                    "https://quiltor.example.org/"},
                                           LinkCase{"Label6", "info@quiltor.example.org",
                                                    "mailto:info@quiltor.example.org"}));

// No browser or mail program: the opener fails, and the program as started tells the user.
class AboutLinkFailureTest : public WindowTest, public ::testing::WithParamInterface<LinkCase> {
 protected:
  void TearDown() override {
    SetUrlOpener(previous_);
    WindowTest::TearDown();
  }
  UrlOpener previous_ = SetUrlOpener([](const QUrl&) { return false; });
};

TEST_P(AboutLinkFailureTest, LinkThatCannotOpenIsReported) {
  ProgramStartup startup;
  startup.CreateWindows(paths_, nullptr);
  TAboutQuiltDlg* box = startup.MainWindow()->AboutQuiltDlg;
  box->show();
  auto* label = box->findChild<QLabel*>(QString::fromLatin1(GetParam().Label));
  ASSERT_NE(label, nullptr);
  QTest::mouseClick(label, Qt::LeftButton);
  ASSERT_EQ(Told.size(), 1);
  EXPECT_TRUE(Told[0].startsWith(QStringLiteral("О программе | Не удалось")))
      << Told[0].toStdString();
  EXPECT_TRUE(Told[0].contains(GetParam().Shown)) << Told[0].toStdString();
  box->close();
}

INSTANTIATE_TEST_SUITE_P(Links, AboutLinkFailureTest,
                         ::testing::Values(LinkCase{"StaticText1", "https://quiltor.example.org/",
                                                    ""},
                                           LinkCase{"Label6", "info@quiltor.example.org", ""}));

TEST_F(AboutBoxTest, OtherTextsOpenNothing) {
  ShowFadedIn();
  for (QLabel* label : {box_.Label4, box_.Label5, box_.Vers, box_.Build, box_.Label1}) {
    QTest::mouseClick(label, Qt::LeftButton);
  }
  EXPECT_TRUE(opened_.isEmpty());
}

TEST_F(AboutBoxTest, WindowTextsAndShape) {
  EXPECT_EQ(box_.windowTitle(), QStringLiteral("О программе"));
  EXPECT_EQ(box_.size(), QSize(649, 316));
  EXPECT_FALSE(box_.windowFlags() & Qt::WindowMinimizeButtonHint);
  EXPECT_FALSE(box_.windowFlags() & Qt::WindowMaximizeButtonHint);
  EXPECT_FALSE(box_.windowFlags() & Qt::WindowContextHelpButtonHint);
  EXPECT_EQ(box_.Button1->text(), QStringLiteral("Закрыть"));
  EXPECT_EQ(box_.Label4->text(), QStringLiteral("Контактная информация"));
  EXPECT_TRUE(box_.Label4->font().bold());
  EXPECT_TRUE(box_.Label4->font().underline());
  EXPECT_TRUE(box_.Vers->font().bold());
  EXPECT_TRUE(box_.Label5->text().contains(kMakerTelephone));
  for (QLabel* label : {box_.Label1, box_.Label2, box_.Label3}) {
    EXPECT_FALSE(label->text().isEmpty()) << label->objectName().toStdString();
  }
  ExpectEveryTextShownWhole(box_);
}

TEST(AboutPicture, IsDrawnAndShown) {
  const QImage picture = DrawAboutPicture();
  EXPECT_EQ(picture.size(), QSize(200, 300));
  EXPECT_NE(picture.pixel(5, 5), picture.pixel(100, 130));
  TAboutQuiltDlg box;
  ASSERT_FALSE(box.Image1->pixmap().isNull());
  EXPECT_EQ(box.Image1->pixmap().toImage().convertToFormat(QImage::Format_RGB32), picture);
}

TEST(AboutVersion, FileWithoutVersionRecordLeavesTheTextsEmpty) {
  const QString missing = QStringLiteral("/nonexistent/quiltor");
  TAboutQuiltDlg box(nullptr, missing);
  EXPECT_EQ(box.Vers->text(), QString());
  EXPECT_EQ(box.AboutText(), QString());
  EXPECT_EQ(box.Build->text(), QString());
}

TEST(AboutVersion, UnreadableProgramFileLeavesTheTextsEmptyAndRaisesNothing) {
  // A regular file that opens but fails to read: the process's own memory at address 0.
  const QString unreadable = QStringLiteral("/proc/self/mem");
  bool raised = false;
  try {
    TVersionInfo info;
    info.SetEnabled(true);
    info.SetFileName(unreadable);
  } catch (const std::exception&) {
    raised = true;
  }
  if (!raised) GTEST_SKIP() << "reading the file raised no error here";
  std::unique_ptr<TAboutQuiltDlg> box;
  EXPECT_NO_THROW(box = std::make_unique<TAboutQuiltDlg>(nullptr, unreadable));
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(box->Vers->text(), QString());
  EXPECT_EQ(box->AboutText(), QString());
  EXPECT_EQ(box->Build->text(), QString());
}

#ifdef QUILTOR_PROGRAM_FILE
TEST(AboutVersion, ReadsTheBuiltProgramsOwnRecord) {
  const QString program = QStringLiteral(QUILTOR_PROGRAM_FILE);
  ASSERT_TRUE(QFile::exists(program));
  TAboutQuiltDlg box(nullptr, program);
  EXPECT_EQ(box.Vers->text(), QStringLiteral("Pictaro Quiltor 4.1.0.1"));
  EXPECT_TRUE(box.AboutText().startsWith(QStringLiteral("Программа для склейки изображений")))
      << box.AboutText().toStdString();
  // Four lines of about text still leave room for the rest.
  EXPECT_GE(box.AboutText().count(QLatin1Char('\n')), 3);
  ExpectEveryTextShownWhole(box);
}
TEST(AboutVersion, VersionLinesStandClearOfEachOther) {
  TAboutQuiltDlg box(nullptr, QStringLiteral(QUILTOR_PROGRAM_FILE));
  box.show();
  const QImage shot = box.grab().toImage();
  const QList<std::pair<int, int>> lines =
      InkBands(shot, InBox(box.Vers, &box).united(InBox(box.Build, &box)));
  // The version line and the four lines of the record's text.
  ASSERT_EQ(lines.size(), 5);
  for (int i = 1; i < lines.size(); ++i) {
    EXPECT_GE(lines[i].first - lines[i - 1].second - 1, 3) << "blank rows above line " << i;
  }
  box.close();
}
#endif

class AboutButtonTest : public WindowTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(AboutButtonTest, MainWindowButtonShowsTheBoxModally) {
  std::unique_ptr<TFormMain> window = MakeWindow(nullptr, nullptr);
  window->AboutQuiltDlg = new TAboutQuiltDlg(window.get());
  window->show();
  auto* button = window->findChild<QToolButton*>(QString::fromLatin1(GetParam()));
  ASSERT_NE(button, nullptr);
  EXPECT_TRUE(button->isEnabled());
  QWidget* modal = nullptr;
  QTimer::singleShot(0, window.get(), [&modal, &window] {
    modal = QApplication::activeModalWidget();
    window->AboutQuiltDlg->close();
  });
  button->click();
  EXPECT_EQ(modal, window->AboutQuiltDlg);
  EXPECT_FALSE(window->AboutQuiltDlg->isVisible());
}

INSTANTIATE_TEST_SUITE_P(Buttons, AboutButtonTest,
                         ::testing::Values("ToolButtonAbout", "ToolButtonAboutImage"));

}  // namespace
