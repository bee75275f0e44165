// Album commands: opening and closing images, the album grid.
#include <QApplication>
#include <QDrag>
#include <QEvent>
#include <QFrame>
#include <QLabel>
#include <QMimeData>
#include <QProgressBar>
#include <algorithm>
#include <functional>

#include "formmain.h"
#include "imagefiles/pixdialogs.h"
#include "mainwind/albumloader.h"
#include "mainwind/albummessages.h"
#include "mainwind/drawgrid.h"
#include "mainwind/thumbcell.h"
#include "mainwind/userdialogs.h"
#include "mainwind/viewgeometry.h"
#include "mainwind/workflowcommand.h"

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

void TFormMain::SetupAlbum() {
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

void TFormMain::LayoutAlbum() {
  DrawGridAlbum->setVisible(Engine.Count() > 0);
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
  DrawGridTab->viewport()->update();
}

void TFormMain::SizeGridCells(int clientWidth) {
  const ViewSize cell = AlbumCellSize(clientWidth);
  AlbumCellWidth = cell.Width;
  AlbumCellHeight = cell.Height;
  // A grid is never given a zero pitch, even before the album was first laid out.
  const int width = std::max(1, cell.Width);
  const int height = std::max(1, cell.Height);
  DrawGridAlbum->SetDefaultColWidth(width);
  DrawGridAlbum->SetDefaultRowHeight(height);
  DrawGridAlbum->SetRowCount(Engine.Count());
  DrawGridTab->SetDefaultColWidth(width);
  DrawGridTab->SetDefaultRowHeight(height);
}

void TFormMain::PanelImagesResize() { LayoutAlbum(); }

void TFormMain::ToolButtonImageOpenClick() {
  WorkflowCommand command(CommandRunning);
  if (!command.Acquired()) return;
  const std::vector<std::string> names =
      PixOpenDialog("Открытие изображения", ImageFolder.toStdString());
  if (names.empty()) return;

  LabelProcTxt->setText(QStringLiteral("Загрузка изображений"));
  ProgressBar->setValue(0);
  PanelImages->show();
  Panel4->show();

  AlbumLoadHooks hooks;
  hooks.BeforeFile = [] { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); };
  hooks.Progress = [this](int percent) { ProgressBar->setValue(percent); };
  const AlbumLoadReport report = LoadIntoAlbum(Engine, names, hooks);

  LayoutAlbum();
  DrawGridAlbum->SetRow(Engine.Count() - 1);
  ImageFolder = QString::fromStdString(FolderOf(report.LastName));
  // A vertical scroll bar that just appeared narrows the cells.
  if (DrawGridAlbum->viewport()->width() != DrawGridAlbum->DefaultColWidth()) LayoutAlbum();
  Panel4->hide();

  if (Engine.Count() > 0) {
    SetWorkflowState(kStateAlbumReady);
  } else {
    SetWorkflowState(kStateNoImages);  // nothing loaded: the album panel goes away again
  }
  if (Engine.Count() > 1) DrawGridEditConnect->SetRowCount(Engine.Count() - 1);

  const QString problems = AlbumLoadMessage(report);
  if (!problems.isEmpty()) TellUser(this, QStringLiteral("ВНИМАНИЕ!"), problems, MessageKind::Warning);
}

void TFormMain::ToolButtonImageCloseClick() {
  WorkflowCommand command(CommandRunning);
  if (!command.Acquired()) return;
  int row = DrawGridAlbum->Row();
  Engine.RemoveImage(row);
  const int count = Engine.Count();
  if (row >= count) row = row - 1;
  if (row >= 0) DrawGridAlbum->SetRow(row);
  LayoutAlbum();
  SetWorkflowState(count > 0 ? kStateAlbumReady : kStateNoImages);
}

void TFormMain::ToolButtonImageCloseAllClick() {
  WorkflowCommand command(CommandRunning);
  if (!command.Acquired()) return;
  SetWorkflowState(kStateNoImages);
}

void TFormMain::DrawGridAlbumDrawCell(QPainter& painter, int row, const QRect& rect) {
  if (row < 0 || row >= Engine.Count()) return;
  DrawImageCell(painter, rect, Engine, row, kAlbumFontHeight, row == DrawGridAlbum->Row());
}

void TFormMain::DrawGridAlbumMouseDown(QPoint position, Qt::MouseButton button) {
  albumDragArmed_ = button == Qt::LeftButton;
  albumDragStart_ = position;
  // The pressed row became current; its colour changes.
  DrawGridAlbum->viewport()->update();
}

void TFormMain::DrawGridAlbumMouseMove(QPoint position, Qt::MouseButtons buttons) {
  if (!albumDragArmed_ || !(buttons & Qt::LeftButton)) return;
  if ((position - albumDragStart_).manhattanLength() < QApplication::startDragDistance()) return;
  albumDragArmed_ = false;
  auto* drag = new QDrag(DrawGridAlbum);
  auto* data = new QMimeData;
  data->setData(kAlbumRowMime, QByteArray::number(DrawGridAlbum->Row()));
  drag->setMimeData(data);
  drag->exec(Qt::MoveAction);
}

void TFormMain::DrawGridAlbumDragDrop(QPoint position, QObject* source) {
  if (source != DrawGridAlbum) return;
  int col = 0;
  int row = 0;
  if (!DrawGridAlbum->MouseToCell(position, col, row)) return;
  Engine.MoveImage(DrawGridAlbum->Row(), row);
  DrawGridAlbum->viewport()->update();
}
