#include "remover/win32/Win32Remove.h"

#include <setupapi.h>
#include <winioctl.h>

#include <algorithm>
#include <cstring>
#include <new>

#include "common/ProgramTitle.h"
#include "common/win32/DelayLoad.h"
#include "common/win32/Win32FileSystem.h"
#include "common/win32/Win32Profile.h"
#include "common/win32/WideText.h"
#include "remover/BusType.h"
#include "remover/OwnHandleRelease.h"

namespace carrydeck::remove {

// The records exchanged with the storage driver and the device installer, as the portable
// code builds and reads them.
static_assert(sizeof(STORAGE_PROPERTY_QUERY) == kPropertyQuerySize);
static_assert(sizeof(STORAGE_DEVICE_DESCRIPTOR) == kDeviceDescriptorSize);
static_assert(offsetof(STORAGE_DEVICE_DESCRIPTOR, Size) == kDescriptorSizeAt);
static_assert(offsetof(STORAGE_DEVICE_DESCRIPTOR, BusType) == kBusTypeAt);
static_assert(sizeof(STORAGE_DEVICE_NUMBER) == kDeviceNumberSize);
static_assert(offsetof(STORAGE_DEVICE_NUMBER, DeviceNumber) == kDeviceNumberAt);
static_assert(IOCTL_STORAGE_QUERY_PROPERTY == kIoctlStorageQueryProperty);
static_assert(IOCTL_STORAGE_GET_DEVICE_NUMBER == kIoctlStorageGetDeviceNumber);
static_assert(BusTypeUsb == 7);
#ifdef _WIN64
static_assert(sizeof(SP_DEVICE_INTERFACE_DATA) == 32 && sizeof(SP_DEVINFO_DATA) == 32);
static_assert(sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W) == 8);
#else
static_assert(sizeof(SP_DEVICE_INTERFACE_DATA) == 28 && sizeof(SP_DEVINFO_DATA) == 28);
static_assert(sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W) == 6);
#endif

}  // namespace carrydeck::remove

namespace carrydeck::nt {

CfgMgrApi CfgMgrApi::Load(const char* moduleName, const char* fallbackName) {
  CfgMgrApi api;
  api.module.reset(late::LoadSystemLibrary(moduleName));
  HMODULE m = api.module.get();
  api.CM_Get_Parent = late::Function<CM_Get_ParentFn>(m, "CM_Get_Parent");
  api.CM_Request_Device_EjectW = late::Function<CM_Request_Device_EjectWFn>(m, "CM_Request_Device_EjectW");
  if (fallbackName && (!api.CM_Get_Parent || !api.CM_Request_Device_EjectW)) {
    api.fallbackModule.reset(late::LoadSystemLibrary(fallbackName));
    HMODULE f = api.fallbackModule.get();
    if (!api.CM_Get_Parent) api.CM_Get_Parent = late::Function<CM_Get_ParentFn>(f, "CM_Get_Parent");
    if (!api.CM_Request_Device_EjectW)
      api.CM_Request_Device_EjectW = late::Function<CM_Request_Device_EjectWFn>(f, "CM_Request_Device_EjectW");
  }
  return api;
}

}  // namespace carrydeck::nt

namespace carrydeck::remove {

namespace {

HANDLE AsHandle(Handle value) { return reinterpret_cast<HANDLE>(value); }
Handle FromHandle(HANDLE handle) { return handle == INVALID_HANDLE_VALUE ? 0 : reinterpret_cast<Handle>(handle); }

struct DevInfoTraits {
  static HDEVINFO Invalid() noexcept { return INVALID_HANDLE_VALUE; }
  static void Close(HDEVINFO set) noexcept { ::SetupDiDestroyDeviceInfoList(set); }
};
using UniqueDevInfo = UniqueHandle<HDEVINFO, DevInfoTraits>;

class Win32InterfaceSet : public IDeviceInterfaceSet {
 public:
  Win32InterfaceSet(HDEVINFO set, const GUID& interfaceClass) : set_(set), class_(interfaceClass) {}

  bool EnumInterface(uint32_t index) override {
    current_ = SP_DEVICE_INTERFACE_DATA{};
    current_.cbSize = sizeof current_;
    return ::SetupDiEnumDeviceInterfaces(set_.get(), nullptr, &class_, index, &current_) != FALSE;
  }

  uint32_t DetailSize() override {
    DWORD required = 0;
    ::SetupDiGetDeviceInterfaceDetailW(set_.get(), &current_, nullptr, 0, &required, nullptr);
    return required;
  }

