#include "remover/OwnHandleRelease.h"

#include <vector>

#include "common/Paths.h"
#include "remover/BusType.h"

namespace carrydeck::remove {

ReleaseResult OwnHandleRelease::ReleaseDriveHandles(const std::string& drive, uint32_t processId) {
  const uint32_t self = nt_.CurrentProcessId();
  // Closing handles under another program's feet can make it write into whatever file
  // later gets the same handle value.
  if (processId != self || !IsDriveName(drive)) return ReleaseResult::NotReleased;

  OwnedNtHandle nul(nt_, nt_.OpenNul());
  if (!nul) return ReleaseResult::NotReleased;

  std::vector<HandleEntry> entries;
  switch (inspector_.ReadHandleTable(HandleTableKind::Classic, entries)) {
    case TableRead::Read: break;
    case TableRead::Failed: return ReleaseResult::NotReleased;
    case TableRead::NeverFits: return ReleaseResult::Aborted;
  }

  // The type index the system gives to files, learnt from our own handle on "NUL". Record
  // fields are 16 bits wide: an id or a handle value that does not fit never matches.
  const uint16_t fileType = HandleInspector::FileTypeIndex(entries, self, nul.get());
  nul.Close();
  if (fileType == 0) return ReleaseResult::Released;

  const std::string lowerDrive = ToLowerAscii(drive);
  bool released = true;
  for (const HandleEntry& entry : entries) {
    if (entry.processId != processId || entry.objectTypeIndex != fileType) continue;
    OwnedNtHandle process(nt_, nt_.OpenProcessForDuplicate(processId));
    if (!process) continue;
    Handle copyValue = 0;
    if (!NtSuccess(nt_.DuplicateToSelf(process.get(), static_cast<Handle>(entry.handleValue), kDuplicateSameAttributes,
                                       copyValue)))
      continue;
    OwnedNtHandle copy(nt_, copyValue);
    // Only a handle whose type comes back in time is asked for its name: the name query
    // can block for good on some pipes.
    std::string name =
        inspector_.GetHandleFileType(copy.get()) != 0 ? inspector_.GetObjectDosPath(copy.get()) : std::string();
    if (name.find("qbw") != std::string::npos) return ReleaseResult::Stopped;
    copy.Close();
    if (ToLowerAscii(name).find(lowerDrive) != std::string::npos &&
        !CloseHandleInProcess(processId, static_cast<Handle>(entry.handleValue)))
      released = false;
  }
  return released ? ReleaseResult::Released : ReleaseResult::NotReleased;
}

bool OwnHandleRelease::CloseHandleInProcess(uint32_t processId, Handle handle) {
  if (processId != nt_.CurrentProcessId()) return false;
  OwnedNtHandle process(nt_, nt_.OpenProcessForDuplicate(processId));
  if (!process) return true;
  Handle copy = 0;
  // Closing the source inside its owner hands us a copy, which is what we close here.
  if (!NtSuccess(nt_.DuplicateToSelf(process.get(), handle, kDuplicateCloseSource | kDuplicateSameAccess, copy)))
    return true;
  return NtSuccess(nt_.Close(copy));
}

}  // namespace carrydeck::remove
