// Start-up, first show, resizing and exit of the main window.
#include <QComboBox>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>

#include "dialogs/about/about.h"
#include "dialogs/settings/setupwin.h"
#include "engine/progress.h"
#include "formmain.h"
#include "imagefiles/imagefiles.h"
#include "mainwind/dockpanel.h"
#include "mainwind/picturecontrol.h"
#include "mainwind/userdialogs.h"
#include "mainwind/videodeviceport.h"

namespace {

void Advance(ProgressIndicator* progress, int percent) {
  if (progress) progress->SetPosition(percent);
}

}  // namespace

void TFormMain::FormCreate() {
  Advance(startupProgress_, 10);
  // The grids paint off-screen already: every widget is double-buffered here.
  PixInit();
  Advance(startupProgress_, 30);
  LastFrame.emplace();
  SetWorkflowState(kStateNoImages);
  Advance(startupProgress_, 50);
  Advance(startupProgress_, 70);
  Advance(startupProgress_, 80);
  video_->StartPreview();
  video_->SetPreviewZoomSize(100);
  Advance(startupProgress_, 90);
  VideoDeviceComboBox->clear();
  for (const std::string& name : video_->DeviceNames()) {
    VideoDeviceComboBox->addItem(QString::fromStdString(name));
  }
  if (VideoDeviceComboBox->count() == 0) SetTabShown(TabSheetVideo, false);
  // The live picture starts as an empty 24-bit bitmap until the first frame.
  ImageVideo->Assign(::Bitmap());
}

void TFormMain::FormShow() {
  if (!FormSetup) return;
  FormSetup->LoadSetup(ConfigPath);
  ApplySetupToEngine();
  ReportUnsavedSetup();
}

void TFormMain::FormResize() {
  LayoutAlbum();
  CenterInBox(ImageBox, ImageQuilt);
  PanelCont->SetDockedSize(QSize(PanelCont->width() / 2, PanelCont->height() / 2));
}

void TFormMain::FormCloseQuery(bool& canClose) {
  canClose = AskYesNo(this, kQuestionCaption, QStringLiteral("Завершить работу с программой?"));
}

void TFormMain::FormClose() {
  TimerVideo->stop();
  video_->StopPreview();
  OverlayFrame.reset();
  LastFrame.reset();
}

void TFormMain::CenterInBox(QScrollArea* box, QWidget* picture) {
  box->horizontalScrollBar()->setValue(0);
  box->verticalScrollBar()->setValue(0);
  picture->move(0, 0);
  const QSize client = box->viewport()->size();
  int left = 0;
  int top = 0;
  if (picture->width() < client.width()) {
    left = (client.width() - picture->width()) / 2;
  } else {
    box->horizontalScrollBar()->setValue((picture->width() - client.width()) / 2);
  }
  if (picture->height() < client.height()) {
    top = (client.height() - picture->height()) / 2;
  } else {
    box->verticalScrollBar()->setValue((picture->height() - client.height()) / 2);
  }
  // The box itself moves a larger picture by its scroll position.
  picture->move(left > 0 ? left : -box->horizontalScrollBar()->value(),
                top > 0 ? top : -box->verticalScrollBar()->value());
}

void TFormMain::ToolButtonCloseClick() { close(); }

void TFormMain::ToolButtonAboutClick() {
  if (AboutQuiltDlg) AboutQuiltDlg->exec();
}
