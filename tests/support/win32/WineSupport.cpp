#include "win32/WineSupport.h"

#include <gtest/gtest.h>

namespace carrydeck::wine {

std::string TestName() {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string name = info ? std::string(info->test_suite_name()) + "_" + info->name() : "carrydeck";
  // Parameterised tests' names hold slashes, which would be folders.
  for (char& c : name)
    if (c == '/') c = '_';
  return name;
}

TestFolder::TestFolder(const std::string& root, const std::string& prefix) : path_(root + prefix + TestName() + "\\") {
  RemoveTree(path_);
  CreateDirectoryA(path_.c_str(), nullptr);
}

TestFolder::~TestFolder() { RemoveTree(path_); }

bool DriveMapped(char letter) {
  std::string root = std::string(1, letter) + ":\\";
  return GetDriveTypeA(root.c_str()) > DRIVE_NO_ROOT_DIR;
}

HANDLE CreateForWrite(const std::string& path) {
  return CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                     nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}

HANDLE OpenFolder(const std::string& path) {
  return CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                     OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

bool IsOpen(HANDLE handle) {
  DWORD flags = 0;
  return GetHandleInformation(handle, &flags) != FALSE;
}

std::string ProgramFolder() {
  char path[MAX_PATH] = {};
  DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string folder(path, n);
  return folder.substr(0, folder.rfind('\\') + 1);
}

HolderProcess::HolderProcess(const std::string& program, const std::string& what, const std::string& path,
                             const std::string& currentFolder) {
  static int made = 0;
  const std::string ready = "carrydeck-holder-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++made);
  HANDLE event = CreateEventA(nullptr, TRUE, FALSE, ready.c_str());
  std::string command = "\"" + program + "\" " + ready + " " + what + " \"" + path + "\"";
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION child = {};
  if (event && CreateProcessA(program.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr, currentFolder.c_str(),
                              &startup, &child)) {
    CloseHandle(child.hThread);
    process_ = child.hProcess;
    id_ = child.dwProcessId;
    HANDLE both[] = {event, process_};
    running_ = WaitForMultipleObjects(2, both, FALSE, 30000) == WAIT_OBJECT_0;
  }
  if (event) CloseHandle(event);
}

HolderProcess::~HolderProcess() {
  End();
  if (process_) CloseHandle(process_);
}

void HolderProcess::End() {
  if (!process_ || !running_) return;
  TerminateProcess(process_, 0);
  WaitForSingleObject(process_, 30000);
  running_ = false;
}

}  // namespace carrydeck::wine
