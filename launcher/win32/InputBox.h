// A modal text-input box: the prompt, a text field, OK and Cancel.
#pragma once

#include <windows.h>

#include <string>

#include "launcher/win32/DialogParts.h"

namespace carrydeck {

// Its prompt and its text field; OK and Cancel are IDOK and IDCANCEL.
enum InputBoxControl : int { IDC_INPUTPROMPT = 1201, IDC_INPUTTEXT };

// The text typed, or "" for Cancel.
std::string ShowInputBox(HWND owner, const std::string& prompt, const std::string& title,
                         const DialogOpenedHook& opened);

}  // namespace carrydeck
