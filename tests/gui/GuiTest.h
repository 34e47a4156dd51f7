// Driving the real main window in process: a program folder on drive E: (mapped by the
// test command), messages pumped until idle, and what the user would see read back.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <string>

#include "MainWindow.h"

namespace carrydeck::gui {

// Processes messages for about ms milliseconds, shortcuts included.
void Pump(MainWindow* window, DWORD ms = 60);

// A fresh folder E:\<test name>\ holding the given files.
class StickFolder {
 public:
  explicit StickFolder(const std::string& name);
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

}  // namespace carrydeck::gui
