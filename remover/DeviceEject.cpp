#include "remover/DeviceEject.h"

#include <vector>

#include "common/Paths.h"
#include "remover/BusType.h"
#include "common/NtRecords.h"

namespace carrydeck::remove {

namespace {

constexpr uint32_t kFloppyClass = 0x53F56311;
constexpr uint32_t kDiskClass = 0x53F56307;
constexpr uint32_t kCdRomClass = 0x53F56308;
constexpr uint32_t kNoDeviceNumber = 0xFFFFFFFFu;
constexpr uint32_t kCrSuccess = 0;

}  // namespace

Guid InterfaceClassFor(uint32_t driveType, const std::string& dosDevice) {
  // The published storage interface classes differ only in their first field.
  Guid guid{0, 0xB6BF, 0x11D0, {0x94, 0xF2, 0x00, 0xA0, 0xC9, 0x1E, 0xFB, 0x8B}};
  switch (driveType) {
    case kDriveRemovable:
      guid.data1 = dosDevice.find("\\Floppy") != std::string::npos ? kFloppyClass : kDiskClass;
      break;
    case kDriveFixed: guid.data1 = kDiskClass; break;
    case kDriveCdRom: guid.data1 = kCdRomClass; break;
    default: break;
  }
  return guid;
}

std::optional<uint32_t> DeviceEject::DeviceNumberOf(const std::string& path) {
  OpenedDevice device(storage_, path, 0);
  if (!device) return std::nullopt;
  std::vector<uint8_t> number(kDeviceNumberSize, 0);
  if (!storage_.IoControl(device.get(), kIoctlStorageGetDeviceNumber, {}, number)) return std::nullopt;
  return ReadU32(number, kDeviceNumberAt);
}

bool DeviceEject::EjectDrive(const std::string& path) {
  if (path.size() < 2) return false;
  const std::string drive = path.substr(path.size() - 2);
  if (!IsDriveName(drive)) return false;

  std::optional<uint32_t> number = DeviceNumberOf(path);
  if (!number || *number == kNoDeviceNumber) return false;
  uint32_t driveType = volumes_.DriveType(drive);
  std::optional<std::string> dosDevice = volumes_.QueryDosDevice(drive, kDosDeviceNameChars);
  if (!dosDevice) return false;
  uint32_t devInst = GetDevInstByDeviceNumber(*number, driveType, *dosDevice);
  if (devInst == 0) return false;

  // Without a parent there is nothing to eject: never send a request for an instance that
  // the system did not name.
  uint32_t parent = 0;
  if (devices_.GetParent(devInst, parent) != kCrSuccess || parent == 0) return false;

  for (int attempt = 0; attempt < kEjectAttempts; ++attempt) {
    if (devices_.RequestDeviceEject(parent) == kCrSuccess) return true;
    // A program may still be letting go of the device.
    clock_.Sleep(kEjectPauseMs);
  }
  return false;
}

uint32_t DeviceEject::GetDevInstByDeviceNumber(uint32_t number, uint32_t driveType, const std::string& dosDevice) {
  const Guid interfaceClass = InterfaceClassFor(driveType, dosDevice);
  std::unique_ptr<IDeviceInterfaceSet> set =
      devices_.GetClassDevs(interfaceClass, kDigcfPresent | kDigcfDeviceInterface);
  if (!set) return 0;
  for (uint32_t index = 0; set->EnumInterface(index); ++index) {
    uint32_t size = set->DetailSize();
    // A detail that does not fit is skipped, never cut: a cut path names another device.
    if (size == 0 || size > kMaxInterfaceDetailBytes) continue;
    std::string devicePath;
    uint32_t devInst = 0;
    if (!set->Detail(size, devicePath, devInst)) continue;
    std::optional<uint32_t> found = DeviceNumberOf(devicePath);
    if (found && *found == number) return devInst;
  }
  return 0;
}

}  // namespace carrydeck::remove
