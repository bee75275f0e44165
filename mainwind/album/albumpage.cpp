#include "albumpage.h"

#include <QApplication>
#include <QDrag>
#include <QEvent>
#include <QFile>
#include <QFrame>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QProgressBar>
#include <QSplitter>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <functional>

#include "dialogs/settings/preferences.h"
#include "engine/panoram.h"
#include "imagefiles/pixdialogs.h"
#include "mainwind/album/albumloader.h"
#include "mainwind/album/albummessages.h"
#include "mainwind/thumbcell.h"
#include "widgets/drawgrid.h"
#include "widgets/pagebuild.h"
#include "widgets/userdialogs.h"
#include "widgets/viewgeometry.h"
#include "widgets/workflowcommand.h"

namespace {

// What an album drag carries: the dragged row, for drop targets that look.
constexpr char kAlbumRowMime[] = "application/x-quiltor-album-row";

// Calls back whenever the watched widget is resized.
class ResizeWatcher : public QObject {
 public:
  ResizeWatcher(QObject* watched, std::function<void()> onResize)
      : QObject(watched), onResize_(std::move(onResize)) {
    watched->installEventFilter(this);
  }
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Resize) onResize_();
    return QObject::eventFilter(watched, event);
  }

 private:
  std::function<void()> onResize_;
};

}  // namespace

AlbumPage::AlbumPage(PageHost& host, ShellState shell, QToolBar* bar, QSplitter* splitter,
                     ToolImageLists& lists, QObject* parent)
    : QObject(parent), host_(host), shell_(shell) {
  Build(bar, splitter, lists);
  OnClick(ToolButtonImageOpen, this, &AlbumPage::ToolButtonImageOpenClick);
  OnClick(ToolButtonImageClose, this, &AlbumPage::ToolButtonImageCloseClick);
  OnClick(ToolButtonImageCloseAll, this, &AlbumPage::ToolButtonImageCloseAllClick);
  DrawGridAlbum->OnDrawCell = [this](QPainter& painter, int, int row, const QRect& rect) {
    DrawGridAlbumDrawCell(painter, row, rect);
  };
  DrawGridAlbum->OnMouseDown = [this](QPoint position, Qt::MouseButton button) {
    DrawGridAlbumMouseDown(position, button);
  };
  DrawGridAlbum->OnMouseMove = [this](QPoint position, Qt::MouseButtons buttons) {
    DrawGridAlbumMouseMove(position, buttons);
  };
  DrawGridAlbum->OnDragOver = [](QPoint, QObject*) { return true; };
  DrawGridAlbum->OnDragDrop = [this](QPoint position, QObject* source) {
    DrawGridAlbumDragDrop(position, source);
  };
  new ResizeWatcher(PanelImages, [this] { PanelImagesResize(); });
}

void AlbumPage::Build(QToolBar* bar, QSplitter* splitter, ToolImageLists& lists) {
  const auto add = [bar, &lists](QToolButton*& button, const char* name, const char* hint,
                                 const char* icon, const char* glyph) {
    return AddToolButton(bar, lists, button, name, hint, icon, glyph, kImagesButton);
  };
  add(ToolButtonImageOpen, "ToolButtonImageOpen", "Открытие изображения", "document-open", "О");
  // The button keeps its "TWAIN" hint; it scans through SANE (capture/twainmodul.h).
  add(ToolButtonScan, "ToolButtonScan", "TWAIN", "scanner", "T");
  ScanMenu = Named(new QMenu(ToolButtonScan), "ScanMenu");
  ToolButtonScan->setMenu(ScanMenu);
  ToolButtonScan->setPopupMode(QToolButton::MenuButtonPopup);
  bar->addSeparator();
  add(ToolButtonImageClose, "ToolButtonImageClose", "Закрытие изображения", "document-close", "З");
  add(ToolButtonImageCloseAll, "ToolButtonImageCloseAll", "Закрытие всех изображений",
      "edit-clear-list", "В");

  PanelImages = Named(new QFrame(splitter), "PanelImages");
  auto* albumLayout = Column(PanelImages);
  DrawGridAlbum = Named(new DrawGrid(PanelImages), "DrawGridAlbum");
  DrawGridAlbum->SetColCount(1);
  DrawGridAlbum->SetRowCount(0);
  DrawGridAlbum->SetGridLineWidth(3);
  DrawGridAlbum->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  DrawGridAlbum->setMinimumWidth(250);
  albumLayout->addWidget(DrawGridAlbum, 1);
  Panel2 = Named(new QFrame(PanelImages), "Panel2");
  Panel2->setFixedHeight(62);
  auto* panel2Layout = Column(Panel2);
  Panel4 = Named(new QFrame(Panel2), "Panel4");
  auto* progressLayout = new QVBoxLayout(Panel4);
  LabelProcTxt = Named(new QLabel(Panel4), "LabelProcTxt");
  LabelProcTxt->setAlignment(Qt::AlignCenter);
  ProgressBar = Named(new QProgressBar(Panel4), "ProgressBar");
  ProgressBar->setRange(0, 100);
  progressLayout->addWidget(LabelProcTxt);
  progressLayout->addWidget(ProgressBar);
  panel2Layout->addWidget(Panel4);
  Panel4->hide();
  // At the bottom also while the album is hidden (the first load).
  albumLayout->addWidget(Panel2, 0, Qt::AlignBottom);
  splitter->addWidget(PanelImages);
}

