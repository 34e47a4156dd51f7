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
#include "remover/NtRecords.h"
#include "remover/RemovalTool.h"
#include "remover/RemovePorts.h"

namespace carrydeck::remove {
// Test names and failure messages show which bitness's layout a case ran with.
inline void PrintTo(const RecordLayout& layout, std::ostream* out) {
  *out << (layout.recordSize == 16 ? "x86 layout" : "x64 layout");
}
}  // namespace carrydeck::remove

namespace carrydeck::remove::testing {

// The order of calls across fakes, for tests of the tool's run.
using CallLog = std::vector<std::string>;

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

// What one of the process's own handles refers to.
struct FakeObject {
  std::u16string name;          // as the object-name query answers
  uint32_t fileType = 1;        // what GetFileType says
  bool typeQueryHangs = false;  // GetFileType never returns
  bool closeFails = false;      // closing the copy that released it fails
  bool closedInOwner = false;
};

// The tool's own process and the system handle table around it.
class FakeNative : public INativeHandles {
 public:
  explicit FakeNative(RecordLayout layout) : layout(layout) {}

  RecordLayout layout;
  uint32_t selfPid = 0x0F20;
  uint8_t fileTypeIndex = 28;
  Handle nulValue = 0x44;
  bool nulFails = false;
  // The table holds `records` in order, then the record of the open "NUL" handle (its
  // process id and handle value stored in 16 bits, as the system does).
  std::vector<HandleEntry> records;
  std::map<uint16_t, FakeObject> objects;  // by handle value in our own process
  uint32_t tableLengthNeeded = 0;          // 0: exactly the table's size
  std::optional<NtStatus> tableFailure;
  bool openProcessFails = false;
  bool threadsFail = false;
  bool nameQueryFails = false;
  CallLog* log = nullptr;

  // What was asked.
  std::vector<uint32_t> tableLengths;
  std::vector<uint32_t> openedProcesses;
  std::vector<uint32_t> waits;
  std::vector<std::pair<Handle, uint32_t>> terminated;
  std::vector<uint16_t> releasedInOwner;
  std::vector<uint16_t> namesAsked;

  // Handles given out and not closed yet: empty after every call of the release.
  size_t OpenHandles() const { return open_.size(); }
  FakeObject& Add(uint16_t handleValue, const std::string& name, uint32_t fileType = 1);

  uint32_t CurrentProcessId() override { return selfPid; }
  Handle OpenNul() override;
  NtStatus QuerySystemHandles(uint32_t length, std::vector<uint8_t>& table) override;
  Handle OpenProcessForDuplicate(uint32_t processId) override;
  NtStatus DuplicateToSelf(Handle process, Handle source, uint32_t options, Handle& copy) override;
  NtStatus Close(Handle handle) override;
  NtStatus QueryObjectName(Handle handle, std::vector<uint8_t>& reply) override;
  std::string ToAnsi(const std::u16string& text) override;
  Handle StartFileTypeThread(Handle handle) override;
  WaitResult WaitForThread(Handle thread, uint32_t milliseconds) override;
  uint32_t ThreadExitCode(Handle thread) override;
  void TerminateThread(Handle thread, uint32_t exitCode) override;

  std::vector<uint8_t> Table() const;

 private:
  enum class Kind { Nul, Process, Copy, Thread };
  struct Open {
    Kind kind;
    uint16_t object = 0;  // the handle value a copy or a thread's copy stands for
    bool releasing = false;
  };
  Handle next_ = 0x1000;
  std::map<Handle, Open> open_;
};

struct FakeDrive {
  std::string root;                   // "E:\"
  std::optional<std::string> device;  // what QueryDosDeviceA answers, nullopt: it fails
  uint32_t type = 3;
};

class FakeVolumes : public IVolumes {
 public:
  std::vector<FakeDrive> drives;
  bool listFails = false;
  std::string bufferGiven;  // the drive-list buffer as it came in
  std::vector<std::string> devicesAsked;
  std::vector<uint32_t> lengthsGiven;

  uint32_t LogicalDriveStrings(std::string& buffer) override;
  std::optional<std::string> QueryDosDevice(const std::string& drive, uint32_t maxChars) override;
  uint32_t DriveType(const std::string& drive) override;
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

  RemovePlatform Platform();
  // Writes the hand-off file as the launcher does: section Drive, key LETTER.
  void HandOff(const std::string& value);
};

std::u16string Wide(const std::string& ascii);

}  // namespace carrydeck::remove::testing
