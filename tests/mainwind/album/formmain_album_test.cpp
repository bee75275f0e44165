#include <gtest/gtest.h>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFrame>
#include <QHelpEvent>
#include <QMimeData>
#include <QProgressBar>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QToolTip>
#include <QUrl>
#include <memory>

#include "capture/scanner/scancommand.h"
#include "dialogs/settings/preferences.h"
#include "imagefiles/imagefiles.h"
#include "imagefiles/pixdialogs.h"
#include "mainwind/formmain.h"
#include "support/shownwindow.h"
#include "support/testimages.h"
#include "widgets/drawgrid.h"
#include "widgets/keyhint.h"
#include "widgets/userdialogs.h"

namespace {

class AlbumWindow : public ShownWindow {
 protected:
  void SetUp() override {
    OpenWindow("albumwin");
    QDir(root_).mkpath("pics");
  }

  void TearDown() override {
    SetPixOpenAnswer({});
    CloseWindow();
  }

  std::string Picture(const QString& name, uint8_t shade) {
    const std::string path = (root_ + "/pics/" + name).toStdString();
    EXPECT_TRUE(PixSaveImage(path, FlatBitmap(64, 48, shade, shade, shade)).Ok());
    return path;
  }

  std::vector<std::string> Pictures(int n) {
    std::vector<std::string> names;
    for (int i = 0; i < n; ++i) names.push_back(Picture(QString("p%1.bmp").arg(i), 20 * i));
    return names;
  }

  void Open(const std::vector<std::string>& names) {
    SetPixOpenAnswer([names, this](const std::string& title, const std::string& folder) {
      askedTitle_ = title;
      askedFolder_ = folder;
      return names;
    });
    form_->Album->ToolButtonImageOpen->click();
  }

  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (int i = 0; i < form_->Engine.Count(); ++i) names.push_back(form_->Engine.Name(i));
    return names;
  }

  std::string askedTitle_, askedFolder_;
};

TEST_F(AlbumWindow, ThreeFilesIntoAnEmptyAlbum) {
  const QString startFolder = form_->ImageFolder;
  const auto names = Pictures(3);
  Open(names);
  EXPECT_EQ(askedTitle_, "Открытие изображения");
  EXPECT_EQ(askedFolder_, startFolder.toStdString());
  EXPECT_EQ(Names(), names);
  EXPECT_EQ(form_->Album->DrawGridAlbum->RowCount(), 3);
  EXPECT_EQ(form_->Album->DrawGridAlbum->Row(), 2);
  EXPECT_TRUE(form_->Album->DrawGridAlbum->isVisible());
  EXPECT_TRUE(form_->Album->PanelImages->isVisible());
  EXPECT_FALSE(form_->Album->Panel4->isVisible());
  EXPECT_EQ(form_->ImageFolder, root_ + "/pics/");
  EXPECT_EQ(form_->WorkflowState(), kStateAlbumReady);
  EXPECT_TRUE(form_->Album->ToolButtonImageClose->isEnabled());
  EXPECT_TRUE(form_->Album->ToolButtonImageCloseAll->isEnabled());
  EXPECT_TRUE(form_->Table->ToolButtonAutoPoz->isEnabled());
  EXPECT_TRUE(messages_.isEmpty());
  // Cells are as wide as the album and three quarters as high.
  EXPECT_EQ(form_->Album->AlbumCellWidth, form_->Album->DrawGridAlbum->viewport()->width());
  EXPECT_EQ(form_->Album->AlbumCellHeight, form_->Album->AlbumCellWidth * 3 / 4);
  EXPECT_EQ(form_->Table->DrawGridTab->DefaultRowHeight(), form_->Album->AlbumCellHeight);
}

TEST_F(AlbumWindow, CellsFitTheAlbumOnceItsScrollBarAppears) {
  // Enough rows to need the vertical scroll bar; no resize follows the open.
  Open(Pictures(12));
  DrawGrid* album = form_->Album->DrawGridAlbum;
  ASSERT_TRUE(album->verticalScrollBar()->isVisible());
  EXPECT_EQ(album->DefaultColWidth(), album->viewport()->width());
  EXPECT_EQ(form_->Album->AlbumCellWidth, album->viewport()->width());
  // Nothing to scroll sideways, whichever row becomes current.
  EXPECT_EQ(album->horizontalScrollBar()->maximum(), 0);
  album->SetRow(0);
  album->SetRow(11);
  EXPECT_EQ(album->horizontalScrollBar()->value(), 0);
  // The right outline of the cell is inside the album.
  const QImage shown = album->viewport()->grab().toImage();
  const QRect cell = album->CellRect(0, album->Row());
  EXPECT_EQ(shown.pixelColor(cell.right(), cell.center().y()), QColor(Qt::black));
}

