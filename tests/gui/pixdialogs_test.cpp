#include "imagefiles/pixdialogs.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QTimer>
#include <gtest/gtest.h>

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

}  // namespace
