#include "common/win32/Win32System.h"

#include <shellapi.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "common/Paths.h"
#include "common/win32/DelayLoad.h"
#include "common/win32/Handle.h"

namespace carrydeck {

// The version record the launcher asks for is the platform's first, 148-byte form.
static_assert(sizeof(OSVERSIONINFOA) == 148, "OSVERSIONINFOA is 148 bytes on every bitness");

namespace {

constexpr DWORD kNeverMatches = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

bool HasWildcard(const std::string& path) { return path.find_first_of("*?") != std::string::npos; }

class Win32WriteFile : public IWriteFile {
 public:
  explicit Win32WriteFile(HANDLE h) : file_(h) {}
  bool Write(const std::string& bytes) override {
    size_t done = 0;
    while (done < bytes.size()) {
      DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 20));
      DWORD written = 0;
      if (!::WriteFile(file_.get(), bytes.data() + done, chunk, &written, nullptr) || written == 0) return false;
      done += written;
    }
    return true;
  }
  bool Flush() override { return ::FlushFileBuffers(file_.get()) != FALSE; }
  bool Close() override { return ::CloseHandle(file_.release()) != FALSE; }

 private:
  UniqueFile file_;
};

}  // namespace

bool Win32FileSystem::FileExists(const std::string& path) {
  if (path.empty() || HasWildcard(path)) return false;
  WIN32_FIND_DATAA found;
  UniqueFind search(::FindFirstFileA(path.c_str(), &found));
  if (!search) return false;
  if (found.dwFileAttributes & (kNeverMatches | FILE_ATTRIBUTE_DIRECTORY)) return false;
  DWORD attributes = ::GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return false;
  return (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool Win32FileSystem::PathExists(const std::string& path) {
  if (path.empty() || HasWildcard(path)) return false;
  return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool Win32FileSystem::FolderExists(const std::string& path) {
  if (path.empty()) return false;
  // A folder path ending in "\" lists the folder's own entries, as a directory search does.
  std::string pattern = path.back() == '\\' ? path + "*" : path;
  WIN32_FIND_DATAA found;
  UniqueFind search(::FindFirstFileA(pattern.c_str(), &found));
  if (!search) return false;
  do {
    if ((found.dwFileAttributes & kNeverMatches) == 0) return true;
  } while (::FindNextFileA(search.get(), &found));
  return false;
}

bool Win32FileSystem::ReadAll(const std::string& path, std::string& bytes) {
  bytes.clear();
  UniqueFile file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file) return false;
  LARGE_INTEGER size;
  if (!::GetFileSizeEx(file.get(), &size) || size.QuadPart < 0) return false;
  if (static_cast<unsigned long long>(size.QuadPart) > static_cast<unsigned long long>(SIZE_MAX / 2)) return false;
  bytes.resize(static_cast<size_t>(size.QuadPart));
  size_t done = 0;
  while (done < bytes.size()) {
    DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 24));
    DWORD read = 0;
    if (!::ReadFile(file.get(), &bytes[done], chunk, &read, nullptr)) return false;
    if (read == 0) break;  // the file shrank under us: keep what was there
    done += read;
  }
  bytes.resize(done);
  return true;
}

std::unique_ptr<IWriteFile> Win32FileSystem::CreateForWrite(const std::string& path) {
  HANDLE h = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return nullptr;
  return std::make_unique<Win32WriteFile>(h);
}

bool Win32FileSystem::Replace(const std::string& source, const std::string& target) {
  DWORD attributes = ::GetFileAttributesA(target.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
    // A file the user marked read-only stays as it is (not every file system refuses this).
    ::SetLastError(ERROR_ACCESS_DENIED);
    return false;
  }
  if (attributes != INVALID_FILE_ATTRIBUTES) {
    if (::ReplaceFileA(target.c_str(), source.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr))
      return true;
  }
  // No target yet (ReplaceFile refuses then), or a file system that cannot replace.
  return ::MoveFileExA(source.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
}

bool Win32FileSystem::Delete(const std::string& path) { return ::DeleteFileA(path.c_str()) != FALSE; }

bool Win32FileSystem::ClearReadOnly(const std::string& path) {
  DWORD attributes = ::GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
  if ((attributes & FILE_ATTRIBUTE_READONLY) == 0) return true;
  return ::SetFileAttributesA(path.c_str(), attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY)) != FALSE;
}

bool Win32FileSystem::CopyFile(const std::string& source, const std::string& target) {
  return ::CopyFileA(source.c_str(), target.c_str(), FALSE) != FALSE;
}

