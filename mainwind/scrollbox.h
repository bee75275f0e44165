#pragma once
// A scroll area that centres a smaller picture by the integer rule
// left = (client width - picture width) / 2 (and the same vertically), where
// the toolkit's own centring would round the other way for odd differences.

#include <QScrollArea>

class ScrollBox : public QScrollArea {
  Q_OBJECT

 public:
  explicit ScrollBox(QWidget* parent = nullptr);

  bool eventFilter(QObject* watched, QEvent* event) override;

 protected:
  bool event(QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;

 private:
  // Re-places a picture smaller than the client area on the axes where it is smaller.
  void PlaceSmallPicture();
};
