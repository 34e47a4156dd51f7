// The removal tool's ports over the real system.
#pragma once

#include <windows.h>

#include "remover/RemovalTool.h"
#include "remover/RemovePorts.h"
#include "common/win32/Win32Handles.h"
#include "remover/win32/CfgMgrApi.h"

namespace carrydeck::remove {

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

class Win32Notices : public INotices {
 public:
  void ShowWarning(const std::string& text) override;
};

class Win32Clock : public IClock {
 public:
  void Sleep(uint32_t milliseconds) override { ::Sleep(milliseconds); }
};

// The whole run over the real system, as Remove.exe does it.
RunEnd RunRemovalTool() noexcept;

}  // namespace carrydeck::remove
