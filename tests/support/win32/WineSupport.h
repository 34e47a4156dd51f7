// Helpers of the Wine tests: folders named after the running test on real drives, checks on
// handles, and another process that holds something open.
#pragma once

#include <windows.h>

#include <string>

#include "win32/FolderTree.h"

namespace carrydeck::wine {

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

// Another process, tests/probe/holder.cpp, that holds a file or folder open (or nothing)
// until it is ended.
class HolderProcess {
 public:
  // Starts `program` in `currentFolder` to hold `what` ("file" or "folder", or "none") at
  // `path`, and waits until it does; running() says whether that worked.
  HolderProcess(const std::string& program, const std::string& what, const std::string& path,
                const std::string& currentFolder = "C:\\");
  ~HolderProcess();
  HolderProcess(const HolderProcess&) = delete;
  HolderProcess& operator=(const HolderProcess&) = delete;

  bool running() const { return running_; }
  DWORD id() const { return id_; }
  // Ends it and waits until it is gone.
  void End();

 private:
  HANDLE process_ = nullptr;
  DWORD id_ = 0;
  bool running_ = false;
};

}  // namespace carrydeck::wine
