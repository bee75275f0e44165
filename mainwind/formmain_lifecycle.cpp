// Start-up, first show, resizing and exit of the main window.
#include "capture/capturepage.h"
#include "dialogs/about/about.h"
#include "dialogs/settings/setupwin.h"
#include "engine/progress.h"
#include "formmain.h"
#include "imagefiles/imagefiles.h"
#include "mainwind/album/albumpage.h"
#include "mainwind/assembly/assemblypage.h"
#include "mainwind/correction/correctionpage.h"
#include "widgets/userdialogs.h"

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
  Capture->StartVideo();
  Advance(startupProgress, 90);
  if (!Capture->HasDevices()) SetTabShown(Capture->TabSheetVideo, false);
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

void TFormMain::FormClose() { Capture->StopVideo(); }

void TFormMain::ToolButtonCloseClick() { close(); }

void TFormMain::ToolButtonAboutClick() {
  if (AboutQuiltDlg) AboutQuiltDlg->exec();
}
