#pragma once
// A grid of equal owner-drawn cells with a current cell, scrolling and drag
// and drop hooks: the album, the montage table and the connection list.

#include <QAbstractScrollArea>
#include <functional>

class DrawGrid : public QAbstractScrollArea {
  Q_OBJECT

 public:
  explicit DrawGrid(QWidget* parent = nullptr);

  void SetColCount(int count);
  void SetRowCount(int count);
  void SetDefaultColWidth(int width);
  void SetDefaultRowHeight(int height);
  void SetGridLineWidth(int width);
  // Makes (col, row) current and scrolls it into view; out-of-range cells are ignored.
  void SetCurrent(int col, int row);
  void SetCol(int col) { SetCurrent(col, row_); }
  void SetRow(int row) { SetCurrent(col_, row); }

  int ColCount() const { return colCount_; }
  int RowCount() const { return rowCount_; }
  int DefaultColWidth() const { return colWidth_; }
  int DefaultRowHeight() const { return rowHeight_; }
  int GridLineWidth() const { return lineWidth_; }
  int Col() const { return col_; }
  int Row() const { return row_; }

  // The cell's rectangle in viewport coordinates (it may lie outside the viewport).
  QRect CellRect(int col, int row) const;
  // The cell under a viewport point; false when the point is on no cell.
  bool MouseToCell(QPoint point, int& col, int& row) const;
  void InvalidateCell(int col, int row);

  // Hooks; each may stay empty. Positions are in viewport coordinates.
  std::function<void(QPainter&, int col, int row, const QRect& rect)> OnDrawCell;
  std::function<void(QPoint position, Qt::MouseButton button)> OnMouseDown;
  std::function<void(QPoint position, Qt::MouseButtons buttons)> OnMouseMove;
  // Whether a drag entering the grid is followed at all; empty: any drag is.
  // Qt sends no more events for a drag refused on entry, so where it may land
  // is decided position by position in OnDragOver.
  std::function<bool(QObject* source)> OnDragEnter;
  std::function<bool(QPoint position, QObject* source)> OnDragOver;
  std::function<void(QPoint position, QObject* source)> OnDragDrop;

 signals:
  void CurrentChanged(int col, int row);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void UpdateScrollBars();
  int PitchX() const { return colWidth_ + lineWidth_; }
  int PitchY() const { return rowHeight_ + lineWidth_; }

  int colCount_ = 5;
  int rowCount_ = 5;
  int colWidth_ = 64;
  int rowHeight_ = 24;
  int lineWidth_ = 1;
  int col_ = 0;
  int row_ = 0;
};
