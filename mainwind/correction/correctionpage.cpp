#include "correctionpage.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <algorithm>
#include <cmath>

#include "dialogs/settings/setupwin.h"
#include "engine/pairsearch.h"
#include "engine/panoram.h"
#include "mainwind/correction/connectioncell.h"
#include "mainwind/correction/connectionview.h"
#include "mainwind/correction/pairsearchtext.h"
#include "widgets/assemblywork.h"
#include "widgets/dockpanel.h"
#include "widgets/drawgrid.h"
#include "widgets/matchmarker.h"
#include "widgets/pagebuild.h"
#include "widgets/picturecontrol.h"
#include "widgets/userdialogs.h"
#include "widgets/viewgeometry.h"
#include "widgets/wheelzoom.h"
#include "widgets/workflowcommand.h"

namespace {

// Zooming in stops here: a field's pixels are plain at 8:1.
constexpr float kMostPairZoom = 8.0f;

// The box decides whether it shows scroll bars through a queued call; run it
// now so that its range (and so the largest position) is the real one.
void SettleScrollBars(QScrollArea* box) {
  QCoreApplication::sendPostedEvents(box, QEvent::MetaCall);
}

}  // namespace

CorrectionPage::CorrectionPage(PageHost& host, ShellState shell, QObject* parent)
    : QObject(parent), host_(host), shell_(shell) {
  Build();
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
  // The panel is laid out only while shown; keep the parent view at half of
  // it whenever it gets its real size.
  connect(PanelCont, &DockPanel::Resized, this, [this] { KeepParentViewAtHalf(); });
  connect(ButtonSearchPair, &QPushButton::clicked, this, [this] { ButtonSearchPairClick(); });
  for (QScrollArea* box : {ScrollBoxPar, ScrollBoxCh}) {
    WatchWheelZoom(box, [this, box](bool in, QPoint position) { ZoomPairAt(box, in, position); });
  }
}

void CorrectionPage::Build() {
  TabSheetCor = Named(new QWidget, "TabSheetCor");
  auto* layout = new QHBoxLayout(TabSheetCor);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  Panel3 = Named(new QFrame(TabSheetCor), "Panel3");
  Panel3->setFixedWidth(235);
  auto* listLayout = Column(Panel3);
  DrawGridEditConnect = Named(new DrawGrid(Panel3), "DrawGridEditConnect");
  DrawGridEditConnect->SetColCount(1);
  DrawGridEditConnect->SetRowCount(0);
  DrawGridEditConnect->SetDefaultColWidth(208);
  DrawGridEditConnect->SetDefaultRowHeight(158);
  DrawGridEditConnect->SetGridLineWidth(3);
  DrawGridEditConnect->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  listLayout->addWidget(DrawGridEditConnect, 1);
  listLayout->addWidget(BuildPairSearch(Panel3));
  layout->addWidget(Panel3);

  PanelCont = Named(new DockPanel(TabSheetCor), "PanelCont");
  ScrollBoxPar = MakeScrollBox(PanelCont, "ScrollBoxPar", ImagePar, "ImagePar", false);
  ScrollBoxCh = MakeScrollBox(PanelCont, "ScrollBoxCh", ImageCh, "ImageCh", false);
  PanelCont->SetWidgets(ScrollBoxPar, ScrollBoxCh);
  PanelCont->SetDockSide(DockPanel::Side::Left);
  layout->addWidget(PanelCont, 1);
}

QWidget* CorrectionPage::BuildPairSearch(QWidget* parent) {
  auto* box = Named(new QFrame(parent), "PanelPairSearch");
  auto* column = Column(box);
  column->setContentsMargins(4, 4, 4, 4);
  column->setSpacing(3);
  LabelPairLink = Named(new QLabel(box), "LabelPairLink");
  LabelPairLink->setWordWrap(true);
  column->addWidget(LabelPairLink);
  column->addWidget(new QLabel(QStringLiteral("Метод поиска:"), box));
  ComboBoxPairMethod = Named(new QComboBox(box), "ComboBoxPairMethod");
  for (const SearchMethodName& n : kSearchMethods) {
    ComboBoxPairMethod->addItem(SearchMethodCaption(n.Method), static_cast<int>(n.Method));
  }
  column->addWidget(ComboBoxPairMethod);
  column->addWidget(new QLabel(QStringLiteral("Второе изображение лежит:"), box));
  ComboBoxPairSide = Named(new QComboBox(box), "ComboBoxPairSide");
  for (const int side : {kDirRight, kDirBelow, kDirLeft, kDirAbove, kDirNone}) {
    ComboBoxPairSide->addItem(SideCaption(side), side);
  }
  column->addWidget(ComboBoxPairSide);
  ButtonSearchPair =
      Named(new QPushButton(QStringLiteral("Искать пару снова"), box), "ButtonSearchPair");
  column->addWidget(ButtonSearchPair);
  return box;
}