void AlbumPage::LayoutAlbum() {
  DrawGridAlbum->setVisible(shell_.Engine.Count() > 0);
  // Cells sized to the client width may bring in (or take away) the vertical
  // scroll bar, which changes that width; the grid decides through a queued
  // call, so let it run and size the cells once more to the width it left.
  for (int pass = 0; pass < 2; ++pass) {
    const int width = DrawGridAlbum->viewport()->width();
    SizeGridCells(width);
    QCoreApplication::sendPostedEvents(DrawGridAlbum, QEvent::MetaCall);
    if (DrawGridAlbum->viewport()->width() == width) break;
  }
  DrawGridAlbum->viewport()->update();
  host_.AlbumCellsSized(DrawGridAlbum->DefaultColWidth(), DrawGridAlbum->DefaultRowHeight());
}

void AlbumPage::SizeGridCells(int clientWidth) {
  const ViewSize cell = AlbumCellSize(clientWidth);
  AlbumCellWidth = cell.Width;
  AlbumCellHeight = cell.Height;
  // A grid is never given a zero pitch, even before the album was first laid out.
  DrawGridAlbum->SetDefaultColWidth(std::max(1, cell.Width));
  DrawGridAlbum->SetDefaultRowHeight(std::max(1, cell.Height));
  DrawGridAlbum->SetRowCount(shell_.Engine.Count());
}

QProgressBar* AlbumPage::ShowProgress(const QString& caption) {
  LabelProcTxt->setText(caption);
  ProgressBar->setValue(0);
  Panel4->show();
  return ProgressBar;
}

void AlbumPage::HideProgress() { Panel4->hide(); }

std::optional<int> AlbumPage::DragRow(QObject* source) const {
  if (source != DrawGridAlbum) return std::nullopt;
  return DrawGridAlbum->Row();
}

void AlbumPage::PanelImagesResize() { LayoutAlbum(); }

void AlbumPage::ToolButtonImageOpenClick() {
  WorkflowCommand command(shell_.CommandRunning);
  if (!command.Acquired()) return;
  const std::vector<std::string> names =
      PixOpenDialog("Открытие изображения", QFile::encodeName(shell_.ImageFolder).toStdString(),
                    {QFile::encodeName(RememberedOpenFolder()).toStdString()});
  if (names.empty()) return;
  LoadFiles(names);
}

void AlbumPage::OpenImageFiles(const std::vector<std::string>& names) {
  WorkflowCommand command(shell_.CommandRunning);
  if (!command.Acquired() || names.empty()) return;
  LoadFiles(names);
}

void AlbumPage::LoadFiles(const std::vector<std::string>& names) {
  PanelImages->show();
  ShowProgress(QStringLiteral("Загрузка изображений"));

  AlbumLoadHooks hooks;
  hooks.BeforeFile = [] { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); };
  hooks.Progress = [this](int percent) { ProgressBar->setValue(percent); };
  Panoram& engine = shell_.Engine;
  const AlbumLoadReport report = LoadIntoAlbum(engine, names, hooks);
  shell_.ImageFolder = QFile::decodeName(QByteArray::fromStdString(FolderOf(report.LastName)));
  RememberOpenFolder(shell_.ImageFolder);
  ShowAddedImages();

  const QString problems = AlbumLoadMessage(report);
  if (!problems.isEmpty()) {
    TellUser(DrawGridAlbum->window(), QStringLiteral("ВНИМАНИЕ!"), problems, MessageKind::Warning);
  }
}

