// The launcher put together: the system's adapters, the main window with its parts, and the
// logic over both. The one place that decides what talks to what. WinMain runs it; the
// window tests run it with a window and a shell of their own.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "common/win32/Win32DiskSpace.h"
#include "common/win32/Win32FileSystem.h"
#include "common/win32/Win32Handles.h"
#include "common/win32/Win32Profile.h"
#include "common/win32/Win32Shell.h"
#include "common/win32/WideText.h"
#include "launcher/Launcher.h"
#include "launcher/win32/MainWindow.h"
#include "launcher/win32/Win32Icons.h"

namespace carrydeck {

class LauncherProgram {
 public:
  LauncherProgram();
  // The window goes first: to its last message it calls the logic, which uses the adapters.
  virtual ~LauncherProgram();
  LauncherProgram(const LauncherProgram&) = delete;
  LauncherProgram& operator=(const LauncherProgram&) = delete;

  // Makes the main window on a program folder (ending in "\"), runs the start-up sequence
  // and shows it; false when there is no window.
  bool Start(const std::string& appPath, int showCommand);
  // The message loop, until the window has gone; the program's exit code.
  int Run();

 protected:
  // What a test brings of its own: a window whose boxes it answers, a shell that records.
  virtual std::unique_ptr<MainWindow> MakeWindow(IFileSystem& files);
  virtual IShell& Shell() { return shell_; }

  // Once started.
  MainWindow& Window() { return *window_; }
  Launcher& Logic() { return *launcher_; }
  Win32Icons& Icons() { return icons_; }

 private:
  Win32FileSystem files_;
  Win32Profile profile_;
  Win32CodePage codePage_;
  Win32DiskSpace disk_;
  Win32Shell shell_;
  Win32Icons icons_;
  Win32NativeHandles native_;
  Win32Volumes volumes_;
  Win32Processes processes_;
  DriveHolderSearch holders_{native_, volumes_, processes_, nt::kNativeLayout};
  std::unique_ptr<MainWindow> window_;
  std::unique_ptr<Launcher> launcher_;
};

}  // namespace carrydeck
