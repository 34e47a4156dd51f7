#include <windows.h>
#include <commctrl.h>

#include "common/win32/DelayLoad.h"
#include "common/win32/ProgramModule.h"
#include "launcher/win32/LauncherProgram.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int showCommand) {
  // Run from a stick: no library of the stick's folder or the current folder is ever loaded
  // in place of the system's, by us or by the system's own libraries (on Windows 7 without
  // its update, at least none of the current folder).
  carrydeck::late::RestrictLibrarySearch();
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES};
  ::InitCommonControlsEx(&controls);
  carrydeck::LauncherProgram program;
  if (!program.Start(carrydeck::GetAppPath(), showCommand)) return 1;
  return program.Run();
}
