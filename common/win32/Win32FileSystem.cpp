#include "common/win32/Win32FileSystem.h"

#include <algorithm>

#include "common/win32/ErrorDescription.h"
#include "common/win32/Handle.h"
#include "common/win32/WideText.h"

namespace carrydeck {

namespace {

// ReadFile and WriteFile take a 32-bit count, and one very large call can fail on a network
// share for want of system memory: files go through in pieces of these sizes.
constexpr size_t kWriteChunk = size_t{1} << 20;
constexpr size_t kReadChunk = size_t{1} << 24;

constexpr DWORD kNeverMatches = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

bool HasWildcard(const std::string& path) { return path.find_first_of("*?") != std::string::npos; }

class Win32WriteFile : public IWriteFile {
 public:
  explicit Win32WriteFile(HANDLE h) : file_(h) {}
  bool Write(const std::string& bytes) override {
    size_t done = 0;
    while (done < bytes.size()) {
      DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, kWriteChunk));
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

// The whole file, through a handle that stands at its start.
bool ReadWhole(HANDLE file, std::string& bytes) {
  LARGE_INTEGER size;
  if (!::GetFileSizeEx(file, &size) || size.QuadPart < 0) return false;
  if (static_cast<unsigned long long>(size.QuadPart) > static_cast<unsigned long long>(SIZE_MAX / 2)) return false;
  bytes.resize(static_cast<size_t>(size.QuadPart));
  return ReadInto(file, bytes);
}

// Shared for reading only: the system refuses every open to write and every delete or
// rename (they need delete access) until the handle is closed. Starting the file as a
// program only reads it, so that still works.
class Win32HeldFile : public IHeldFile {
 public:
  explicit Win32HeldFile(HANDLE h) : file_(h) {}
  bool ReadAll(std::string& bytes) override {
    bytes.clear();
    LARGE_INTEGER start = {};
    return ::SetFilePointerEx(file_.get(), start, nullptr, FILE_BEGIN) && ReadWhole(file_.get(), bytes);
  }

 private:
  UniqueFile file_;
};

}  // namespace

bool ReadInto(HANDLE file, std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, kReadChunk));
    DWORD read = 0;
    if (!::ReadFile(file, &bytes[done], chunk, &read, nullptr)) return false;
    if (read == 0) break;  // the end, or the file shrank under us: keep what was there
    done += read;
  }
  bytes.resize(done);
  return true;
}

bool Win32FileSystem::FileExists(const std::string& path) {
  if (path.empty() || HasWildcard(path)) return false;
  WIN32_FIND_DATAW found;
  UniqueFind search(::FindFirstFileW(Wide(path).c_str(), &found));
  if (!search) return false;
  if (found.dwFileAttributes & (kNeverMatches | FILE_ATTRIBUTE_DIRECTORY)) return false;
  DWORD attributes = ::GetFileAttributesW(Wide(path).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return false;
  return (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool Win32FileSystem::PathExists(const std::string& path) {
  if (path.empty() || HasWildcard(path)) return false;
  return ::GetFileAttributesW(Wide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool Win32FileSystem::FolderExists(const std::string& path) {
  if (path.empty()) return false;
  // A folder path ending in "\" lists the folder's own entries, as a directory search does.
  std::string pattern = path.back() == '\\' ? path + "*" : path;
  WIN32_FIND_DATAW found;
  UniqueFind search(::FindFirstFileW(Wide(pattern).c_str(), &found));
  if (!search) return false;
  do {
    if ((found.dwFileAttributes & kNeverMatches) == 0) return true;
  } while (::FindNextFileW(search.get(), &found));
  return false;
}

bool Win32FileSystem::ReadAll(const std::string& path, std::string& bytes) {
  bytes.clear();
  UniqueFile file(::CreateFileW(Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  return file && ReadWhole(file.get(), bytes);
}

std::unique_ptr<IWriteFile> Win32FileSystem::CreateForWrite(const std::string& path) {
  HANDLE h = ::CreateFileW(Wide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return nullptr;
  return std::make_unique<Win32WriteFile>(h);
}

bool Win32FileSystem::Replace(const std::string& source, const std::string& target) {
  DWORD attributes = ::GetFileAttributesW(Wide(target).c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
    // A file the user marked read-only stays as it is (not every file system refuses this).
    ::SetLastError(ERROR_ACCESS_DENIED);
    return false;
  }
  if (attributes != INVALID_FILE_ATTRIBUTES) {
    if (::ReplaceFileW(Wide(target).c_str(), Wide(source).c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr))
      return true;
  }
  // No target yet (ReplaceFile refuses then), or a file system that cannot replace.
  return ::MoveFileExW(Wide(source).c_str(), Wide(target).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
}

bool Win32FileSystem::Delete(const std::string& path) { return ::DeleteFileW(Wide(path).c_str()) != FALSE; }

bool Win32FileSystem::ClearReadOnly(const std::string& path) {
  DWORD attributes = ::GetFileAttributesW(Wide(path).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
  if ((attributes & FILE_ATTRIBUTE_READONLY) == 0) return true;
  return ::SetFileAttributesW(Wide(path).c_str(), attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY)) != FALSE;
}

bool Win32FileSystem::CopyFile(const std::string& source, const std::string& target) {
  return ::CopyFileW(Wide(source).c_str(), Wide(target).c_str(), FALSE) != FALSE;
}

bool Win32FileSystem::CreateFolder(const std::string& path) {
  return ::CreateDirectoryW(Wide(path).c_str(), nullptr) != FALSE;
}

std::string Win32FileSystem::LastErrorDescription() { return ErrorDescription(::GetLastError()); }

bool Win32FileSystem::ClearMarks(const std::string& path) {
  constexpr DWORD kMarks = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
  DWORD attributes = ::GetFileAttributesW(Wide(path).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
  if ((attributes & kMarks) == 0) return true;
  const DWORD rest = attributes & ~kMarks;
  return ::SetFileAttributesW(Wide(path).c_str(), rest ? rest : FILE_ATTRIBUTE_NORMAL) != FALSE;
}

std::unique_ptr<IHeldFile> Win32FileSystem::HoldForReading(const std::string& path) {
  HANDLE h = ::CreateFileW(Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
  if (h == INVALID_HANDLE_VALUE) return nullptr;
  return std::make_unique<Win32HeldFile>(h);
}

}  // namespace carrydeck
