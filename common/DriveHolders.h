// What keeps a drive in use: the other processes whose program file lies on it, or that hold
// a file or folder on it open. The launcher asks before it hands the stick over; the removal
// tool asks when the system refused the ejection. Both show the same list.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "common/HandlePorts.h"
#include "common/NtRecords.h"

namespace carrydeck {

struct DriveHolder {
  std::string program;  // notepad.exe
  uint32_t processId = 0;
  std::string path;  // its program file or what it holds open, E:\Apps\notes.txt
  bool operator==(const DriveHolder& other) const {
    return program == other.program && processId == other.processId && path == other.path;
  }
};

// The look-up, as its users ask for it.
class IDriveHolders {
 public:
  virtual ~IDriveHolders() = default;
  // `drive`: a drive name (E:); anything else finds nothing.
  virtual std::vector<DriveHolder> Find(const std::string& drive) = 0;
};

// The look-up over the system's ports. A process that cannot be opened is passed over, and
// a handle is asked for its name only when its type came back in time.
class DriveHolderSearch : public IDriveHolders {
 public:
  // `layout`: the classic handle table's layout this process receives.
  DriveHolderSearch(INativeHandles& nt, IVolumes& volumes, IProcesses& processes, RecordLayout layout)
      : nt_(nt), volumes_(volumes), processes_(processes), layout_(layout) {}

  // Processes in the order listed, each with its program file first, then what it holds in
  // the table's order, every path once. This process is never among them.
  std::vector<DriveHolder> Find(const std::string& drive) override;

 private:
  INativeHandles& nt_;
  IVolumes& volumes_;
  IProcesses& processes_;
  RecordLayout layout_;
};

// The handles one worker thread asks about at a time.
inline constexpr size_t kHoldersBatch = 256;

// At most this many holders are named; the rest are counted.
inline constexpr size_t kHoldersListed = 15;

// The text of the box that names them: "<program> (<pid>): <path>" lines, then "and N more"
// past kHoldersListed, and why it matters.
std::string HoldersText(const std::vector<DriveHolder>& holders);

}  // namespace carrydeck
