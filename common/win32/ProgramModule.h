// The running program's own module: where it lies and its version.
#pragma once

#include <windows.h>

#include <string>

#include "common/SystemPorts.h"

namespace carrydeck {

// Folder of the running program's module, ending in "\".
std::string GetAppPath();
// The version resource of the running module.
FileVersion GetModuleFileVersion();

}  // namespace carrydeck
