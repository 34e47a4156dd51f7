// The removal tool's ports over the real system.
#pragma once

#include <windows.h>

#include "remover/RemovalTool.h"
#include "remover/RemovePorts.h"
#include "remover/win32/NtApi.h"

namespace carrydeck::remove {

class Win32NativeHandles : public INativeHandles {
 public:
  Win32NativeHandles() : api_(nt::NtApi::Load("ntdll.dll")) {}
  explicit Win32NativeHandles(nt::NtApi api) : api_(std::move(api)) {}

  uint32_t CurrentProcessId() override;
  Handle OpenNul() override;
  NtStatus QuerySystemHandles(uint32_t length, std::vector<uint8_t>& table) override;
  Handle OpenProcessForDuplicate(uint32_t processId) override;
  NtStatus DuplicateToSelf(Handle process, Handle source, uint32_t options, Handle& copy) override;
  NtStatus Close(Handle handle) override;
  NtStatus QueryObjectName(Handle handle, std::vector<uint8_t>& reply) override;
  std::string ToAnsi(const std::u16string& text) override;
  Handle StartFileTypeThread(Handle handle) override;
  WaitResult WaitForThread(Handle thread, uint32_t milliseconds) override;
  uint32_t ThreadExitCode(Handle thread) override;
  void TerminateThread(Handle thread, uint32_t exitCode) override;

 private:
  nt::NtApi api_;
};

class Win32Volumes : public IVolumes {
 public:
  uint32_t LogicalDriveStrings(std::string& buffer) override;
  std::optional<std::string> QueryDosDevice(const std::string& drive, uint32_t maxChars) override;
  uint32_t DriveType(const std::string& drive) override;
};

class Win32StorageDevices : public IStorageDevices {
 public:
  Handle OpenDevice(const std::string& path, uint32_t desiredAccess) override;
  bool IoControl(Handle device, uint32_t code, const std::vector<uint8_t>& input,
                 std::vector<uint8_t>& output) override;
  void CloseDevice(Handle device) override;
};

class Win32DeviceInstallation : public IDeviceInstallation {
 public:
  Win32DeviceInstallation() : api_(nt::CfgMgrApi::Load("cfgmgr32.dll", "setupapi.dll")) {}
  explicit Win32DeviceInstallation(nt::CfgMgrApi api) : api_(std::move(api)) {}

  std::unique_ptr<IDeviceInterfaceSet> GetClassDevs(const Guid& interfaceClass, uint32_t flags) override;
  uint32_t GetParent(uint32_t devInst, uint32_t& parent) override;
  uint32_t RequestDeviceEject(uint32_t devInst) override;

 private:
  nt::CfgMgrApi api_;
};

class Win32Clock : public IClock {
 public:
  void Sleep(uint32_t milliseconds) override { ::Sleep(milliseconds); }
};

// The whole run over the real system, as Remove.exe does it.
RunEnd RunRemovalTool() noexcept;

}  // namespace carrydeck::remove
