#include "remover/BusType.h"

#include "common/NtRecords.h"
#include "common/Paths.h"

namespace carrydeck::remove {

static_assert(kIoctlStorageQueryProperty == 0x2D1400);
static_assert(kIoctlStorageGetDeviceNumber == 0x2D1080);

std::string BusTypeName(uint32_t busType) {
  static const char* const kNames[] = {"??", "Scsi", "Atapi", "Ata", "1394", "Ssa", "Fibre", "Usb", "RAID"};
  if (busType >= sizeof kNames / sizeof kNames[0]) return std::string();
  return kNames[busType];
}

bool QueryDeviceDescriptor(IStorageDevices& storage, Handle device, std::vector<uint8_t>& descriptor) {
  return storage.IoControl(device, kIoctlStorageQueryProperty, PropertyQuery(), descriptor);
}

std::string GetBusType(IStorageDevices& storage, const std::string& drive) {
  // The value comes from a file anyone can write: never hand the system a device name
  // made of whatever its first two characters are.
  if (!IsDriveName(drive)) return std::string();
  OpenedDevice volume(storage, "\\\\.\\" + drive, kGenericRead);
  if (!volume) return std::string();
  std::vector<uint8_t> descriptor = DeviceDescriptorBuffer();
  // A device that does not answer reads as bus type 0.
  uint32_t busType = QueryDeviceDescriptor(storage, volume.get(), descriptor) ? ReadU32(descriptor, kBusTypeAt) : 0;
  return BusTypeName(busType);
}

}  // namespace carrydeck::remove
