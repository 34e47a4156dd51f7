// The removal tool's run: its order, what it leaves behind, and what bad hand-off values do.
#include <gtest/gtest.h>

#include <stdexcept>

#include "RemoveFakes.h"
#include "remover/RemovalTool.h"

namespace carrydeck::remove {
namespace {

using testing::FakeMachine;

const std::string kDeleteHandOff = std::string("delete ") + kHandOffFile;
const std::string kDeleteTool = std::string("delete ") + kHandOffTool;

class RemovalToolTest : public ::testing::TestWithParam<RecordLayout> {
 protected:
  FakeMachine machine{GetParam()};

  RunEnd Run() { return RemovalTool(machine.Platform()).Run(); }
  bool HandOffPresent() { return machine.files.files.count(kHandOffFile) > 0; }
  void OpenOnStick(uint16_t handleValue, const std::string& rest) {
    machine.native.Add(handleValue, "\\Device\\HarddiskVolume5" + rest);
  }
};

std::string LayoutName(const ::testing::TestParamInfo<RecordLayout>& info) {
  return info.param.recordSize == 16 ? "x86" : "x64";
}

INSTANTIATE_TEST_SUITE_P(BothBitnesses, RemovalToolTest, ::testing::Values(kLayoutX86, kLayoutX64), LayoutName);

TEST_P(RemovalToolTest, AUsbStickIsReleasedThenEjectedThenTheHandOffIsDeleted) {
  machine.HandOff("E:\\");
  OpenOnStick(0x30, "\\Apps\\notes.txt");
  EXPECT_EQ(Run(), RunEnd::Finished);

  EXPECT_EQ(machine.log,
            (std::vector<std::string>{"open \\\\.\\E:",  // the bus
                                      "open NUL",        // the release
                                      "open \\\\.\\E:",  // the ejection: the device number,
                                      "open " + machine.devices.classes[0x53F56307][0].path,  // the search,
                                      "open " + machine.devices.classes[0x53F56307][1].path,
                                      "eject 210",  // and the request
                                      kDeleteHandOff, kDeleteTool}));
  EXPECT_EQ(machine.native.releasedInOwner, (std::vector<uint16_t>{0x30}));
  EXPECT_FALSE(HandOffPresent());
  // The running copy cannot be deleted; it waits for the next hand-off.
  EXPECT_TRUE(machine.files.files.count(kHandOffTool));
  EXPECT_EQ(machine.storage.OpenHandles(), 0u);
  EXPECT_EQ(machine.native.OpenHandles(), 0u);
}

TEST_P(RemovalToolTest, ARefusedEjectionNamesWhatKeepsTheStickInUse) {
  machine.HandOff("E:\\");
  machine.devices.ejectAnswers = {};  // every try refused
  machine.processes.processes = {{machine.native.selfPid, "Remove.exe"}, {0x0A10, "holder.exe"}};
  machine.processes.images = {{machine.native.selfPid, "c:\\temp\\Remove.exe"}, {0x0A10, "C:\\holder.exe"}};
  machine.native.AddFor(0x0A10, 0x60, "\\Device\\HarddiskVolume5\\notes.txt");
  EXPECT_EQ(Run(), RunEnd::Finished);
  EXPECT_EQ(machine.devices.ejectRequests.size(), 4u);
  EXPECT_EQ(machine.notices.shown,
            std::vector<std::string>{"The USB device cannot be removed while these programs keep it in use:\n"
                                     "\nholder.exe (2576): E:\\notes.txt"});
  // Said after the last try, before the clean-up.
  const std::vector<std::string> tail(machine.log.end() - 3, machine.log.end());
  EXPECT_EQ(tail, (std::vector<std::string>{"warning", kDeleteHandOff, kDeleteTool}));
  EXPECT_EQ(machine.native.OpenHandles(), 0u);
}

TEST_P(RemovalToolTest, AnEjectionThatWorksOrARefusalWithNothingToNameSaysNothing) {
  machine.HandOff("E:\\");
  machine.native.AddFor(0x0A10, 0x60, "\\Device\\HarddiskVolume5\\notes.txt");
  machine.processes.processes = {{0x0A10, "holder.exe"}};
  EXPECT_EQ(Run(), RunEnd::Finished);
  EXPECT_TRUE(machine.notices.shown.empty()) << "ejected";

  machine.HandOff("E:\\");
  machine.devices.ejectAnswers = {};
  machine.processes.processes.clear();
  EXPECT_EQ(Run(), RunEnd::Finished);
  EXPECT_EQ(machine.devices.ejectRequests.size(), 5u);
  EXPECT_TRUE(machine.notices.shown.empty()) << "nothing to name";
}

TEST_P(RemovalToolTest, TheReleaseIsForTheToolsOwnProcess) {
  machine.HandOff("E:\\");
  machine.native.selfPid = 0x0A08;
  OpenOnStick(0x30, "\\Apps\\notes.txt");
  OpenOnStick(0x34, "\\Data\\list.dat");
  // Another program's file on the stick: a handle value the tool's own process does not use.
  machine.native.objects[0x50].name = testing::Wide("\\Device\\HarddiskVolume5\\Apps\\other.txt");
  machine.native.records.push_back({0x0F20, machine.native.fileTypeIndex, 0x50});
  EXPECT_EQ(Run(), RunEnd::Finished);
  EXPECT_EQ(machine.native.releasedInOwner, (std::vector<uint16_t>{0x30, 0x34}));
  EXPECT_FALSE(machine.native.objects[0x50].closedInOwner);
  ASSERT_FALSE(machine.native.openedProcesses.empty());
  for (uint32_t pid : machine.native.openedProcesses) EXPECT_EQ(pid, 0x0A08u);
  EXPECT_EQ(machine.devices.ejectRequests, (std::vector<uint32_t>{210})) << "released, so the stick is ejected";
}

TEST_P(RemovalToolTest, ADriveOnAnotherBusIsLeftAlone) {
  for (uint32_t bus : {0u, 1u, 2u, 3u, 4u, 5u, 6u, 8u, 9u, 17u}) {
    FakeMachine other(GetParam());
    other.HandOff("E:\\");
    other.storage.devices["\\\\.\\e:"].busType = bus;
    EXPECT_EQ(RemovalTool(other.Platform()).Run(), RunEnd::Finished);
    EXPECT_EQ(other.log, (std::vector<std::string>{"open \\\\.\\E:", kDeleteHandOff, kDeleteTool})) << bus;
    EXPECT_FALSE(other.files.files.count(kHandOffFile)) << bus;
  }
}

TEST_P(RemovalToolTest, ADeviceThatDoesNotAnswerIsNotEjected) {
  machine.HandOff("E:\\");
  machine.storage.devices["\\\\.\\e:"].queryFails = true;
  Run();
  EXPECT_TRUE(machine.devices.ejectRequests.empty());
  EXPECT_FALSE(HandOffPresent());
}

TEST_P(RemovalToolTest, AFailedReleaseSkipsTheEjection) {
  machine.HandOff("E:\\");
  machine.native.Add(0x30, "\\Device\\HarddiskVolume5\\Apps\\notes.txt").closeFails = true;
  Run();
  EXPECT_TRUE(machine.devices.ejectRequests.empty());
  EXPECT_TRUE(machine.storage.opens.size() == 1);  // the bus only
  EXPECT_FALSE(HandOffPresent());
}

TEST_P(RemovalToolTest, NoNulNoTableNoEjection) {
  machine.HandOff("E:\\");
  machine.native.nulFails = true;
  Run();
  EXPECT_TRUE(machine.devices.ejectRequests.empty());
  EXPECT_FALSE(HandOffPresent());
}

TEST_P(RemovalToolTest, AReleaseThatBreaksOffStillLetsTheSystemDecide) {
  machine.HandOff("E:\\");
  machine.native.tableLengthNeeded = 0xFFFFFFFFu;
  Run();
  EXPECT_EQ(machine.devices.ejectRequests, (std::vector<uint32_t>{210}));
  EXPECT_FALSE(HandOffPresent());
}

TEST_P(RemovalToolTest, ANameWithQbwEndsTheToolBeforeAnythingElse) {
  machine.HandOff("E:\\");
  machine.native.Add(0x30, "\\Device\\HarddiskVolume5\\Books\\firm.qbw");
  OpenOnStick(0x34, "\\Apps\\notes.txt");
  EXPECT_EQ(Run(), RunEnd::Stopped);
  EXPECT_EQ(machine.log, (std::vector<std::string>{"open \\\\.\\E:", "open NUL"}));
  EXPECT_TRUE(machine.native.releasedInOwner.empty());
  EXPECT_TRUE(HandOffPresent());
  EXPECT_EQ(machine.native.OpenHandles(), 0u);
}

TEST_P(RemovalToolTest, ARefusedEjectionIsTriedFourTimesAndThenLeftToTheSystem) {
  machine.HandOff("E:\\");
  machine.devices.ejectAnswers.clear();
  EXPECT_EQ(Run(), RunEnd::Finished);
  EXPECT_EQ(machine.devices.ejectRequests.size(), 4u);
  EXPECT_EQ(machine.clock.sleeps, (std::vector<uint32_t>{300, 300, 300, 300}));
  EXPECT_FALSE(HandOffPresent());
}

TEST_P(RemovalToolTest, ALowerCaseValueWorksLikeAnUpperCaseOne) {
  machine.HandOff("e:\\");
  OpenOnStick(0x30, "\\Apps\\notes.txt");
  Run();
  EXPECT_EQ(machine.storage.opens.at(0).first, "\\\\.\\e:");
  EXPECT_EQ(machine.native.releasedInOwner, (std::vector<uint16_t>{0x30}));
  EXPECT_EQ(machine.devices.ejectRequests, (std::vector<uint32_t>{210}));
  EXPECT_FALSE(HandOffPresent());
}

TEST_P(RemovalToolTest, OnlyTheFirstTwoCharactersNameTheDrive) {
  machine.HandOff("E:\\Apps\\Menu\\");
  Run();
  EXPECT_EQ(machine.storage.opens.at(0).first, "\\\\.\\E:");
  EXPECT_EQ(machine.devices.ejectRequests, (std::vector<uint32_t>{210}));
}

TEST_P(RemovalToolTest, BadValuesTouchNoDeviceAndStillCleanUp) {
  // Empty, one character, a network root, garbage, a drive that is not there, a path
  // that names a device.
  for (const char* value :
       {"", "E", "\\\\server\\share\\", "\x01\xFF garbage", "::", "Q:\\", "\\\\.\\E:", "PhysicalDrive0", "1:"}) {
    FakeMachine other(GetParam());
    other.HandOff(value);
    EXPECT_EQ(RemovalTool(other.Platform()).Run(), RunEnd::Finished) << value;
    EXPECT_TRUE(other.devices.ejectRequests.empty()) << value;
    EXPECT_TRUE(other.native.tableLengths.empty()) << value;
    EXPECT_FALSE(other.files.files.count(kHandOffFile)) << value;
    for (const auto& open : other.storage.opens) EXPECT_EQ(open.first, "\\\\.\\Q:") << value;
  }
}

TEST_P(RemovalToolTest, StartedByHandTheEmptyDefaultIsWrittenBackThenDeleted) {
  ASSERT_FALSE(HandOffPresent());
  EXPECT_EQ(Run(), RunEnd::Finished);
  EXPECT_TRUE(machine.storage.opens.empty());
  EXPECT_FALSE(HandOffPresent());
  ASSERT_TRUE(machine.files.deletedContent.count(kHandOffFile));
  EXPECT_EQ(machine.files.deletedContent[kHandOffFile], "[Drive]\r\nLETTER=\r\n");
}

TEST_P(RemovalToolTest, TheToolsCopyGoesWhenTheSystemLetsIt) {
  machine.files.undeletable.clear();
  machine.HandOff("E:\\");
  Run();
  EXPECT_FALSE(machine.files.files.count(kHandOffTool));
  EXPECT_FALSE(HandOffPresent());
}

// A port whose every call throws, to see where each step's failure lands.
class ThrowingStorage : public IStorageDevices {
 public:
  Handle OpenDevice(const std::string&, uint32_t) override { throw std::runtime_error("storage"); }
  bool IoControl(Handle, uint32_t, const std::vector<uint8_t>&, std::vector<uint8_t>&) override { return false; }
  void CloseDevice(Handle) override {}
};

class ThrowingNative : public testing::FakeNative {
 public:
  using FakeNative::FakeNative;
  Handle OpenNul() override { throw std::bad_alloc(); }
};

class ThrowingProfile : public IProfile {
 public:
  std::string Get(const std::string&, const std::string&, const std::string&, size_t) override {
    throw std::bad_alloc();
  }
  bool Put(const std::string&, const std::string&, const std::string&, const std::string&) override { return false; }
};

// Fails inside the standard library's own string code (std::length_error from its
// allocation), so the error crosses the library's frames on its way to the tool's handler:
// the release keeps the unwind tables of just the code it keeps, and these frames need theirs.
class LibraryFailingProfile : public IProfile {
 public:
  std::string Get(const std::string& section, const std::string&, const std::string&, size_t) override {
    std::string value = section;
    value.reserve(value.max_size() + 1);
    return value;
  }
  bool Put(const std::string&, const std::string&, const std::string&, const std::string&) override { return false; }
};

TEST_P(RemovalToolTest, AFailureReadingTheValueGoesToTheCleanUp) {
  ThrowingProfile thrownByTheProfile;
  LibraryFailingProfile thrownInsideTheLibrary;
  for (IProfile* profile :
       {static_cast<IProfile*>(&thrownByTheProfile), static_cast<IProfile*>(&thrownInsideTheLibrary)}) {
    SCOPED_TRACE(profile == &thrownByTheProfile ? "thrown by the profile" : "thrown inside the library");
    machine.HandOff("E:\\");
    RemovePlatform platform = machine.Platform();
    RemovePlatform broken{platform.files,   *profile,       platform.nt,     platform.volumes,   platform.storage,
                          platform.devices, platform.clock, platform.layout, platform.processes, platform.notices};
    EXPECT_EQ(RemovalTool(broken).Run(), RunEnd::Finished);
    EXPECT_TRUE(machine.storage.opens.empty());
    EXPECT_FALSE(HandOffPresent());
  }
}

TEST_P(RemovalToolTest, AFailureFindingTheBusGoesToTheCleanUp) {
  machine.HandOff("E:\\");
  ThrowingStorage storage;
  RemovePlatform platform = machine.Platform();
  RemovePlatform broken{platform.files,   platform.profile, platform.nt,     platform.volumes,   storage,
                        platform.devices, platform.clock,   platform.layout, platform.processes, platform.notices};
  EXPECT_EQ(RemovalTool(broken).Run(), RunEnd::Finished);
  EXPECT_TRUE(machine.native.tableLengths.empty());
  EXPECT_FALSE(HandOffPresent());
}

TEST_P(RemovalToolTest, AFailureInsideTheReleaseStillEjects) {
  machine.HandOff("E:\\");
  ThrowingNative native(GetParam());
  RemovePlatform platform = machine.Platform();
  RemovePlatform broken{platform.files,   platform.profile, native,          platform.volumes,   platform.storage,
                        platform.devices, platform.clock,   platform.layout, platform.processes, platform.notices};
  EXPECT_EQ(RemovalTool(broken).Run(), RunEnd::Finished);
  EXPECT_EQ(machine.devices.ejectRequests, (std::vector<uint32_t>{210}));
  EXPECT_FALSE(HandOffPresent());
}

}  // namespace
}  // namespace carrydeck::remove
