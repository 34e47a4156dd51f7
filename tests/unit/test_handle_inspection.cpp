// Looking at handles: names turned into drive paths, the bounded type query, the table read.
#include <gtest/gtest.h>

#include "HandleFakes.h"
#include "common/HandleInspection.h"

namespace carrydeck {
namespace {

using testing::FakeNative;
using testing::FakeVolumes;

constexpr uint32_t kPipe = 3;
constexpr uint32_t kCharacterDevice = 2;

class HandleInspectionTest : public ::testing::TestWithParam<RecordLayout> {
 protected:
  FakeNative native{GetParam()};
  FakeVolumes volumes;
  HandleInspector inspector{native, volumes, GetParam()};

  void SetUp() override {
    volumes.drives = {{"A:\\", "\\Device\\Floppy0", 2},
                      {"C:\\", "\\Device\\HarddiskVolume1", 3},
                      {"E:\\", "\\Device\\HarddiskVolume5", 2}};
  }

  // A copy of one of our handles, as a search makes before asking about it.
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
    std::string path = inspector.GetObjectDosPath(copy);
    native.Close(copy);
    return path;
  }
};

std::string LayoutName(const ::testing::TestParamInfo<RecordLayout>& info) {
  return info.param.nameTextAt == 8 ? "x86" : "x64";
}

INSTANTIATE_TEST_SUITE_P(BothBitnesses, HandleInspectionTest, ::testing::Values(kLayoutX86, kLayoutX64), LayoutName);

TEST_P(HandleInspectionTest, DosPathsReplaceTheDeviceWithItsDrive) {
  EXPECT_EQ(DosPathOf("\\Device\\HarddiskVolume5\\Apps\\notes.txt"), "E:\\Apps\\notes.txt");
  EXPECT_EQ(DosPathOf("\\DEVICE\\HARDDISKVOLUME1\\Windows"), "C:\\Windows");
  EXPECT_EQ(DosPathOf("\\Device\\HarddiskVolume5"), "E:");
  EXPECT_EQ(DosPathOf("\\Device\\Floppy0\\a.txt"), "A:\\a.txt");
  for (uint32_t given : volumes.lengthsGiven) EXPECT_EQ(given, 256u);
}

TEST_P(HandleInspectionTest, DosPathsOfNamesOnNoDriveAreEmpty) {
  EXPECT_EQ(DosPathOf("\\Device\\NamedPipe\\carrydeck"), "");
  EXPECT_EQ(DosPathOf("\\Device\\Afd"), "");
  EXPECT_EQ(DosPathOf(""), "");
}

TEST_P(HandleInspectionTest, TheDriveListBufferIsTabFilledAndItsUntouchedTailIsNoDrive) {
  EXPECT_EQ(DosPathOf("\\Device\\NamedPipe\\carrydeck"), "");
  EXPECT_EQ(volumes.bufferGiven, std::string(512, '\t'));
  // The pieces were A:\, C:\, E:\, "" and the tail of tabs; only drives are asked about.
  EXPECT_EQ(volumes.devicesAsked, (std::vector<std::string>{"A:", "C:", "E:"}));
}

TEST_P(HandleInspectionTest, ADeviceNameIsAPrefixOnlyAsWholePathComponents) {
  volumes.drives = {{"C:\\", "\\Device\\HarddiskVolume1", 3}, {"E:\\", "\\Device\\HarddiskVolume10", 2}};
  EXPECT_EQ(DosPathOf("\\Device\\HarddiskVolume10\\Apps\\notes.txt"), "E:\\Apps\\notes.txt");
  EXPECT_EQ(DosPathOf("\\Device\\HarddiskVolume1\\Apps\\notes.txt"), "C:\\Apps\\notes.txt");
  EXPECT_EQ(DosPathOf("\\Device\\HarddiskVolume1x"), "");
}

TEST_P(HandleInspectionTest, DrivesAreTriedInListOrder) {
  volumes.drives = {{"F:\\", "\\Device\\Mup", 4}, {"G:\\", "\\Device\\Mup", 4}};
  EXPECT_EQ(DosPathOf("\\Device\\Mup\\server\\share\\a.txt"), "F:\\server\\share\\a.txt");
}

TEST_P(HandleInspectionTest, ADriveWhoseDeviceCannotBeReadCapturesNothing) {
  volumes.drives = {{"D:\\", std::nullopt, 5}, {"E:\\", "\\Device\\HarddiskVolume5", 2}};
  EXPECT_EQ(DosPathOf("\\Device\\HarddiskVolume5\\a.txt"), "E:\\a.txt");
  EXPECT_EQ(DosPathOf("\\Device\\NamedPipe\\x"), "");
}

TEST_P(HandleInspectionTest, DosDevicesFormNamesMapToTheirListedDrive) {
  EXPECT_EQ(DosPathOf("\\??\\E:\\Apps\\notes.txt"), "E:\\Apps\\notes.txt");
  EXPECT_EQ(DosPathOf("\\??\\c:\\windows"), "C:\\windows");
  EXPECT_EQ(DosPathOf("\\??\\E:"), "E:");
  EXPECT_EQ(DosPathOf("\\??\\Q:\\not\\listed"), "");
  EXPECT_EQ(DosPathOf("\\??\\E:x"), "");
}

TEST_P(HandleInspectionTest, NoDriveListNoDosPath) {
  volumes.listFails = true;
  EXPECT_EQ(DosPathOf("\\Device\\HarddiskVolume5\\a.txt"), "");
  volumes.listFails = false;
  for (char letter = 'D'; letter <= 'Z'; ++letter)
    for (int i = 0; i < 10; ++i) volumes.drives.push_back({std::string(1, letter) + ":\\", "\\Device\\X", 3});
  // A list longer than the buffer leaves the buffer untouched.
  EXPECT_EQ(DosPathOf("\\Device\\HarddiskVolume5\\a.txt"), "");
}

TEST_P(HandleInspectionTest, HandleFileTypeComesFromAThreadWaitedFor100Ms) {
  native.Add(0x30, "\\Device\\HarddiskVolume5\\a.txt", 1);
  native.Add(0x34, "\\Device\\Null", kCharacterDevice);
  native.Add(0x38, "\\Device\\NamedPipe\\x", kPipe);
  for (uint16_t value : {0x30, 0x34, 0x38}) {
    Handle copy = CopyOf(value);
    EXPECT_EQ(inspector.GetHandleFileType(copy), native.objects[value].fileType);
    native.Close(copy);
  }
  EXPECT_EQ(native.waits, (std::vector<uint32_t>{100, 100, 100}));
  EXPECT_TRUE(native.terminated.empty());
  EXPECT_EQ(native.OpenHandles(), 0u);
}

TEST_P(HandleInspectionTest, HandleFileTypeIsZeroWhenTheQueryTimesOut) {
  native.Add(0x30, "\\Device\\NamedPipe\\busy", kPipe).typeQueryHangs = true;
  Handle copy = CopyOf(0x30);
  EXPECT_EQ(inspector.GetHandleFileType(copy), 0u);
  EXPECT_EQ(native.terminated.size(), 1u);
  native.Close(copy);
  EXPECT_EQ(native.OpenHandles(), 0u);
}

TEST_P(HandleInspectionTest, HandleFileTypeIsZeroWithoutAThread) {
  native.threadsFail = true;
  native.Add(0x30, "\\Device\\HarddiskVolume5\\a.txt");
  Handle copy = CopyOf(0x30);
  EXPECT_EQ(inspector.GetHandleFileType(copy), 0u);
  EXPECT_TRUE(native.waits.empty());
  native.Close(copy);
}

TEST_P(HandleInspectionTest, ABatchSharesOneWorkerAndAHandleItStaysOnIsPassedOver) {
  native.Add(0x30, "\\Device\\HarddiskVolume5\\a.txt");
  native.Add(0x34, "\\Device\\Null", kCharacterDevice);
  native.Add(0x38, "\\Device\\NamedPipe\\busy", kPipe).typeQueryHangs = true;
  native.Add(0x3C, "\\??\\E:\\b.txt");
  HandleQueries batch;
  for (uint16_t value : {0x30, 0x34, 0x38, 0x3C}) {
    HandleQuery query;
    query.handle = CopyOf(value);
    query.reply.assign(kBatchReplyBytes, 0);
    batch.queries.push_back(std::move(query));
  }
  EXPECT_TRUE(inspector.QueryAll(batch));
  EXPECT_EQ(inspector.NameOf(batch.queries[0]), "\\Device\\HarddiskVolume5\\a.txt");
  EXPECT_EQ(batch.queries[1].fileType, kCharacterDevice);
  EXPECT_EQ(batch.queries[2].fileType, 0u);
  EXPECT_EQ(inspector.NameOf(batch.queries[2]), "");
  EXPECT_EQ(inspector.NameOf(batch.queries[3]), "\\??\\E:\\b.txt");
  // The worker is given a whole limit after its last progress before it is ended; a new
  // one goes on after the handle it stayed on.
  EXPECT_EQ(native.workersStarted, 2);
  EXPECT_EQ(native.terminated.size(), 1u);
  EXPECT_EQ(native.waits, (std::vector<uint32_t>{100, 100, 5000, 100}));
  EXPECT_EQ(native.namesAsked, (std::vector<uint16_t>{0x30, 0x34, 0x3C}));
  for (const HandleQuery& query : batch.queries) native.Close(query.handle);
  EXPECT_EQ(native.OpenHandles(), 0u);
}

TEST_P(HandleInspectionTest, ABatchWithoutAWorkerHasNoTypesAndOneThatWillNotEndIsGivenUp) {
  native.Add(0x30, "\\Device\\HarddiskVolume5\\a.txt").typeQueryHangs = true;
  HandleQueries batch;
  batch.queries.resize(1);
  batch.queries[0].handle = CopyOf(0x30);
  batch.queries[0].fileType = 7;
  native.threadsFail = true;
  EXPECT_TRUE(inspector.QueryAll(batch));
  EXPECT_EQ(batch.queries[0].fileType, 0u);
  native.threadsFail = false;
  native.workersNeverEnd = true;
  EXPECT_FALSE(inspector.QueryAll(batch)) << "the batch must outlive the worker";
  native.Close(batch.queries[0].handle);
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
}  // namespace carrydeck
