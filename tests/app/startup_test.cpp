#include "app/startup.h"

#include <QApplication>
#include <QProgressBar>
#include <QTimer>
#include <stdexcept>

#include "app/startwin2007.h"
#include "dialogs/about/fadestep.h"
#include "engine/panoram.h"
#include "imagefiles/imagefiles.h"
#include "mainwind/formmain.h"
#include "support/testimages.h"
#include "support/windowfixture.h"
#include "widgets/pagehost.h"

namespace {

TStartFormQuilt* FindSplash() {
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    if (auto* splash = qobject_cast<TStartFormQuilt*>(widget)) return splash;
  }
  return nullptr;
}

class StartupTest : public WindowTest {
 protected:
  StartupOptions Options() {
    StartupOptions options;
    options.Paths = [this] { return paths_; };
    return options;
  }
};

struct Seen {
  QString Window;
  double Opacity;
  bool Fading;
};

TEST_F(StartupTest, WindowsInOrderBehindAnOpaqueSplashThenTheFade) {
  std::vector<Seen> seen;
  StartupOptions options = Options();
  options.Created = [&seen](const QString& name) {
    TStartFormQuilt* splash = FindSplash();
    ASSERT_NE(splash, nullptr);
    seen.push_back({name, splash->windowOpacity(), splash->Timer->isActive()});
  };
  bool ran = false;
  options.InsteadOfLoop = [&ran](ProgramStartup& startup) {
    ran = true;
    TStartFormQuilt* splash = startup.Splash();
    EXPECT_EQ(QCoreApplication::applicationName(), QStringLiteral("Pictaro Quiltor"));
    EXPECT_TRUE(startup.MainWindow()->isVisible());
    EXPECT_NE(startup.MainWindow()->FormSetup, nullptr);
    EXPECT_NE(startup.MainWindow()->AboutQuiltDlg, nullptr);
    EXPECT_EQ(splash->Progress->value(), 100);
    EXPECT_TRUE(splash->Timer->isActive());
    EXPECT_EQ(splash->Timer->interval(), 20);
    EXPECT_EQ(splash->Step(), -10);
    // The fade: 26 ticks from opaque to gone.
    int ticks = 0;
    while (splash->Timer->isActive() && ticks < 100) {
      splash->TimerTimer();
      ++ticks;
    }
    EXPECT_EQ(ticks, 26);
    EXPECT_EQ(splash->Alpha(), 0);
    EXPECT_FALSE(splash->isVisible());
    return 0;
  };
  EXPECT_EQ(RunQuiltor(*qApp, options), 0);
  EXPECT_TRUE(ran);
  ASSERT_EQ(seen.size(), 6u);
  const QStringList order = {"TFormMain", "TAboutQuiltDlg", "TPrePrintQuiltDialog",
                             "TFormProj", "TFormSetup",     "TfrmVideoQuality"};
  for (size_t i = 0; i < seen.size(); ++i) {
    EXPECT_EQ(seen[i].Window, order[static_cast<int>(i)]);
    EXPECT_EQ(seen[i].Opacity, 1.0) << seen[i].Window.toStdString();
    EXPECT_FALSE(seen[i].Fading) << seen[i].Window.toStdString();
  }
}

TEST_F(StartupTest, SplashBarMovesThroughTheMainWindowsStepsToFull) {
  ProgramStartup startup;
  startup.ShowSplash();
  std::vector<int> values;
  QObject::connect(startup.Splash()->Progress, &QProgressBar::valueChanged,
                   [&values](int value) { values.push_back(value); });
  startup.CreateWindows(paths_, nullptr);
  startup.FinishSplash();
  EXPECT_EQ(values, (std::vector<int>{10, 30, 50, 70, 80, 90, 100}));
  EXPECT_EQ(startup.Splash()->size(), QSize(400, 316));
}

