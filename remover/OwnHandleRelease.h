// Releasing the file handles that the removal tool itself holds on the drive it removes,
// so that they never stand in the way of the ejection.
#pragma once

#include <cstdint>
#include <string>

#include "common/HandleInspection.h"
#include "remover/RemovePorts.h"

namespace carrydeck::remove {

enum class ReleaseResult {
  Released,     // every matching handle was closed, or none matched
  NotReleased,  // "NUL" or the table could not be read, a close failed, or a foreign process
  Stopped,      // a name holding "qbw" was met: the tool ends at once
  Aborted,      // the step broke off (the table never fit): the tool goes on to eject
};

class OwnHandleRelease {
 public:
  OwnHandleRelease(INativeHandles& nt, IVolumes& volumes, RecordLayout layout)
      : nt_(nt), inspector_(nt, volumes, layout) {}

  // Closes the file handles of the process that lie on the drive (E:). Only the tool's own
  // process is ever touched: any other id is refused.
  ReleaseResult ReleaseDriveHandles(const std::string& drive, uint32_t processId);
  // Closes `handle` inside its owner; false only when closing the copy failed or the owner
  // is not this process.
  bool CloseHandleInProcess(uint32_t processId, Handle handle);

 private:
  INativeHandles& nt_;
  HandleInspector inspector_;
};

}  // namespace carrydeck::remove
