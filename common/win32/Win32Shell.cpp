#include "common/win32/Win32Shell.h"

#include <shellapi.h>

#include <cstring>
#include <vector>

#include "common/Paths.h"
#include "common/win32/ErrorDescription.h"
#include "common/win32/Handle.h"
#include "common/win32/WideText.h"

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

std::string FolderWithBackslash(const wchar_t* folder, UINT length) {
  if (length == 0 || length >= MAX_PATH) return std::string();
  return AddTrailingBackslash(Utf8(std::wstring_view(folder, length)));
}
}  // namespace

bool Win32Shell::ChangeDrive(const std::string& drive) {
  if (drive.size() < 2 || drive[1] != ':') {
    lastError_ = ERROR_INVALID_DRIVE;
    return false;
  }
  // "E:" alone returns to that drive's own current folder, as changing drive does.
  if (::SetCurrentDirectoryW(Wide(drive.substr(0, 2)).c_str())) return true;
  lastError_ = ::GetLastError();
  return false;
}

bool Win32Shell::ChangeFolder(const std::string& folder) {
  if (::SetCurrentDirectoryW(Wide(folder).c_str())) return true;
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
  const std::wstring wideLine = Wide(commandLine);
  std::vector<wchar_t> line(wideLine.begin(), wideLine.end());
  line.push_back(L'\0');
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOWNORMAL;
  PROCESS_INFORMATION process = {};
  // The program named, not whatever the command line's first word finds on the search path.
  // A console of its own: never one the launcher may have been started from.
  const std::wstring wideFolder = Wide(folder);
  if (!::CreateProcessW(Wide(program).c_str(), line.data(), nullptr, nullptr, FALSE, CREATE_NEW_CONSOLE, nullptr,
                        folder.empty() ? nullptr : wideFolder.c_str(), &startup, &process)) {
    lastError_ = ::GetLastError();
    return false;
  }
  // The program runs on its own: none of its handles is kept.
  UniqueKernelHandle thread(process.hThread), started(process.hProcess);
  return true;
}

std::string Win32Shell::SystemFolder() {
  wchar_t folder[MAX_PATH] = {};
  return FolderWithBackslash(folder, ::GetSystemDirectoryW(folder, MAX_PATH));
}

std::string Win32Shell::WindowsFolder() {
  wchar_t folder[MAX_PATH] = {};
  return FolderWithBackslash(folder, ::GetWindowsDirectoryW(folder, MAX_PATH));
}

std::string Win32Shell::GetShortPath(const std::string& path) { return carrydeck::GetShortPath(path); }

bool Win32Shell::SetClipboardText(const std::string& text) {
  ClipboardLock lock(clipboardOwner_);
  if (!lock.open()) {
    lastError_ = ::GetLastError();
    return false;
  }
  ::EmptyClipboard();
  // Unicode text: the system offers it to programs that ask for ANSI text too.
  const std::wstring wide = Wide(text);
  const size_t bytes = (wide.size() + 1) * sizeof(wchar_t);
  UniqueGlobal memory(::GlobalAlloc(GMEM_MOVEABLE, bytes));
  {
    LockedGlobal data(memory.get());
    if (!data) {
      lastError_ = ::GetLastError();
      return false;
    }
    std::memcpy(data.get(), wide.c_str(), bytes);
  }
  if (!::SetClipboardData(CF_UNICODETEXT, memory.get())) {
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
  HANDLE data = ::GetClipboardData(CF_UNICODETEXT);
  if (!data) return true;  // no text on the clipboard: an empty text
  LockedGlobal locked(data);
  if (locked) {
    const wchar_t* chars = static_cast<const wchar_t*>(locked.get());
    text = Utf8(std::wstring_view(chars, wcsnlen(chars, ::GlobalSize(data) / sizeof(wchar_t))));
  }
  return true;
}

std::string Win32Shell::LastErrorDescription() { return ErrorDescription(lastError_); }

std::string GetShortPath(const std::string& path) {
  // The short form is asked for in a buffer this long and no longer: a short path that does not
  // fit is no answer.
  constexpr DWORD kShortPathChars = 164;
  wchar_t buffer[kShortPathChars + 1] = {};
  DWORD n = ::GetShortPathNameW(Wide(path).c_str(), buffer, kShortPathChars);
  if (n == 0 || n >= kShortPathChars) return std::string();
  return Utf8(std::wstring_view(buffer, n));
}

void ShellOpen(const std::string& file, const std::string& folder, const std::string& parameters) {
  late::ShellExecuteW(nullptr, nullptr, Wide(file).c_str(), Wide(parameters).c_str(), Wide(folder).c_str(),
                      SW_SHOWNORMAL);
}

}  // namespace carrydeck
