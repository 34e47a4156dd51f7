#include "remover/OwnHandleRelease.h"

#include <optional>
#include <vector>

#include "common/Paths.h"
#include "remover/BusType.h"

namespace carrydeck::remove {

namespace {

// Every native handle the release opens is closed on every path.
class OwnedHandle {
 public:
  OwnedHandle(INativeHandles& nt, Handle handle) : nt_(nt), handle_(handle) {}
  ~OwnedHandle() { Close(); }
  OwnedHandle(const OwnedHandle&) = delete;
  OwnedHandle& operator=(const OwnedHandle&) = delete;

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

// The length of `prefix` when `lowerName` starts with it as whole path components.
std::optional<size_t> PathPrefix(const std::string& lowerName, const std::string& prefix) {
  if (prefix.empty() || lowerName.compare(0, prefix.size(), prefix) != 0) return std::nullopt;
  // \Device\HarddiskVolume1 is no prefix of \Device\HarddiskVolume10\file.
  if (lowerName.size() > prefix.size() && lowerName[prefix.size()] != '\\' && prefix.back() != '\\')
    return std::nullopt;
  return prefix.size();
}

}  // namespace

bool NtSuccess(NtStatus status) { return status >= 0; }

ReleaseResult OwnHandleRelease::ReleaseDriveHandles(const std::string& drive, uint32_t processId) {
  const uint32_t self = nt_.CurrentProcessId();
  // Closing handles under another program's feet can make it write into whatever file
  // later gets the same handle value.
  if (processId != self || !IsDriveName(drive)) return ReleaseResult::NotReleased;

  OwnedHandle nul(nt_, nt_.OpenNul());
  if (!nul) return ReleaseResult::NotReleased;

  std::vector<uint8_t> table;
  for (uint32_t size = 1;; size *= 2) {
    NtStatus status = nt_.QuerySystemHandles(size, table);
    if (NtSuccess(status)) break;
    if (status != kStatusInfoLengthMismatch) return ReleaseResult::NotReleased;
    if (size >= kMaxHandleTableBytes) return ReleaseResult::Aborted;
  }
  const std::vector<HandleEntry> entries = ParseHandleTable(table, layout_);
  table = std::vector<uint8_t>();

  // The type index the system gives to files, learnt from our own handle on "NUL". Record
  // fields are 16 bits wide: an id or a handle value that does not fit never matches.
  uint8_t fileType = 0;
  for (const HandleEntry& entry : entries) {
    if (entry.processId == self && entry.handleValue == nul.get()) {
      fileType = entry.objectTypeIndex;
      break;
    }
  }
  nul.Close();
  if (fileType == 0) return ReleaseResult::Released;

  const std::string lowerDrive = ToLowerAscii(drive);
  bool released = true;
  for (const HandleEntry& entry : entries) {
    if (entry.processId != processId || entry.objectTypeIndex != fileType) continue;
    OwnedHandle process(nt_, nt_.OpenProcessForDuplicate(processId));
    if (!process) continue;
    Handle copyValue = 0;
    if (!NtSuccess(nt_.DuplicateToSelf(process.get(), entry.handleValue, kDuplicateSameAttributes, copyValue)))
      continue;
    OwnedHandle copy(nt_, copyValue);
    // Only a handle whose type comes back in time is asked for its name: the name query
    // can block for good on some pipes.
    std::string name = GetHandleFileType(copy.get()) != 0 ? GetObjectDosPath(copy.get()) : std::string();
    if (name.find("qbw") != std::string::npos) return ReleaseResult::Stopped;
    copy.Close();
    if (ToLowerAscii(name).find(lowerDrive) != std::string::npos && !CloseHandleInProcess(processId, entry.handleValue))
      released = false;
  }
  return released ? ReleaseResult::Released : ReleaseResult::NotReleased;
}

std::string OwnHandleRelease::GetObjectDosPath(Handle handle) {
  std::vector<uint8_t> reply(kObjectNameReplyBytes, 0);
  if (!NtSuccess(nt_.QueryObjectName(handle, reply))) return std::string();
  const std::string name = nt_.ToAnsi(ObjectNameText(reply, layout_));
  if (name.empty()) return std::string();

  // Drive roots each ended by a NUL, then a closing NUL; what the call leaves untouched stays
  // tabs, one last piece that is no drive.
  std::string list(kDriveListChars, '\t');
  uint32_t written = volumes_.LogicalDriveStrings(list);
  if (written == 0 || written >= list.size()) return std::string();

  const std::string lowerName = ToLowerAscii(name);
  size_t start = 0;
  while (start < list.size()) {
    size_t end = list.find('\0', start);
    if (end == std::string::npos) end = list.size();
    std::string piece = list.substr(start, end - start);
    start = end + 1;
    // The untouched tail starts with tabs: no drive, so no device to ask about.
    std::string drive = piece.substr(0, 2);
    if (!IsDriveName(drive)) continue;
    // A device name that cannot be read is no prefix of anything.
    std::string device = ToLowerAscii(volumes_.QueryDosDevice(drive, kDosDeviceChars).value_or(std::string()));
    std::optional<size_t> matched = PathPrefix(lowerName, device);
    // Some systems answer with the DOS-devices form of the name (\??\E:\Apps\notes.txt).
    if (!matched) matched = PathPrefix(lowerName, "\\??\\" + ToLowerAscii(drive));
    if (matched) return drive + name.substr(*matched);
  }
  return std::string();
}

uint32_t OwnHandleRelease::GetHandleFileType(Handle handle) {
  OwnedHandle thread(nt_, nt_.StartFileTypeThread(handle));
  if (!thread) return 0;
  if (nt_.WaitForThread(thread.get(), kFileTypeLimitMs) != WaitResult::Signaled) {
    nt_.TerminateThread(thread.get(), nt_.ThreadExitCode(thread.get()));
    return 0;
  }
  return nt_.ThreadExitCode(thread.get());
}

bool OwnHandleRelease::CloseHandleInProcess(uint32_t processId, Handle handle) {
  if (processId != nt_.CurrentProcessId()) return false;
  OwnedHandle process(nt_, nt_.OpenProcessForDuplicate(processId));
  if (!process) return true;
  Handle copy = 0;
  // Closing the source inside its owner hands us a copy, which is what we close here.
  if (!NtSuccess(nt_.DuplicateToSelf(process.get(), handle, kDuplicateCloseSource | kDuplicateSameAccess, copy)))
    return true;
  return NtSuccess(nt_.Close(copy));
}

}  // namespace carrydeck::remove
