#include "startup.h"

#include <QApplication>
#include <QFile>
#include <QIcon>
#include <exception>

#include "capture/camera/korvexcameracontrol.h"
#include "capture/capturepage.h"
#include "capture/video/programdevices.h"
#include "dialogs/about/about.h"
#include "dialogs/print/prerpintdlg.h"
#include "dialogs/project/projwin.h"
#include "dialogs/settings/setupwin.h"
#include "mainwind/album/albumpage.h"
#include "mainwind/appearance.h"
#include "mainwind/assembly/assemblypage.h"
#include "mainwind/formmain.h"
#include "startwin2007.h"
#include "widgets/userdialogs.h"

namespace {

const QString kApplicationTitle = QStringLiteral("Pictaro Quiltor");

void Announce(const WindowCreatedHook& created, const char* className) {
  if (created) created(QString::fromLatin1(className));
}

void InitialiseApplication(QApplication& app) {
  QCoreApplication::setOrganizationName(QStringLiteral("KORVEX"));
  QCoreApplication::setApplicationName(kApplicationTitle);
  // Ties the windows to the installed desktop entry and its icon (Wayland's
  // app id; X11 matches the entry's StartupWMClass).
  QGuiApplication::setDesktopFileName(QStringLiteral("com.korvex.Quiltor"));
  RegisterProgramFonts();
  UseProgramIconTheme();
  QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("quiltor")));
  InstallRussianTexts(app);
}

// The machine's cameras, and the simulated camera when the command line or
// the environment asks for it.
std::unique_ptr<VideoProvider> CommandLineDevices(QString& problem) {
  std::vector<std::string> arguments;
  // The camera's spec names files: back to the system's bytes.
  for (const QString& argument : QCoreApplication::arguments())
    arguments.push_back(QFile::encodeName(argument).toStdString());
  const QByteArray variable = qgetenv(kSimulateCameraVariable);
  const std::optional<std::string> spec = SimulatedCameraRequest(
      arguments,
      qEnvironmentVariableIsSet(kSimulateCameraVariable) ? variable.constData() : nullptr);
  std::string error;
  std::unique_ptr<VideoProvider> devices = ProgramVideoDevices(spec, error);
  if (!error.empty()) problem = QString::fromStdString(error);
  return devices;
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
                                   std::unique_ptr<VideoProvider> devices,
                                   const WindowCreatedHook& created) {
  main_ = std::make_unique<TFormMain>(paths, splash_.get(), std::move(devices));
  Announce(created, "TFormMain");
  main_->AboutQuiltDlg = new TAboutQuiltDlg(main_.get());
  TAboutQuiltDlg* about = main_->AboutQuiltDlg;
  QObject::connect(about, &TAboutDlg::LinkNotOpened, about, [about](const QString& text) {
    TellUser(about, QStringLiteral("О программе"), text, MessageKind::Warning);
  });
  Announce(created, "TAboutQuiltDlg");
  main_->Assembly->PrePrintQuiltDialog = new TPrePrintQuiltDialog(main_.get());
  Announce(created, "TPrePrintQuiltDialog");
  main_->Capture->FormProj = new TFormProj(main_.get());
  Announce(created, "TFormProj");
  main_->FormSetup = new TFormSetup(main_.get());
  Announce(created, "TFormSetup");
  main_->Capture->VideoQuality = new TfrmVideoQuality(*main_->Capture->VideoGrabber, main_.get());
  Announce(created, "TfrmVideoQuality");
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
    QString devicesProblem;
    std::unique_ptr<VideoProvider> devices =
        options.Devices ? options.Devices() : CommandLineDevices(devicesProblem);
    startup.CreateWindows(paths, std::move(devices), options.Created);
    startup.FinishSplash();
    startup.MainWindow()->show();
    if (!devicesProblem.isEmpty()) {
      TellUser(startup.MainWindow(), kApplicationTitle, devicesProblem, MessageKind::Warning);
    }
    if (!options.Images.empty()) startup.MainWindow()->Album->OpenImageFiles(options.Images);
    if (options.InsteadOfLoop) return options.InsteadOfLoop(startup);
    return QApplication::exec();
  } catch (...) {
    ShowProgramError(std::current_exception());
  }
  return 1;
}
