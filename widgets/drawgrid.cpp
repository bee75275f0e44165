#include "drawgrid.h"

#include <QDragMoveEvent>
#include <QDropEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>

DrawGrid::DrawGrid(QWidget* parent) : QAbstractScrollArea(parent) {
  setAcceptDrops(true);
  viewport()->setAcceptDrops(true);
  viewport()->setAutoFillBackground(true);
  viewport()->setBackgroundRole(QPalette::Button);
  viewport()->setMouseTracking(false);
  UpdateScrollBars();
}

void DrawGrid::SetColCount(int count) {
  colCount_ = std::max(0, count);
  col_ = std::min(col_, std::max(0, colCount_ - 1));
  UpdateScrollBars();
  viewport()->update();
}

void DrawGrid::SetRowCount(int count) {
  rowCount_ = std::max(0, count);
  row_ = std::min(row_, std::max(0, rowCount_ - 1));
  UpdateScrollBars();
  viewport()->update();
}

void DrawGrid::SetDefaultColWidth(int width) {
  colWidth_ = std::max(1, width);
  UpdateScrollBars();
  viewport()->update();
}

void DrawGrid::SetDefaultRowHeight(int height) {
  rowHeight_ = std::max(1, height);
  UpdateScrollBars();
  viewport()->update();
}

void DrawGrid::SetGridLineWidth(int width) {
  lineWidth_ = std::max(0, width);
  UpdateScrollBars();
  viewport()->update();
}

void DrawGrid::SetCurrent(int col, int row) {
  if (col < 0 || row < 0 || col >= colCount_ || row >= rowCount_) return;
  const bool changed = col != col_ || row != row_;
  InvalidateCell(col_, row_);
  col_ = col;
  row_ = row;
  InvalidateCell(col_, row_);
  // Scroll just far enough that the whole cell is visible.
  const QRect cell = CellRect(col, row);
  const QRect view = viewport()->rect();
  if (cell.left() < 0)
    horizontalScrollBar()->setValue(col * PitchX());
  else if (cell.right() > view.right())
    horizontalScrollBar()->setValue((col + 1) * PitchX() - view.width());
  if (cell.top() < 0)
    verticalScrollBar()->setValue(row * PitchY());
  else if (cell.bottom() > view.bottom())
    verticalScrollBar()->setValue((row + 1) * PitchY() - view.height());
  if (changed) emit CurrentChanged(col_, row_);
}

QRect DrawGrid::CellRect(int col, int row) const {
  return QRect(col * PitchX() - horizontalScrollBar()->value(),
               row * PitchY() - verticalScrollBar()->value(), colWidth_, rowHeight_);
}

bool DrawGrid::MouseToCell(QPoint point, int& col, int& row) const {
  const int x = point.x() + horizontalScrollBar()->value();
  const int y = point.y() + verticalScrollBar()->value();
  if (x < 0 || y < 0) return false;
  col = x / PitchX();
  row = y / PitchY();
  return col < colCount_ && row < rowCount_;
}

void DrawGrid::InvalidateCell(int col, int row) { viewport()->update(CellRect(col, row)); }

void DrawGrid::paintEvent(QPaintEvent* event) {
  QPainter painter(viewport());
  if (!OnDrawCell) return;
  const QRect dirty = event->rect();
  const int firstCol = std::max(0, (dirty.left() + horizontalScrollBar()->value()) / PitchX());
  const int firstRow = std::max(0, (dirty.top() + verticalScrollBar()->value()) / PitchY());
  for (int row = firstRow; row < rowCount_; ++row) {
    if (CellRect(0, row).top() > dirty.bottom()) break;
    for (int col = firstCol; col < colCount_; ++col) {
      const QRect rect = CellRect(col, row);
      if (rect.left() > dirty.right()) break;
      painter.save();
      painter.setClipRect(rect);
      OnDrawCell(painter, col, row, rect);
      painter.restore();
    }
  }
}

void DrawGrid::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  UpdateScrollBars();
}

void DrawGrid::mousePressEvent(QMouseEvent* event) {
  int col = 0;
  int row = 0;
  const QPoint position = event->position().toPoint();
  if (MouseToCell(position, col, row)) SetCurrent(col, row);
  if (OnMouseDown) OnMouseDown(position, event->button());
}

void DrawGrid::mouseMoveEvent(QMouseEvent* event) {
  if (OnMouseMove) OnMouseMove(event->position().toPoint(), event->buttons());
}

void DrawGrid::dragEnterEvent(QDragEnterEvent* event) {
  if (!OnDragOver || (OnDragEnter && !OnDragEnter(event->source()))) return event->ignore();
  // Followed from here on; Qt sends a move for the entry point right after,
  // and each move decides whether that point takes the drop.
  event->acceptProposedAction();
}

void DrawGrid::dragMoveEvent(QDragMoveEvent* event) {
  if (OnDragOver && OnDragOver(event->position().toPoint(), event->source())) {
    event->acceptProposedAction();
  } else {
    event->ignore();
  }
}

void DrawGrid::dropEvent(QDropEvent* event) {
  if (!OnDragDrop) return event->ignore();
  OnDragDrop(event->position().toPoint(), event->source());
  event->acceptProposedAction();
}

void DrawGrid::UpdateScrollBars() {
  const QSize view = viewport()->size();
  // No grid line follows the last column or row: nothing to scroll to there.
  const int width = std::max(0, colCount_ * PitchX() - lineWidth_);
  const int height = std::max(0, rowCount_ * PitchY() - lineWidth_);
  horizontalScrollBar()->setRange(0, std::max(0, width - view.width()));
  horizontalScrollBar()->setPageStep(view.width());
  horizontalScrollBar()->setSingleStep(PitchX());
  verticalScrollBar()->setRange(0, std::max(0, height - view.height()));
  verticalScrollBar()->setPageStep(view.height());
  verticalScrollBar()->setSingleStep(PitchY());
}
