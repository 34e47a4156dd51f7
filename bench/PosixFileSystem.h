// The file-system port over POSIX calls, so the catalogue code can be timed natively on
// real files. Paths are host paths; the launcher's own rules about hidden files don't apply.
#pragma once

#include <memory>
#include <string>

#include "common/SystemPorts.h"

namespace carrydeck::bench {

class PosixFileSystem : public IFileSystem {
 public:
  bool FileExists(const std::string& path) override;
  bool FolderExists(const std::string& path) override;
  bool PathExists(const std::string& path) override { return FolderExists(path); }
  bool ReadAll(const std::string& path, std::string& bytes) override;
  std::unique_ptr<IWriteFile> CreateForWrite(const std::string& path) override;
  bool Replace(const std::string& source, const std::string& target) override;
  bool Delete(const std::string& path) override;
  bool ClearReadOnly(const std::string& path) override;
  bool CopyFile(const std::string& source, const std::string& target) override;
  bool CreateFolder(const std::string& path) override;
  std::string LastErrorDescription() override;
  // POSIX has no hidden or system marks: only the write permission to give back.
  bool ClearMarks(const std::string& path) override { return ClearReadOnly(path); }
  // POSIX cannot keep others from changing a file: nothing is ever held (the benchmarks
  // never hand off).
  std::unique_ptr<IHeldFile> HoldForReading(const std::string&) override { return nullptr; }

 private:
  int lastError_ = 0;
};

}  // namespace carrydeck::bench
