// In-memory stand-ins for the removal tool's ports: a process with its handles, a drive list,
// storage devices and the device installer. Each can fail, hang or answer in either
// bitness's record layout, and each says what was asked of it.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "common/IniFile.h"
#include "common/SystemPorts.h"
#include "HandleFakes.h"
#include "common/NtRecords.h"
#include "remover/RemovalTool.h"
#include "remover/RemovePorts.h"

namespace carrydeck::remove::testing {

using carrydeck::testing::CallLog;
using carrydeck::testing::FakeDrive;
using carrydeck::testing::FakeNative;
using carrydeck::testing::FakeObject;
using carrydeck::testing::FakeProcesses;
using carrydeck::testing::FakeVolumes;
using carrydeck::testing::Wide;

// Files by path as spelled; enough of a file system for the profile code and the clean-up.
class MemoryFiles : public IFileSystem {
 public:
  std::map<std::string, std::string> files;
  std::set<std::string> undeletable;  // a running program's own file
  std::map<std::string, std::string> deletedContent;
  CallLog* log = nullptr;

  bool FileExists(const std::string& path) override { return files.count(path) > 0; }
  bool FolderExists(const std::string&) override { return true; }
  bool PathExists(const std::string& path) override { return files.count(path) != 0; }
  bool ReadAll(const std::string& path, std::string& bytes) override;
  std::unique_ptr<IWriteFile> CreateForWrite(const std::string& path) override;
  bool Replace(const std::string& source, const std::string& target) override;
  bool Delete(const std::string& path) override;
  bool ClearReadOnly(const std::string& path) override { return files.count(path) > 0; }
  bool CopyFile(const std::string& source, const std::string& target) override;
  bool CreateFolder(const std::string&) override { return false; }
  std::string LastErrorDescription() override { return "Access is denied."; }
  bool ClearMarks(const std::string& path) override { return files.count(path) > 0; }
  // The removal tool holds no file.
  std::unique_ptr<IHeldFile> HoldForReading(const std::string&) override { return nullptr; }
};

struct FakeDevice {
  uint32_t busType = 0;
  bool queryFails = false;
  std::optional<uint32_t> number;  // nullopt: the device-number request fails
};

struct IoCall {
  std::string path;
  uint32_t code;
  std::vector<uint8_t> input;
  std::vector<uint8_t> outputBefore;
};

// Volumes and disk interfaces by path (names compare without regard to case).
class FakeStorage : public IStorageDevices {
 public:
  std::map<std::string, FakeDevice> devices;
  CallLog* log = nullptr;
  std::vector<std::pair<std::string, uint32_t>> opens;  // path, access
  std::vector<IoCall> calls;

  size_t OpenHandles() const { return open_.size(); }

  Handle OpenDevice(const std::string& path, uint32_t desiredAccess) override;
  bool IoControl(Handle device, uint32_t code, const std::vector<uint8_t>& input,
                 std::vector<uint8_t>& output) override;
  void CloseDevice(Handle device) override;

 private:
  Handle next_ = 0x500;
  std::map<Handle, std::string> open_;
};

struct FakeInterface {
  std::string path;
  uint32_t detailSize = 120;
  bool detailFails = false;
  uint32_t devInst = 0;
};

class FakeDeviceInstallation : public IDeviceInstallation {
 public:
  std::map<uint32_t, std::vector<FakeInterface>> classes;  // by the class's first field
  bool setFails = false;
  std::map<uint32_t, uint32_t> parents;
  std::vector<uint32_t> ejectAnswers;  // per request, in order; refused when none are left
  CallLog* log = nullptr;

  std::vector<Guid> classesAsked;
  std::vector<uint32_t> flagsGiven;
  std::vector<uint32_t> detailSizesGiven;
  std::vector<uint32_t> ejectRequests;
  int setsOpen = 0;

  std::unique_ptr<IDeviceInterfaceSet> GetClassDevs(const Guid& interfaceClass, uint32_t flags) override;
  uint32_t GetParent(uint32_t devInst, uint32_t& parent) override;
  uint32_t RequestDeviceEject(uint32_t devInst) override;
};

class FakeClock : public IClock {
 public:
  std::vector<uint32_t> sleeps;
  CallLog* log = nullptr;
  void Sleep(uint32_t milliseconds) override;
};

class FakeNotices : public INotices {
 public:
  std::vector<std::string> shown;
  CallLog* log = nullptr;
  void ShowWarning(const std::string& text) override {
    shown.push_back(text);
    if (log) log->push_back("warning");
  }
};

// A whole machine for the tool: drive C: inside, a USB stick at E:, both found among the
// disk interfaces, the stick's parent ready to eject.
struct FakeMachine {
  explicit FakeMachine(RecordLayout layout = kLayoutX86);

  CallLog log;
  MemoryFiles files;
  FileProfile profile{files};  // the profile semantics over those files
  FakeNative native;
  FakeVolumes volumes;
  FakeStorage storage;
  FakeDeviceInstallation devices;
  FakeClock clock;
  FakeProcesses processes;
  FakeNotices notices;

  RemovePlatform Platform();
  // Writes the hand-off file as the launcher does: section Drive, key LETTER.
  void HandOff(const std::string& value);
};

}  // namespace carrydeck::remove::testing
