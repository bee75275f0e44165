#pragma once
// The program's start-up: the splash window, the program's windows created
// once each in a fixed order, the fade-out and the message loop.

#include <QString>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "mainwind/programpaths.h"

class QApplication;
class TFormMain;
class TStartFormQuilt;
class VideoProvider;

// Called right after each window is created, with its class name.
using WindowCreatedHook = std::function<void(const QString& className)>;

class ProgramStartup {
 public:
  ProgramStartup();
  ~ProgramStartup();

  // Step 1: the splash window, shown and painted at once.
  void ShowSplash();
  // Step 3: the main window (advancing the splash bar), then the dialogs.
  void CreateWindows(const ProgramPaths& paths, std::unique_ptr<VideoProvider> devices,
                     const WindowCreatedHook& created = {});
  // Step 4: the splash bar to 100 and the fade-out.
  void FinishSplash();

  TStartFormQuilt* Splash() const { return splash_.get(); }
  TFormMain* MainWindow() const { return main_.get(); }

 private:
  std::unique_ptr<TStartFormQuilt> splash_;
  std::unique_ptr<TFormMain> main_;
};

struct StartupOptions {
  // The program's folders; by default those of the running executable.
  std::function<ProgramPaths()> Paths;
  // The video devices offered; by default the machine's cameras, and the
  // simulated camera when the command line or the environment asks for it.
  std::function<std::unique_ptr<VideoProvider>()> Devices;
  WindowCreatedHook Created;
  // Image files opened into the album once the main window is shown.
  std::vector<std::string> Images;
  // Runs once the main window is shown, in place of the message loop when set.
  std::function<int(ProgramStartup&)> InsteadOfLoop;
};

// The program's error box for an error nothing else handled: its message, or
// "unknown error" for a throw of anything but a standard exception.
void ShowProgramError(const std::exception_ptr& error);

// The whole run. An error that escapes is shown in an error box and ends the
// program with status 1.
int RunQuiltor(QApplication& app, const StartupOptions& options = {});
