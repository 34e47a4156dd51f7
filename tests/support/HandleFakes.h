// In-memory stand-ins for the ports that tell who holds what: processes with their handles
// and the system handle table around them, a drive list, the list of processes. Each can
// fail, hang or answer in either bitness's record layout, and each says what was asked of it.
#pragma once

#include <map>
#include <optional>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "common/HandlePorts.h"
#include "common/NtRecords.h"

namespace carrydeck {
// Test names and failure messages show which bitness's layout a case ran with.
inline void PrintTo(const RecordLayout& layout, std::ostream* out) {
  *out << (layout.nameTextAt == 8 ? "x86 layout" : "x64 layout");
}
}  // namespace carrydeck

namespace carrydeck::testing {

// The order of calls across fakes, for tests of a whole run.
using CallLog = std::vector<std::string>;

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
  // The table holds `records` in order, then the record of the open "NUL" handle. The
  // classic table stores process ids and handle values in 16 bits, as the system does.
  std::vector<HandleEntry> records;
  std::map<uint16_t, FakeObject> objects;  // by handle value, whichever process holds it
  std::set<uint32_t> openable;             // other processes that can be opened
  uint32_t tableLengthNeeded = 0;          // 0: exactly the table's size
  std::optional<NtStatus> tableFailure;
  bool openProcessFails = false;
  bool threadsFail = false;
  bool nameQueryFails = false;
  CallLog* log = nullptr;

  // What was asked.
  std::vector<uint32_t> tableLengths;
  std::vector<HandleTableKind> tablesAsked;
  std::vector<uint32_t> openedProcesses;
  std::vector<uint32_t> waits;
  std::vector<std::pair<Handle, uint32_t>> terminated;
  std::vector<uint16_t> releasedInOwner;
  std::vector<uint16_t> namesAsked;

  // Handles given out and not closed yet: empty after every call of the release.
  size_t OpenHandles() const { return open_.size(); }
  FakeObject& Add(uint16_t handleValue, const std::string& name, uint32_t fileType = 1);
  // A handle of another process (which becomes openable).
  FakeObject& AddFor(uint32_t processId, uint16_t handleValue, const std::string& name, uint32_t fileType = 1);

  uint32_t CurrentProcessId() override { return selfPid; }
  Handle OpenNul() override;
  NtStatus QuerySystemHandles(HandleTableKind kind, uint32_t length, std::vector<uint8_t>& table) override;
  Handle OpenProcessForDuplicate(uint32_t processId) override;
  NtStatus DuplicateToSelf(Handle process, Handle source, uint32_t options, Handle& copy) override;
  NtStatus Close(Handle handle) override;
  NtStatus QueryObjectName(Handle handle, std::vector<uint8_t>& reply) override;
  Handle StartFileTypeThread(Handle handle) override;
  WaitResult WaitForThread(Handle thread, uint32_t milliseconds) override;
  uint32_t ThreadExitCode(Handle thread) override;
  void TerminateThread(Handle thread, uint32_t exitCode) override;
  // Walks the batch at once; a handle whose type query hangs leaves the worker stuck there.
  Handle StartQueryThread(HandleQueries& batch, size_t from) override;
  bool workersNeverEnd = false;  // a stuck worker told to end stays
  int workersStarted = 0;

  std::vector<uint8_t> Table(HandleTableKind kind = HandleTableKind::Classic) const;

 private:
  enum class Kind { Nul, Process, Copy, Thread };
  struct Open {
    Kind kind;
    uint16_t object = 0;  // the handle value a copy or a thread's copy stands for
    bool releasing = false;
    bool batch = false;  // a worker of StartQueryThread
    bool stuck = false;
    bool ended = false;
  };
  NtStatus NameReply(const FakeObject& object, std::vector<uint8_t>& reply) const;

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

class FakeProcesses : public IProcesses {
 public:
  std::vector<ProcessEntry> processes;
  std::map<uint32_t, std::string> images;  // a process without one cannot be opened

  std::vector<ProcessEntry> List() override { return processes; }
  std::optional<std::string> ImagePath(uint32_t processId) override {
    auto it = images.find(processId);
    if (it == images.end()) return std::nullopt;
    return it->second;
  }
};

std::u16string Wide(const std::string& ascii);

}  // namespace carrydeck::testing
