#include "startup.h"

#include <QApplication>
#include <exception>

#include "dialogs/about/about.h"
#include "dialogs/print/prerpintdlg.h"
#include "dialogs/settings/setupwin.h"
#include "mainwind/appearance.h"
#include "mainwind/assembly/assemblypage.h"
#include "mainwind/formmain.h"
#include "mainwind/novideodevice.h"
#include "mainwind/userdialogs.h"
#include "startwin2007.h"

namespace {

const QString kApplicationTitle = QStringLiteral("Pictaro Quiltor");

void Announce(const WindowCreatedHook& created, const char* className) {
  if (created) created(QString::fromLatin1(className));
}

void InitialiseApplication(QApplication& app) {
  QCoreApplication::setOrganizationName(QStringLiteral("KORVEX"));
  QCoreApplication::setApplicationName(kApplicationTitle);
  RegisterProgramFonts();
  UseProgramIconTheme();
  InstallRussianTexts(app);
}

}  // namespace

ProgramStartup::ProgramStartup() = default;

ProgramStartup::~ProgramStartup() = default;

void ProgramStartup::ShowSplash() {
  splash_ = std::make_unique<TStartFormQuilt>();
  splash_->show();
  splash_->repaint();
}

void ProgramStartup::CreateWindows(const ProgramPaths& paths,
                                   std::unique_ptr<VideoDevicePort> video,
                                   const WindowCreatedHook& created) {
  main_ = std::make_unique<TFormMain>(paths, splash_.get(), std::move(video));
  Announce(created, "TFormMain");
  main_->AboutQuiltDlg = new TAboutQuiltDlg(main_.get());
  TAboutQuiltDlg* about = main_->AboutQuiltDlg;
  QObject::connect(about, &TAboutDlg::LinkNotOpened, about, [about](const QString& text) {
    TellUser(about, QStringLiteral("О программе"), text, MessageKind::Warning);
  });
  Announce(created, "TAboutQuiltDlg");
  // The new-project dialog and the camera dialog join this order at their
  // places when they exist.
  main_->Assembly->PrePrintQuiltDialog = new TPrePrintQuiltDialog(main_.get());
  Announce(created, "TPrePrintQuiltDialog");
  main_->FormSetup = new TFormSetup(main_.get());
  Announce(created, "TFormSetup");
}

void ProgramStartup::FinishSplash() {
  if (!splash_) return;
  splash_->SetPosition(100);
  splash_->StartFadeOut();
}

void ShowProgramError(const std::exception_ptr& error) {
  QString text = QStringLiteral("Неизвестная ошибка");
  try {
    std::rethrow_exception(error);
  } catch (const std::exception& known) {
    text = QString::fromLocal8Bit(known.what());
  } catch (...) {
  }
  TellUser(nullptr, kApplicationTitle, text, MessageKind::Error);
}

int RunQuiltor(QApplication& app, const StartupOptions& options) {
  try {
    ProgramStartup startup;
    startup.ShowSplash();
    InitialiseApplication(app);
    const ProgramPaths paths = options.Paths ? options.Paths() : CurrentProgramPaths();
    std::unique_ptr<VideoDevicePort> video =
        options.Video ? options.Video() : std::make_unique<NoVideoDevice>();
    startup.CreateWindows(paths, std::move(video), options.Created);
    startup.FinishSplash();
    startup.MainWindow()->show();
    if (options.InsteadOfLoop) return options.InsteadOfLoop(startup);
    return QApplication::exec();
  } catch (...) {
    ShowProgramError(std::current_exception());
  }
  return 1;
}
