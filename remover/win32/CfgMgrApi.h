// Configuration-manager declarations, looked up at run time: a system without one of these
// entry points makes that call fail, never the program's start.
#pragma once

#include <windows.h>

#include "common/win32/Handle.h"

namespace carrydeck::nt {

// Configuration manager results.
using ConfigRet = DWORD;
inline constexpr ConfigRet kCrSuccess = 0;
inline constexpr ConfigRet kCrCallNotImplemented = 0x34;

using CM_Get_ParentFn = ConfigRet(WINAPI*)(DWORD* parent, DWORD devInst, ULONG flags);
using CM_Request_Device_EjectWFn = ConfigRet(WINAPI*)(DWORD devInst, int* vetoType, WCHAR* vetoName, ULONG nameLength,
                                                      ULONG flags);

struct CfgMgrApi {
  UniqueModule module, fallbackModule;
  CM_Get_ParentFn CM_Get_Parent = nullptr;
  CM_Request_Device_EjectWFn CM_Request_Device_EjectW = nullptr;

  // The entry points of the system folder's `moduleName`, and those it lacks from
  // `fallbackName` when given (systems differ in which of cfgmgr32.dll and setupapi.dll
  // exports them); missing ones stay null.
  static CfgMgrApi Load(const char* moduleName, const char* fallbackName = nullptr);
};

}  // namespace carrydeck::nt
