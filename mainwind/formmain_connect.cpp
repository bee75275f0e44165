// The connection correction page: the list of connections, the two match
// images of the selected one, and moving their match points by clicking.
#include <QCoreApplication>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabWidget>

#include "formmain.h"
#include "mainwind/connectioncell.h"
#include "mainwind/connectionview.h"
#include "mainwind/dockpanel.h"
#include "mainwind/drawgrid.h"
#include "mainwind/matchmarker.h"
#include "mainwind/picturecontrol.h"

namespace {

// Match points are shown on this page at 1:1.
constexpr double kMarkerScale = 1.0;

// The box decides whether it shows scroll bars through a queued call; run it
// now so that its range (and so the largest position) is the real one.
void SettleScrollBars(QScrollArea* box) {
  QCoreApplication::sendPostedEvents(box, QEvent::MetaCall);
}

}  // namespace

void TFormMain::SetupConnect() {
  DrawGridEditConnect->OnDrawCell = [this](QPainter& painter, int, int row, const QRect& rect) {
    DrawGridEditConnectDrawCell(painter, row, rect);
  };
  DrawGridEditConnect->OnMouseDown = [this](QPoint, Qt::MouseButton) {
    DrawGridEditConnectClick();
  };
  connect(ImagePar, &PictureControl::MouseDown, this,
          [this](QPoint position, Qt::MouseButton) { ImageParMouseDown(position); });
  connect(ImageCh, &PictureControl::MouseDown, this,
          [this](QPoint position, Qt::MouseButton) { ImageChMouseDown(position); });
  connect(PageControl, &QTabWidget::currentChanged, this, [this](int) {
    if (PageControl->currentWidget() == TabSheetCor) TabSheetCorShow();
  });
}

void TFormMain::TabSheetCorShow() {
  DrawGridEditConnect->SetRow(0);
  ShowConnection();
}

void TFormMain::DrawGridEditConnectClick() { ShowConnection(); }

void TFormMain::DrawGridEditConnectDrawCell(QPainter& painter, int row, const QRect& rect) {
  // The list keeps its row count after images are closed; rows past the chain stay blank.
  if (row < 0 || row >= Engine.Count() - 1) return;
  ConnectionCellStyle style;
  style.Index = row;
  style.Direction = Engine.Direction(row + 1);
  style.Selected = row == DrawGridEditConnect->Row();
  style.LinkSet = Engine.LinkDefined(row);
  DrawConnectionCell(painter, rect, Engine.Thumb(row), Engine.Thumb(row + 1), style);
}

void TFormMain::ShowConnection() {
  if (Engine.Count() < 2) {
    // No pair at all, and nothing left over from a set closed before.
    ImagePar->Assign(::Bitmap());
    ImageCh->Assign(::Bitmap());
    return;
  }
  const int a = DrawGridEditConnect->Row();
  if (a < 0 || a >= Engine.Count() - 1) return;
  ImagePar->Assign(Engine.ImageBitmap(a));
  ImageCh->Assign(Engine.ImageBitmap(a + 1));
  const Point in = Engine.GetLinkIn(a + 1);
  const Point out = Engine.GetLinkOut(a);
  DrawMatchMarker(*ImageCh, in.X, in.Y, kMarkerScale);
  DrawMatchMarker(*ImagePar, out.X, out.Y, kMarkerScale);

  const int d = Engine.Direction(a + 1);
  if (const auto side = ParentDockSide(d)) PanelCont->SetDockSide(*side);
  PanelCont->SetDockedSize(QSize(PanelCont->width() / 2, PanelCont->height() / 2));

  const QSize parentSize(ImagePar->Held().Width(), ImagePar->Held().Height());
  const QSize childSize(ImageCh->Held().Width(), ImageCh->Held().Height());
  const auto scroll = ConnectionScrollFor(d, parentSize, childSize);
  if (!scroll) return;
  SettleScrollBars(ScrollBoxPar);
  SettleScrollBars(ScrollBoxCh);
  ScrollBoxPar->horizontalScrollBar()->setValue(scroll->ParentX);
  ScrollBoxPar->verticalScrollBar()->setValue(scroll->ParentY);
  ScrollBoxCh->horizontalScrollBar()->setValue(scroll->ChildX);
  ScrollBoxCh->verticalScrollBar()->setValue(scroll->ChildY);
}

void TFormMain::ImageParMouseDown(QPoint position) { MoveMatchPoint(true, position); }

void TFormMain::ImageChMouseDown(QPoint position) { MoveMatchPoint(false, position); }

void TFormMain::MoveMatchPoint(bool parentPoint, QPoint position) {
  // A click while another command works on the engine is held off.
  if (CommandRunning) return;
  const int a = DrawGridEditConnect->Row();
  if (a < 0 || a >= Engine.Count() - 1) return;
  PictureControl& picture = parentPoint ? *ImagePar : *ImageCh;
  const int image = parentPoint ? a : a + 1;
  const Point old = parentPoint ? Engine.GetLinkOut(image) : Engine.GetLinkIn(image);
  DrawMatchMarker(picture, old.X, old.Y, kMarkerScale);  // erases it; (0, 0) draws nothing
  if (parentPoint) {
    Engine.SetLinkOut(image, position.x(), position.y());
  } else {
    Engine.SetLinkIn(image, position.x(), position.y());
  }
  DrawMatchMarker(picture, position.x(), position.y(), kMarkerScale);
  // Repainted also when the point became unset, so a stale disc never stays.
  DrawGridEditConnect->InvalidateCell(0, a);

  if (!Engine.AllLinksDefined()) return;
  Engine.ResetPlaces();
  Engine.PlaceChain();
  MosaicZoom = 1.0f;
  ShowMosaic();
  SetWorkflowState(kStateAssembled);
}
