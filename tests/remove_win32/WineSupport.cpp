#include "WineSupport.h"

#include <gtest/gtest.h>

namespace carrydeck::remove::wine {

std::string TestName() {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  return info ? std::string(info->test_suite_name()) + "_" + info->name() : "carrydeck";
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

}  // namespace carrydeck::remove::wine
