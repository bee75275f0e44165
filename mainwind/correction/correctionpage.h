#pragma once
// The connection correction page: the list of connections, the two match
// images of the selected one, moving their match points by clicking, and
// searching the selected pair again with a method and side of the user's.

#include <QObject>
#include <QPoint>

#include "widgets/pagehost.h"

class DockPanel;
class DrawGrid;
class PictureControl;
class QComboBox;
class QFrame;
class QLabel;
class QPainter;
class QPushButton;
class QRect;
class QScrollArea;
class QWidget;

class CorrectionPage : public QObject {
  Q_OBJECT

 public:
  CorrectionPage(PageHost& host, ShellState shell, QObject* parent);

  QWidget* TabSheetCor = nullptr;
  QFrame* Panel3 = nullptr;
  DrawGrid* DrawGridEditConnect = nullptr;
  DockPanel* PanelCont = nullptr;
  QScrollArea* ScrollBoxPar = nullptr;
  PictureControl* ImagePar = nullptr;
  QScrollArea* ScrollBoxCh = nullptr;
  PictureControl* ImageCh = nullptr;
  // Searching the selected pair again, below the list.
  QComboBox* ComboBoxPairMethod = nullptr;
  QComboBox* ComboBoxPairSide = nullptr;  // the child's side, or every side
  QPushButton* ButtonSearchPair = nullptr;
  QLabel* LabelPairLink = nullptr;  // the selected link's offset and score
  // Display scale of both pictures (1.0 = 1:1); Ctrl and the wheel change it.
  float PairZoom = 1.0f;

  // The parent and child images of the selected connection, with their match points.
  void ShowConnection();
  // One list row per connection of the chain; the list never shrinks.
  void ListConnections();
  // The parent view takes half of PanelCont's width and height.
  void KeepParentViewAtHalf();

 public slots:
  void TabSheetCorShow();
  void DrawGridEditConnectClick();
  void DrawGridEditConnectDrawCell(QPainter& painter, int row, const QRect& rect);
  // Positions in the widget's pixels, PairZoom of the picture's own.
  void ImageParMouseDown(QPoint position);
  void ImageChMouseDown(QPoint position);
  // One zoom step of both pictures about a spot of box's viewport, which
  // stays over the same pixel of that box's picture.
  void ZoomPairAt(QScrollArea* box, bool in, QPoint position);
  // Searches the selected pair with the chosen method and side off the
  // window's thread, and puts the link found in only if the user keeps it.
  void ButtonSearchPairClick();

 private:
  void Build();
  QWidget* BuildPairSearch(QWidget* parent);
  // The label of the current connection as the engine holds it.
  void ShowPairLink();
  // After a link of connection a changed: its cell, and the mosaic once every link is set.
  void LinkChanged(int a);
  // Moves the parent (LinkOut) or child (LinkIn) point of the current connection.
  void MoveMatchPoint(bool parentPoint, QPoint position);
  // Toggles both match markers of the current connection at PairZoom.
  void ToggleMarkers();
  // Both pictures at PairZoom.
  void SizePictures();

  PageHost& host_;
  ShellState shell_;
};
