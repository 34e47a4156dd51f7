// What the platform says about an error code, for reports.
#pragma once

#include <windows.h>

#include <string>

namespace carrydeck {

// The platform's description of an error code, without its trailing line end; "Error <code>"
// when it has none.
std::string ErrorDescription(DWORD code);

}  // namespace carrydeck
