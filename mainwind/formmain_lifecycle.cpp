// Start-up, first show, resizing and exit of the main window.
#include <QComboBox>
#include <QTimer>

#include "dialogs/about/about.h"
#include "dialogs/settings/setupwin.h"
#include "engine/progress.h"
#include "formmain.h"
#include "imagefiles/imagefiles.h"
#include "mainwind/album/albumpage.h"
#include "mainwind/assembly/assemblypage.h"
#include "mainwind/correction/correctionpage.h"
#include "mainwind/userdialogs.h"
#include "mainwind/videodeviceport.h"
#include "widgets/picturecontrol.h"

namespace {

void Advance(ProgressIndicator* progress, int percent) {
  if (progress) progress->SetPosition(percent);
}

}  // namespace

void TFormMain::FormCreate(ProgressIndicator* startupProgress) {
  Advance(startupProgress, 10);
  // The grids paint off-screen already: every widget is double-buffered here.
  PixInit();
  Advance(startupProgress, 30);
  SetWorkflowState(kStateNoImages);
  Advance(startupProgress, 50);
  Advance(startupProgress, 70);
  Advance(startupProgress, 80);
  video_->StartPreview();
  video_->SetPreviewZoomSize(100);
  Advance(startupProgress, 90);
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
  Album->LayoutAlbum();
  Assembly->CenterMosaic();
  Correction->KeepParentViewAtHalf();
}

void TFormMain::FormCloseQuery(bool& canClose) {
  canClose = AskYesNo(this, kQuestionCaption, QStringLiteral("Завершить работу с программой?"));
}

void TFormMain::FormClose() {
  TimerVideo->stop();
  video_->StopPreview();
}

void TFormMain::ToolButtonCloseClick() { close(); }

void TFormMain::ToolButtonAboutClick() {
  if (AboutQuiltDlg) AboutQuiltDlg->exec();
}
