#pragma once
// The assembly page: building and showing the mosaic, zoom, pan, save and print.

#include <QObject>
#include <QPoint>

#include "imagefiles/bitmap.h"
#include "widgets/pagehost.h"

class PanelStatusBar;
class PictureControl;
class QScrollArea;
class QToolBar;
class QToolButton;
class QWidget;
class TPrePrintQuiltDialog;
class ToolImageLists;
struct ViewSize;

class AssemblyPage : public QObject {
  Q_OBJECT

 public:
  AssemblyPage(PageHost& host, ShellState shell, ToolImageLists& lists, QObject* parent);

  float MosaicZoom = 1.0f;   // display scale of the mosaic, 1.0 = 100 %
  bool PanDragging = false;  // a mouse drag is panning the mosaic
  Point PanStart;            // where that drag began, in ImageQuilt's coordinates

  // Created at start-up; made on first use when start-up did not.
  TPrePrintQuiltDialog* PrePrintQuiltDialog = nullptr;

  QWidget* TabSheetQuilt = nullptr;
  QToolBar* ToolBar1 = nullptr;
  QToolButton* ToolButtonFineFront = nullptr;
  QToolButton* ToolButtonCrop = nullptr;
  QToolButton* ToolButtonMinus = nullptr;
  QToolButton* ToolButtonNormal = nullptr;
  QToolButton* ToolButtonPlus = nullptr;
  QToolButton* ToolButtonFit = nullptr;  // the whole mosaic in the window
  QToolButton* ToolButtonSave = nullptr;
  QToolButton* ToolButtonPrint = nullptr;
  QToolButton* ToolButtonSet2 = nullptr;
  QToolButton* ToolButtonAbout = nullptr;  // the shell answers this and ToolButtonClose
  QToolButton* ToolButtonClose = nullptr;
  QScrollArea* ImageBox = nullptr;
  PictureControl* ImageQuilt = nullptr;
  PanelStatusBar* StatusBar = nullptr;

  // Composes the mosaic from the engine's places and shows it at MosaicZoom.
  void ShowMosaic();
  // A new mosaic, shown at zoom 1.
  void ShowNewMosaic();
  void ShowStatus();
  // Places the picture in ImageBox again (CenterInBox).
  void CenterMosaic();
  // The page was just made current: its box has its real size only now.
  void CenterMosaicOnShownPage();

 public slots:
  void ToolButtonFineFrontClick();
  void ToolButtonCropClick();
  void ToolButtonMinusClick();
  void ToolButtonNormalClick();
  void ToolButtonPlusClick();
  void ToolButtonFitClick();
  // One zoom step in or out about a spot of ImageBox's viewport, which stays
  // over the same spot of the mosaic (Ctrl and the mouse wheel).
  void ZoomAt(bool in, QPoint position);
  void ToolButtonSaveClick();
  void ToolButtonPrintClick();
  void ToolButtonSet2Click();
  // Positions in ImageQuilt's coordinates.
  void ImageQuiltMouseDown(QPoint position);
  void ImageQuiltMouseMove(QPoint position);
  void ImageQuiltMouseUp();

 private:
  void Build(ToolImageLists& lists);
  // The held picture's size, and ImageQuilt sized to it times the zoom.
  ViewSize QuiltPictureSize() const;
  void SizeImageQuilt();
  void ApplyZoom(float zoom);

  PageHost& host_;
  ShellState shell_;
};
