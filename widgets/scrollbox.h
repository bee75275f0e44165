#pragma once
// A scroll area that keeps a smaller picture centred by the integer rule of
// CentredStart, where the toolkit's own centring would round the other way
// for odd differences; and CenterInBox, which places a picture in any box.

#include <QScrollArea>

// Where a picture starts on one axis of a client area: (client - picture) / 2,
// rounded toward zero. Negative when the picture is larger: then it is minus
// the scroll position that shows the picture's middle.
int CentredStart(int client, int picture);

// Places picture in box: centred when smaller, scrolled to its middle when larger.
void CenterInBox(QScrollArea* box, QWidget* picture);

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
