// Who holds what, over the real system of Wine: the handle table in both its forms, the drive
// list, and the search run against real processes that hold files and folders on the stick.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>

#include "common/DriveHolders.h"
#include "common/HandleInspection.h"
#include "common/win32/Win32Handles.h"
#include "win32/WineSupport.h"

namespace carrydeck {
namespace {

using namespace wine;

TEST(Win32Volumes, FillsTheTabbedDriveListAndNamesDevices) {
  ASSERT_TRUE(DriveMapped('E'));
  Win32Volumes volumes;
  std::string list(512, '\t');
  uint32_t written = volumes.LogicalDriveStrings(list);
  ASSERT_GT(written, 0u);
  ASSERT_LT(written, 512u);
  EXPECT_NE(list.find(std::string("C:\\") + '\0'), std::string::npos);
  EXPECT_NE(list.find(std::string("E:\\") + '\0'), std::string::npos);
  EXPECT_EQ(list[written], '\0');  // the closing NUL
  EXPECT_EQ(list.substr(written + 1), std::string(512 - written - 1, '\t'));

  std::optional<std::string> device = volumes.QueryDosDevice("E:", 256);
  ASSERT_TRUE(device.has_value());
  EXPECT_EQ(device->rfind("\\Device\\", 0), 0u) << *device;
  EXPECT_EQ(device->find('\0'), std::string::npos);
  EXPECT_FALSE(volumes.QueryDosDevice("Q:", 256).has_value());
  EXPECT_FALSE(volumes.QueryDosDevice("E:", 3).has_value());  // no room for the name
  EXPECT_EQ(volumes.DriveType("E:"), GetDriveTypeA("E:\\"));
  EXPECT_EQ(volumes.DriveType("Q:"), static_cast<uint32_t>(DRIVE_NO_ROOT_DIR));
}

class NativeHandleTable : public ::testing::TestWithParam<HandleTableKind> {};

INSTANTIATE_TEST_SUITE_P(BothForms, NativeHandleTable,
                         ::testing::Values(HandleTableKind::Classic, HandleTableKind::Extended),
                         [](const ::testing::TestParamInfo<HandleTableKind>& info) {
                           return std::string(info.param == HandleTableKind::Extended ? "Extended" : "Classic");
                         });

TEST_P(NativeHandleTable, ListsOurFileHandlesWithOneFileTypeIndex) {
  TestFolder folder("C:\\", "carrydeck_");
  HANDLE first = CreateForWrite(folder.path() + "first.txt");
  HANDLE second = CreateForWrite(folder.path() + "second.txt");
  HANDLE nul = CreateFileA("NUL", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  ASSERT_NE(first, INVALID_HANDLE_VALUE);
  ASSERT_NE(second, INVALID_HANDLE_VALUE);
  ASSERT_NE(nul, INVALID_HANDLE_VALUE);

  Win32NativeHandles native;
  std::vector<uint8_t> table;
  uint32_t size = 1;
  int calls = 1;
  while (native.QuerySystemHandles(GetParam(), size, table) == kStatusInfoLengthMismatch && size < (1u << 30)) {
    size *= 2;
    ++calls;
  }
  std::vector<HandleEntry> entries =
      ParseHandleTable(table, GetParam() == HandleTableKind::Extended ? nt::kNativeExtendedLayout : nt::kNativeLayout);
  EXPECT_GT(calls, 1);
  EXPECT_GT(entries.size(), 4u);

  auto typeOf = [&](HANDLE handle) -> int {
    for (const HandleEntry& entry : entries)
      if (entry.processId == GetCurrentProcessId() && entry.handleValue == reinterpret_cast<uintptr_t>(handle))
        return entry.objectTypeIndex;
    return -1;
  };
  int fileType = typeOf(nul);
  EXPECT_GT(fileType, 0);
  EXPECT_EQ(typeOf(first), fileType);
  EXPECT_EQ(typeOf(second), fileType);
  EXPECT_GT(typeOf(event), 0);
  EXPECT_NE(typeOf(event), fileType);
  for (HANDLE h : {first, second, nul, event}) CloseHandle(h);
}

std::string HolderProgram() { return ProgramFolder() + "holder.exe"; }

std::vector<DriveHolder> FindOnE() {
  Win32NativeHandles native;
  Win32Volumes volumes;
  Win32Processes processes;
  return DriveHolderSearch(native, volumes, processes, nt::kNativeLayout).Find("E:");
}

std::vector<std::string> PathsOf(const std::vector<DriveHolder>& holders, DWORD processId) {
  std::vector<std::string> paths;
  for (const DriveHolder& holder : holders)
    if (holder.processId == processId) paths.push_back(holder.path);
  return paths;
}

bool Contains(const std::vector<std::string>& paths, const std::string& path) {
  return std::find(paths.begin(), paths.end(), path) != paths.end();
}

TEST(DriveHolders, AProgramStartedFromTheStickIsNamedWithTheFileItHolds) {
  ASSERT_TRUE(DriveMapped('E'));
  TestFolder stick("E:\\", "holders_");
  ASSERT_TRUE(CopyFileA(HolderProgram().c_str(), (stick.path() + "holder.exe").c_str(), FALSE));
  HANDLE notes = CreateForWrite(stick.path() + "notes.txt");
  ASSERT_NE(notes, INVALID_HANDLE_VALUE);
  CloseHandle(notes);
  // This process holds the stick too, as the launcher does: never named.
  HANDLE ours = CreateForWrite(stick.path() + "ours.txt");
  HolderProcess holder(stick.path() + "holder.exe", "file", stick.path() + "notes.txt");
  ASSERT_TRUE(holder.running());

  const std::vector<DriveHolder> found = FindOnE();
  const std::vector<std::string> paths = PathsOf(found, holder.id());
  EXPECT_TRUE(Contains(paths, stick.path() + "notes.txt")) << HoldersText(found);
  EXPECT_TRUE(Contains(paths, stick.path() + "holder.exe")) << HoldersText(found);
  for (const DriveHolder& one : found) {
    if (one.processId == holder.id()) {
      EXPECT_EQ(one.program, "holder.exe");
    }
  }
  EXPECT_TRUE(PathsOf(found, GetCurrentProcessId()).empty()) << HoldersText(found);
  EXPECT_NE(HoldersText(found).find("holder.exe (" + std::to_string(holder.id()) + "): " + stick.path() + "notes.txt"),
            std::string::npos);

  holder.End();
  CloseHandle(ours);
  EXPECT_TRUE(PathsOf(FindOnE(), holder.id()).empty()) << "ended, it holds nothing";
}

TEST(DriveHolders, AProcessHoldingAFolderOnTheStickIsNamed) {
  ASSERT_TRUE(DriveMapped('E'));
  TestFolder stick("E:\\", "holders_");
  const std::string folder = stick.path() + "Docs";
  ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
  // Started from the build folder, not the stick: only the folder can name it.
  HolderProcess holder(HolderProgram(), "folder", folder);
  ASSERT_TRUE(holder.running());
  const std::vector<DriveHolder> found = FindOnE();
  EXPECT_EQ(PathsOf(found, holder.id()), std::vector<std::string>{folder}) << HoldersText(found);
}

TEST(DriveHolders, AProgramRunningFromTheStickThatHoldsNothingElseIsNamedAsRunningFromIt) {
  ASSERT_TRUE(DriveMapped('E'));
  TestFolder stick("E:\\", "holders_");
  ASSERT_TRUE(CopyFileA(HolderProgram().c_str(), (stick.path() + "holder.exe").c_str(), FALSE));
  HolderProcess holder(stick.path() + "holder.exe", "none", "-");
  ASSERT_TRUE(holder.running());
  const std::vector<DriveHolder> found = FindOnE();
  EXPECT_EQ(PathsOf(found, holder.id()), std::vector<std::string>{stick.path() + "holder.exe"}) << HoldersText(found);
}

}  // namespace
}  // namespace carrydeck
