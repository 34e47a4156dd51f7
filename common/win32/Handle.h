// One small move-only owner per kind of handle: every handle opened is closed on every path.
#pragma once

#include <windows.h>

#include <utility>

namespace carrydeck {

template <typename T, typename Traits>
class UniqueHandle {
 public:
  UniqueHandle() noexcept = default;
  explicit UniqueHandle(T value) noexcept : value_(value) {}
  ~UniqueHandle() { reset(); }
  UniqueHandle(UniqueHandle&& other) noexcept : value_(std::exchange(other.value_, Traits::Invalid())) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) reset(std::exchange(other.value_, Traits::Invalid()));
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;

  T get() const noexcept { return value_; }
  explicit operator bool() const noexcept { return value_ != Traits::Invalid(); }
  T release() noexcept { return std::exchange(value_, Traits::Invalid()); }
  void reset(T value = Traits::Invalid()) noexcept {
    if (value_ != Traits::Invalid()) Traits::Close(value_);
    value_ = value;
  }

 private:
  T value_ = Traits::Invalid();
};

struct FileHandleTraits {
  static HANDLE Invalid() noexcept { return INVALID_HANDLE_VALUE; }
  static void Close(HANDLE h) noexcept { ::CloseHandle(h); }
};
struct KernelHandleTraits {
  static HANDLE Invalid() noexcept { return nullptr; }
  static void Close(HANDLE h) noexcept { ::CloseHandle(h); }
};
struct FindHandleTraits {
  static HANDLE Invalid() noexcept { return INVALID_HANDLE_VALUE; }
  static void Close(HANDLE h) noexcept { ::FindClose(h); }
};
struct ModuleTraits {
  static HMODULE Invalid() noexcept { return nullptr; }
  static void Close(HMODULE h) noexcept { ::FreeLibrary(h); }
};
// Fonts, bitmaps, brushes: whatever DeleteObject deletes, typed or not.
template <typename T>
struct GdiObjectTraits {
  static T Invalid() noexcept { return nullptr; }
  static void Close(T h) noexcept { ::DeleteObject(h); }
};
using GdiTraits = GdiObjectTraits<HGDIOBJ>;
// A device context of our own making (CreateCompatibleDC), not a window's.
struct MemoryDcTraits {
  static HDC Invalid() noexcept { return nullptr; }
  static void Close(HDC h) noexcept { ::DeleteDC(h); }
};
struct GlobalMemoryTraits {
  static HGLOBAL Invalid() noexcept { return nullptr; }
  static void Close(HGLOBAL h) noexcept { ::GlobalFree(h); }
};
// What the system allocated for us with LocalAlloc (FormatMessage's text, say).
struct LocalMemoryTraits {
  static HLOCAL Invalid() noexcept { return nullptr; }
  static void Close(HLOCAL h) noexcept { ::LocalFree(h); }
};
struct IconTraits {
  static HICON Invalid() noexcept { return nullptr; }
  static void Close(HICON h) noexcept { ::DestroyIcon(h); }
};
struct MenuTraits {
  static HMENU Invalid() noexcept { return nullptr; }
  static void Close(HMENU h) noexcept { ::DestroyMenu(h); }
};
struct AccelTraits {
  static HACCEL Invalid() noexcept { return nullptr; }
  static void Close(HACCEL h) noexcept { ::DestroyAcceleratorTable(h); }
};

using UniqueFile = UniqueHandle<HANDLE, FileHandleTraits>;
using UniqueKernelHandle = UniqueHandle<HANDLE, KernelHandleTraits>;
using UniqueFind = UniqueHandle<HANDLE, FindHandleTraits>;
using UniqueModule = UniqueHandle<HMODULE, ModuleTraits>;
using UniqueGdi = UniqueHandle<HGDIOBJ, GdiTraits>;
using UniqueFont = UniqueHandle<HFONT, GdiObjectTraits<HFONT>>;
using UniqueBitmap = UniqueHandle<HBITMAP, GdiObjectTraits<HBITMAP>>;
using UniqueMemoryDc = UniqueHandle<HDC, MemoryDcTraits>;
using UniqueGlobal = UniqueHandle<HGLOBAL, GlobalMemoryTraits>;
using UniqueLocal = UniqueHandle<HLOCAL, LocalMemoryTraits>;
using UniqueIcon = UniqueHandle<HICON, IconTraits>;
using UniqueMenu = UniqueHandle<HMENU, MenuTraits>;
using UniqueAccel = UniqueHandle<HACCEL, AccelTraits>;

