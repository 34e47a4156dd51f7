#include "remover/RemovalTool.h"

#include "common/DriveHolders.h"
#include "common/IniFile.h"
#include "remover/BusType.h"
#include "remover/DeviceEject.h"
#include "remover/OwnHandleRelease.h"

namespace carrydeck::remove {

namespace {

void DeleteIfPresent(IFileSystem& files, const std::string& path) noexcept {
  try {
    if (files.FileExists(path)) files.Delete(path);
  } catch (...) {
    // A step that fails is passed over.
  }
}

}  // namespace

void RemovalTool::NameHolders(const std::string& drive) {
  DriveHolderSearch search(platform_.nt, platform_.volumes, platform_.processes, platform_.layout);
  const std::vector<DriveHolder> holders = search.Find(drive);
  if (!holders.empty()) platform_.notices.ShowWarning(HoldersText(holders));
}

RunEnd RemovalTool::Run() noexcept {
  // Each step's failure lands where the tool would have gone anyway: a value that cannot
  // be read or a bus that cannot be told leaves the drive alone; a release that breaks off
  // still lets the ejection try (the system refuses it if something holds the drive).
  std::string value;
  try {
    value = ReadIni(platform_.profile, kHandOffSection, kHandOffKey, kHandOffFile, "");
  } catch (...) {
    value.clear();
  }
  if (!value.empty()) {
    const std::string drive = value.substr(0, 2);
    std::string bus;
    try {
      bus = GetBusType(platform_.storage, drive);
    } catch (...) {
      bus.clear();
    }
    if (bus == "Usb") {
      ReleaseResult released = ReleaseResult::Aborted;
      try {
        OwnHandleRelease handles(platform_.nt, platform_.volumes, platform_.layout);
        released = handles.ReleaseDriveHandles(drive, platform_.nt.CurrentProcessId());
      } catch (...) {
        released = ReleaseResult::Aborted;
      }
      if (released == ReleaseResult::Stopped) return RunEnd::Stopped;
      if (released != ReleaseResult::NotReleased) {
        try {
          // The system tells the user the outcome; when it refused, the tool adds who keeps
          // the drive in use, which the system does not say.
          if (!DeviceEject(platform_.storage, platform_.volumes, platform_.devices, platform_.clock)
                   .EjectDrive("\\\\.\\" + drive))
            NameHolders(drive);
        } catch (...) {
        }
      }
    }
  }
  DeleteIfPresent(platform_.files, kHandOffFile);
  // The running program's own file cannot go; the launcher replaces it next time.
  DeleteIfPresent(platform_.files, kHandOffTool);
  return RunEnd::Finished;
}

}  // namespace carrydeck::remove