TEST_F(StartupTest, ErrorDuringStartIsShownInAnErrorBoxAndEndsTheProgram) {
  QStringList told;
  SetMessageHandler([&told](const QString& caption, const QString& text, MessageKind kind) {
    told.append(caption + QStringLiteral(" | ") + text);
    EXPECT_EQ(kind, MessageKind::Error);
  });
  StartupOptions options = Options();
  options.Created = [](const QString& name) {
    if (name == QStringLiteral("TFormSetup")) throw std::runtime_error("window cannot be created");
  };
  bool looped = false;
  options.InsteadOfLoop = [&looped](ProgramStartup&) {
    looped = true;
    return 0;
  };
  EXPECT_EQ(RunQuiltor(*qApp, options), 1);
  SetMessageHandler({});
  EXPECT_FALSE(looped);
  EXPECT_EQ(told, QStringList{"Pictaro Quiltor | window cannot be created"});
  EXPECT_EQ(FindSplash(), nullptr);
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    EXPECT_FALSE(widget->isVisible()) << widget->objectName().toStdString();
  }
}

TEST_F(StartupTest, ImagesFromTheCommandLineOpenInTheAlbumInOrder) {
  const std::string dir = dir_.toStdString();
  ASSERT_TRUE(PixSaveImage(dir + "/b.png", TexturedBitmap(64, 48, 2)).Ok());
  ASSERT_TRUE(PixSaveImage(dir + "/a.bmp", TexturedBitmap(40, 30, 1)).Ok());
  StartupOptions options = Options();
  options.Images = {dir + "/b.png", dir + "/missing.png", dir + "/a.bmp"};
  bool ran = false;
  options.InsteadOfLoop = [&](ProgramStartup& startup) {
    ran = true;
    const TFormMain& w = *startup.MainWindow();
    EXPECT_EQ(w.Engine.Count(), 2);
    if (w.Engine.Count() == 2) {
      EXPECT_EQ(w.Engine.Name(0), dir + "/b.png");
      EXPECT_EQ(w.Engine.Name(1), dir + "/a.bmp");
      EXPECT_EQ(w.Engine.Image(0).Bitmap.Width(), 64);
    }
    EXPECT_EQ(w.WorkflowState(), kStateAlbumReady);
    return 0;
  };
  EXPECT_EQ(RunQuiltor(*qApp, options), 0);
  EXPECT_TRUE(ran);
  // The file that failed is named to the user, not dropped in silence.
  ASSERT_EQ(Told.size(), 1);
  EXPECT_TRUE(Told[0].contains(QStringLiteral("missing.png"))) << Told[0].toStdString();
}

struct FadeCase {
  FadeState Start;
  FadeState After;
  FadeOutcome Outcome;
};

class FadeTickTest : public ::testing::TestWithParam<FadeCase> {};

TEST_P(FadeTickTest, OneTick) {
  FadeState state = GetParam().Start;
  EXPECT_EQ(FadeTick(state), GetParam().Outcome);
  EXPECT_EQ(state.Alpha, GetParam().After.Alpha);
  EXPECT_EQ(state.Step, GetParam().After.Step);
}

INSTANTIATE_TEST_SUITE_P(Ticks, FadeTickTest,
                         ::testing::Values(FadeCase{{255, -10}, {245, -10}, FadeOutcome::Running},
                                           FadeCase{{5, -10}, {0, -10}, FadeOutcome::Transparent},
                                           FadeCase{{10, -10}, {0, -10}, FadeOutcome::Transparent},
                                           FadeCase{{11, -10}, {1, -10}, FadeOutcome::Running},
                                           FadeCase{{250, 10}, {255, 10}, FadeOutcome::Opaque},
                                           FadeCase{{244, 10}, {254, 10}, FadeOutcome::Running}));

TEST(FadeOpacity, UsesTheLowEightBits) {
  EXPECT_DOUBLE_EQ(FadeOpacity(255), 1.0);
  EXPECT_DOUBLE_EQ(FadeOpacity(0), 0.0);
  EXPECT_DOUBLE_EQ(FadeOpacity(256 + 51), 0.2);
}

TEST(SplashPicture, IsDrawnAndNotBlank) {
  const QImage picture = DrawSplashPicture();
  EXPECT_EQ(picture.size(), QSize(400, 300));
  EXPECT_NE(picture.pixel(10, 10), picture.pixel(80, 90));
}

}  // namespace
