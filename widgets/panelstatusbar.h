#pragma once
// A status bar of fixed-width text panels, addressed by index.

#include <QList>
#include <QStatusBar>

class QLabel;

class PanelStatusBar : public QStatusBar {
  Q_OBJECT

 public:
  PanelStatusBar(const QList<int>& widths, QWidget* parent = nullptr);

  int PanelCount() const { return static_cast<int>(panels_.size()); }
  // A text wider than its panel widens the panel, so it is never cut short.
  void SetPanelText(int index, const QString& text);
  QString PanelText(int index) const;

 private:
  QList<QLabel*> panels_;
  QList<int> widths_;
};