bool Win32FileSystem::CreateFolder(const std::string& path) { return ::CreateDirectoryA(path.c_str(), nullptr) != FALSE; }

std::string Win32FileSystem::LastErrorDescription() { return ErrorDescription(::GetLastError()); }

namespace {
// Holds the clipboard open for one operation; other programs may hold it briefly.
class ClipboardLock {
 public:
  explicit ClipboardLock(HWND owner) {
    for (int attempt = 0; attempt < 5 && !open_; ++attempt) {
      open_ = ::OpenClipboard(owner) != FALSE;
      if (!open_) ::Sleep(20);
    }
  }
  ~ClipboardLock() {
    if (open_) ::CloseClipboard();
  }
  bool open() const { return open_; }

 private:
  bool open_ = false;
};

// "X:\..." or "\\server\...": a path the system takes as it is, never searching for it.
bool IsFullPath(const std::string& path) {
  if (path.size() >= 3 && path[1] == ':' && path[2] == '\\') return true;
  return path.size() >= 3 && path[0] == '\\' && path[1] == '\\';
}

std::string FolderWithBackslash(const char* folder, UINT length) {
  if (length == 0 || length >= MAX_PATH) return std::string();
  std::string text(folder, length);
  if (text.back() != '\\') text += '\\';
  return text;
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
  if (!comTried_) {
    comTried_ = true;
    comStarted_ = SUCCEEDED(late::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
  }
  carrydeck::ShellOpen(file, folder, parameters);
}

Win32Shell::~Win32Shell() {
  if (comStarted_) late::CoUninitialize();
}

bool Win32Shell::StartProgram(const std::string& program, const std::string& commandLine) {
  if (!IsFullPath(program)) {
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
  if (!::CreateProcessA(program.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
    lastError_ = ::GetLastError();
    return false;
  }
  ::CloseHandle(process.hThread);
  ::CloseHandle(process.hProcess);
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

std::optional<OsVersionInfo> Win32Shell::QueryVersion() {
  OSVERSIONINFOA record = {};
  record.dwOSVersionInfoSize = sizeof record;
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#endif
  BOOL ok = ::GetVersionExA(&record);
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif
  if (!ok) {
    lastError_ = ::GetLastError();
    return std::nullopt;
  }
  OsVersionInfo info;
  info.major = record.dwMajorVersion;
  info.minor = record.dwMinorVersion;
  info.build = record.dwBuildNumber;
  info.platformId = record.dwPlatformId;
  info.servicePack.assign(record.szCSDVersion, strnlen(record.szCSDVersion, sizeof record.szCSDVersion));
  return info;
}

bool Win32Shell::SetClipboardText(const std::string& text) {
  ClipboardLock lock(clipboardOwner_);
  if (!lock.open()) {
    lastError_ = ::GetLastError();
    return false;
  }
  ::EmptyClipboard();
  HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
  char* data = memory ? static_cast<char*>(::GlobalLock(memory)) : nullptr;
  if (!data) {
    lastError_ = ::GetLastError();
    if (memory) ::GlobalFree(memory);
    return false;
  }
  std::memcpy(data, text.c_str(), text.size() + 1);
  ::GlobalUnlock(memory);
  if (!::SetClipboardData(CF_TEXT, memory)) {
    lastError_ = ::GetLastError();
    ::GlobalFree(memory);
    return false;
  }
  return true;  // the clipboard owns the memory now
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
  const char* chars = static_cast<const char*>(::GlobalLock(data));
  if (chars) {
    text.assign(chars, strnlen(chars, ::GlobalSize(data)));
    ::GlobalUnlock(data);
  }
  return true;
}

std::string Win32Shell::LastErrorDescription() { return ErrorDescription(lastError_); }

std::string Win32Profile::Get(const std::string& section, const std::string& key, const std::string& file,
                              size_t maxChars) {
  if (section.empty() || key.empty() || maxChars == 0) return std::string();
  std::vector<char> buffer(maxChars, '\0');
  DWORD n = ::GetPrivateProfileStringA(section.c_str(), key.c_str(), "", buffer.data(),
                                       static_cast<DWORD>(maxChars), file.c_str());
  return std::string(buffer.data(), n);
}

std::optional<std::string> Win32Profile::GetSection(const std::string& section, const std::string& file) {
  if (section.empty()) return std::nullopt;
  std::vector<char> buffer(8192, '\0');
  DWORD n = ::GetPrivateProfileSectionA(section.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()),
                                        file.c_str());
  // A list that filled the buffer may have been cut: the keys are then read one by one.
  if (n + 2 >= buffer.size()) return std::nullopt;
  return std::string(buffer.data(), n);
}

bool Win32Profile::Put(const std::string& section, const std::string& key, const std::string& value,
                       const std::string& file) {
  if (section.empty() || key.empty()) return false;
  // A settings file the user made read-only stays as it is (not every system refuses this).
  DWORD attributes = ::GetFileAttributesA(file.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) return false;
  return ::WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), file.c_str()) != FALSE;
}

// Looked up where it is: kernel32 is always loaded, from the system folder.
bool Win32DiskSpace::HasDiskFreeSpaceEx() { return late::SystemProc("kernel32.dll", "GetDiskFreeSpaceExA") != nullptr; }

std::optional<uint64_t> Win32DiskSpace::FreeBytesEx(const std::string& root) {
  using Fn = BOOL(WINAPI*)(LPCSTR, PULARGE_INTEGER, PULARGE_INTEGER, PULARGE_INTEGER);
  auto fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(late::SystemProc("kernel32.dll", "GetDiskFreeSpaceExA")));
  if (!fn) return std::nullopt;
  ULARGE_INTEGER available, total, totalFree;
  if (!fn(root.empty() ? nullptr : root.c_str(), &available, &total, &totalFree)) return std::nullopt;
  return available.QuadPart;
}

std::optional<uint64_t> Win32DiskSpace::FreeBytesLegacy(const std::string& root) {
  DWORD sectors = 0, bytes = 0, freeClusters = 0, clusters = 0;
  if (!::GetDiskFreeSpaceA(root.empty() ? nullptr : root.c_str(), &sectors, &bytes, &freeClusters, &clusters))
    return std::nullopt;
  return static_cast<uint64_t>(sectors) * bytes * freeClusters;
}

std::string GetAppPath() {
  std::vector<char> buffer(MAX_PATH);
  for (;;) {
    DWORD n = ::GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return std::string();
    if (n < buffer.size()) return AppPathFromModule(std::string(buffer.data(), n));
    buffer.resize(buffer.size() * 2);
    if (buffer.size() > 65536) return std::string();
  }
}

std::string GetShortPath(const std::string& path) {
  char buffer[165] = {};
  DWORD n = ::GetShortPathNameA(path.c_str(), buffer, 164);
  if (n == 0 || n >= 164) return std::string();  // a form that does not fit is no answer
  return std::string(buffer, n);
}

void ShellOpen(const std::string& file, const std::string& folder, const std::string& parameters) {
  late::ShellExecuteA(nullptr, nullptr, file.c_str(), parameters.c_str(), folder.c_str(), SW_SHOWNORMAL);
}

FileVersion GetModuleFileVersion() {
  FileVersion version;
  HRSRC info = ::FindResourceA(nullptr, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(16) /* RT_VERSION */);
  if (!info) return version;
  HGLOBAL loaded = ::LoadResource(nullptr, info);
  const auto* data = static_cast<const BYTE*>(loaded ? ::LockResource(loaded) : nullptr);
  DWORD size = ::SizeofResource(nullptr, info);
  // VS_VERSIONINFO: three WORDs, the key L"VS_VERSION_INFO\0", padding to 32 bits, then the
  // fixed record. Reading the resource directly spares a dependency on version.dll.
  constexpr size_t kFixedAt = 40;
  if (!data || size < kFixedAt + sizeof(VS_FIXEDFILEINFO)) return version;
  VS_FIXEDFILEINFO fixed;
  std::memcpy(&fixed, data + kFixedAt, sizeof fixed);
  if (fixed.dwSignature != 0xFEEF04BD) return version;
  version.major = HIWORD(fixed.dwFileVersionMS);
  version.minor = LOWORD(fixed.dwFileVersionMS);
  version.build = HIWORD(fixed.dwFileVersionLS);
  version.revision = LOWORD(fixed.dwFileVersionLS);
  return version;
}

std::string ErrorDescription(DWORD code) {
  char* text = nullptr;
  DWORD n = ::FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                             nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
  std::string result = n && text ? std::string(text, n) : std::string();
  if (text) ::LocalFree(text);
  while (!result.empty() && (result.back() == '\r' || result.back() == '\n' || result.back() == ' '))
    result.pop_back();
  if (result.empty()) result = "Error " + std::to_string(code);
  return result;
}

}  // namespace carrydeck
