#include <windows.h>
#include <commctrl.h>

#include "MainWindow.h"
#include "Win32System.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int showCommand) {
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES};
  ::InitCommonControlsEx(&controls);
  carrydeck::MainWindow window;
  if (!window.Create(carrydeck::GetAppPath(), showCommand)) return 1;
  return carrydeck::RunMessageLoop(window);
}
