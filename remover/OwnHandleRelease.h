// Releasing the file handles that the removal tool itself holds on the drive it removes,
// so that they never stand in the way of the ejection.
#pragma once

#include <cstdint>
#include <string>

#include "remover/NtRecords.h"
#include "remover/RemovePorts.h"

namespace carrydeck::remove {

inline constexpr NtStatus kStatusInfoLengthMismatch = static_cast<NtStatus>(0xC0000004u);
// The handle-table buffer starts at one byte and doubles; past this the table is taken as
// unreadable (the doubling would overflow the 32-bit length).
inline constexpr uint32_t kMaxHandleTableBytes = 1u << 30;
inline constexpr size_t kObjectNameReplyBytes = 4096;
inline constexpr uint32_t kFileTypeLimitMs = 100;
inline constexpr size_t kDriveListChars = 512;
inline constexpr uint32_t kDosDeviceChars = 256;

inline constexpr uint32_t kDuplicateCloseSource = 1;
inline constexpr uint32_t kDuplicateSameAccess = 2;
inline constexpr uint32_t kDuplicateSameAttributes = 4;

// True when a native status is not negative.
bool NtSuccess(NtStatus status);

enum class ReleaseResult {
  Released,     // every matching handle was closed, or none matched
  NotReleased,  // "NUL" or the table could not be read, a close failed, or a foreign process
  Stopped,      // a name holding "qbw" was met: the tool ends at once
  Aborted,      // the step broke off (the table never fit): the tool goes on to eject
};

class OwnHandleRelease {
 public:
  OwnHandleRelease(INativeHandles& nt, IVolumes& volumes, RecordLayout layout)
      : nt_(nt), volumes_(volumes), layout_(layout) {}

  // Closes the file handles of the process that lie on the drive (E:). Only the tool's own
  // process is ever touched: any other id is refused.
  ReleaseResult ReleaseDriveHandles(const std::string& drive, uint32_t processId);
  // The object's name as a drive-letter path (E:\Apps\notes.txt), or "".
  std::string GetObjectDosPath(Handle handle);
  // The file type (1 disk, 2 character device, 3 pipe) or 0, also when the query did not
  // finish within kFileTypeLimitMs.
  uint32_t GetHandleFileType(Handle handle);
  // Closes `handle` inside its owner; false only when closing the copy failed or the owner
  // is not this process.
  bool CloseHandleInProcess(uint32_t processId, Handle handle);

 private:
  INativeHandles& nt_;
  IVolumes& volumes_;
  RecordLayout layout_;
};

}  // namespace carrydeck::remove
