#include "common/win32/Win32Shell.h"

#include <shellapi.h>

#include <cstring>
#include <vector>

#include "common/Paths.h"
#include "common/win32/ErrorDescription.h"
#include "common/win32/Handle.h"

namespace carrydeck {

namespace {
// Holds the clipboard open for one operation; other programs may hold it briefly (a clipboard
// viewer reads it after every change), so it is asked a few times over a tenth of a second.
constexpr int kClipboardAttempts = 5;
constexpr DWORD kClipboardRetryMs = 20;

class ClipboardLock {
 public:
  explicit ClipboardLock(HWND owner) {
    for (int attempt = 0; attempt < kClipboardAttempts && !open_; ++attempt) {
      open_ = ::OpenClipboard(owner) != FALSE;
      if (!open_) ::Sleep(kClipboardRetryMs);
    }
  }
  ~ClipboardLock() {
    if (open_) ::CloseClipboard();
  }
  bool open() const { return open_; }

 private:
  bool open_ = false;
};

std::string FolderWithBackslash(const char* folder, UINT length) {
  if (length == 0 || length >= MAX_PATH) return std::string();
  return AddTrailingBackslash(std::string(folder, length));
}
}  // namespace

bool Win32Shell::ChangeDrive(const std::string& drive) {
  if (drive.size() < 2 || drive[1] != ':') {
    lastError_ = ERROR_INVALID_DRIVE;
    return false;
  }
  // "E:" alone returns to that drive's own current folder, as changing drive does.
  if (::SetCurrentDirectoryA(drive.substr(0, 2).c_str())) return true;
  lastError_ = ::GetLastError();
  return false;
}

bool Win32Shell::ChangeFolder(const std::string& folder) {
  if (::SetCurrentDirectoryA(folder.c_str())) return true;
  lastError_ = ::GetLastError();
  return false;
}

void Win32Shell::ShellOpen(const std::string& file, const std::string& folder, const std::string& parameters) {
  // The shell may hand a start to extensions that need COM on this thread; once is enough,
  // and it stays until this port goes.
  com_.Join();
  carrydeck::ShellOpen(file, folder, parameters);
}

bool Win32Shell::StartProgram(const std::string& program, const std::string& commandLine, const std::string& folder) {
  // Only a path the system takes as it is, never one it would search for.
  if (!IsRootedPath(program)) {
    lastError_ = ERROR_BAD_PATHNAME;
    return false;
  }
  std::vector<char> line(commandLine.begin(), commandLine.end());
  line.push_back('\0');
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOWNORMAL;
  PROCESS_INFORMATION process = {};
  // The program named, not whatever the command line's first word finds on the search path.
  // A console of its own: never one the launcher may have been started from.
  if (!::CreateProcessA(program.c_str(), line.data(), nullptr, nullptr, FALSE, CREATE_NEW_CONSOLE, nullptr,
                        folder.empty() ? nullptr : folder.c_str(), &startup, &process)) {
    lastError_ = ::GetLastError();
    return false;
  }
  // The program runs on its own: none of its handles is kept.
  UniqueKernelHandle thread(process.hThread), started(process.hProcess);
  return true;
}

std::string Win32Shell::SystemFolder() {
  char folder[MAX_PATH] = {};
  return FolderWithBackslash(folder, ::GetSystemDirectoryA(folder, MAX_PATH));
}

std::string Win32Shell::WindowsFolder() {
  char folder[MAX_PATH] = {};
  return FolderWithBackslash(folder, ::GetWindowsDirectoryA(folder, MAX_PATH));
}

std::string Win32Shell::GetShortPath(const std::string& path) { return carrydeck::GetShortPath(path); }

bool Win32Shell::SetClipboardText(const std::string& text) {
  ClipboardLock lock(clipboardOwner_);
  if (!lock.open()) {
    lastError_ = ::GetLastError();
    return false;
  }
  ::EmptyClipboard();
  UniqueGlobal memory(::GlobalAlloc(GMEM_MOVEABLE, text.size() + 1));
  {
    LockedGlobal data(memory.get());
    if (!data) {
      lastError_ = ::GetLastError();
      return false;
    }
    std::memcpy(data.get(), text.c_str(), text.size() + 1);
  }
  if (!::SetClipboardData(CF_TEXT, memory.get())) {
    lastError_ = ::GetLastError();
    return false;
  }
  memory.release();  // the clipboard owns it now
  return true;
}

bool Win32Shell::GetClipboardText(std::string& text) {
  text.clear();
  ClipboardLock lock(clipboardOwner_);
  if (!lock.open()) {
    lastError_ = ::GetLastError();
    return false;
  }
  HANDLE data = ::GetClipboardData(CF_TEXT);
  if (!data) return true;  // no text on the clipboard: an empty text
  LockedGlobal locked(data);
  if (locked) {
    const char* chars = static_cast<const char*>(locked.get());
    text.assign(chars, strnlen(chars, ::GlobalSize(data)));
  }
  return true;
}

std::string Win32Shell::LastErrorDescription() { return ErrorDescription(lastError_); }

std::string GetShortPath(const std::string& path) {
  // The short form is asked for in a buffer this long and no longer: a short path that does not
  // fit is no answer.
  constexpr DWORD kShortPathChars = 164;
  char buffer[kShortPathChars + 1] = {};
  DWORD n = ::GetShortPathNameA(path.c_str(), buffer, kShortPathChars);
  if (n == 0 || n >= kShortPathChars) return std::string();  // a form that does not fit is no answer
  return std::string(buffer, n);
}

void ShellOpen(const std::string& file, const std::string& folder, const std::string& parameters) {
  late::ShellExecuteA(nullptr, nullptr, file.c_str(), parameters.c_str(), folder.c_str(), SW_SHOWNORMAL);
}

}  // namespace carrydeck
