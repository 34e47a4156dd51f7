#include <windows.h>

#include "common/win32/DelayLoad.h"
#include "remover/win32/RemoveWindow.h"
#include "remover/win32/Win32Remove.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  // Run from c:\temp, which anybody can write to: libraries come from the system folder only
  // (on Windows 7 without its update, at least never from the current folder).
  carrydeck::late::RestrictLibrarySearch();
  // None of the system's boxes ("no disk in drive", crashes): the tool's one box of its own
  // names what keeps a drive in use.
  ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX | SEM_NOGPFAULTERRORBOX);
  carrydeck::remove::RemoveWindow window;
  window.Create(instance);
  // The work runs while the window exists, before anything could show it; it runs even
  // when no window could be made.
  carrydeck::remove::RunRemovalTool();
  return 0;
}
