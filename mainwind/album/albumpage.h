#pragma once
// The album on the images page: the images opened, one per grid row, with the
// open and close commands, dragging an image to another row or onto the
// montage table, and the progress panel below the album.

#include <QObject>
#include <QPoint>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "widgets/pagehost.h"

class Bitmap;
class DrawGrid;
class QFrame;
class QLabel;
class QMenu;
class QPainter;
class QProgressBar;
class QRect;
class QSplitter;
class QToolBar;
class QToolButton;
class ToolImageLists;

class AlbumPage : public QObject {
  Q_OBJECT

 public:
  // Adds the album's buttons to bar and its panel to splitter.
  AlbumPage(PageHost& host, ShellState shell, QToolBar* bar, QSplitter* splitter,
            ToolImageLists& lists, QObject* parent);

  // Cell size of album and table, set by LayoutAlbum (pixels).
  int32_t AlbumCellWidth = 0;
  int32_t AlbumCellHeight = 0;

  QToolButton* ToolButtonImageOpen = nullptr;
  QToolButton* ToolButtonScan = nullptr;
  QMenu* ScanMenu = nullptr;
  QToolButton* ToolButtonImageClose = nullptr;
  QToolButton* ToolButtonImageCloseAll = nullptr;
  QFrame* PanelImages = nullptr;
  DrawGrid* DrawGridAlbum = nullptr;
  QFrame* Panel2 = nullptr;
  QFrame* Panel4 = nullptr;
  QLabel* LabelProcTxt = nullptr;
  QProgressBar* ProgressBar = nullptr;

  // Sizes the album's cells to its client width and shows the album when it has images.
  void LayoutAlbum();
  // The progress panel: caption and an empty bar; hidden again after the work.
  QProgressBar* ShowProgress(const QString& caption);
  void HideProgress();
  // Files given on the command line or dropped on the images page join the
  // album in list order, as the open command's choice does, with its checks
  // and messages; nothing when another command runs.
  void OpenImageFiles(const std::vector<std::string>& names);
  // A scanned picture joins the album under its file name, as an opened one.
  void AddScannedImage(Bitmap&& image, const std::string& name);
  // The current row when source is the album grid.
  std::optional<int> DragRow(QObject* source) const;

 public slots:
  void ToolButtonImageOpenClick();
  void ToolButtonImageCloseClick();
  void ToolButtonImageCloseAllClick();
  void PanelImagesResize();
  void DrawGridAlbumDrawCell(QPainter& painter, int row, const QRect& rect);
  void DrawGridAlbumMouseDown(QPoint position, Qt::MouseButton button);
  void DrawGridAlbumMouseMove(QPoint position, Qt::MouseButtons buttons);
  // source is the widget the drag started from; only the album's own drags move images.
  void DrawGridAlbumDragDrop(QPoint position, QObject* source);

 private:
  void Build(QToolBar* bar, QSplitter* splitter, ToolImageLists& lists);
  // After images joined: the album laid out with the last row current, the
  // workflow state and the connection list follow.
  void ShowAddedImages();
  // The load itself, inside a workflow command the caller holds.
  void LoadFiles(const std::vector<std::string>& names);
  // Album cells for an album client width.
  void SizeGridCells(int clientWidth);

  PageHost& host_;
  ShellState shell_;
  bool dragArmed_ = false;  // left button down on the album, drag not yet started
  QPoint dragStart_;
};
