#include "remover/win32/Win32Remove.h"

#include <setupapi.h>
#include <winioctl.h>

#include <algorithm>
#include <cstring>
#include <new>

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

namespace nt {

NtApi NtApi::Load(const char* moduleName) {
  NtApi api;
  api.module.reset(late::LoadSystemLibrary(moduleName));
  HMODULE m = api.module.get();
  api.NtQuerySystemInformation = late::Function<NtQuerySystemInformationFn>(m, "NtQuerySystemInformation");
  api.NtQueryObject = late::Function<NtQueryObjectFn>(m, "NtQueryObject");
  api.NtOpenProcess = late::Function<NtOpenProcessFn>(m, "NtOpenProcess");
  api.NtDuplicateObject = late::Function<NtDuplicateObjectFn>(m, "NtDuplicateObject");
  api.NtClose = late::Function<NtCloseFn>(m, "NtClose");
  return api;
}

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

}  // namespace nt

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

uint32_t Win32NativeHandles::CurrentProcessId() { return ::GetCurrentProcessId(); }

Handle Win32NativeHandles::OpenNul() {
  return FromHandle(::CreateFileW(L"NUL", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
}

NtStatus Win32NativeHandles::QuerySystemHandles(uint32_t length, std::vector<uint8_t>& table) {
  if (!api_.NtQuerySystemInformation) return nt::kStatusProcedureNotFound;
  try {
    table.assign(length, 0);
  } catch (const std::bad_alloc&) {
    table = std::vector<uint8_t>();
    return nt::kStatusNoMemory;
  }
  ULONG returned = 0;
  return api_.NtQuerySystemInformation(nt::kSystemHandleInformation, table.data(), length, &returned);
}

Handle Win32NativeHandles::OpenProcessForDuplicate(uint32_t processId) {
  if (!api_.NtOpenProcess) return 0;
  nt::ObjectAttributes attributes{};
  attributes.Length = sizeof attributes;
  nt::ClientId client{reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(processId)), nullptr};
  HANDLE process = nullptr;
  if (!NtSuccess(api_.NtOpenProcess(&process, PROCESS_DUP_HANDLE, &attributes, &client))) return 0;
  return reinterpret_cast<Handle>(process);
}

NtStatus Win32NativeHandles::DuplicateToSelf(Handle process, Handle source, uint32_t options, Handle& copy) {
  copy = 0;
  if (!api_.NtDuplicateObject) return nt::kStatusProcedureNotFound;
  HANDLE target = nullptr;
  NtStatus status =
      api_.NtDuplicateObject(AsHandle(process), AsHandle(source), ::GetCurrentProcess(), &target, 0, 0, options);
  if (NtSuccess(status)) copy = reinterpret_cast<Handle>(target);
  return status;
}

NtStatus Win32NativeHandles::Close(Handle handle) {
  if (api_.NtClose) return api_.NtClose(AsHandle(handle));
  // Without the native close the handles still go: a leak helps nobody.
  return ::CloseHandle(AsHandle(handle)) ? 0 : nt::kStatusProcedureNotFound;
}

NtStatus Win32NativeHandles::QueryObjectName(Handle handle, std::vector<uint8_t>& reply) {
  if (!api_.NtQueryObject) return nt::kStatusProcedureNotFound;
  ULONG returned = 0;
  return api_.NtQueryObject(AsHandle(handle), nt::kObjectNameInformation, reply.data(),
                            static_cast<ULONG>(reply.size()), &returned);
}

std::string Win32NativeHandles::ToAnsi(const std::u16string& text) {
  if (text.empty()) return std::string();
  const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
  int length = static_cast<int>(text.size());
  int bytes = ::WideCharToMultiByte(CP_ACP, 0, wide, length, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return std::string();
  std::string ansi(static_cast<size_t>(bytes), '\0');
  ::WideCharToMultiByte(CP_ACP, 0, wide, length, &ansi[0], bytes, nullptr, nullptr);
  return ansi;
}

Handle Win32NativeHandles::StartFileTypeThread(Handle handle) {
  // GetFileType takes one handle and returns a DWORD: it is a thread routine as it stands,
  // and the thread's exit code is its answer.
  auto routine = late::SystemFunction<LPTHREAD_START_ROUTINE>("kernel32.dll", "GetFileType");
  if (!routine) return 0;
  HANDLE thread = ::CreateRemoteThread(::GetCurrentProcess(), nullptr, 0, routine, AsHandle(handle), 0, nullptr);
  return reinterpret_cast<Handle>(thread);
}

WaitResult Win32NativeHandles::WaitForThread(Handle thread, uint32_t milliseconds) {
  switch (::WaitForSingleObject(AsHandle(thread), milliseconds)) {
    case WAIT_OBJECT_0: return WaitResult::Signaled;
    case WAIT_TIMEOUT: return WaitResult::TimedOut;
    default: return WaitResult::Failed;
  }
}

uint32_t Win32NativeHandles::ThreadExitCode(Handle thread) {
  DWORD code = 0;
  if (!::GetExitCodeThread(AsHandle(thread), &code)) return 0;
  return code;
}

void Win32NativeHandles::TerminateThread(Handle thread, uint32_t exitCode) {
  ::TerminateThread(AsHandle(thread), exitCode);
}

uint32_t Win32Volumes::LogicalDriveStrings(std::string& buffer) {
  if (buffer.empty()) return 0;
  // The length excludes the closing NUL, which must fit too.
  std::wstring wide(buffer.size(), L'\0');
  const DWORD n = ::GetLogicalDriveStringsW(static_cast<DWORD>(wide.size() - 1), &wide[0]);
  if (n == 0 || n >= wide.size()) return n;
  // Drive roots ("E:\"), NUL after each: the same characters as bytes, the rest left as it was.
  const std::string text = Utf8(std::wstring_view(wide.data(), n + 1));
  if (text.size() >= buffer.size()) return static_cast<uint32_t>(buffer.size());
  buffer.replace(0, text.size(), text);
  return static_cast<uint32_t>(text.size() - 1);
}

std::optional<std::string> Win32Volumes::QueryDosDevice(const std::string& drive, uint32_t maxChars) {
  std::vector<wchar_t> buffer(static_cast<size_t>(maxChars) + 4, L'\0');
  if (::QueryDosDeviceW(Wide(drive).c_str(), buffer.data(), maxChars) == 0) return std::nullopt;
  return Utf8(std::wstring_view(buffer.data(), wcsnlen(buffer.data(), maxChars)));
}

uint32_t Win32Volumes::DriveType(const std::string& drive) {
  // The drive's root: a bare "E:" would name the current folder on E:.
  std::string root = IsDriveName(drive) ? drive + "\\" : drive;
  return ::GetDriveTypeW(Wide(root).c_str());
}

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

RunEnd RunRemovalTool() noexcept {
  Win32FileSystem files;
  Win32Profile profile;
  Win32NativeHandles native;
  Win32Volumes volumes;
  Win32StorageDevices storage;
  Win32DeviceInstallation devices;
  Win32Clock clock;
  RemovalTool tool({files, profile, native, volumes, storage, devices, clock, nt::kNativeLayout});
  return tool.Run();
}

}  // namespace carrydeck::remove