  bool Detail(uint32_t size, std::string& devicePath, uint32_t& devInst) override {
    // Never smaller than the record itself, and aligned for it.
    size_t bytes = std::max<size_t>(size, sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W));
    std::vector<DWORD> buffer((bytes + sizeof(DWORD) - 1) / sizeof(DWORD) + 1, 0);
    auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(buffer.data());
    detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
    SP_DEVINFO_DATA info{};
    info.cbSize = sizeof info;
    if (!::SetupDiGetDeviceInterfaceDetailW(set_.get(), &current_, detail, size, nullptr, &info)) return false;
    const wchar_t* path = detail->DevicePath;
    size_t room = (bytes - offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_W, DevicePath)) / sizeof(wchar_t);
    devicePath = Utf8(std::wstring_view(path, wcsnlen(path, room)));
    devInst = info.DevInst;
    return true;
  }

 private:
  UniqueDevInfo set_;
  GUID class_;
  SP_DEVICE_INTERFACE_DATA current_{};
};

}  // namespace

Handle Win32StorageDevices::OpenDevice(const std::string& path, uint32_t desiredAccess) {
  return FromHandle(::CreateFileW(Wide(path).c_str(), desiredAccess, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, 0, nullptr));
}

bool Win32StorageDevices::IoControl(Handle device, uint32_t code, const std::vector<uint8_t>& input,
                                    std::vector<uint8_t>& output) {
  DWORD returned = 0;
  void* in = input.empty() ? nullptr : const_cast<uint8_t*>(input.data());
  void* out = output.empty() ? nullptr : output.data();
  return ::DeviceIoControl(AsHandle(device), code, in, static_cast<DWORD>(input.size()), out,
                           static_cast<DWORD>(output.size()), &returned, nullptr) != FALSE;
}

void Win32StorageDevices::CloseDevice(Handle device) { ::CloseHandle(AsHandle(device)); }

std::unique_ptr<IDeviceInterfaceSet> Win32DeviceInstallation::GetClassDevs(const Guid& interfaceClass, uint32_t flags) {
  GUID guid;
  guid.Data1 = interfaceClass.data1;
  guid.Data2 = interfaceClass.data2;
  guid.Data3 = interfaceClass.data3;
  std::memcpy(guid.Data4, interfaceClass.data4, sizeof guid.Data4);
  HDEVINFO set = ::SetupDiGetClassDevsW(&guid, nullptr, nullptr, flags);
  if (set == INVALID_HANDLE_VALUE) return nullptr;
  return std::make_unique<Win32InterfaceSet>(set, guid);
}

uint32_t Win32DeviceInstallation::GetParent(uint32_t devInst, uint32_t& parent) {
  parent = 0;
  if (!api_.CM_Get_Parent) return nt::kCrCallNotImplemented;
  DWORD found = 0;
  nt::ConfigRet result = api_.CM_Get_Parent(&found, devInst, 0);
  if (result == nt::kCrSuccess) parent = found;
  return result;
}

uint32_t Win32DeviceInstallation::RequestDeviceEject(uint32_t devInst) {
  if (!api_.CM_Request_Device_EjectW) return nt::kCrCallNotImplemented;
  int vetoType = 0;
  return api_.CM_Request_Device_EjectW(devInst, &vetoType, nullptr, 0, 0);
}

void Win32Notices::ShowWarning(const std::string& text) {
  auto wide = [](const std::string& utf8) {
    std::wstring out;
    int length = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    if (length <= 0) return out;
    out.resize(static_cast<size_t>(length));
    ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), &out[0], length);
    return out;
  };
  // The tool has no window on screen: the box comes to the front by itself.
  ::MessageBoxW(nullptr, wide(text).c_str(), wide(kProgramTitle).c_str(),
                MB_OK | MB_ICONWARNING | MB_SETFOREGROUND | MB_TOPMOST);
}

RunEnd RunRemovalTool() noexcept {
  Win32FileSystem files;
  Win32Profile profile;
  Win32NativeHandles native;
  Win32Volumes volumes;
  Win32StorageDevices storage;
  Win32DeviceInstallation devices;
  Win32Clock clock;
  Win32Processes processes;
  Win32Notices notices;
  RemovalTool tool({files, profile, native, volumes, storage, devices, clock, nt::kNativeLayout, processes, notices});
  return tool.Run();
}

}  // namespace carrydeck::remove