void AlbumPage::AddScannedImage(Bitmap&& image, const std::string& name) {
  AlbumLoadReport report;
  switch (shell_.Engine.AddImage(std::move(image), kDirNone, name)) {
    case AddImageResult::Added: report.Added = 1; break;
    case AddImageResult::StoreFull:
      report.StoreFull = true;
      report.NotLoaded = 1;
      break;
    case AddImageResult::OutOfMemory:
      report.Failed.push_back({name, PixStatus::Fail(PixError::OutOfMemory, "no memory to add")});
      break;
    case AddImageResult::EmptyBitmap:
      report.Failed.push_back({name, PixStatus::Fail(PixError::Corrupt, "no pixels")});
      break;
  }
  ShowAddedImages();
  const QString problems = AlbumLoadMessage(report);
  if (!problems.isEmpty()) {
    TellUser(DrawGridAlbum->window(), QStringLiteral("ВНИМАНИЕ!"), problems, MessageKind::Warning);
  }
}

void AlbumPage::ShowAddedImages() {
  const int count = shell_.Engine.Count();
  LayoutAlbum();
  DrawGridAlbum->SetRow(count - 1);
  // A vertical scroll bar that just appeared narrows the cells.
  if (DrawGridAlbum->viewport()->width() != DrawGridAlbum->DefaultColWidth()) LayoutAlbum();
  HideProgress();
  if (count > 0) {
    host_.SetWorkflowState(kStateAlbumReady);
  } else {
    host_.SetWorkflowState(kStateNoImages);  // nothing loaded: the album panel goes away again
  }
  host_.ImagesAdded();
}

void AlbumPage::ToolButtonImageCloseClick() {
  WorkflowCommand command(shell_.CommandRunning);
  if (!command.Acquired()) return;
  int row = DrawGridAlbum->Row();
  shell_.Engine.RemoveImage(row);
  const int count = shell_.Engine.Count();
  if (row >= count) row = row - 1;
  if (row >= 0) DrawGridAlbum->SetRow(row);
  LayoutAlbum();
  host_.SetWorkflowState(count > 0 ? kStateAlbumReady : kStateNoImages);
}

void AlbumPage::ToolButtonImageCloseAllClick() {
  WorkflowCommand command(shell_.CommandRunning);
  if (!command.Acquired()) return;
  host_.SetWorkflowState(kStateNoImages);
}

void AlbumPage::DrawGridAlbumDrawCell(QPainter& painter, int row, const QRect& rect) {
  if (row < 0 || row >= shell_.Engine.Count()) return;
  DrawImageCell(painter, rect, shell_.Engine, row, kAlbumFontHeight, row == DrawGridAlbum->Row());
}

void AlbumPage::DrawGridAlbumMouseDown(QPoint position, Qt::MouseButton button) {
  dragArmed_ = button == Qt::LeftButton;
  dragStart_ = position;
  // The pressed row became current; its colour changes.
  DrawGridAlbum->viewport()->update();
}

void AlbumPage::DrawGridAlbumMouseMove(QPoint position, Qt::MouseButtons buttons) {
  if (!dragArmed_ || !(buttons & Qt::LeftButton)) return;
  if ((position - dragStart_).manhattanLength() < QApplication::startDragDistance()) return;
  dragArmed_ = false;
  auto* drag = new QDrag(DrawGridAlbum);
  auto* data = new QMimeData;
  data->setData(kAlbumRowMime, QByteArray::number(DrawGridAlbum->Row()));
  drag->setMimeData(data);
  drag->exec(Qt::MoveAction);
}

void AlbumPage::DrawGridAlbumDragDrop(QPoint position, QObject* source) {
  if (source != DrawGridAlbum) return;
  int col = 0;
  int row = 0;
  if (!DrawGridAlbum->MouseToCell(position, col, row)) return;
  shell_.Engine.MoveImage(DrawGridAlbum->Row(), row);
  DrawGridAlbum->viewport()->update();
}
