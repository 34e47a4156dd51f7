#include "launcher/win32/Win32FolderListing.h"

#include <string>

#include "common/Paths.h"
#include "common/win32/WideText.h"
#include "common/win32/ErrorDescription.h"
#include "common/win32/Handle.h"
#include "launcher/TypesFile.h"

namespace carrydeck {

namespace {

// No "insert a disk" box from the system while a drive without a medium is looked at.
class QuietDriveErrors {
 public:
  QuietDriveErrors() : old_(::SetErrorMode(SEM_FAILCRITICALERRORS)) {
    ::SetErrorMode(old_ | SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  }
  ~QuietDriveErrors() { ::SetErrorMode(old_); }
  QuietDriveErrors(const QuietDriveErrors&) = delete;
  QuietDriveErrors& operator=(const QuietDriveErrors&) = delete;

 private:
  UINT old_;
};

}  // namespace

std::vector<std::string> Win32FolderListing::Drives() {
  std::vector<std::string> roots;
  wchar_t buffer[512] = {};
  DWORD n = ::GetLogicalDriveStringsW(511, buffer);
  if (n == 0 || n >= 512) return roots;
  for (const wchar_t* p = buffer; *p; p += std::char_traits<wchar_t>::length(p) + 1) {
    std::string root = Utf8(p);
    if (root.size() >= 2 && root[1] == ':') roots.push_back(ToUpperAscii(root.substr(0, 1)) + ":\\");
  }
  return roots;
}

std::string Win32FolderListing::CurrentFolder() {
  DWORD n = ::GetCurrentDirectoryW(0, nullptr);
  if (n == 0) return std::string();
  std::wstring folder(n, L'\0');
  DWORD got = ::GetCurrentDirectoryW(n, &folder[0]);
  folder.resize(got < n ? got : 0);
  return Utf8(folder);
}

std::string Win32FolderListing::CurrentFolderOn(const std::string& driveRoot) {
  if (driveRoot.size() != 3 || driveRoot[1] != ':') return driveRoot;
  // "E:" alone names the folder the process last stood in on E:.
  const std::string drive = driveRoot.substr(0, 2);
  wchar_t buffer[MAX_PATH * 2] = {};
  DWORD n = ::GetFullPathNameW(Wide(drive).c_str(), MAX_PATH * 2, buffer, nullptr);
  if (n == 0 || n >= MAX_PATH * 2) return driveRoot;
  return Utf8(std::wstring_view(buffer, n));
}

bool Win32FolderListing::List(const std::string& folder, bool folders, std::vector<std::string>& names) {
  names.clear();
  QuietDriveErrors quiet;
  const std::string base = AddTrailingBackslash(folder);
  WIN32_FIND_DATAW found;
  UniqueFind search(::FindFirstFileW(Wide(base + "*").c_str(), &found));
  if (!search) {
    DWORD error = ::GetLastError();
    // Only an empty drive root has no entries at all, not even ".".
    DWORD attributes = ::GetFileAttributesW(Wide(base).c_str());
    if ((error == ERROR_FILE_NOT_FOUND || error == ERROR_NO_MORE_FILES) && attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & FILE_ATTRIBUTE_DIRECTORY))
      return true;
    lastError_ = ErrorDescription(error);
    return false;
  }
  do {
    const std::string name = Utf8(found.cFileName);
    if (name == "." || name == "..") continue;
    if (found.dwFileAttributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) continue;
    if (((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) == folders) names.push_back(name);
  } while (::FindNextFileW(search.get(), &found));
  return true;
}

bool Win32FolderListing::ListFolders(const std::string& folder, std::vector<std::string>& names) {
  return List(folder, true, names);
}

bool Win32FolderListing::ListFiles(const std::string& folder, std::vector<std::string>& names) {
  return List(folder, false, names);
}

std::string Win32FolderListing::DriveText(const std::string& root) {
  auto known = driveTexts_.find(root);
  if (known != driveTexts_.end()) return known->second;
  std::string text;
  if (root.size() == 3 && root[1] == ':') {
    text = ToLowerAscii(root.substr(0, 2));
    // Only drives that answer at once are asked for their label: no waiting on a
    // floppy or a disconnected share.
    UINT type = ::GetDriveTypeW(Wide(root).c_str());
    if (type == DRIVE_FIXED || type == DRIVE_RAMDISK) {
      QuietDriveErrors quiet;
      wchar_t label[MAX_PATH + 1] = {};
      if (::GetVolumeInformationW(Wide(root).c_str(), label, MAX_PATH + 1, nullptr, nullptr, nullptr, nullptr, 0) &&
          label[0])
        text += " [" + Utf8(label) + "]";
    }
  } else {
    text = root.size() > 1 && root.back() == '\\' ? root.substr(0, root.size() - 1) : root;
  }
  driveTexts_[root] = text;
  return text;
}

}  // namespace carrydeck
