#include "common/DriveHolders.h"

#include <algorithm>
#include <memory>

#include "common/HandleInspection.h"
#include "common/Paths.h"

namespace carrydeck {

namespace {

// The other processes, each opened once when it first shows a file; one that cannot be
// opened stays 0 and is passed over. All are closed on every path.
struct OpenedProcesses {
  OpenedProcesses(INativeHandles& nt, size_t count) : nt(nt), handles(count, 0), tried(count, false) {}
  ~OpenedProcesses() {
    for (Handle handle : handles)
      if (handle) nt.Close(handle);
  }
  OpenedProcesses(const OpenedProcesses&) = delete;
  OpenedProcesses& operator=(const OpenedProcesses&) = delete;

  Handle Get(size_t index, uint32_t processId) {
    if (!tried[index]) {
      tried[index] = true;
      handles[index] = nt.OpenProcessForDuplicate(processId);
    }
    return handles[index];
  }

  INativeHandles& nt;
  std::vector<Handle> handles;
  std::vector<bool> tried;
};

}  // namespace

std::vector<DriveHolder> DriveHolderSearch::Find(const std::string& drive) {
  std::vector<DriveHolder> holders;
  if (!IsDriveName(drive)) return holders;
  const uint32_t self = nt_.CurrentProcessId();
  const std::string lowerDrive = ToLowerAscii(drive);
  // The two forms the system names a file on the drive by: through its device
  // (\Device\HarddiskVolume5\notes.txt) or its letter (\??\E:\notes.txt). Asked once, not
  // per handle.
  const std::string device = ToLowerAscii(volumes_.QueryDosDevice(drive, kDosDeviceChars).value_or(std::string()));
  const std::string letterForm = "\\??\\" + lowerDrive;

  const std::vector<ProcessEntry> processes = processes_.List();
  std::vector<std::vector<std::string>> paths(processes.size());
  for (size_t i = 0; i < processes.size(); ++i) {
    const uint32_t id = processes[i].processId;
    if (id == self) continue;
    std::optional<std::string> image = processes_.ImagePath(id);
    if (image && ToLowerAscii(*image).rfind(lowerDrive + "\\", 0) == 0) paths[i].push_back(*image);
  }

  HandleInspector inspector(nt_, volumes_, layout_);
  OwnedNtHandle nul(nt_, nt_.OpenNul());
  std::vector<HandleEntry> entries;
  // Only the extended table gives a 32-bit process the records of 64-bit ones, and ids that
  // do not fit in 16 bits.
  if (nul && inspector.ReadHandleTable(HandleTableKind::Extended, entries) == TableRead::Read) {
    const uint16_t fileType = HandleInspector::FileTypeIndex(entries, self, nul.get());
    nul.Close();
    OpenedProcesses opened(nt_, processes.size());
    std::vector<size_t> owners;  // per query of the batch, the process it belongs to
    auto batch = std::make_unique<HandleQueries>();
    auto harvest = [&]() -> bool {
      const bool ended = inspector.QueryAll(*batch);
      if (!ended) {
        // A worker that would not end may still write into the batch and use its copies:
        // both stay as they are, and the look-up stops with what it has.
        static_cast<void>(batch.release());
        return false;
      }
      for (size_t i = 0; i < batch->queries.size(); ++i) {
        const std::string name = inspector.NameOf(batch->queries[i]);
        nt_.Close(batch->queries[i].handle);
        const std::string lowerName = ToLowerAscii(name);
        size_t matched = PathPrefixLength(lowerName, device);
        if (!matched) matched = PathPrefixLength(lowerName, letterForm);
        if (!matched) continue;
        const std::string rest = name.substr(matched);
        const std::string path = drive + (rest.empty() ? "\\" : rest);
        std::vector<std::string>& held = paths[owners[i]];
        if (std::find(held.begin(), held.end(), path) == held.end()) held.push_back(path);
      }
      batch->queries.clear();
      owners.clear();
      return true;
    };
    bool going = true;
    size_t owner = processes.size();
    for (const HandleEntry& entry : entries) {
      if (!going) break;
      if (fileType == 0 || entry.objectTypeIndex != fileType || entry.processId == self) continue;
      // The table lists a process's handles together: the last one found is looked at first.
      if (owner >= processes.size() || processes[owner].processId != entry.processId) {
        owner = 0;
        while (owner < processes.size() && processes[owner].processId != entry.processId) ++owner;
        if (owner == processes.size()) continue;  // ended since the list was taken
      }
      const Handle process = opened.Get(owner, processes[owner].processId);
      if (!process) continue;
      Handle copy = 0;
      if (!NtSuccess(
              nt_.DuplicateToSelf(process, static_cast<Handle>(entry.handleValue), kDuplicateSameAttributes, copy)))
        continue;
      HandleQuery query;
      query.handle = copy;
      query.reply.assign(kBatchReplyBytes, 0);
      batch->queries.push_back(std::move(query));
      owners.push_back(owner);
      if (batch->queries.size() == kHoldersBatch) going = harvest();
    }
    if (going && !batch->queries.empty()) harvest();
  }

  for (size_t i = 0; i < processes.size(); ++i)
    for (const std::string& path : paths[i]) holders.push_back({processes[i].program, processes[i].processId, path});
  return holders;
}

std::string HoldersText(const std::vector<DriveHolder>& holders) {
  std::string text = "The USB device cannot be removed while these programs keep it in use:\n";
  const size_t listed = std::min(holders.size(), kHoldersListed);
  for (size_t i = 0; i < listed; ++i)
    text += "\n" + holders[i].program + " (" + std::to_string(holders[i].processId) + "): " + holders[i].path;
  if (holders.size() > listed) text += "\nand " + std::to_string(holders.size() - listed) + " more";
  return text;
}

}  // namespace carrydeck
