#pragma once
// The montage table on the images page: album images dropped into its cells
// make the chain, and the two stitching commands (by the table, automatic).

#include <QObject>
#include <QPoint>
#include <cstdint>

#include "mainwind/table/gridlayout.h"
#include "widgets/pagehost.h"

struct AllNeighbourPlaces;
class DrawGrid;
class QPainter;
class QProgressBar;
class QRect;
class QSplitter;
class QToolBar;
class QToolButton;
class ToolImageLists;

class TablePage : public QObject {
  Q_OBJECT

 public:
  // Adds the table's buttons to bar and its grid to splitter.
  TablePage(PageHost& host, ShellState shell, QToolBar* bar, QSplitter* splitter,
            ToolImageLists& lists, QObject* parent);

  int32_t PlacedCount = 0;  // album images lying on the table

  QToolButton* ToolButtonAutoPoz = nullptr;
  QToolButton* ToolButtonDelImTab = nullptr;
  QToolButton* ToolButtonClearTab = nullptr;
  QToolButton* ToolButtonCalkConnect = nullptr;
  QToolButton* ToolButtonGrid = nullptr;  // the album laid out as a stage scan's grid
  DrawGrid* DrawGridTab = nullptr;

  // The album's cell size in pixels, which the table's cells share.
  void SizeCells(int width, int height);

 public slots:
  void DrawGridTabDrawCell(QPainter& painter, int col, int row, const QRect& rect);
  // source is the widget the drag started from; only album drags are accepted.
  bool DrawGridTabDragOver(QPoint position, QObject* source);
  void DrawGridTabDragDrop(QPoint position, QObject* source);
  void ToolButtonAutoPozClick();
  void ToolButtonDelImTabClick();
  void ToolButtonClearTabClick();
  void ToolButtonCalkConnectClick();
  void ToolButtonGridClick();
  // After a stitch: one warning naming the pairs that found no match, and why,
  // and after a placement over all neighbours what it dropped or left alone.
  void TellUnsetLinks(const AllNeighbourPlaces* placed = nullptr);
  // Scrolls the table to the images lying on it, unless they are all in view.
  void ShowLaidOutCells();

 private:
  void Build(QToolBar* bar, QSplitter* splitter, ToolImageLists& lists);
  // Caption and empty bar in the progress panel, shown before the engine starts.
  QProgressBar* ShowStitchProgress();

  PageHost& host_;
  ShellState shell_;
  GridPlan lastGrid_;  // the grid asked for last, offered again
};