// A COM interface pointer, released once.
template <typename T>
class UniqueCom {
 public:
  UniqueCom() noexcept = default;
  explicit UniqueCom(T* pointer) noexcept : pointer_(pointer) {}
  ~UniqueCom() { reset(); }
  UniqueCom(UniqueCom&& other) noexcept : pointer_(std::exchange(other.pointer_, nullptr)) {}
  UniqueCom& operator=(UniqueCom&& other) noexcept {
    if (this != &other) reset(std::exchange(other.pointer_, nullptr));
    return *this;
  }
  UniqueCom(const UniqueCom&) = delete;
  UniqueCom& operator=(const UniqueCom&) = delete;

  T* get() const noexcept { return pointer_; }
  T* operator->() const noexcept { return pointer_; }
  explicit operator bool() const noexcept { return pointer_ != nullptr; }
  // Where a call that hands out an interface puts it; what was held goes first.
  T** put() noexcept {
    reset();
    return &pointer_;
  }
  void** put_void() noexcept { return reinterpret_cast<void**>(put()); }
  T* release() noexcept { return std::exchange(pointer_, nullptr); }
  void reset(T* pointer = nullptr) noexcept {
    if (pointer_) pointer_->Release();
    pointer_ = pointer;
  }

 private:
  T* pointer_ = nullptr;
};

// A window's device context (GetDC), given back to the window at the end of the scope.
class WindowDc {
 public:
  explicit WindowDc(HWND window) noexcept : window_(window), dc_(::GetDC(window)) {}
  ~WindowDc() {
    if (dc_) ::ReleaseDC(window_, dc_);
  }
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;

  HDC get() const noexcept { return dc_; }
  explicit operator bool() const noexcept { return dc_ != nullptr; }

 private:
  HWND window_;
  HDC dc_;
};

// An object selected into a device context, and the one it replaced selected back at the
// end: a context is never deleted or given back holding one of ours.
class SelectedObject {
 public:
  SelectedObject() noexcept = default;
  SelectedObject(HDC dc, HGDIOBJ object) noexcept
      : dc_(dc), previous_(dc && object ? ::SelectObject(dc, object) : nullptr) {}
  ~SelectedObject() { reset(); }
  SelectedObject(SelectedObject&& other) noexcept
      : dc_(std::exchange(other.dc_, nullptr)), previous_(std::exchange(other.previous_, nullptr)) {}
  SelectedObject& operator=(SelectedObject&& other) noexcept {
    if (this != &other) {
      reset();
      dc_ = std::exchange(other.dc_, nullptr);
      previous_ = std::exchange(other.previous_, nullptr);
    }
    return *this;
  }
  SelectedObject(const SelectedObject&) = delete;
  SelectedObject& operator=(const SelectedObject&) = delete;

  explicit operator bool() const noexcept { return previous_ != nullptr; }
  void reset() noexcept {
    if (dc_ && previous_) ::SelectObject(dc_, previous_);
    dc_ = nullptr;
    previous_ = nullptr;
  }

 private:
  HDC dc_ = nullptr;
  HGDIOBJ previous_ = nullptr;
};

// Global memory locked for the scope (GlobalLock), unlocked at its end.
class LockedGlobal {
 public:
  explicit LockedGlobal(HGLOBAL memory) noexcept : memory_(memory), data_(memory ? ::GlobalLock(memory) : nullptr) {}
  ~LockedGlobal() {
    if (data_) ::GlobalUnlock(memory_);
  }
  LockedGlobal(const LockedGlobal&) = delete;
  LockedGlobal& operator=(const LockedGlobal&) = delete;

  void* get() const noexcept { return data_; }
  explicit operator bool() const noexcept { return data_ != nullptr; }

 private:
  HGLOBAL memory_;
  void* data_;
};

}  // namespace carrydeck