TEST_F(AlbumWindow, LoadingPanelSitsAtTheBottomOnTheFirstLoad) {
  // As the first load shows it: the album panel with its progress, the album still hidden.
  form_->Album->PanelImages->show();
  form_->Album->Panel4->show();
  QApplication::processEvents();
  QApplication::processEvents();
  ASSERT_FALSE(form_->Album->DrawGridAlbum->isVisible());
  const QRect seen = form_->Album->Panel2->geometry();
  const QRect panel = form_->Album->PanelImages->contentsRect();
  ASSERT_GT(panel.height(), 3 * seen.height());
  EXPECT_GE(seen.bottom(), panel.bottom() - 12);
}

TEST_F(AlbumWindow, CancelledDialogChangesNothing) {
  Open({});
  EXPECT_EQ(form_->Engine.Count(), 0);
  EXPECT_FALSE(form_->Album->PanelImages->isVisible());
  EXPECT_EQ(form_->WorkflowState(), kStateNoImages);
}

TEST_F(AlbumWindow, SelectedCellIsPaintedRed) {
  Open(Pictures(2));
  const QImage shown = form_->Album->DrawGridAlbum->viewport()->grab().toImage();
  const QPoint selected = form_->Album->DrawGridAlbum->CellRect(0, 1).topLeft() + QPoint(2, 2);
  const QPoint other = form_->Album->DrawGridAlbum->CellRect(0, 0).topLeft() + QPoint(2, 2);
  EXPECT_EQ(shown.pixelColor(selected), QColor(255, 0, 0));
  EXPECT_NE(shown.pixelColor(other), QColor(255, 0, 0));
}

TEST_F(AlbumWindow, ClosingTheLastOfFiveSelectsRowThree) {
  const auto names = Pictures(5);
  Open(names);
  ASSERT_EQ(form_->Album->DrawGridAlbum->Row(), 4);
  form_->Album->ToolButtonImageClose->click();
  EXPECT_EQ(Names(), std::vector<std::string>(names.begin(), names.begin() + 4));
  EXPECT_EQ(form_->Album->DrawGridAlbum->Row(), 3);
  EXPECT_EQ(form_->Album->DrawGridAlbum->RowCount(), 4);
  EXPECT_EQ(form_->WorkflowState(), kStateAlbumReady);
}

TEST_F(AlbumWindow, ClosingAMiddleRowKeepsItsNumber) {
  const auto names = Pictures(4);
  Open(names);
  form_->Album->DrawGridAlbum->SetRow(1);
  form_->Album->ToolButtonImageClose->click();
  EXPECT_EQ(Names(), (std::vector<std::string>{names[0], names[2], names[3]}));
  EXPECT_EQ(form_->Album->DrawGridAlbum->Row(), 1);
}

TEST_F(AlbumWindow, ClosingTheOnlyImageReturnsToTheStart) {
  Open(Pictures(1));
  form_->Album->ToolButtonImageClose->click();
  EXPECT_EQ(form_->Engine.Count(), 0);
  EXPECT_FALSE(form_->Album->DrawGridAlbum->isVisible());
  EXPECT_FALSE(form_->Album->PanelImages->isVisible());
  EXPECT_EQ(form_->WorkflowState(), kStateNoImages);
  EXPECT_FALSE(form_->Album->ToolButtonImageClose->isEnabled());
}

TEST_F(AlbumWindow, CloseAllEmptiesTheAlbum) {
  Open(Pictures(3));
  form_->Album->ToolButtonImageCloseAll->click();
  EXPECT_EQ(form_->Engine.Count(), 0);
  EXPECT_EQ(form_->WorkflowState(), kStateNoImages);
}

