// Native declarations, looked up at run time: a system without one of these entry points
// makes that call fail, never the program's start.
#pragma once

#include <windows.h>

#include <cstddef>

#include "common/win32/Handle.h"
#include "common/NtRecords.h"

namespace carrydeck::nt {

using Status = LONG;

inline constexpr Status kStatusProcedureNotFound = static_cast<Status>(0xC000007Au);
inline constexpr Status kStatusNoMemory = static_cast<Status>(0xC0000017u);
inline constexpr ULONG kSystemHandleInformation = 16;
inline constexpr ULONG kSystemExtendedHandleInformation = 64;
inline constexpr ULONG kObjectNameInformation = 1;

struct UnicodeString {
  USHORT Length;
  USHORT MaximumLength;
  PWSTR Buffer;
};

struct ObjectAttributes {
  ULONG Length;
  HANDLE RootDirectory;
  UnicodeString* ObjectName;
  ULONG Attributes;
  PVOID SecurityDescriptor;
  PVOID SecurityQualityOfService;
};

struct ClientId {
  HANDLE UniqueProcess;
  HANDLE UniqueThread;
};

struct SystemHandleTableEntry {
  USHORT UniqueProcessId;
  USHORT CreatorBackTraceIndex;
  UCHAR ObjectTypeIndex;
  UCHAR HandleAttributes;
  USHORT HandleValue;
  PVOID Object;
  ULONG GrantedAccess;
};

struct SystemHandleInformation {
  ULONG NumberOfHandles;
  SystemHandleTableEntry Handles[1];
};

struct SystemHandleTableEntryEx {
  PVOID Object;
  ULONG_PTR UniqueProcessId;
  ULONG_PTR HandleValue;
  ULONG GrantedAccess;
  USHORT CreatorBackTraceIndex;
  USHORT ObjectTypeIndex;
  ULONG HandleAttributes;
  ULONG Reserved;
};

struct SystemHandleInformationEx {
  ULONG_PTR NumberOfHandles;
  ULONG_PTR Reserved;
  SystemHandleTableEntryEx Handles[1];
};

// The layout this build's process receives; the portable parsers read both.
#ifdef _WIN64
inline constexpr RecordLayout kNativeLayout = kLayoutX64;
static_assert(sizeof(SystemHandleTableEntry) == 24, "x64 handle-table records are 24 bytes");
static_assert(sizeof(UnicodeString) == 16, "x64 object-name text starts at byte 16");
static_assert(sizeof(ObjectAttributes) == 48 && sizeof(ClientId) == 16, "x64 native call records");
#else
inline constexpr RecordLayout kNativeLayout = kLayoutX86;
static_assert(sizeof(SystemHandleTableEntry) == 16, "x86 handle-table records are 16 bytes");
static_assert(sizeof(UnicodeString) == 8, "x86 object-name text starts at byte 8");
static_assert(sizeof(ObjectAttributes) == 24 && sizeof(ClientId) == 8, "x86 native call records");
#endif
static_assert(offsetof(SystemHandleInformation, Handles) == kNativeLayout.recordsAt);
static_assert(sizeof(SystemHandleTableEntry) == kNativeLayout.recordSize);
static_assert(sizeof(UnicodeString) == kNativeLayout.nameTextAt);
static_assert(offsetof(SystemHandleTableEntry, UniqueProcessId) == 0);
static_assert(offsetof(SystemHandleTableEntry, ObjectTypeIndex) == 4);
static_assert(offsetof(SystemHandleTableEntry, HandleValue) == 6);
inline constexpr RecordLayout kNativeExtendedLayout = ExtendedOf(kNativeLayout);
static_assert(offsetof(SystemHandleInformationEx, Handles) == kNativeExtendedLayout.recordsAt);
static_assert(sizeof(SystemHandleTableEntryEx) == kNativeExtendedLayout.recordSize);
static_assert(offsetof(SystemHandleTableEntryEx, UniqueProcessId) == kNativeExtendedLayout.processIdAt);
static_assert(sizeof(ULONG_PTR) == kNativeExtendedLayout.processIdBytes);
static_assert(offsetof(SystemHandleTableEntryEx, HandleValue) == kNativeExtendedLayout.handleAt);
static_assert(offsetof(SystemHandleTableEntryEx, ObjectTypeIndex) == kNativeExtendedLayout.typeIndexAt);

using NtQuerySystemInformationFn = Status(NTAPI*)(ULONG, PVOID, ULONG, PULONG);
using NtQueryObjectFn = Status(NTAPI*)(HANDLE, ULONG, PVOID, ULONG, PULONG);
using NtOpenProcessFn = Status(NTAPI*)(PHANDLE, ACCESS_MASK, ObjectAttributes*, ClientId*);
using NtDuplicateObjectFn = Status(NTAPI*)(HANDLE, HANDLE, HANDLE, PHANDLE, ACCESS_MASK, ULONG, ULONG);
using NtCloseFn = Status(NTAPI*)(HANDLE);

struct NtApi {
  UniqueModule module;
  NtQuerySystemInformationFn NtQuerySystemInformation = nullptr;
  NtQueryObjectFn NtQueryObject = nullptr;
  NtOpenProcessFn NtOpenProcess = nullptr;
  NtDuplicateObjectFn NtDuplicateObject = nullptr;
  NtCloseFn NtClose = nullptr;

  // The entry points of the system folder's `moduleName` ("ntdll.dll" in production);
  // missing ones stay null.
  static NtApi Load(const char* moduleName);
};

}  // namespace carrydeck::nt
