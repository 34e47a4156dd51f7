// The file port over Win32.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "common/SystemPorts.h"

namespace carrydeck {

// Fills `bytes` (already sized) from the file's current place, a piece the system takes at a
// time, and cuts it to what was there where the file ends first; false when a read fails,
// GetLastError telling why.
bool ReadInto(HANDLE file, std::string& bytes);

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
  bool ClearMarks(const std::string& path) override;
  std::unique_ptr<IHeldFile> HoldForReading(const std::string& path) override;
};

}  // namespace carrydeck
