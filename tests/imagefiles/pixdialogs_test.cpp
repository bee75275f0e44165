#include "imagefiles/pixdialogs.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTimer>

#include <pwd.h>
#include <unistd.h>

#include <functional>

#include "support/testimages.h"

namespace {

// Acts on the file dialog once it runs its modal loop.
void WhenDialogOpens(std::function<void(QFileDialog*)> act) {
  QTimer::singleShot(0, [act] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    act(dialog);
  });
}

class PixDialogsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = QString::fromStdString(MakeTempDir("pixdialogs"));
    for (const char* name : {"a.bmp", "b b.png", "c.jpg"}) {
      QFile file(dir_ + QLatin1Char('/') + QString::fromLatin1(name));
      ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
  }
  void TearDown() override { QDir(dir_).removeRecursively(); }
  QString dir_;
};

TEST_F(PixDialogsTest, OpenReturnsEveryChosenFileInOrder) {
  QString title;
  QString folder;
  WhenDialogOpens([&](QFileDialog* dialog) {
    title = dialog->windowTitle();
    folder = dialog->directory().absolutePath();
    EXPECT_EQ(dialog->fileMode(), QFileDialog::ExistingFiles);
    dialog->selectFile(QStringLiteral("\"c.jpg\" \"b b.png\""));
    static_cast<QDialog*>(dialog)->accept();
  });
  const auto names = PixOpenDialog("Открытие изображения", dir_.toStdString());
  EXPECT_EQ(title, QStringLiteral("Открытие изображения"));
  EXPECT_EQ(folder, dir_);
  ASSERT_EQ(names.size(), 2u);
  EXPECT_EQ(names[0], (dir_ + QStringLiteral("/c.jpg")).toStdString());
  EXPECT_EQ(names[1], (dir_ + QStringLiteral("/b b.png")).toStdString());
}

TEST_F(PixDialogsTest, CancelledDialogsAnswerNothing) {
  WhenDialogOpens([](QFileDialog* dialog) { dialog->reject(); });
  EXPECT_TRUE(PixOpenDialog("Открытие изображения", dir_.toStdString()).empty());
  WhenDialogOpens([](QFileDialog* dialog) { dialog->reject(); });
  EXPECT_EQ(PixSaveDialog("Сохранение изображения", (dir_ + "/Panorama.bmp").toStdString()), "");
}

TEST_F(PixDialogsTest, SaveOffersTheNameAndAddsItsExtensionToABareName) {
  QString offered;
  WhenDialogOpens([&](QFileDialog* dialog) {
    offered = dialog->selectedFiles().value(0);
    EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptSave);
    dialog->selectFile(QStringLiteral("mosaic"));
    static_cast<QDialog*>(dialog)->accept();
  });
  const std::string chosen =
      PixSaveDialog("Сохранение изображения", (dir_ + "/Panorama.bmp").toStdString());
  EXPECT_EQ(offered, dir_ + QStringLiteral("/Panorama.bmp"));
  EXPECT_EQ(chosen, (dir_ + QStringLiteral("/mosaic.bmp")).toStdString());
}

TEST_F(PixDialogsTest, TestsCanAnswerInPlaceOfTheUser) {
  SetPixOpenAnswer([](const std::string& title, const std::string& folder) {
    return std::vector<std::string>{title, folder};
  });
  EXPECT_EQ(PixOpenDialog("t", "/f"), (std::vector<std::string>{"t", "/f"}));
  SetPixOpenAnswer({});
  SetPixSaveAnswer([](const std::string&, const std::string& name) { return name + "!"; });
  EXPECT_EQ(PixSaveDialog("t", "x"), "x!");
  SetPixSaveAnswer({});
}

// The home folder of the account running the tests, from the account database
// rather than from HOME, which the tests point elsewhere.
QString AccountHome() {
  const passwd* account = getpwuid(getuid());
  return account ? QString::fromLocal8Bit(account->pw_dir) : QString();
}

struct FileMark {
  bool Exists;
  qint64 Size;
  QDateTime Modified;
  bool operator==(const FileMark&) const = default;
};

FileMark Mark(const QString& path) {
  const QFileInfo info(path);
  return {info.exists(), info.exists() ? info.size() : 0, info.lastModified()};
}

TEST_F(PixDialogsTest, DialogHistoryGoesToTheTestsOwnConfigurationNotTheAccounts) {
  const QString home = AccountHome();
  ASSERT_FALSE(home.isEmpty());
  const QString accountConfig = home + QStringLiteral("/.config/QtProject.conf");
  const FileMark before = Mark(accountConfig);
  const QString ownConfigFolder =
      QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
  EXPECT_FALSE(ownConfigFolder.startsWith(home + QLatin1Char('/')))
      << ownConfigFolder.toStdString();
  EXPECT_NE(QDir::homePath(), home);

  WhenDialogOpens([&](QFileDialog* dialog) {
    dialog->selectFile(QStringLiteral("history"));
    static_cast<QDialog*>(dialog)->accept();
  });
  ASSERT_FALSE(
      PixSaveDialog("Сохранение изображения", (dir_ + "/Panorama.bmp").toStdString()).empty());
  // The dialog did keep its history, in the tests' own folder.
  QFile own(ownConfigFolder + QStringLiteral("/QtProject.conf"));
  ASSERT_TRUE(own.open(QIODevice::ReadOnly)) << own.fileName().toStdString();
  EXPECT_TRUE(QString::fromUtf8(own.readAll()).contains(QFileInfo(dir_).fileName()));
  EXPECT_TRUE(Mark(accountConfig) == before);
}

}  // namespace
