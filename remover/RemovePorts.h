// The platform services the removal tool asks for, each as narrow as its use. Production
// implements them over ntdll, kernel32, setupapi and cfgmgr32 (remover/win32); tests over
// memory, where any call can fail, hang or answer in either bitness's record layout.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/HandlePorts.h"

namespace carrydeck::remove {

// Storage devices through their control codes.
class IStorageDevices {
 public:
  virtual ~IStorageDevices() = default;
  // CreateFileW with the access given, sharing read and write, OPEN_EXISTING, no flags;
  // 0 when the open fails.
  virtual Handle OpenDevice(const std::string& path, uint32_t desiredAccess) = 0;
  // DeviceIoControl; `output` is the output buffer and its size the length given.
  virtual bool IoControl(Handle device, uint32_t code, const std::vector<uint8_t>& input,
                         std::vector<uint8_t>& output) = 0;
  virtual void CloseDevice(Handle device) = 0;
};

struct Guid {
  uint32_t data1 = 0;
  uint16_t data2 = 0;
  uint16_t data3 = 0;
  uint8_t data4[8] = {};
};

// One set of device interfaces of one class; destroying the object destroys the set.
class IDeviceInterfaceSet {
 public:
  virtual ~IDeviceInterfaceSet() = default;
  // Makes the interface at `index` the current one; false when there is none.
  virtual bool EnumInterface(uint32_t index) = 0;
  // The detail size the platform asks for the current interface (a query without buffer).
  virtual uint32_t DetailSize() = 0;
  // The current interface's detail in a buffer of `size` bytes: its device path and the
  // device instance of its device.
  virtual bool Detail(uint32_t size, std::string& devicePath, uint32_t& devInst) = 0;
};

// Device installation and the configuration manager.
class IDeviceInstallation {
 public:
  virtual ~IDeviceInstallation() = default;
  // SetupDiGetClassDevsA for an interface class; null when the platform gives no set.
  virtual std::unique_ptr<IDeviceInterfaceSet> GetClassDevs(const Guid& interfaceClass, uint32_t flags) = 0;
  // CM_Get_Parent with flags 0; the configuration manager's result (0 is success).
  virtual uint32_t GetParent(uint32_t devInst, uint32_t& parent) = 0;
  // CM_Request_Device_EjectW with a veto type but no veto name (so the system tells the
  // user the outcome itself), flags 0; the configuration manager's result.
  virtual uint32_t RequestDeviceEject(uint32_t devInst) = 0;
};

// The one thing the tool ever says: why the system refused to eject the drive.
class INotices {
 public:
  virtual ~INotices() = default;
  // A box with the program's title, a warning icon and OK; returns once it is closed.
  virtual void ShowWarning(const std::string& text) = 0;
};

class IClock {
 public:
  virtual ~IClock() = default;
  virtual void Sleep(uint32_t milliseconds) = 0;
};

}  // namespace carrydeck::remove