void CorrectionPage::KeepParentViewAtHalf() {
  PanelCont->SetDockedSize(QSize(PanelCont->width() / 2, PanelCont->height() / 2));
}

void CorrectionPage::ListConnections() {
  const int count = shell_.Engine.Count();
  if (count > 1) DrawGridEditConnect->SetRowCount(count - 1);
}

void CorrectionPage::TabSheetCorShow() {
  DrawGridEditConnect->SetRow(0);
  ComboBoxPairMethod->setCurrentIndex(
      ComboBoxPairMethod->findData(static_cast<int>(shell_.Engine.Method())));
  ShowConnection();
}

void CorrectionPage::DrawGridEditConnectClick() { ShowConnection(); }

void CorrectionPage::DrawGridEditConnectDrawCell(QPainter& painter, int row, const QRect& rect) {
  const Panoram& engine = shell_.Engine;
  // The list keeps its row count after images are closed; rows past the chain stay blank.
  if (row < 0 || row >= engine.Count() - 1) return;
  ConnectionCellStyle style;
  style.Index = row;
  style.Direction = engine.Direction(row + 1);
  style.Selected = row == DrawGridEditConnect->Row();
  style.LinkSet = engine.LinkDefined(row);
  style.Score = engine.LinkScore(row);
  style.LinkOffset = OffsetOfLink(engine.GetLinkOut(row), engine.GetLinkIn(row + 1));
  style.Weak = engine.LinkWeak(row);
  DrawConnectionCell(painter, rect, engine.Thumb(row), engine.Thumb(row + 1), style);
}

void CorrectionPage::ShowConnection() {
  const Panoram& engine = shell_.Engine;
  if (engine.Count() < 2) {
    // No pair at all, and nothing left over from a set closed before.
    ImagePar->Assign(::Bitmap());
    ImageCh->Assign(::Bitmap());
    ShowPairLink();
    return;
  }
  const int a = DrawGridEditConnect->Row();
  if (a < 0 || a >= engine.Count() - 1) return;
  ShowPairLink();
  // A new search of this pair starts from the side it has.
  const int sideItem = ComboBoxPairSide->findData(static_cast<int>(engine.Direction(a + 1)));
  if (sideItem >= 0) ComboBoxPairSide->setCurrentIndex(sideItem);
  ImagePar->Assign(engine.ImageBitmap(a));
  ImageCh->Assign(engine.ImageBitmap(a + 1));
  ToggleMarkers();
  SizePictures();

  const int d = engine.Direction(a + 1);
  if (const auto side = ParentDockSide(d)) PanelCont->SetDockSide(*side);
  KeepParentViewAtHalf();

  const QSize parentSize(ImagePar->Held().Width(), ImagePar->Held().Height());
  const QSize childSize(ImageCh->Held().Width(), ImageCh->Held().Height());
  const auto scroll = ConnectionScrollFor(d, parentSize * PairZoom, childSize * PairZoom);
  if (!scroll) return;
  SettleScrollBars(ScrollBoxPar);
  SettleScrollBars(ScrollBoxCh);
  ScrollBoxPar->horizontalScrollBar()->setValue(scroll->ParentX);
  ScrollBoxPar->verticalScrollBar()->setValue(scroll->ParentY);
  ScrollBoxCh->horizontalScrollBar()->setValue(scroll->ChildX);
  ScrollBoxCh->verticalScrollBar()->setValue(scroll->ChildY);
}

void CorrectionPage::ToggleMarkers() {
  const Panoram& engine = shell_.Engine;
  const int a = DrawGridEditConnect->Row();
  if (a < 0 || a >= engine.Count() - 1) return;
  const Point in = engine.GetLinkIn(a + 1);
  const Point out = engine.GetLinkOut(a);
  DrawMatchMarker(*ImageCh, in.X, in.Y, PairZoom);
  DrawMatchMarker(*ImagePar, out.X, out.Y, PairZoom);
}

void CorrectionPage::SizePictures() {
  for (PictureControl* picture : {ImagePar, ImageCh}) {
    const ViewSize shown =
        DisplayedSize({picture->Held().Width(), picture->Held().Height()}, PairZoom);
    picture->SetAutoSize(false);
    picture->SetStretch(PairZoom != 1.0f);
    picture->resize(shown.Width, shown.Height);
  }
  SettleScrollBars(ScrollBoxPar);
  SettleScrollBars(ScrollBoxCh);
}

