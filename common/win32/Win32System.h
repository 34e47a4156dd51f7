// The Win32 side of the system ports, and the platform helpers both programs share.
#pragma once

#include <windows.h>

#include <string>

#include "common/SystemPorts.h"

namespace carrydeck {

class Win32FileSystem : public IFileSystem {
 public:
  bool FileExists(const std::string& path) override;
  bool FolderExists(const std::string& path) override;
  bool PathExists(const std::string& path) override;
  bool ReadAll(const std::string& path, std::string& bytes) override;
  std::unique_ptr<IWriteFile> CreateForWrite(const std::string& path) override;
  bool Replace(const std::string& source, const std::string& target) override;
  bool Delete(const std::string& path) override;
  bool ClearReadOnly(const std::string& path) override;
  bool CopyFile(const std::string& source, const std::string& target) override;
  bool CreateFolder(const std::string& path) override;
  std::string LastErrorDescription() override;
};

// On the window thread only: the first shell start puts that thread into a single-threaded
// COM apartment, which ends with this object.
class Win32Shell : public IShell {
 public:
  Win32Shell() = default;
  ~Win32Shell() override;
  Win32Shell(const Win32Shell&) = delete;
  Win32Shell& operator=(const Win32Shell&) = delete;

  // The window that owns what this puts on the clipboard (the main window).
  void SetClipboardOwner(HWND owner) { clipboardOwner_ = owner; }

  bool ChangeDrive(const std::string& drive) override;
  bool ChangeFolder(const std::string& folder) override;
  void ShellOpen(const std::string& file, const std::string& folder, const std::string& parameters) override;
  bool StartProgram(const std::string& program, const std::string& commandLine) override;
  std::string SystemFolder() override;
  std::string WindowsFolder() override;
  std::string GetShortPath(const std::string& path) override;
  std::optional<OsVersionInfo> QueryVersion() override;
  bool SetClipboardText(const std::string& text) override;
  bool GetClipboardText(std::string& text) override;
  std::string LastErrorDescription() override;

 private:
  DWORD lastError_ = 0;
  HWND clipboardOwner_ = nullptr;
  bool comTried_ = false, comStarted_ = false;
};

// Over GetPrivateProfileStringA / WritePrivateProfileStringA / GetPrivateProfileSectionA.
class Win32Profile : public IProfile {
 public:
  std::string Get(const std::string& section, const std::string& key, const std::string& file,
                  size_t maxChars) override;
  bool Put(const std::string& section, const std::string& key, const std::string& value,
           const std::string& file) override;
  std::optional<std::string> GetSection(const std::string& section, const std::string& file) override;
};

class Win32DiskSpace : public IDiskSpace {
 public:
  bool HasDiskFreeSpaceEx() override;
  std::optional<uint64_t> FreeBytesEx(const std::string& root) override;
  std::optional<uint64_t> FreeBytesLegacy(const std::string& root) override;
};

// Folder of the running program's module, ending in "\".
std::string GetAppPath();
std::string GetShortPath(const std::string& path);
void ShellOpen(const std::string& file, const std::string& folder, const std::string& parameters);
// The version resource of the running module.
FileVersion GetModuleFileVersion();
// The platform's description of an error code, without its trailing line end.
std::string ErrorDescription(DWORD code);

}  // namespace carrydeck
