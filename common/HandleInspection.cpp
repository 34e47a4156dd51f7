#include "common/HandleInspection.h"

#include "common/Paths.h"
#include "common/Utf8.h"

namespace carrydeck {

bool NtSuccess(NtStatus status) { return status >= 0; }

size_t PathPrefixLength(const std::string& lowerName, const std::string& prefix) {
  if (prefix.empty() || lowerName.compare(0, prefix.size(), prefix) != 0) return 0;
  // \Device\HarddiskVolume1 is no prefix of \Device\HarddiskVolume10\file.
  if (lowerName.size() > prefix.size() && lowerName[prefix.size()] != '\\' && prefix.back() != '\\') return 0;
  return prefix.size();
}

TableRead HandleInspector::ReadHandleTable(HandleTableKind kind, std::vector<HandleEntry>& entries) {
  entries.clear();
  std::vector<uint8_t> table;
  for (uint32_t size = 1;; size *= 2) {
    NtStatus status = nt_.QuerySystemHandles(kind, size, table);
    if (NtSuccess(status)) break;
    if (status != kStatusInfoLengthMismatch) return TableRead::Failed;
    if (size >= kMaxHandleTableBytes) return TableRead::NeverFits;
  }
  entries = ParseHandleTable(table, kind == HandleTableKind::Extended ? ExtendedOf(layout_) : layout_);
  return TableRead::Read;
}

uint16_t HandleInspector::FileTypeIndex(const std::vector<HandleEntry>& entries, uint64_t selfId, Handle nul) {
  for (const HandleEntry& entry : entries)
    if (entry.processId == selfId && entry.handleValue == nul) return entry.objectTypeIndex;
  return 0;
}

bool HandleInspector::QueryAll(HandleQueries& batch) {
  const size_t count = batch.queries.size();
  size_t from = 0;
  while (from < count) {
    batch.done = from;
    OwnedNtHandle worker(nt_, nt_.StartQueryThread(batch, from));
    if (!worker) {
      for (size_t i = from; i < count; ++i) batch.queries[i].fileType = 0;
      return true;
    }
    size_t seen = from;
    for (;;) {
      if (nt_.WaitForThread(worker.get(), kFileTypeLimitMs) == WaitResult::Signaled) {
        from = count;
        break;
      }
      const size_t now = batch.done.load();
      if (now != seen) {
        seen = now;
        continue;
      }
      // Stuck on one handle for a whole limit: that one is passed over, the rest go on.
      nt_.TerminateThread(worker.get(), 0);
      if (nt_.WaitForThread(worker.get(), kWorkerEndMs) != WaitResult::Signaled) return false;
      if (now < count) batch.queries[now].fileType = 0;
      from = now + 1;
      break;
    }
  }
  return true;
}

std::string HandleInspector::NameOf(const HandleQuery& query) const {
  if (query.fileType == 0 || !NtSuccess(query.nameStatus)) return std::string();
  return Utf16ToUtf8(ObjectNameText(query.reply, layout_));
}

std::string HandleInspector::ObjectName(Handle handle) {
  std::vector<uint8_t> reply(kObjectNameReplyBytes, 0);
  if (!NtSuccess(nt_.QueryObjectName(handle, reply))) return std::string();
  return Utf16ToUtf8(ObjectNameText(reply, layout_));
}

std::string HandleInspector::GetObjectDosPath(Handle handle) {
  std::vector<uint8_t> reply(kObjectNameReplyBytes, 0);
  if (!NtSuccess(nt_.QueryObjectName(handle, reply))) return std::string();
  const std::string name = Utf16ToUtf8(ObjectNameText(reply, layout_));
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
    size_t matched = PathPrefixLength(lowerName, device);
    // Some systems answer with the DOS-devices form of the name (\??\E:\Apps\notes.txt).
    if (!matched) matched = PathPrefixLength(lowerName, "\\??\\" + ToLowerAscii(drive));
    if (matched) return drive + name.substr(matched);
  }
  return std::string();
}

uint32_t HandleInspector::GetHandleFileType(Handle handle) {
  OwnedNtHandle thread(nt_, nt_.StartFileTypeThread(handle));
  if (!thread) return 0;
  if (nt_.WaitForThread(thread.get(), kFileTypeLimitMs) != WaitResult::Signaled) {
    nt_.TerminateThread(thread.get(), nt_.ThreadExitCode(thread.get()));
    return 0;
  }
  return nt_.ThreadExitCode(thread.get());
}

}  // namespace carrydeck
