// Driving the real main window in process: a program folder on drive E: (mapped by the
// test command), messages pumped until idle, and what the user would see read back.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <string>

#include "launcher/win32/MainWindow.h"

namespace carrydeck::gui {

// Processes messages for about ms milliseconds, shortcuts included.
void Pump(MainWindow* window, DWORD ms = 60);

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
bool WaitForFile(MainWindow* window, const std::string& path, DWORD ms = 15000);

// A test that needs a process of its own (another screen resolution) starts this program
// again with a role in its arguments: true when this process is such a child, which then
// ends with exitCode instead of running the tests.
bool RunChildRole(int argc, char** argv, int& exitCode);
// Another such role: tries to change a file another process holds (test_exit_handoff.cpp).
bool RunSwapRole(int argc, char** argv, int& exitCode);

}  // namespace carrydeck::gui