void CorrectionPage::ZoomPairAt(QScrollArea* box, bool in, QPoint position) {
  PictureControl* picture = box == ScrollBoxPar ? ImagePar : ImageCh;
  const ViewSize size{picture->Held().Width(), picture->Held().Height()};
  if (size.Width <= 0) return;
  float zoom = in ? ZoomIn(PairZoom, size) : ZoomOut(PairZoom, size);
  zoom = std::min(zoom, kMostPairZoom);
  if (zoom == PairZoom) return;
  const QPointF spot = QPointF(picture->mapFrom(box->viewport(), position)) / PairZoom;
  ToggleMarkers();  // off at the old scale, on again at the new one
  PairZoom = zoom;
  ToggleMarkers();
  SizePictures();
  ScrollPointTo(box, picture, (spot * zoom).toPoint(), position);
}

void CorrectionPage::ImageParMouseDown(QPoint position) { MoveMatchPoint(true, position); }

void CorrectionPage::ImageChMouseDown(QPoint position) { MoveMatchPoint(false, position); }

void CorrectionPage::MoveMatchPoint(bool parentPoint, QPoint position) {
  // A click while another command works on the engine is held off.
  if (shell_.CommandRunning) return;
  Panoram& engine = shell_.Engine;
  const int a = DrawGridEditConnect->Row();
  if (a < 0 || a >= engine.Count() - 1) return;
  PictureControl& picture = parentPoint ? *ImagePar : *ImageCh;
  // The click lands on the picture's own pixel, whatever the zoom.
  position = QPoint(static_cast<int>(std::floor(position.x() / PairZoom)),
                    static_cast<int>(std::floor(position.y() / PairZoom)));
  const int image = parentPoint ? a : a + 1;
  const Point old = parentPoint ? engine.GetLinkOut(image) : engine.GetLinkIn(image);
  DrawMatchMarker(picture, old.X, old.Y, PairZoom);  // erases it; (0, 0) draws nothing
  if (parentPoint) {
    engine.SetLinkOut(image, position.x(), position.y());
  } else {
    engine.SetLinkIn(image, position.x(), position.y());
  }
  engine.UpdateLinkScore(a);
  DrawMatchMarker(picture, position.x(), position.y(), PairZoom);
  ShowPairLink();
  LinkChanged(a);
}

void CorrectionPage::LinkChanged(int a) {
  Panoram& engine = shell_.Engine;
  // Repainted also when the point became unset, so a stale disc never stays.
  DrawGridEditConnect->InvalidateCell(0, a);
  if (!engine.AllLinksDefined()) return;
  engine.ResetPlaces();
  engine.PlaceChain();
  host_.ShowNewMosaic();
}

void CorrectionPage::ShowPairLink() {
  const Panoram& engine = shell_.Engine;
  const int a = DrawGridEditConnect->Row();
  const bool pair = a >= 0 && a + 1 < engine.Count();
  ButtonSearchPair->setEnabled(pair);
  if (!pair) {
    LabelPairLink->clear();
    return;
  }
  const PairLinkState link = LinkStateOf(engine, a);
  LabelPairLink->setText(
      QStringLiteral("Пара %1–%2: %3").arg(a + 1).arg(a + 2).arg(LinkStateText(link)));
}

void CorrectionPage::ButtonSearchPairClick() {
  Panoram& engine = shell_.Engine;
  const int a = DrawGridEditConnect->Row();
  if (a < 0 || a + 1 >= engine.Count()) return;
  QWidget* window = TabSheetCor->window();
  KeptPairSearch kept;
  PairSearch search;
  {
    WorkflowCommand command(shell_.CommandRunning);
    if (!command.Acquired()) return;
    const auto method = static_cast<SearchMethod>(ComboBoxPairMethod->currentData().toInt());
    const int side = ComboBoxPairSide->currentData().toInt();
    ButtonSearchPair->setEnabled(false);
    LabelPairLink->setText(QStringLiteral("Поиск пары %1–%2…").arg(a + 1).arg(a + 2));
    // The search only reads the engine, and input waits until it is done.
    RunWhilePainting([&] { search = SearchPairAgain(engine, a, method, side); });
    ShowPairLink();
    if (search.Kind != PairSearch::Found) {
      TellUser(window, QStringLiteral("ВНИМАНИЕ!"), PairSearchFailure(search),
               MessageKind::Warning);
      return;
    }
    if (!AskYesNo(window, QStringLiteral("Поиск пары"), KeepFoundLinkQuestion(search))) return;
    kept = KeepPairSearch(engine, shell_.MontageTable, search);
  }
  const QString note = KeptPairNote(search, kept);
  if (kept.Kept) {
    ShowConnection();
    LinkChanged(a);
  }
  if (!note.isEmpty()) TellUser(window, QStringLiteral("ВНИМАНИЕ!"), note, MessageKind::Warning);
}
