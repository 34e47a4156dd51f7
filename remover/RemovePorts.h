// The platform services the removal tool asks for, each as narrow as its use. Production
// implements them over ntdll, kernel32, setupapi and cfgmgr32 (remover/win32); tests over
// memory, where any call can fail, hang or answer in either bitness's record layout.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace carrydeck::remove {

// A platform handle as a number; 0 means none (adapters turn INVALID_HANDLE_VALUE into 0).
using Handle = std::uintptr_t;
// A native status: negative (as a signed 32-bit number) is an error.
using NtStatus = std::int32_t;

enum class WaitResult { Signaled, TimedOut, Failed };

// Native process and handle services, with the few kernel32 calls that go with them.
class INativeHandles {
 public:
  virtual ~INativeHandles() = default;
  virtual uint32_t CurrentProcessId() = 0;
  // The device "NUL", opened for reading and not shared; 0 when it cannot be opened.
  virtual Handle OpenNul() = 0;
  // One query of the system handle table (information class 16) into a fresh buffer of
  // `length` bytes; on success `table` holds what the system wrote.
  virtual NtStatus QuerySystemHandles(uint32_t length, std::vector<uint8_t>& table) = 0;
  // NtOpenProcess for duplicating handles; 0 when no handle comes back.
  virtual Handle OpenProcessForDuplicate(uint32_t processId) = 0;
  // NtDuplicateObject of `source` in `process` into this process, desired access 0,
  // attributes 0, the given options. `copy` is this process's new handle on success.
  virtual NtStatus DuplicateToSelf(Handle process, Handle source, uint32_t options, Handle& copy) = 0;
  virtual NtStatus Close(Handle handle) = 0;
  // NtQueryObject for the object's name into `reply`, whose size is the length given.
  virtual NtStatus QueryObjectName(Handle handle, std::vector<uint8_t>& reply) = 0;
  // An object name in the system's ANSI code page.
  virtual std::string ToAnsi(const std::u16string& text) = 0;
  // A thread of this process that runs GetFileType on `handle` and ends with its result;
  // 0 when the entry point cannot be found or the thread cannot be started.
  virtual Handle StartFileTypeThread(Handle handle) = 0;
  virtual WaitResult WaitForThread(Handle thread, uint32_t milliseconds) = 0;
  virtual uint32_t ThreadExitCode(Handle thread) = 0;
  virtual void TerminateThread(Handle thread, uint32_t exitCode) = 0;
};

// Drive letters and the devices behind them.
class IVolumes {
 public:
  virtual ~IVolumes() = default;
  // GetLogicalDriveStringsW into `buffer`, whose size is the length given; the call's result.
  virtual uint32_t LogicalDriveStrings(std::string& buffer) = 0;
  // QueryDosDeviceW of a drive name (E:) with room for `maxChars`: the text (UTF-8) up to the
  // first NUL, nullopt when the call fails.
  virtual std::optional<std::string> QueryDosDevice(const std::string& drive, uint32_t maxChars) = 0;
  // GetDriveTypeW of a drive name (E:).
  virtual uint32_t DriveType(const std::string& drive) = 0;
};

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

class IClock {
 public:
  virtual ~IClock() = default;
  virtual void Sleep(uint32_t milliseconds) = 0;
};

}  // namespace carrydeck::remove
