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

  // A copy of one of our handles, as the release makes before asking about it.
  Handle CopyOf(uint16_t handleValue) {
    Handle process = native.OpenProcessForDuplicate(native.selfPid);
    Handle copy = 0;
    EXPECT_EQ(native.DuplicateToSelf(process, handleValue, kDuplicateSameAttributes, copy), 0);
    native.Close(process);
    return copy;
  }
  std::string DosPathOf(const std::string& name) {
    native.objects[0x100].name = testing::Wide(name);
    native.objects[0x100].closedInOwner = false;
    Handle copy = CopyOf(0x100);
    std::string path = handles.GetObjectDosPath(copy);
    native.Close(copy);
    return path;
  }
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
  EXPECT_EQ(native.records.at(0).processId, 0x0F20);

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

TEST_P(OwnHandleReleaseTest, DosPathsReplaceTheDeviceWithItsDrive) {
  EXPECT_EQ(DosPathOf("\\Device\\HarddiskVolume5\\Apps\\notes.txt"), "E:\\Apps\\notes.txt");
  EXPECT_EQ(DosPathOf("\\DEVICE\\HARDDISKVOLUME1\\Windows"), "C:\\Windows");
  EXPECT_EQ(DosPathOf("\\Device\\HarddiskVolume5"), "E:");
  EXPECT_EQ(DosPathOf("\\Device\\Floppy0\\a.txt"), "A:\\a.txt");
  for (uint32_t given : volumes.lengthsGiven) EXPECT_EQ(given, 256u);
}

TEST_P(OwnHandleReleaseTest, DosPathsOfNamesOnNoDriveAreEmpty) {
  EXPECT_EQ(DosPathOf("\\Device\\NamedPipe\\carrydeck"), "");
  EXPECT_EQ(DosPathOf("\\Device\\Afd"), "");
  EXPECT_EQ(DosPathOf(""), "");
}

TEST_P(OwnHandleReleaseTest, TheDriveListBufferIsTabFilledAndItsUntouchedTailIsNoDrive) {
  EXPECT_EQ(DosPathOf("\\Device\\NamedPipe\\carrydeck"), "");
  EXPECT_EQ(volumes.bufferGiven, std::string(512, '\t'));
  // The pieces were A:\, C:\, E:\, "" and the tail of tabs; only drives are asked about.
  EXPECT_EQ(volumes.devicesAsked, (std::vector<std::string>{"A:", "C:", "E:"}));
}

TEST_P(OwnHandleReleaseTest, ADeviceNameIsAPrefixOnlyAsWholePathComponents) {
  volumes.drives = {{"C:\\", "\\Device\\HarddiskVolume1", 3}, {"E:\\", "\\Device\\HarddiskVolume10", 2}};
  EXPECT_EQ(DosPathOf("\\Device\\HarddiskVolume10\\Apps\\notes.txt"), "E:\\Apps\\notes.txt");
  EXPECT_EQ(DosPathOf("\\Device\\HarddiskVolume1\\Apps\\notes.txt"), "C:\\Apps\\notes.txt");
  EXPECT_EQ(DosPathOf("\\Device\\HarddiskVolume1x"), "");
}

TEST_P(OwnHandleReleaseTest, DrivesAreTriedInListOrder) {
  volumes.drives = {{"F:\\", "\\Device\\Mup", 4}, {"G:\\", "\\Device\\Mup", 4}};
  EXPECT_EQ(DosPathOf("\\Device\\Mup\\server\\share\\a.txt"), "F:\\server\\share\\a.txt");
}

TEST_P(OwnHandleReleaseTest, ADriveWhoseDeviceCannotBeReadCapturesNothing) {
  volumes.drives = {{"D:\\", std::nullopt, 5}, {"E:\\", "\\Device\\HarddiskVolume5", 2}};
  EXPECT_EQ(DosPathOf("\\Device\\HarddiskVolume5\\a.txt"), "E:\\a.txt");
  EXPECT_EQ(DosPathOf("\\Device\\NamedPipe\\x"), "");
}

