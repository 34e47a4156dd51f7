// Which bus a drive sits on, and the device I/O control codes of the removal tool.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "remover/RemovePorts.h"

namespace carrydeck::remove {

// The platform's rule for device I/O control codes.
constexpr uint32_t CtlCode(uint32_t deviceType, uint32_t function, uint32_t method, uint32_t access) {
  return (deviceType << 16) | (access << 14) | (function << 2) | method;
}

inline constexpr uint32_t kFileDeviceMassStorage = 0x2D;
inline constexpr uint32_t kMethodBuffered = 0;
inline constexpr uint32_t kFileAnyAccess = 0;
inline constexpr uint32_t kIoctlStorageQueryProperty =
    CtlCode(kFileDeviceMassStorage, 0x500, kMethodBuffered, kFileAnyAccess);
inline constexpr uint32_t kIoctlStorageGetDeviceNumber =
    CtlCode(kFileDeviceMassStorage, 0x420, kMethodBuffered, kFileAnyAccess);

inline constexpr uint32_t kGenericRead = 0x80000000u;

// An opened device, closed on every path.
class OpenedDevice {
 public:
  OpenedDevice(IStorageDevices& storage, const std::string& path, uint32_t desiredAccess)
      : storage_(storage), device_(storage.OpenDevice(path, desiredAccess)) {}
  ~OpenedDevice() {
    if (device_) storage_.CloseDevice(device_);
  }
  OpenedDevice(const OpenedDevice&) = delete;
  OpenedDevice& operator=(const OpenedDevice&) = delete;

  Handle get() const { return device_; }
  explicit operator bool() const { return device_ != 0; }

 private:
  IStorageDevices& storage_;
  Handle device_;
};

// The name of a bus-type code of the storage device descriptor; "" for unknown codes.
std::string BusTypeName(uint32_t busType);

// Sends the standard device property query; true when the device answered.
bool QueryDeviceDescriptor(IStorageDevices& storage, Handle device, std::vector<uint8_t>& descriptor);

// "Usb", "Scsi", ... for a drive name (E:); "" when the volume cannot be opened.
std::string GetBusType(IStorageDevices& storage, const std::string& drive);

}  // namespace carrydeck::remove