TEST_F(AlbumWindow, DroppingRowOneOnRowThree) {
  const auto names = Pictures(5);
  Open(names);
  form_->Album->DrawGridAlbum->SetRow(1);
  const QPoint target = form_->Album->DrawGridAlbum->CellRect(0, 3).center();
  form_->Album->DrawGridAlbumDragDrop(target, form_->Album->DrawGridAlbum);
  EXPECT_EQ(Names(), (std::vector<std::string>{names[0], names[2], names[3], names[1], names[4]}));
  EXPECT_EQ(form_->Album->DrawGridAlbum->Row(), 1);
}

TEST_F(AlbumWindow, DroppingOnItsOwnRowOrFromElsewhereChangesNothing) {
  const auto names = Pictures(3);
  Open(names);
  form_->Album->DrawGridAlbum->SetRow(1);
  form_->Album->DrawGridAlbumDragDrop(form_->Album->DrawGridAlbum->CellRect(0, 1).center(),
                                      form_->Album->DrawGridAlbum);
  form_->Album->DrawGridAlbumDragDrop(form_->Album->DrawGridAlbum->CellRect(0, 2).center(),
                                      form_->Table->DrawGridTab);
  EXPECT_EQ(Names(), names);
}

TEST_F(AlbumWindow, BrokenFileAmongGoodOnesIsNamedAndLeftOut) {
  const std::string good1 = Picture("a.bmp", 10);
  const std::string broken = (root_ + "/pics/broken.bmp").toStdString();
  {
    QFile file(QString::fromStdString(broken));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("BM not really");
  }
  const std::string empty = (root_ + "/pics/empty.png").toStdString();
  {
    QFile file(QString::fromStdString(empty));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  }
  const std::string good2 = Picture("c.bmp", 30);
  Open({good1, broken, empty, good2});
  EXPECT_EQ(Names(), (std::vector<std::string>{good1, good2}));
  ASSERT_EQ(messages_.size(), 1);
  EXPECT_TRUE(messages_[0].contains(QString::fromStdString(broken)));
  EXPECT_TRUE(
      messages_[0].contains(QString::fromStdString(empty) + QString::fromUtf8(" — файл пуст")));
  EXPECT_FALSE(messages_[0].contains(QString::fromStdString(good1)));
  EXPECT_EQ(form_->WorkflowState(), kStateAlbumReady);
  EXPECT_EQ(form_->Album->DrawGridAlbum->Row(), 1);
}

TEST_F(AlbumWindow, OnlyBrokenFilesLeaveTheStartState) {
  Open({(root_ + "/pics/missing.bmp").toStdString()});
  EXPECT_EQ(form_->Engine.Count(), 0);
  EXPECT_FALSE(form_->Album->PanelImages->isVisible());
  EXPECT_EQ(form_->WorkflowState(), kStateNoImages);
  EXPECT_EQ(messages_.size(), 1);
}

}  // namespace

namespace {

// A drop from a file manager: the files' addresses, no source in the program.
void DropFiles(QWidget* target, const std::vector<std::string>& files) {
  QMimeData data;
  QList<QUrl> urls;
  for (const std::string& file : files) urls << QUrl::fromLocalFile(QString::fromStdString(file));
  data.setUrls(urls);
  const QPoint at = target->rect().center();
  QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &enter);
  ASSERT_TRUE(enter.isAccepted());
  QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &drop);
  EXPECT_TRUE(drop.isAccepted());
  QApplication::processEvents();  // the files open once the drop has ended
}

TEST_F(AlbumWindow, DroppedFilesOpenInTheOrderOfTheirNames) {
  const std::string f10 = Picture("field10.bmp", 10);
  const std::string f2 = Picture("field2.bmp", 20);
  const std::string f1 = Picture("Field1.bmp", 30);
  DropFiles(form_->Album->DrawGridAlbum->viewport(), {f10, f2, f1});
  EXPECT_EQ(Names(), (std::vector<std::string>{f1, f2, f10}));
  EXPECT_EQ(form_->WorkflowState(), kStateAlbumReady);
  EXPECT_EQ(form_->ImageFolder, root_ + "/pics/");
  // Anywhere on the images page, with the open command's checks and messages.
  const std::string broken = (root_ + "/pics/broken.png").toStdString();
  QFile file(QString::fromStdString(broken));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("not a picture");
  file.close();
  DropFiles(form_->Table->DrawGridTab->viewport(), {broken, Picture("field3.bmp", 40)});
  EXPECT_EQ(form_->Engine.Count(), 4);
  EXPECT_EQ(form_->Engine.Name(3), root_.toStdString() + "/pics/field3.bmp");
  ASSERT_EQ(messages_.size(), 1);
  EXPECT_TRUE(messages_[0].contains(QStringLiteral("broken.png")));
}

