// What the launcher's windows and dialogs share: the hook that sees a dialog open, the
// making of fonts and controls, the placing of a dialog, a window's text.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace carrydeck {

// Runs once a dialog of ours is on screen with its loop running; tests work it from here.
using DialogOpenedHook = std::function<void(HWND dialog)>;

// Posted at the end of WM_INITDIALOG: by the time it arrives the dialog (made visible as
// soon as it is loaded) is on screen and its modal loop runs.
inline constexpr UINT kDialogOpened = WM_APP + 1;

// A font of that many points on a screen of dpiY dots per inch.
HFONT MakeFont(const char* face, double points, bool bold, int dpiY);
// A child control, visible, with the given font (none: the system's).
HWND MakeControl(HWND parent, DWORD exStyle, const char* cls, const char* text, DWORD style, int x, int y, int cx,
                 int cy, int id, HFONT font);
// The window placed with the given client size, centred over its owner and kept on screen.
void PlaceDialog(HWND hwnd, HWND owner, int clientWidth, int clientHeight);
std::string WindowText(HWND hwnd);

}  // namespace carrydeck
