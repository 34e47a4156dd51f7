#include "common/win32/DelayLoad.h"

#include <atomic>
#include <string>

#include "common/Paths.h"
#include "common/win32/WideText.h"

namespace carrydeck::late {

HMODULE SystemModule(const char* library) {
  HMODULE module = ::GetModuleHandleW(Wide(library).c_str());
  return module ? module : LoadSystemLibrary(library);
}

FARPROC SystemProc(const char* library, const char* function) { return SystemFunction<FARPROC>(library, function); }

HMODULE LoadSystemLibrary(const char* library) {
  wchar_t folder[MAX_PATH] = {};
  UINT n = ::GetSystemDirectoryW(folder, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return nullptr;
  // System library names are ASCII.
  const std::wstring path = Wide(AddTrailingBackslash(Utf8(std::wstring_view(folder, n))) + library);
  // The libraries it needs in turn are looked for beside it first, not beside the program.
  return ::LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

LibrarySearchCalls SystemLibrarySearchCalls() {
  LibrarySearchCalls calls;
  // kernel32 is always loaded.
  calls.setDefaultDllDirectories =
      SystemFunction<decltype(&::SetDefaultDllDirectories)>("kernel32.dll", "SetDefaultDllDirectories");
  calls.setDllDirectory = &::SetDllDirectoryW;
  return calls;
}

LibrarySearch RestrictLibrarySearch(const LibrarySearchCalls& calls) {
  if (calls.setDefaultDllDirectories && calls.setDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32))
    return LibrarySearch::SystemFolderOnly;
  // Without it, an empty folder at least takes the current folder (an entry's folder, once
  // one has run) out of the search; what we load ourselves goes by its full system path.
  if (calls.setDllDirectory && calls.setDllDirectory(L"")) return LibrarySearch::NoCurrentFolder;
  return LibrarySearch::Unchanged;
}

// Each function below is looked up once for the whole run; a failed lookup is not repeated.
// The answer is kept in an atomic that needs no guarded initialisation (the guard would bring
// a threads library into the removal tool); two threads asking at once both find the same.
namespace {

char missingTag;
void* const kMissing = &missingTag;

template <typename Fn>
Fn LookedUpOnce(std::atomic<void*>& slot, const char* library, const char* function) {
  void* known = slot.load(std::memory_order_acquire);
  if (!known) {
    const Fn fn = SystemFunction<Fn>(library, function);
    known = fn ? reinterpret_cast<void*>(fn) : kMissing;
    slot.store(known, std::memory_order_release);
  }
  return known == kMissing ? nullptr : reinterpret_cast<Fn>(known);
}

}  // namespace

DWORD_PTR SHGetFileInfoW(LPCWSTR path, DWORD attributes, SHFILEINFOW* info, UINT size, UINT flags) {
  using Fn = DWORD_PTR(WINAPI*)(LPCWSTR, DWORD, SHFILEINFOW*, UINT, UINT);
  static std::atomic<void*> slot{nullptr};
  const Fn fn = LookedUpOnce<Fn>(slot, "shell32.dll", "SHGetFileInfoW");
  return fn ? fn(path, attributes, info, size, flags) : 0;
}

HINSTANCE ShellExecuteW(HWND owner, LPCWSTR operation, LPCWSTR file, LPCWSTR parameters, LPCWSTR folder, INT show) {
  using Fn = HINSTANCE(WINAPI*)(HWND, LPCWSTR, LPCWSTR, LPCWSTR, LPCWSTR, INT);
  static std::atomic<void*> slot{nullptr};
  const Fn fn = LookedUpOnce<Fn>(slot, "shell32.dll", "ShellExecuteW");
  return fn ? fn(owner, operation, file, parameters, folder, show)
            : reinterpret_cast<HINSTANCE>(static_cast<INT_PTR>(SE_ERR_DLLNOTFOUND));
}

BOOL Shell_NotifyIconW(DWORD message, NOTIFYICONDATAW* data) {
  using Fn = BOOL(WINAPI*)(DWORD, NOTIFYICONDATAW*);
  static std::atomic<void*> slot{nullptr};
  const Fn fn = LookedUpOnce<Fn>(slot, "shell32.dll", "Shell_NotifyIconW");
  return fn ? fn(message, data) : FALSE;
}

HRESULT CoInitializeEx(void* reserved, DWORD model) {
  using Fn = HRESULT(WINAPI*)(void*, DWORD);
  static std::atomic<void*> slot{nullptr};
  const Fn fn = LookedUpOnce<Fn>(slot, "ole32.dll", "CoInitializeEx");
  return fn ? fn(reserved, model) : E_FAIL;
}

void CoUninitialize() {
  using Fn = void(WINAPI*)();
  static std::atomic<void*> slot{nullptr};
  const Fn fn = LookedUpOnce<Fn>(slot, "ole32.dll", "CoUninitialize");
  if (fn) fn();
}

HRESULT CreateStreamOnHGlobal(HGLOBAL memory, BOOL deleteOnRelease, IStream** stream) {
  using Fn = HRESULT(WINAPI*)(HGLOBAL, BOOL, IStream**);
  static std::atomic<void*> slot{nullptr};
  const Fn fn = LookedUpOnce<Fn>(slot, "ole32.dll", "CreateStreamOnHGlobal");
  if (stream) *stream = nullptr;
  return fn ? fn(memory, deleteOnRelease, stream) : E_FAIL;
}

HRESULT OleLoadPicture(IStream* stream, LONG size, BOOL keepOriginalFormat, REFIID iid, void** object) {
  using Fn = HRESULT(WINAPI*)(IStream*, LONG, BOOL, REFIID, void**);
  static std::atomic<void*> slot{nullptr};
  const Fn fn = LookedUpOnce<Fn>(slot, "oleaut32.dll", "OleLoadPicture");
  if (object) *object = nullptr;
  return fn ? fn(stream, size, keepOriginalFormat, iid, object) : E_FAIL;
}

}  // namespace carrydeck::late
