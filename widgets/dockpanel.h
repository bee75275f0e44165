#pragma once
// A panel with two children: one docked to a side at its own size, the other
// filling the rest. The correction page docks the parent view this way.

#include <QSize>
#include <QWidget>

class DockPanel : public QWidget {
  Q_OBJECT

 public:
  enum class Side { Left, Top, Right, Bottom };

  explicit DockPanel(QWidget* parent = nullptr);

  // Both widgets become children of the panel.
  void SetWidgets(QWidget* docked, QWidget* fill);
  void SetDockSide(Side side);
  // Width counts when docked left or right, height when docked top or bottom.
  void SetDockedSize(QSize size);

  Side DockSide() const { return side_; }
  QSize DockedSize() const { return dockedSize_; }

 signals:
  void Resized();

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void Arrange();

  QWidget* docked_ = nullptr;
  QWidget* fill_ = nullptr;
  Side side_ = Side::Left;
  QSize dockedSize_{100, 100};
};
