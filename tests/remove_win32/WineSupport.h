// Helpers of the removal tool's Wine tests: folders named after the running test on real
// drives, and checks on handles.
#pragma once

#include <windows.h>

#include <string>

#include "win32/FolderTree.h"

namespace carrydeck::remove::wine {

std::string TestName();
using testing::RemoveTree;
// A fresh folder "<root><prefix><test name>\"; removed again by the destructor.
class TestFolder {
 public:
  TestFolder(const std::string& root, const std::string& prefix = "");
  ~TestFolder();
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

bool DriveMapped(char letter);
HANDLE CreateForWrite(const std::string& path);
HANDLE OpenFolder(const std::string& path);
bool IsOpen(HANDLE handle);
// The folder of the running test program, ending in "\".
std::string ProgramFolder();

}  // namespace carrydeck::remove::wine
