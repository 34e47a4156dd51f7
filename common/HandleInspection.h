// Looking at the system's open handles: reading the handle table, asking a handle for its
// type without getting stuck on it, and turning an object's name into a drive-letter path.
// The removal tool's release and the search for what holds a drive share it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/HandlePorts.h"
#include "common/NtRecords.h"

namespace carrydeck {

inline constexpr NtStatus kStatusInfoLengthMismatch = static_cast<NtStatus>(0xC0000004u);
// The handle-table buffer starts at one byte and doubles; past this the table is taken as
// unreadable (the doubling would overflow the 32-bit length).
inline constexpr uint32_t kMaxHandleTableBytes = 1u << 30;
inline constexpr size_t kObjectNameReplyBytes = 4096;
inline constexpr uint32_t kFileTypeLimitMs = 100;
// A worker that was told to end is waited for this long before its batch is given up.
inline constexpr uint32_t kWorkerEndMs = 5000;
// Room for a name reply of a batch: the counted string and 255 characters, with room to spare.
inline constexpr size_t kBatchReplyBytes = 1024;
inline constexpr size_t kDriveListChars = 512;
inline constexpr uint32_t kDosDeviceChars = 256;

inline constexpr uint32_t kDuplicateCloseSource = 1;
inline constexpr uint32_t kDuplicateSameAccess = 2;
inline constexpr uint32_t kDuplicateSameAttributes = 4;

// True when a native status is not negative.
bool NtSuccess(NtStatus status);

// Every native handle opened here is closed on every path.
class OwnedNtHandle {
 public:
  OwnedNtHandle(INativeHandles& nt, Handle handle) : nt_(nt), handle_(handle) {}
  ~OwnedNtHandle() { Close(); }
  OwnedNtHandle(const OwnedNtHandle&) = delete;
  OwnedNtHandle& operator=(const OwnedNtHandle&) = delete;

  Handle get() const { return handle_; }
  explicit operator bool() const { return handle_ != 0; }
  NtStatus Close() {
    Handle handle = handle_;
    handle_ = 0;
    return handle ? nt_.Close(handle) : 0;
  }

 private:
  INativeHandles& nt_;
  Handle handle_;
};

enum class TableRead {
  Read,       // `entries` holds the table
  Failed,     // the query failed with anything but a length mismatch
  NeverFits,  // the buffer outgrew kMaxHandleTableBytes
};

// The length of `prefix` when `lowerName` starts with it as whole path components.
size_t PathPrefixLength(const std::string& lowerName, const std::string& prefix);

class HandleInspector {
 public:
  // `layout`: the classic table's layout this process receives; the extended one follows.
  HandleInspector(INativeHandles& nt, IVolumes& volumes, RecordLayout layout)
      : nt_(nt), volumes_(volumes), layout_(layout) {}

  // The whole table, read with a buffer that starts at one byte and doubles.
  TableRead ReadHandleTable(HandleTableKind kind, std::vector<HandleEntry>& entries);
  // The type index the system gives to files, learnt from the record of our own handle
  // `nul` (a file); 0 when no record is ours.
  static uint16_t FileTypeIndex(const std::vector<HandleEntry>& entries, uint64_t selfId, Handle nul);
  // The object's name as a drive-letter path (E:\Apps\notes.txt), or "".
  std::string GetObjectDosPath(Handle handle);
  // The object's name as the system gives it (\Device\HarddiskVolume5\notes.txt), UTF-8; ""
  // when it cannot be read.
  std::string ObjectName(Handle handle);
  // The file type (1 disk, 2 character device, 3 pipe) or 0, also when the query did not
  // finish within kFileTypeLimitMs: only then is it safe to ask for the name, which can
  // block for good on some pipes.
  uint32_t GetHandleFileType(Handle handle);
  // The same for many handles on one worker thread, which costs a thread per batch rather
  // than per handle: a handle the worker stays on for a whole kFileTypeLimitMs is passed over
  // (its file type 0) and a new worker goes on after it. False when a worker could not be
  // ended: it may still write into `batch`, which must then outlive it.
  bool QueryAll(HandleQueries& batch);
  // A batch reply's name (\??\E:\notes.txt), UTF-8; "" when the type or the name did not come.
  std::string NameOf(const HandleQuery& query) const;

 private:
  INativeHandles& nt_;
  IVolumes& volumes_;
  RecordLayout layout_;
};

}  // namespace carrydeck
