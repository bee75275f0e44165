#include "assemblypage.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QLayout>
#include <QScrollArea>
#include <QScrollBar>
#include <QToolBar>
#include <QToolButton>

#include "dialogs/print/mosaicprint.h"
#include "dialogs/print/prerpintdlg.h"
#include "dialogs/settings/preferences.h"
#include "engine/panoram.h"
#include "engine/stitchflow.h"
#include "imagefiles/imagefiles.h"
#include "imagefiles/pixdialogs.h"
#include "mainwind/assembly/assemblystatus.h"
#include "mainwind/pixmessages.h"
#include "widgets/assemblywork.h"
#include "widgets/busycursor.h"
#include "widgets/pagebuild.h"
#include "widgets/panelstatusbar.h"
#include "widgets/picturecontrol.h"
#include "widgets/scrollbox.h"
#include "widgets/userdialogs.h"
#include "widgets/viewgeometry.h"
#include "widgets/wheelzoom.h"
#include "widgets/workflowcommand.h"

namespace {

const QString kAttention = QStringLiteral("ВНИМАНИЕ!");
constexpr int kWorkingPanel = 5;
constexpr QSize kQuiltButton{55, 54};

}  // namespace

AssemblyPage::AssemblyPage(PageHost& host, ShellState shell, ToolImageLists& lists, QObject* parent)
    : QObject(parent), host_(host), shell_(shell) {
  Build(lists);
  OnClick(ToolButtonFineFront, this, &AssemblyPage::ToolButtonFineFrontClick);
  OnClick(ToolButtonCrop, this, &AssemblyPage::ToolButtonCropClick);
  OnClick(ToolButtonMinus, this, &AssemblyPage::ToolButtonMinusClick);
  OnClick(ToolButtonNormal, this, &AssemblyPage::ToolButtonNormalClick);
  OnClick(ToolButtonPlus, this, &AssemblyPage::ToolButtonPlusClick);
  OnClick(ToolButtonFit, this, &AssemblyPage::ToolButtonFitClick);
  WatchWheelZoom(ImageBox, [this](bool in, QPoint position) { ZoomAt(in, position); });
  OnClick(ToolButtonSave, this, &AssemblyPage::ToolButtonSaveClick);
  OnClick(ToolButtonPrint, this, &AssemblyPage::ToolButtonPrintClick);
  OnClick(ToolButtonSet2, this, &AssemblyPage::ToolButtonSet2Click);
  connect(ImageQuilt, &PictureControl::MouseDown, this,
          [this](QPoint position, Qt::MouseButton) { ImageQuiltMouseDown(position); });
  connect(ImageQuilt, &PictureControl::MouseMove, this,
          [this](QPoint position, Qt::MouseButtons) { ImageQuiltMouseMove(position); });
  connect(ImageQuilt, &PictureControl::MouseUp, this,
          [this](QPoint, Qt::MouseButton) { ImageQuiltMouseUp(); });
}

void AssemblyPage::Build(ToolImageLists& lists) {
  TabSheetQuilt = Named(new QWidget, "TabSheetQuilt");
  auto* layout = Column(TabSheetQuilt);
  ToolBar1 = MakeToolBar(TabSheetQuilt, "ToolBar1");
  const auto add = [this, &lists](QToolButton*& button, const char* name, const char* hint,
                                  const char* icon, const char* glyph) {
    AddToolButton(ToolBar1, lists, button, name, hint, icon, glyph, kQuiltButton);
  };
  add(ToolButtonFineFront, "ToolButtonFineFront", "Сглаживание переходов", "draw-brush", "~");
  ToolButtonFineFront->setCheckable(true);
  add(ToolButtonCrop, "ToolButtonCrop", "Обрезка готового изображения", "transform-crop", "#");
  ToolButtonCrop->setCheckable(true);
  ToolBar1->addSeparator();
  add(ToolButtonMinus, "ToolButtonMinus", "Уменьшение изображения", "zoom-out", "-");
  add(ToolButtonNormal, "ToolButtonNormal", "Нормальный размер изображения", "zoom-original", "1");
  add(ToolButtonPlus, "ToolButtonPlus", "Увеличение изображения", "zoom-in", "+");
  add(ToolButtonFit, "ToolButtonFit", "Вписать в окно", "zoom-fit-best", "F");
  ToolBar1->addSeparator();
  add(ToolButtonSave, "ToolButtonSave", "Сохранение изображения", "document-save", "S");
  add(ToolButtonPrint, "ToolButtonPrint", "Печать изображения", "document-print", "P");
  ToolBar1->addSeparator();
  add(ToolButtonSet2, "ToolButtonSet2", "Настройка программы", "configure", "Н");
  add(ToolButtonAbout, "ToolButtonAbout", "О программе", "help-about", "?");
  add(ToolButtonClose, "ToolButtonClose", "Выход", "application-exit", "X");
  layout->addWidget(ToolBar1);

  ImageBox =
      MakeScrollBox(TabSheetQuilt, "ImageBox", ImageQuilt, "ImageQuilt", true, Qt::AlignCenter);
  layout->addWidget(ImageBox, 1);
  StatusBar = Named(new PanelStatusBar({200, 150, 110, 70, 70, 50}, TabSheetQuilt), "StatusBar");
  layout->addWidget(StatusBar);
}

