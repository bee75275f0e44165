// The assembly page: building and showing the mosaic, zoom, pan, save and print.
#include <QCoreApplication>
#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>
#include <QToolButton>

#include "dialogs/mosaicprint.h"
#include "dialogs/prerpintdlg.h"
#include "formmain.h"
#include "imagefiles/imagefiles.h"
#include "imagefiles/pixdialogs.h"
#include "mainwind/albummessages.h"
#include "mainwind/assemblybuild.h"
#include "mainwind/assemblystatus.h"
#include "mainwind/assemblywork.h"
#include "mainwind/panelstatusbar.h"
#include "mainwind/picturecontrol.h"
#include "mainwind/userdialogs.h"
#include "mainwind/viewgeometry.h"
#include "mainwind/workflowcommand.h"

namespace {

const QString kAttention = QStringLiteral("ВНИМАНИЕ!");
constexpr int kWorkingPanel = 5;

}  // namespace

void TFormMain::SetupAssembly() {
  connect(ImageQuilt, &PictureControl::MouseDown, this,
          [this](QPoint position, Qt::MouseButton) { ImageQuiltMouseDown(position); });
  connect(ImageQuilt, &PictureControl::MouseMove, this,
          [this](QPoint position, Qt::MouseButtons) { ImageQuiltMouseMove(position); });
  connect(ImageQuilt, &PictureControl::MouseUp, this,
          [this](QPoint, Qt::MouseButton) { ImageQuiltMouseUp(); });
}

ViewSize TFormMain::QuiltPictureSize() const {
  return {ImageQuilt->Held().Width(), ImageQuilt->Held().Height()};
}

void TFormMain::SizeImageQuilt() {
  const ViewSize shown = DisplayedSize(QuiltPictureSize(), MosaicZoom);
  ImageQuilt->resize(shown.Width, shown.Height);
  // The box shows or hides its scroll bars through a queued call; let it run
  // now so that the picture is centred in the client area it really has.
  QCoreApplication::sendPostedEvents(ImageBox, QEvent::MetaCall);
  CenterInBox(ImageBox, ImageQuilt);
}

void TFormMain::ShowMosaic() {
  WorkflowCommand command(CommandRunning);
  StatusBar->SetPanelText(kWorkingPanel, QStringLiteral("Обработка"));
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);

  bool built = false;
  const bool smoothing = ToolButtonFineFront->isChecked();
  RunWhilePainting([&] { built = ComposeMosaic(Engine, smoothing); });
  ImageQuilt->SetAutoSize(false);
  if (built) {
    built = ShowMosaicPicture(Engine, MontageTable, *ImageQuilt, ToolButtonCrop->isChecked());
    ImageQuilt->BitmapChanged();
  }
  // A larger picture at the same zoom may pass what a widget can show.
  MosaicZoom = BoundZoom(MosaicZoom, QuiltPictureSize());
  SizeImageQuilt();
  ShowStatus();
  // Without images there is simply nothing to show; with images the canvas was too large.
  if (!built && Engine.Count() > 0)
    TellUser(this, kAttention,
             QStringLiteral("Не удалось собрать изображение: оно слишком велико для памяти."),
             MessageKind::Error);
}

void TFormMain::ShowStatus() {
  AssemblyFacts facts;
  facts.ImageCount = Engine.Count();
  facts.PictureWidth = ImageQuilt->Held().Width();
  facts.PictureHeight = ImageQuilt->Held().Height();
  facts.Zoom = MosaicZoom;
  facts.Smoothed = ToolButtonFineFront->isChecked();
  facts.Cropped = ToolButtonCrop->isChecked();
  const QStringList texts = AssemblyStatusTexts(facts);
  for (int i = 0; i < texts.size() && i < StatusBar->PanelCount(); ++i)
    StatusBar->SetPanelText(i, texts[i]);
}

// A toggle pressed while another command runs springs back; the picture is not rebuilt.
void TFormMain::ToolButtonFineFrontClick() {
  if (CommandRunning) return ToolButtonFineFront->toggle();
  ShowMosaic();
}

void TFormMain::ToolButtonCropClick() {
  if (CommandRunning) return ToolButtonCrop->toggle();
  ShowMosaic();
}

void TFormMain::ApplyZoom(float zoom) {
  ImageQuilt->SetAutoSize(false);
  MosaicZoom = zoom;
  ShowStatus();
  SizeImageQuilt();
}

void TFormMain::ToolButtonMinusClick() { ApplyZoom(ZoomOut(MosaicZoom, QuiltPictureSize())); }

void TFormMain::ToolButtonNormalClick() { ApplyZoom(kZoomNormal); }

void TFormMain::ToolButtonPlusClick() { ApplyZoom(ZoomIn(MosaicZoom, QuiltPictureSize())); }

void TFormMain::ImageQuiltMouseDown(QPoint position) {
  PanDragging = true;
  PanStart = {position.x(), position.y()};
}

void TFormMain::ImageQuiltMouseMove(QPoint position) {
  if (!PanDragging) return;
  QScrollBar* horizontal = ImageBox->horizontalScrollBar();
  QScrollBar* vertical = ImageBox->verticalScrollBar();
  horizontal->setValue(PanScroll(horizontal->value(), PanStart.X, position.x()));
  vertical->setValue(PanScroll(vertical->value(), PanStart.Y, position.y()));
}

void TFormMain::ImageQuiltMouseUp() { PanDragging = false; }

void TFormMain::ToolButtonSaveClick() {
  WorkflowCommand command(CommandRunning);
  if (!command.Acquired()) return;
  const std::string name = PixSaveDialog("Сохранение изображения",
                                         (ImageFolder + QStringLiteral("Panorama.bmp")).toStdString());
  if (name.empty()) return;
  const PixStatus status = PixSaveImage(name, ImageQuilt->Held());
  if (!status) TellUser(this, kAttention, SaveFailedMessage(name, status), MessageKind::Error);
}

void TFormMain::ToolButtonPrintClick() {
  WorkflowCommand command(CommandRunning);
  if (!command.Acquired()) return;
  if (!PrePrintQuiltDialog) PrePrintQuiltDialog = new TPrePrintQuiltDialog(this);
  if (PrePrintQuiltDialog->exec() != QDialog::Accepted) return;
  QString error;
  if (!PrintMosaic(PrePrintQuiltDialog->Printer(), ImageQuilt->Held(), PrePrintQuiltDialog->Options(),
                   &error))
    TellUser(this, kAttention, QStringLiteral("Не удалось напечатать изображение: %1.").arg(error),
             MessageKind::Error);
}
