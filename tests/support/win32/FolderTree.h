// Clearing a test's folder on a real drive, for the tests that run against Win32.
#pragma once

#include <string>

namespace carrydeck::testing {

// Removes a folder and everything in it, read-only files too (path ends in "\").
void RemoveTree(const std::string& folder);

}  // namespace carrydeck::testing