ViewSize AssemblyPage::QuiltPictureSize() const {
  return {ImageQuilt->Held().Width(), ImageQuilt->Held().Height()};
}

void AssemblyPage::CenterMosaic() { CenterInBox(ImageBox, ImageQuilt); }

void AssemblyPage::CenterMosaicOnShownPage() {
  // The picture was sized while its page was hidden, against a stale box:
  // centre it again in the box the page has now.
  TabSheetQuilt->layout()->activate();
  QCoreApplication::sendPostedEvents(ImageBox, QEvent::MetaCall);
  CenterMosaic();
}

void AssemblyPage::SizeImageQuilt() {
  const ViewSize shown = DisplayedSize(QuiltPictureSize(), MosaicZoom);
  ImageQuilt->resize(shown.Width, shown.Height);
  // The box shows or hides its scroll bars through a queued call; let it run
  // now so that the picture is centred in the client area it really has.
  QCoreApplication::sendPostedEvents(ImageBox, QEvent::MetaCall);
  CenterMosaic();
}

void AssemblyPage::ShowNewMosaic() {
  MosaicZoom = 1.0f;
  ShowMosaic();
}

void AssemblyPage::ShowMosaic() {
  WorkflowCommand command(shell_.CommandRunning);
  StatusBar->SetPanelText(kWorkingPanel, QStringLiteral("Обработка"));
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);

  Panoram& engine = shell_.Engine;
  bool built = false;
  const bool smoothing = ToolButtonFineFront->isChecked();
  RunWhilePainting([&] { built = static_cast<bool>(AssembleMosaic(engine, smoothing)); });
  ImageQuilt->SetAutoSize(false);
  if (built) {
    built = ::ShowMosaic(engine, shell_.MontageTable, ToolButtonCrop->isChecked(), *ImageQuilt);
    ImageQuilt->BitmapChanged();
  }
  // A larger picture at the same zoom may pass what a widget can show.
  MosaicZoom = BoundZoom(MosaicZoom, QuiltPictureSize());
  SizeImageQuilt();
  ShowStatus();
  // Without images there is simply nothing to show; with images the canvas was too large.
  if (!built && engine.Count() > 0)
    TellUser(ImageQuilt->window(), kAttention,
             QStringLiteral("Не удалось собрать изображение: оно слишком велико для памяти."),
             MessageKind::Error);
}

void AssemblyPage::ShowStatus() {
  AssemblyFacts facts;
  facts.ImageCount = shell_.Engine.Count();
  facts.PictureWidth = ImageQuilt->Held().Width();
  facts.PictureHeight = ImageQuilt->Held().Height();
  facts.Zoom = MosaicZoom;
  facts.Smoothed = ToolButtonFineFront->isChecked();
  facts.Cropped = ToolButtonCrop->isChecked();
  const QStringList texts = AssemblyStatusTexts(facts);
  for (int i = 0; i < texts.size() && i < StatusBar->PanelCount(); ++i)
    StatusBar->SetPanelText(i, texts[i]);
  // A zoom button that would change nothing is shown so.
  const ViewSize picture = QuiltPictureSize();
  ToolButtonPlus->setEnabled(ZoomIn(MosaicZoom, picture) != MosaicZoom);
  ToolButtonMinus->setEnabled(ZoomOut(MosaicZoom, picture) != MosaicZoom);
}

// A toggle pressed while another command runs springs back; the picture is not rebuilt.
void AssemblyPage::ToolButtonFineFrontClick() {
  if (shell_.CommandRunning) return ToolButtonFineFront->toggle();
  ShowMosaic();
}

void AssemblyPage::ToolButtonCropClick() {
  if (shell_.CommandRunning) return ToolButtonCrop->toggle();
  ShowMosaic();
}

void AssemblyPage::ApplyZoom(float zoom) {
  ImageQuilt->SetAutoSize(false);
  MosaicZoom = zoom;
  ShowStatus();
  SizeImageQuilt();
}

