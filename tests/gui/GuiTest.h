// Driving the real main window in process: a program folder on drive E: (mapped by the
// test command), messages pumped until idle, and what the user would see read back.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <memory>
#include <string>

#include "launcher/win32/LauncherProgram.h"
#include "launcher/win32/resource.h"

namespace carrydeck::gui {

using MessageBoxHook = std::function<int(const MessageBoxRequest&)>;

// What a test holds of the window: every message box answered by it, the program's end and
// each dialog that opens seen by it.
struct WindowSeams {
  MessageBoxHook messageBox;
  std::function<void()> end;  // none: the window ends for real
  DialogOpenedHook dialogOpened;
};

// The real main window, its boxes, end and dialogs in the test's hands.
class TestWindow : public MainWindow {
 public:
  TestWindow(IFileSystem& files, const WindowSeams& seams) : MainWindow(files), seams_(seams) {}
  void EndProgram() override;
  using MainWindow::tray;

 protected:
  int ShowMessageBox(HWND owner, const MessageBoxRequest& request) override;
  void OnDialogOpened(HWND dialog) override;

 private:
  const WindowSeams& seams_;
};

// The launcher as WinMain puts it together, with the test's window and, when the test
// brings one, its shell; and what a test looks at.
class TestLauncher : public LauncherProgram {
 public:
  // Each may be set before the start or while the window runs.
  void SetMessageBoxHook(MessageBoxHook hook) { seams_.messageBox = std::move(hook); }
  void SetEndHook(std::function<void()> hook) { seams_.end = std::move(hook); }
  void SetDialogHook(DialogOpenedHook hook) { seams_.dialogOpened = std::move(hook); }
  // Before the start: what would be started goes to `shell`.
  void SetShell(IShell* shell) { shell_ = shell; }

  bool Create(const std::string& appPath, int showCommand = SW_SHOWNORMAL) { return Start(appPath, showCommand); }
  TestWindow& window() { return static_cast<TestWindow&>(Window()); }
  HWND hwnd() { return Window().hwnd(); }
  Win32ListView& list() { return Window().list(); }
  HWND statusBar() { return GetDlgItem(hwnd(), IDC_STATUS); }
  const TrayIcon& tray() { return window().tray(); }
  Launcher& logic() { return Logic(); }
  Win32ImageList& imageList() { return Icons().imageList(); }
  bool TranslateOwnKeys(MSG& msg) { return Window().TranslateOwnKeys(msg); }

 protected:
  std::unique_ptr<MainWindow> MakeWindow(IFileSystem& files) override;
  IShell& Shell() override { return shell_ ? *shell_ : LauncherProgram::Shell(); }

 private:
  WindowSeams seams_;
  IShell* shell_ = nullptr;
};

// Processes messages for about ms milliseconds, the window's shortcuts included.
void Pump(TestLauncher* launcher, DWORD ms = 60);

// A fresh folder E:\<test name>\ holding the given files.
class StickFolder {
 public:
  // drive: the mapped drive letter the folder lives on (E: or F:).
  explicit StickFolder(const std::string& name, char drive = 'E');
  ~StickFolder();
  const std::string& path() const { return path_; }
  void Write(const std::string& name, const std::string& bytes) const;
  std::string Read(const std::string& name) const;
  bool Has(const std::string& name) const;

 private:
  std::string path_;
};

std::string ItemText(HWND list, int row, int column);
int ItemCount(HWND list);
std::string StatusText(HWND status);

// A file of the source tree (tests/data) as the Windows side sees it.
std::string TestData(const std::string& name);
// The folder holding the test programs (gui_tests.exe, probe.exe).
std::string TestBinFolder();
// Waits up to ms for a file to appear, pumping the window meanwhile.
bool WaitForFile(TestLauncher* launcher, const std::string& path, DWORD ms = 15000);

// A test that needs a process of its own (another screen resolution) starts this program
// again with a role in its arguments: true when this process is such a child, which then
// ends with exitCode instead of running the tests.
bool RunChildRole(int argc, char** argv, int& exitCode);
// Another such role: tries to change a file another process holds (test_exit_handoff.cpp).
bool RunSwapRole(int argc, char** argv, int& exitCode);

}  // namespace carrydeck::gui
