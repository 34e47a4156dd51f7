#pragma once
// The few functions of the shell and COM libraries the programs call, looked up on first
// use. Showing the list needs none of them, and under some systems loading and starting
// those libraries costs more than everything else the launcher does before its first paint.
// Each behaves as the function of the same name; when the library or the function cannot be
// found it fails the way that function reports failure.
#include <windows.h>
#include <objidl.h>
#include <shellapi.h>

#include <type_traits>

namespace carrydeck::late {

DWORD_PTR SHGetFileInfoW(LPCWSTR path, DWORD attributes, SHFILEINFOW* info, UINT size, UINT flags);
// Returns a value of 32 or less on failure, as the system function does.
HINSTANCE ShellExecuteW(HWND owner, LPCWSTR operation, LPCWSTR file, LPCWSTR parameters, LPCWSTR folder, INT show);
BOOL Shell_NotifyIconW(DWORD message, NOTIFYICONDATAW* data);

HRESULT CoInitializeEx(void* reserved, DWORD model);
void CoUninitialize();
HRESULT CreateStreamOnHGlobal(HGLOBAL memory, BOOL deleteOnRelease, IStream** stream);
HRESULT OleLoadPicture(IStream* stream, LONG size, BOOL keepOriginalFormat, REFIID iid, void** object);

// A library of the system folder: the one loaded already, else the system folder's copy,
// which then stays loaded for the rest of the run. nullptr when missing.
HMODULE SystemModule(const char* library);

// Every lookup of a function at run time goes through Function or SystemFunction.

// The function of that name in a loaded module, as a pointer of its own type; nullptr when
// the module or the function is missing.
template <typename Fn>
Fn Function(HMODULE module, const char* function) {
  static_assert(std::is_pointer<Fn>::value && std::is_function<std::remove_pointer_t<Fn>>::value,
                "a pointer to a function");
  return module ? reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(module, function))) : nullptr;
}

// The function of a library of the system folder (SystemModule), typed; nullptr when either
// is missing.
template <typename Fn>
Fn SystemFunction(const char* library, const char* function) {
  return Function<Fn>(SystemModule(library), function);
}

// The same, untyped: for asking whether the system has the function at all.
FARPROC SystemProc(const char* library, const char* function);

// The system folder's copy of a library, never one of the same name found elsewhere (both
// programs run from folders anybody can write to: a stick, c:\temp). nullptr when missing;
// the caller frees it.
HMODULE LoadSystemLibrary(const char* library);

// How far the search for libraries named without a folder could be narrowed.
enum class LibrarySearch {
  SystemFolderOnly,  // the system folder alone
  NoCurrentFolder,   // the current folder taken out (the program's own folder is still searched)
  Unchanged,
};

// The system's two means of narrowing that search; a missing one is nullptr.
struct LibrarySearchCalls {
  decltype(&::SetDefaultDllDirectories) setDefaultDllDirectories = nullptr;
  decltype(&::SetDllDirectoryW) setDllDirectory = nullptr;
};

// This system's: Windows 7 has SetDefaultDllDirectories only with its update, so it is
// looked up.
LibrarySearchCalls SystemLibrarySearchCalls();

// From here on, libraries looked for by name (by the system's own libraries too) come from
// the system folder only; where the system cannot do that, at least never from the current
// folder.
LibrarySearch RestrictLibrarySearch(const LibrarySearchCalls& calls);
inline LibrarySearch RestrictLibrarySearch() { return RestrictLibrarySearch(SystemLibrarySearchCalls()); }

}  // namespace carrydeck::late

namespace carrydeck {

// The calling thread in a single-threaded COM apartment from the first Join() until this
// owner ends. A start the system refused (the thread is in another apartment already) is
// not paired.
class ComApartment {
 public:
  ComApartment() = default;
  ~ComApartment() {
    if (started_) late::CoUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

  // Only the first call asks the system.
  void Join() {
    if (asked_) return;
    asked_ = true;
    started_ = SUCCEEDED(late::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
  }

 private:
  bool asked_ = false;
  bool started_ = false;
};

}  // namespace carrydeck
