// A fresh folder in the temporary folder for each test, and the file port over it; the
// folder goes at the end with everything in it.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "common/win32/Win32FileSystem.h"
#include "win32/FolderTree.h"

namespace carrydeck::testing {

class Win32FilesTest : public ::testing::Test {
 protected:
  std::string dir;
  Win32FileSystem fs;

  void SetUp() override {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    dir = std::string(temp) + "carrydeck_" + ::testing::UnitTest::GetInstance()->current_test_info()->name() + "_" +
          std::to_string(GetCurrentProcessId()) + "\\";
    CreateDirectoryA(dir.c_str(), nullptr);
  }
  void TearDown() override { testing::RemoveTree(dir); }
  void Write(const std::string& name, const std::string& bytes, DWORD attributes = FILE_ATTRIBUTE_NORMAL) {
    HANDLE h =
        CreateFileA((dir + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    DWORD n = 0;
    WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &n, nullptr);
    CloseHandle(h);
    SetFileAttributesA((dir + name).c_str(), attributes);
  }
  std::string Read(const std::string& name) {
    std::string bytes;
    EXPECT_TRUE(fs.ReadAll(dir + name, bytes)) << name;
    return bytes;
  }
};

}  // namespace carrydeck::testing
