// The shell port over Win32: starts, the current drive and folder, the system's folders, the
// clipboard.
#pragma once

#include <windows.h>

#include <string>

#include "common/SystemPorts.h"
#include "common/win32/DelayLoad.h"

namespace carrydeck {

// On the window thread only: the first shell start puts that thread into a single-threaded
// COM apartment, which ends with this object.
class Win32Shell : public IShell {
 public:
  Win32Shell() = default;
  Win32Shell(const Win32Shell&) = delete;
  Win32Shell& operator=(const Win32Shell&) = delete;

  // The window that owns what this puts on the clipboard (the main window).
  void SetClipboardOwner(HWND owner) { clipboardOwner_ = owner; }

  bool ChangeDrive(const std::string& drive) override;
  bool ChangeFolder(const std::string& folder) override;
  void ShellOpen(const std::string& file, const std::string& folder, const std::string& parameters) override;
  bool StartProgram(const std::string& program, const std::string& commandLine, const std::string& folder) override;
  std::string SystemFolder() override;
  std::string WindowsFolder() override;
  std::string GetShortPath(const std::string& path) override;
  bool SetClipboardText(const std::string& text) override;
  bool GetClipboardText(std::string& text) override;
  std::string LastErrorDescription() override;

 private:
  DWORD lastError_ = 0;
  HWND clipboardOwner_ = nullptr;
  ComApartment com_;
};

std::string GetShortPath(const std::string& path);
void ShellOpen(const std::string& file, const std::string& folder, const std::string& parameters);

}  // namespace carrydeck
