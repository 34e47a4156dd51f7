// Releasing the tool's own handles on the drive: the handle-table walk in both record
// layouts, names turned into drive paths, the bounded type query and the close.
#include <gtest/gtest.h>

#include "RemoveFakes.h"
#include "remover/OwnHandleRelease.h"

namespace carrydeck::remove {
namespace {

using testing::FakeNative;
using testing::FakeVolumes;

constexpr uint32_t kPipe = 3;
constexpr uint32_t kCharacterDevice = 2;

class OwnHandleReleaseTest : public ::testing::TestWithParam<RecordLayout> {
 protected:
  FakeNative native{GetParam()};
  FakeVolumes volumes;
  OwnHandleRelease handles{native, volumes, GetParam()};

  void SetUp() override {
    volumes.drives = {{"A:\\", "\\Device\\Floppy0", 2},
                      {"C:\\", "\\Device\\HarddiskVolume1", 3},
                      {"E:\\", "\\Device\\HarddiskVolume5", 2}};
  }

  ReleaseResult Release(const std::string& drive = "E:") { return handles.ReleaseDriveHandles(drive, native.selfPid); }
};

std::string LayoutName(const ::testing::TestParamInfo<RecordLayout>& info) {
  return info.param.recordSize == 16 ? "x86" : "x64";
}

INSTANTIATE_TEST_SUITE_P(BothBitnesses, OwnHandleReleaseTest, ::testing::Values(kLayoutX86, kLayoutX64), LayoutName);

TEST_P(OwnHandleReleaseTest, ReleasesExactlyTheFileHandlesOnTheDrive) {
  native.Add(0x30, "\\Device\\HarddiskVolume5\\Apps\\notes.txt");
  native.Add(0x34, "\\Device\\HarddiskVolume1\\Windows\\win.ini");
  native.Add(0x38, "\\Device\\HarddiskVolume5");  // the volume's root folder
  native.Add(0x3C, "\\Device\\NamedPipe\\carrydeck", kPipe);
  native.Add(0x48, "\\Device\\HarddiskVolume5\\Data\\deep\\file.bin");
  // Another process's file on the drive, and an object of ours that is no file.
  native.records.push_back({0x0F24, native.fileTypeIndex, 0x30});
  native.records.push_back({static_cast<uint16_t>(native.selfPid), 7, 0x40});
  native.objects[0x40].name = testing::Wide("\\Device\\HarddiskVolume5\\event");

  EXPECT_EQ(Release(), ReleaseResult::Released);
  EXPECT_EQ(native.releasedInOwner, (std::vector<uint16_t>{0x30, 0x38, 0x48}));
  EXPECT_FALSE(native.objects[0x34].closedInOwner);
  EXPECT_FALSE(native.objects[0x3C].closedInOwner);
  EXPECT_FALSE(native.objects[0x40].closedInOwner);
  EXPECT_EQ(native.namesAsked, (std::vector<uint16_t>{0x30, 0x34, 0x38, 0x3C, 0x48}));
  // Only our own process is ever opened.
  for (uint32_t pid : native.openedProcesses) EXPECT_EQ(pid, native.selfPid);
  EXPECT_EQ(native.OpenHandles(), 0u);
}

TEST_P(OwnHandleReleaseTest, NothingOnTheDriveClosesNothingAndSucceeds) {
  native.Add(0x30, "\\Device\\HarddiskVolume1\\Windows\\win.ini");
  native.Add(0x34, "\\Device\\Floppy0\\readme.txt");
  EXPECT_EQ(Release(), ReleaseResult::Released);
  EXPECT_TRUE(native.releasedInOwner.empty());
  EXPECT_EQ(native.OpenHandles(), 0u);
}

TEST_P(OwnHandleReleaseTest, AnyNameContainingTheDriveNameMatches) {
  // On C:, but an alternate data stream of a name ending in "e" holds "e:".
  native.Add(0x30, "\\Device\\HarddiskVolume1\\Docs\\Readme:Zone.Identifier");
  native.Add(0x34, "\\Device\\HarddiskVolume1\\Docs\\notes.txt:Zone.Identifier");
  EXPECT_EQ(Release("e:"), ReleaseResult::Released);
  EXPECT_EQ(native.releasedInOwner, (std::vector<uint16_t>{0x30}));
}

TEST_P(OwnHandleReleaseTest, DriveNamesMatchWithoutRegardToCase) {
  native.Add(0x30, "\\Device\\HarddiskVolume5\\Apps\\notes.txt");
  native.Add(0x34, "\\device\\harddiskvolume5\\apps\\other.txt");
  EXPECT_EQ(Release("e:"), ReleaseResult::Released);
  EXPECT_EQ(native.releasedInOwner, (std::vector<uint16_t>{0x30, 0x34}));
}

TEST_P(OwnHandleReleaseTest, AProcessIdBeyond16BitsNeverMatchesItsCutDownRecords) {
  // The table stores the low 16 bits; reading them as our id would close another
  // process's handles (the one whose id is 0x0F20).
  native.selfPid = 0x10F20;
  native.Add(0x30, "\\Device\\HarddiskVolume5\\Apps\\notes.txt");
  EXPECT_EQ(ParseHandleTable(native.Table(), GetParam()).at(0).processId, 0x0F20u);

  EXPECT_EQ(handles.ReleaseDriveHandles("E:", 0x10F20), ReleaseResult::Released);
  EXPECT_FALSE(native.tableLengths.empty());
  EXPECT_TRUE(native.openedProcesses.empty());
  EXPECT_TRUE(native.releasedInOwner.empty());
  EXPECT_EQ(native.OpenHandles(), 0u);
}

TEST_P(OwnHandleReleaseTest, ANulHandleBeyond16BitsLeavesNoFileTypeToMatch) {
  native.nulValue = 0x10044;  // its record holds 0x0044
  native.Add(0x30, "\\Device\\HarddiskVolume5\\Apps\\notes.txt");
  EXPECT_EQ(Release(), ReleaseResult::Released);
  EXPECT_TRUE(native.openedProcesses.empty());
  EXPECT_TRUE(native.releasedInOwner.empty());
}

TEST_P(OwnHandleReleaseTest, AHandleWhoseTypeQueryHangsIsNeverNamedNorClosed) {
  native.Add(0x30, "\\Device\\HarddiskVolume5\\pipe-like").typeQueryHangs = true;
  native.Add(0x34, "\\Device\\HarddiskVolume5\\Apps\\notes.txt");
  EXPECT_EQ(Release(), ReleaseResult::Released);
  EXPECT_EQ(native.releasedInOwner, (std::vector<uint16_t>{0x34}));
  EXPECT_EQ(native.namesAsked, (std::vector<uint16_t>{0x34}));
  ASSERT_EQ(native.terminated.size(), 1u);
  EXPECT_EQ(native.terminated[0].second, 259u);  // ended with the code it had
  EXPECT_EQ(native.waits, (std::vector<uint32_t>{100, 100}));
  EXPECT_EQ(native.OpenHandles(), 0u);
}

TEST_P(OwnHandleReleaseTest, AFailingCloseMakesTheResultFalseAndTheWalkGoesOn) {
  native.Add(0x30, "\\Device\\HarddiskVolume5\\Apps\\first.txt").closeFails = true;
  native.Add(0x34, "\\Device\\HarddiskVolume1\\other.txt");
  native.Add(0x38, "\\Device\\HarddiskVolume5\\Apps\\second.txt");
  EXPECT_EQ(Release(), ReleaseResult::NotReleased);
  EXPECT_EQ(native.releasedInOwner, (std::vector<uint16_t>{0x30, 0x38}));
  EXPECT_EQ(native.OpenHandles(), 0u);
}

TEST_P(OwnHandleReleaseTest, ANameWithQbwStopsEverything) {
  native.Add(0x2C, "\\Device\\HarddiskVolume1\\Windows\\win.ini");
  native.Add(0x30, "\\Device\\HarddiskVolume1\\Books\\company.qbw");
  native.Add(0x34, "\\Device\\HarddiskVolume5\\Apps\\notes.txt");
  EXPECT_EQ(Release(), ReleaseResult::Stopped);
  EXPECT_EQ(native.namesAsked, (std::vector<uint16_t>{0x2C, 0x30}));
  EXPECT_TRUE(native.releasedInOwner.empty());
  EXPECT_EQ(native.OpenHandles(), 0u);
}

TEST_P(OwnHandleReleaseTest, QbwIsMatchedWithRegardToCase) {
  native.Add(0x30, "\\Device\\HarddiskVolume5\\Books\\COMPANY.QBW");
  EXPECT_EQ(Release(), ReleaseResult::Released);
  EXPECT_EQ(native.releasedInOwner, (std::vector<uint16_t>{0x30}));
}

TEST_P(OwnHandleReleaseTest, WithoutNulThereIsNoRelease) {
  native.nulFails = true;
  native.Add(0x30, "\\Device\\HarddiskVolume5\\Apps\\notes.txt");
  EXPECT_EQ(Release(), ReleaseResult::NotReleased);
  EXPECT_TRUE(native.tableLengths.empty());
  EXPECT_TRUE(native.releasedInOwner.empty());
}

TEST_P(OwnHandleReleaseTest, ATableThatCannotBeReadMeansNoRelease) {
  native.tableFailure = static_cast<NtStatus>(0xC0000022u);  // access denied
  native.Add(0x30, "\\Device\\HarddiskVolume5\\Apps\\notes.txt");
  EXPECT_EQ(Release(), ReleaseResult::NotReleased);
  EXPECT_EQ(native.tableLengths.size(), 1u);
  EXPECT_EQ(native.OpenHandles(), 0u);
}

TEST_P(OwnHandleReleaseTest, TheTableBufferStartsAtOneByteAndDoubles) {
  native.tableLengthNeeded = 1u << 20;
  native.Add(0x30, "\\Device\\HarddiskVolume5\\Apps\\notes.txt");
  EXPECT_EQ(Release(), ReleaseResult::Released);
  ASSERT_EQ(native.tableLengths.size(), 21u);
  for (size_t i = 0; i < 21; ++i) EXPECT_EQ(native.tableLengths[i], 1u << i);
  EXPECT_EQ(native.releasedInOwner, (std::vector<uint16_t>{0x30}));
}

TEST_P(OwnHandleReleaseTest, ATableThatNeverFitsBreaksTheStepOffBeforeTheLengthOverflows) {
  native.tableLengthNeeded = 0xFFFFFFFFu;
  EXPECT_EQ(Release(), ReleaseResult::Aborted);
  ASSERT_EQ(native.tableLengths.size(), 31u);
  EXPECT_EQ(native.tableLengths.back(), 1u << 30);
  EXPECT_EQ(native.OpenHandles(), 0u);
}

TEST_P(OwnHandleReleaseTest, OnlyTheToolsOwnProcessIsEverTouched) {
  native.Add(0x30, "\\Device\\HarddiskVolume5\\Apps\\notes.txt");
  native.records.push_back({0x0F24, native.fileTypeIndex, 0x30});
  EXPECT_EQ(handles.ReleaseDriveHandles("E:", 0x0F24), ReleaseResult::NotReleased);
  EXPECT_TRUE(native.tableLengths.empty());
  EXPECT_TRUE(native.openedProcesses.empty());
  EXPECT_FALSE(handles.CloseHandleInProcess(0x0F24, 0x30));
  EXPECT_TRUE(native.openedProcesses.empty());
}

TEST_P(OwnHandleReleaseTest, ADriveNameThatIsNoDriveReleasesNothing) {
  // An empty name is contained in every name: it must never reach the match.
  native.Add(0x30, "\\Device\\HarddiskVolume1\\Windows\\win.ini");
  for (const char* drive : {"", "E", "\\\\", "E:\\"}) EXPECT_EQ(Release(drive), ReleaseResult::NotReleased) << drive;
  EXPECT_TRUE(native.releasedInOwner.empty());
  EXPECT_TRUE(native.tableLengths.empty());
}

TEST_P(OwnHandleReleaseTest, RecordsThatCannotBeExaminedArePassedOver) {
  native.Add(0x30, "\\Device\\HarddiskVolume5\\Apps\\notes.txt");
  // In the table but no longer open: the copy fails.
  native.records.push_back({static_cast<uint16_t>(native.selfPid), native.fileTypeIndex, 0x90});
  native.Add(0x34, "\\Device\\HarddiskVolume5\\Apps\\typeless").fileType = 0;
  EXPECT_EQ(Release(), ReleaseResult::Released);
  EXPECT_EQ(native.releasedInOwner, (std::vector<uint16_t>{0x30}));
  EXPECT_EQ(native.namesAsked, (std::vector<uint16_t>{0x30}));
  EXPECT_EQ(native.OpenHandles(), 0u);
}

TEST_P(OwnHandleReleaseTest, AProcessThatCannotBeOpenedLeavesTheResultTrue) {
  native.openProcessFails = true;
  native.Add(0x30, "\\Device\\HarddiskVolume5\\Apps\\notes.txt");
  EXPECT_EQ(Release(), ReleaseResult::Released);
  EXPECT_TRUE(native.releasedInOwner.empty());
  EXPECT_EQ(native.OpenHandles(), 0u);
}

TEST_P(OwnHandleReleaseTest, ANameThatCannotBeReadIsEmpty) {
  native.nameQueryFails = true;
  native.Add(0x30, "\\Device\\HarddiskVolume5\\Apps\\notes.txt");
  EXPECT_EQ(Release(), ReleaseResult::Released);
  EXPECT_TRUE(native.releasedInOwner.empty());
  EXPECT_TRUE(volumes.devicesAsked.empty());
}

TEST_P(OwnHandleReleaseTest, WithoutThreadsNoTypeComesBackAndNothingIsClosed) {
  native.threadsFail = true;
  native.Add(0x30, "\\Device\\HarddiskVolume5\\Apps\\notes.txt");
  EXPECT_EQ(Release(), ReleaseResult::Released);
  EXPECT_TRUE(native.waits.empty());
  EXPECT_TRUE(native.releasedInOwner.empty());
}

TEST_P(OwnHandleReleaseTest, CloseHandleInProcessClosesTheSourceAndItsCopy) {
  native.Add(0x30, "\\Device\\HarddiskVolume5\\a.txt");
  EXPECT_TRUE(handles.CloseHandleInProcess(native.selfPid, 0x30));
  EXPECT_TRUE(native.objects[0x30].closedInOwner);
  EXPECT_EQ(native.OpenHandles(), 0u);
  // Already gone: the copy fails, which is no failure of the close.
  EXPECT_TRUE(handles.CloseHandleInProcess(native.selfPid, 0x30));
  native.openProcessFails = true;
  EXPECT_TRUE(handles.CloseHandleInProcess(native.selfPid, 0x30));
}

TEST_P(OwnHandleReleaseTest, CloseHandleInProcessFailsWhenTheCopyCannotBeClosed) {
  native.Add(0x30, "\\Device\\HarddiskVolume5\\a.txt").closeFails = true;
  EXPECT_FALSE(handles.CloseHandleInProcess(native.selfPid, 0x30));
  EXPECT_EQ(native.OpenHandles(), 0u);
}

}  // namespace
}  // namespace carrydeck::remove
