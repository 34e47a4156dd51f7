// The removal tool's run: read the drive handed over by the launcher, release and eject it
// when it sits on a USB bus, then clean up after the hand-off.
#pragma once

#include <string>

#include "common/HandOff.h"
#include "common/SystemPorts.h"
#include "common/NtRecords.h"
#include "remover/RemovePorts.h"

namespace carrydeck::remove {

struct RemovePlatform {
  IFileSystem& files;
  IProfile& profile;
  INativeHandles& nt;
  IVolumes& volumes;
  IStorageDevices& storage;
  IDeviceInstallation& devices;
  IClock& clock;
  RecordLayout layout;
  IProcesses& processes;
  INotices& notices;
};

enum class RunEnd {
  Finished,  // every step ran
  Stopped,   // the release met a name holding "qbw": nothing after it ran
};

class RemovalTool {
 public:
  explicit RemovalTool(RemovePlatform platform) : platform_(platform) {}

  // The whole run. Every step passes over its failures; the one thing ever shown is what
  // keeps the drive in use when the system refused to eject it.
  RunEnd Run() noexcept;

 private:
  // Shows what keeps the drive (E:) in use, if anything does.
  void NameHolders(const std::string& drive);

  RemovePlatform platform_;
};

}  // namespace carrydeck::remove
