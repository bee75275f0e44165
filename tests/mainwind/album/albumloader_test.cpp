#include "mainwind/album/albumloader.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>

#include "engine/panoram.h"
#include "mainwind/album/albummessages.h"
#include "mainwind/pixmessages.h"
#include "support/testimages.h"

namespace {

class AlbumLoad : public ::testing::Test {
 protected:
  void SetUp() override { dir_ = MakeTempDir("album"); }
  void TearDown() override { QDir(QString::fromStdString(dir_)).removeRecursively(); }

  std::string Good(const std::string& name, uint8_t shade) {
    const std::string path = dir_ + "/" + name;
    EXPECT_TRUE(PixSaveImage(path, FlatBitmap(40, 30, shade, shade, shade)).Ok());
    return path;
  }

  std::string Broken(const std::string& name) {
    const std::string path = dir_ + "/" + name;
    QFile file(QString::fromStdString(path));
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("this is not a picture at all");
    return path;
  }

  std::string dir_;
  Panoram engine_;
};

TEST_F(AlbumLoad, AddsInListOrderWithProgress) {
  const std::vector<std::string> names{Good("a.bmp", 10), Good("b.png", 20), Good("c.bmp", 30)};
  int before = 0;
  std::vector<int> progress;
  const AlbumLoadReport report =
      LoadIntoAlbum(engine_, names, {[&] { ++before; }, [&](int p) { progress.push_back(p); }});
  EXPECT_EQ(report.Added, 3);
  EXPECT_TRUE(report.Failed.empty());
  EXPECT_FALSE(report.StoreFull);
  EXPECT_EQ(before, 3);
  EXPECT_EQ(progress, (std::vector<int>{33, 66, 100}));
  ASSERT_EQ(engine_.Count(), 3);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(engine_.Name(i), names[i]);
    EXPECT_EQ(engine_.Direction(i), kDirNone);
    EXPECT_EQ(engine_.ImageBitmap(i).Pixel(5, 5)[0], 10 * (i + 1));
  }
  EXPECT_TRUE(AlbumLoadMessage(report).isEmpty());
  EXPECT_EQ(FolderOf(report.LastName), dir_ + "/");
}

TEST_F(AlbumLoad, BrokenAndMissingFilesAreNotAddedButNamed) {
  const std::vector<std::string> names{Good("a.bmp", 10), Broken("broken.bmp"),
                                       dir_ + "/missing.png", Good("d.bmp", 40)};
  const AlbumLoadReport report = LoadIntoAlbum(engine_, names);
  EXPECT_EQ(report.Added, 2);
  ASSERT_EQ(engine_.Count(), 2);
  EXPECT_EQ(engine_.Name(0), names[0]);
  EXPECT_EQ(engine_.Name(1), names[3]);
  ASSERT_EQ(report.Failed.size(), 2u);
  EXPECT_EQ(report.Failed[0].Name, names[1]);
  EXPECT_EQ(report.Failed[1].Name, names[2]);
  EXPECT_EQ(report.Failed[1].Status.Error, PixError::NotFound);

  const QString message = AlbumLoadMessage(report);
  EXPECT_TRUE(message.contains(QString::fromStdString(names[1])));
  EXPECT_TRUE(message.contains(QString::fromStdString(names[2])));
  EXPECT_TRUE(message.contains(QString::fromUtf8("файл не найден")));
  EXPECT_TRUE(message.contains(DescribePixError(report.Failed[0].Status.Error)));
  EXPECT_FALSE(message.contains(QString::fromStdString(names[0])));
}

TEST_F(AlbumLoad, DamagedJpegIsAddedAndTheUserIsTold) {
  const std::string jpg = dir_ + "/damaged.jpg";
  ASSERT_TRUE(PixSaveImage(jpg, TexturedBitmap(64, 48, 2)));
  QFile file(QString::fromStdString(jpg));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  QByteArray bytes = file.readAll();
  file.close();
  bytes.insert((bytes.indexOf("\xFF\xDA") + bytes.size()) / 2,
               "\xFF\xD0");  // a marker amid the data
  ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  file.write(bytes);
  file.close();
  const std::vector<std::string> names{Good("a.bmp", 10), jpg};
  const AlbumLoadReport report = LoadIntoAlbum(engine_, names);
  EXPECT_EQ(engine_.Count(), 2);
  EXPECT_TRUE(report.Failed.empty());
  ASSERT_EQ(report.Damaged.size(), 1u);
  EXPECT_EQ(report.Damaged[0].Name, jpg);
  const QString message = AlbumLoadMessage(report);
  EXPECT_TRUE(message.contains(QString::fromUtf8("повреждены"))) << message.toStdString();
  EXPECT_TRUE(message.contains(QString::fromStdString(jpg)));
  EXPECT_FALSE(message.contains(QString::fromStdString(names[0])));
}

TEST_F(AlbumLoad, StopsWhenTheStoreIsFull) {
  const Bitmap small = FlatBitmap(8, 6, 1, 2, 3);
  for (int i = 0; i < Panoram::kCapacity - 1; ++i)
    ASSERT_EQ(engine_.AddImage(small, kDirNone, "x"), AddImageResult::Added);
  const std::vector<std::string> names{Good("a.bmp", 10), Good("b.bmp", 20), Good("c.bmp", 30)};
  const AlbumLoadReport report = LoadIntoAlbum(engine_, names);
  EXPECT_EQ(engine_.Count(), Panoram::kCapacity);
  EXPECT_EQ(engine_.Name(Panoram::kCapacity - 1), names[0]);
  EXPECT_EQ(report.Added, 1);
  EXPECT_TRUE(report.StoreFull);
  EXPECT_EQ(report.NotLoaded, 2);
  const QString message = AlbumLoadMessage(report);
  EXPECT_TRUE(message.contains("200"));
  EXPECT_TRUE(message.contains(QString::fromUtf8("Добавлено изображений: 1")));
}

TEST(AlbumFileList, FolderKeepsItsSeparator) {
  EXPECT_EQ(FolderOf("/home/u/img/a.bmp"), "/home/u/img/");
  EXPECT_EQ(FolderOf("C:\\img\\a.bmp"), "C:\\img\\");
  EXPECT_EQ(FolderOf("a.bmp"), "");
}

TEST(SaveMessage, NamesTheFileAndTheReason) {
  const QString text =
      SaveFailedMessage("/ro/Panorama.bmp", PixStatus::Fail(PixError::WriteFailed, "denied"));
  EXPECT_TRUE(text.contains("/ro/Panorama.bmp"));
  EXPECT_TRUE(text.contains(DescribePixError(PixError::WriteFailed)));
}

}  // namespace
