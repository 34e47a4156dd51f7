#include "common/win32/Win32Handles.h"

#include <tlhelp32.h>

#include <cstring>
#include <new>

#include "common/Paths.h"
#include "common/HandleInspection.h"
#include "common/win32/DelayLoad.h"
#include "common/win32/Handle.h"
#include "common/win32/WideText.h"

namespace carrydeck {

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

}  // namespace nt

namespace {

HANDLE AsHandle(Handle value) { return reinterpret_cast<HANDLE>(value); }
Handle FromHandle(HANDLE handle) { return handle == INVALID_HANDLE_VALUE ? 0 : reinterpret_cast<Handle>(handle); }

}  // namespace

uint32_t Win32NativeHandles::CurrentProcessId() { return ::GetCurrentProcessId(); }

Handle Win32NativeHandles::OpenNul() {
  return FromHandle(::CreateFileW(L"NUL", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
}

NtStatus Win32NativeHandles::QuerySystemHandles(HandleTableKind kind, uint32_t length, std::vector<uint8_t>& table) {
  if (!api_.NtQuerySystemInformation) return nt::kStatusProcedureNotFound;
  try {
    table.assign(length, 0);
  } catch (const std::bad_alloc&) {
    table = std::vector<uint8_t>();
    return nt::kStatusNoMemory;
  }
  ULONG returned = 0;
  const ULONG infoClass =
      kind == HandleTableKind::Extended ? nt::kSystemExtendedHandleInformation : nt::kSystemHandleInformation;
  return api_.NtQuerySystemInformation(infoClass, table.data(), length, &returned);
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

Handle Win32NativeHandles::StartQueryThread(HandleQueries& batch, size_t from) {
  batch_ = &batch;
  batch.done = from;
  HANDLE thread = ::CreateThread(nullptr, 0, &Win32NativeHandles::QueryHandles, this, 0, nullptr);
  return reinterpret_cast<Handle>(thread);
}

DWORD WINAPI Win32NativeHandles::QueryHandles(void* self) {
  // Nothing here takes a lock of ours or allocates: the thread may be ended anywhere.
  auto* owner = static_cast<Win32NativeHandles*>(self);
  HandleQueries& batch = *owner->batch_;
  const nt::NtQueryObjectFn queryObject = owner->api_.NtQueryObject;
  for (size_t i = batch.done.load(); i < batch.queries.size(); ++i) {
    HandleQuery& query = batch.queries[i];
    query.fileType = ::GetFileType(AsHandle(query.handle));
    if (query.fileType != 0) {
      ULONG returned = 0;
      query.nameStatus = queryObject
                             ? queryObject(AsHandle(query.handle), nt::kObjectNameInformation, query.reply.data(),
                                           static_cast<ULONG>(query.reply.size()), &returned)
                             : nt::kStatusProcedureNotFound;
    }
    batch.done = i + 1;
  }
  return 0;
}

std::vector<ProcessEntry> Win32Processes::List() {
  std::vector<ProcessEntry> processes;
  UniqueFile snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot) return processes;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = ::Process32FirstW(snapshot.get(), &entry); more; more = ::Process32NextW(snapshot.get(), &entry)) {
    const wchar_t* name = entry.szExeFile;
    processes.push_back({entry.th32ProcessID, Utf8(std::wstring_view(name, wcsnlen(name, MAX_PATH)))});
  }
  return processes;
}

std::optional<std::string> Win32Processes::ImagePath(uint32_t processId) {
  UniqueKernelHandle process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
  if (!process) return std::nullopt;
  std::vector<wchar_t> path(32768, L'\0');
  DWORD length = static_cast<DWORD>(path.size());
  if (!::QueryFullProcessImageNameW(process.get(), 0, path.data(), &length)) return std::nullopt;
  return Utf8(std::wstring_view(path.data(), length));
}

}  // namespace carrydeck
