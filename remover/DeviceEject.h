// Asking the system to eject the device behind a drive.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "remover/RemovePorts.h"

namespace carrydeck::remove {

inline constexpr uint32_t kDriveRemovable = 2;
inline constexpr uint32_t kDriveFixed = 3;
inline constexpr uint32_t kDriveCdRom = 5;

inline constexpr uint32_t kDigcfPresent = 0x02;
inline constexpr uint32_t kDigcfDeviceInterface = 0x10;
inline constexpr uint32_t kMaxInterfaceDetailBytes = 1024;
inline constexpr uint32_t kDosDeviceNameChars = 280;
inline constexpr int kEjectAttempts = 4;
inline constexpr uint32_t kEjectPauseMs = 300;

// The device interface class searched for a drive: floppies, disks or CD-ROMs, or a class
// with first field 0 that no device exposes.
Guid InterfaceClassFor(uint32_t driveType, const std::string& dosDevice);

class DeviceEject {
 public:
  DeviceEject(IStorageDevices& storage, IVolumes& volumes, IDeviceInstallation& devices, IClock& clock)
      : storage_(storage), volumes_(volumes), devices_(devices), clock_(clock) {}

  // Ejects the device behind a volume path (\\.\E:); true when a request was accepted.
  bool EjectDrive(const std::string& path);
  // The device instance of the interface of the drive's class that carries the storage
  // device number, or 0.
  uint32_t GetDevInstByDeviceNumber(uint32_t number, uint32_t driveType, const std::string& dosDevice);

 private:
  // The storage device number of an opened device, or nullopt.
  std::optional<uint32_t> DeviceNumberOf(const std::string& path);

  IStorageDevices& storage_;
  IVolumes& volumes_;
  IDeviceInstallation& devices_;
  IClock& clock_;
};

}  // namespace carrydeck::remove