TEST_P(OwnHandleReleaseTest, DosDevicesFormNamesMapToTheirListedDrive) {
  EXPECT_EQ(DosPathOf("\\??\\E:\\Apps\\notes.txt"), "E:\\Apps\\notes.txt");
  EXPECT_EQ(DosPathOf("\\??\\c:\\windows"), "C:\\windows");
  EXPECT_EQ(DosPathOf("\\??\\E:"), "E:");
  EXPECT_EQ(DosPathOf("\\??\\Q:\\not\\listed"), "");
  EXPECT_EQ(DosPathOf("\\??\\E:x"), "");
}

TEST_P(OwnHandleReleaseTest, NoDriveListNoDosPath) {
  volumes.listFails = true;
  EXPECT_EQ(DosPathOf("\\Device\\HarddiskVolume5\\a.txt"), "");
  volumes.listFails = false;
  for (char letter = 'D'; letter <= 'Z'; ++letter)
    for (int i = 0; i < 10; ++i) volumes.drives.push_back({std::string(1, letter) + ":\\", "\\Device\\X", 3});
  // A list longer than the buffer leaves the buffer untouched.
  EXPECT_EQ(DosPathOf("\\Device\\HarddiskVolume5\\a.txt"), "");
}

TEST_P(OwnHandleReleaseTest, HandleFileTypeComesFromAThreadWaitedFor100Ms) {
  native.Add(0x30, "\\Device\\HarddiskVolume5\\a.txt", 1);
  native.Add(0x34, "\\Device\\Null", kCharacterDevice);
  native.Add(0x38, "\\Device\\NamedPipe\\x", kPipe);
  for (uint16_t value : {0x30, 0x34, 0x38}) {
    Handle copy = CopyOf(value);
    EXPECT_EQ(handles.GetHandleFileType(copy), native.objects[value].fileType);
    native.Close(copy);
  }
  EXPECT_EQ(native.waits, (std::vector<uint32_t>{100, 100, 100}));
  EXPECT_TRUE(native.terminated.empty());
  EXPECT_EQ(native.OpenHandles(), 0u);
}

TEST_P(OwnHandleReleaseTest, HandleFileTypeIsZeroWhenTheQueryTimesOut) {
  native.Add(0x30, "\\Device\\NamedPipe\\busy", kPipe).typeQueryHangs = true;
  Handle copy = CopyOf(0x30);
  EXPECT_EQ(handles.GetHandleFileType(copy), 0u);
  EXPECT_EQ(native.terminated.size(), 1u);
  native.Close(copy);
  EXPECT_EQ(native.OpenHandles(), 0u);
}

TEST_P(OwnHandleReleaseTest, HandleFileTypeIsZeroWithoutAThread) {
  native.threadsFail = true;
  native.Add(0x30, "\\Device\\HarddiskVolume5\\a.txt");
  Handle copy = CopyOf(0x30);
  EXPECT_EQ(handles.GetHandleFileType(copy), 0u);
  EXPECT_TRUE(native.waits.empty());
  native.Close(copy);
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

TEST(NtSuccess, IsTrueForStatusesThatAreNotNegative) {
  EXPECT_TRUE(NtSuccess(0));
  EXPECT_TRUE(NtSuccess(0x00000103));  // pending
  EXPECT_TRUE(NtSuccess(0x40000000));  // informational
  EXPECT_TRUE(NtSuccess(0x7FFFFFFF));
  EXPECT_FALSE(NtSuccess(static_cast<NtStatus>(0x80000000u)));
  EXPECT_FALSE(NtSuccess(static_cast<NtStatus>(0x80000005u)));  // buffer overflow (a warning)
  EXPECT_FALSE(NtSuccess(kStatusInfoLengthMismatch));
  EXPECT_FALSE(NtSuccess(static_cast<NtStatus>(0xFFFFFFFFu)));
}

}  // namespace
}  // namespace carrydeck::remove