TEST_F(AlbumWindow, ADropWhileACommandRunsIsRefused) {
  form_->CommandRunning = true;
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(QString::fromStdString(Picture("a.bmp", 1)))});
  QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(form_->Album->DrawGridAlbum->viewport(), &enter);
  EXPECT_FALSE(enter.isAccepted());
  form_->CommandRunning = false;
  EXPECT_EQ(form_->Engine.Count(), 0);
}

TEST_F(AlbumWindow, TheNextRunStartsInTheImageFolderAndOffersTheOneOpenedBeside) {
  Open(Pictures(1));
  EXPECT_EQ(RememberedOpenFolder(), root_ + "/pics/");
  ProgramPaths paths;
  paths.ProgramFolder = root_ + "/";
  paths.ImageFolder = root_ + "/Image/";
  paths.ConfigPath = root_ + "/data.cfg";
  QDir(root_).mkpath("Image");
  TFormMain next(paths, nullptr, nullptr);
  EXPECT_EQ(next.ImageFolder, root_ + "/Image/");
  // Projects and scans stay in the image folder.
  EXPECT_EQ(next.Scanning->ScanFile, (root_ + "/Image/Scan.jpg").toStdString());
  // The real dialog: it starts in the image folder, last run's folder a click away.
  SetPixOpenAnswer({});
  QString start;
  QList<QUrl> side;
  QStringList history;
  QTimer::singleShot(0, [&] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    start = dialog->directory().absolutePath();
    side = dialog->sidebarUrls();
    history = dialog->history();
    dialog->reject();
  });
  next.Album->ToolButtonImageOpen->click();
  EXPECT_EQ(start, root_ + "/Image");
  EXPECT_TRUE(side.contains(QUrl::fromLocalFile(root_ + "/pics"))) << side.size();
  EXPECT_TRUE(history.contains(root_ + "/pics")) << history.join(' ').toStdString();
  // A folder gone since is no place to start.
  QDir(root_ + "/pics").removeRecursively();
  EXPECT_EQ(RememberedOpenFolder(), QString());
}

TEST_F(AlbumWindow, DeleteAndCtrlWCloseTheSelectedImageOnTheImagesPage) {
  const auto names = Pictures(3);
  Open(names);
  form_->Album->DrawGridAlbum->SetRow(1);
  QTest::keyClick(form_.get(), Qt::Key_Delete);
  EXPECT_EQ(Names(), (std::vector<std::string>{names[0], names[2]}));
  QTest::keyClick(form_.get(), Qt::Key_W, Qt::ControlModifier);
  EXPECT_EQ(form_->Engine.Count(), 1);
  // The hint stays the button's own text; the shown tooltip adds the key.
  EXPECT_EQ(form_->Album->ToolButtonImageOpen->toolTip(), QStringLiteral("Открытие изображения"));
  EXPECT_EQ(ToolTipWithKey(QStringLiteral("Открытие изображения"), QKeySequence::Open),
            QStringLiteral("Открытие изображения (Ctrl+O)"));
  QHelpEvent help(QEvent::ToolTip, QPoint(2, 2),
                  form_->Album->ToolButtonImageOpen->mapToGlobal(QPoint(2, 2)));
  QApplication::sendEvent(form_->Album->ToolButtonImageOpen, &help);
  EXPECT_EQ(QToolTip::text(), QStringLiteral("Открытие изображения (Ctrl+O)"));
  // Ctrl+O is the open button.
  const std::string more = Picture("more.bmp", 90);
  SetPixOpenAnswer([more](const std::string&, const std::string&) { return std::vector{more}; });
  QTest::keyClick(form_.get(), Qt::Key_O, Qt::ControlModifier);
  EXPECT_EQ(form_->Engine.Count(), 2);
}

}  // namespace