void AssemblyPage::ToolButtonMinusClick() { ApplyZoom(ZoomOut(MosaicZoom, QuiltPictureSize())); }

void AssemblyPage::ToolButtonNormalClick() { ApplyZoom(kZoomNormal); }

void AssemblyPage::ToolButtonPlusClick() { ApplyZoom(ZoomIn(MosaicZoom, QuiltPictureSize())); }

void AssemblyPage::ToolButtonFitClick() {
  const QSize box = ImageBox->maximumViewportSize();
  ApplyZoom(FitZoom(QuiltPictureSize(), {box.width(), box.height()}));
}

void AssemblyPage::ZoomAt(bool in, QPoint position) {
  const ViewSize picture = QuiltPictureSize();
  const float zoom = in ? ZoomIn(MosaicZoom, picture) : ZoomOut(MosaicZoom, picture);
  if (zoom == MosaicZoom || picture.Width <= 0) return;
  // The mosaic's pixel under the mouse, before and after.
  const QPointF spot = QPointF(ImageQuilt->mapFrom(ImageBox->viewport(), position)) / MosaicZoom;
  ApplyZoom(zoom);
  ScrollPointTo(ImageBox, ImageQuilt, (spot * zoom).toPoint(), position);
}

void AssemblyPage::ToolButtonSet2Click() {
  if (host_.RunSetupDialog()) ShowMosaic();
}

void AssemblyPage::ImageQuiltMouseDown(QPoint position) {
  PanDragging = true;
  PanStart = {position.x(), position.y()};
}

void AssemblyPage::ImageQuiltMouseMove(QPoint position) {
  if (!PanDragging) return;
  QScrollBar* horizontal = ImageBox->horizontalScrollBar();
  QScrollBar* vertical = ImageBox->verticalScrollBar();
  horizontal->setValue(PanScroll(horizontal->value(), PanStart.X, position.x()));
  vertical->setValue(PanScroll(vertical->value(), PanStart.Y, position.y()));
}

void AssemblyPage::ImageQuiltMouseUp() { PanDragging = false; }

void AssemblyPage::ToolButtonSaveClick() {
  WorkflowCommand command(shell_.CommandRunning);
  if (!command.Acquired()) return;
  const QString folder = shell_.SaveFolder.isEmpty() ? shell_.ImageFolder : shell_.SaveFolder;
  PixSaveOptions options = RememberedSaveOptions();
  const std::string name = PixSaveDialog(
      "Сохранение изображения",
      QFile::encodeName(folder + QStringLiteral("Panorama.bmp")).toStdString(), &options);
  if (name.empty()) return;
  const Bitmap& picture = ImageQuilt->Held();
  // A format that cannot hold the mosaic is refused before anything is written.
  if (PixCheckWritable(name, picture.Width(), picture.Height(), options).Error ==
      PixError::TooLarge) {
    TellUser(ImageQuilt->window(), kAttention,
             TooLargeForFormatMessage(name, picture.Width(), picture.Height()), MessageKind::Error);
    return;
  }
  if (!PixSaveOptionsDialog(name, options)) return;
  PixStatus status;
  {
    // Encoding a large picture takes seconds: the window goes on painting meanwhile.
    const BusyCursor busy;
    StatusBar->SetPanelText(kWorkingPanel, QStringLiteral("Сохранение…"));
    RunWhilePainting([&] { status = PixSaveImage(name, picture, options); });
    StatusBar->SetPanelText(kWorkingPanel, QString());
  }
  if (!status) {
    TellUser(ImageQuilt->window(), kAttention, SaveFailedMessage(name, status), MessageKind::Error);
    return;
  }
  RememberSaveOptions(options);
  shell_.SaveFolder = QFileInfo(QFile::decodeName(QByteArray::fromStdString(name))).absolutePath() +
                      QLatin1Char('/');
  RememberSaveFolder(shell_.SaveFolder);
}

void AssemblyPage::ToolButtonPrintClick() {
  WorkflowCommand command(shell_.CommandRunning);
  if (!command.Acquired()) return;
  if (!PrePrintQuiltDialog) PrePrintQuiltDialog = new TPrePrintQuiltDialog(ImageQuilt->window());
  if (PrePrintQuiltDialog->exec() != QDialog::Accepted) return;
  QString error;
  if (!PrintMosaic(PrePrintQuiltDialog->Printer(), ImageQuilt->Held(),
                   PrePrintQuiltDialog->Options(), &error)) {
    TellUser(ImageQuilt->window(), kAttention,
             QStringLiteral("Не удалось напечатать изображение: %1.").arg(error),
             MessageKind::Error);
  }
}
