// Finding the device behind a drive and asking for its ejection, with an injected clock.
#include <gtest/gtest.h>

#include "RemoveFakes.h"
#include "remover/DeviceEject.h"

namespace carrydeck::remove {
namespace {

using testing::FakeInterface;
using testing::FakeMachine;

constexpr uint32_t kFloppy = 0x53F56311;
constexpr uint32_t kDisk = 0x53F56307;
constexpr uint32_t kCdRom = 0x53F56308;

TEST(InterfaceClass, FollowsTheDriveTypeAndTheDosDeviceName) {
  EXPECT_EQ(InterfaceClassFor(2, "\\Device\\Floppy0").data1, kFloppy);
  EXPECT_EQ(InterfaceClassFor(2, "\\Device\\HarddiskVolume5").data1, kDisk);
  EXPECT_EQ(InterfaceClassFor(2, "\\Device\\FLOPPY0").data1, kDisk);  // the test minds case
  EXPECT_EQ(InterfaceClassFor(3, "\\Device\\Floppy0").data1, kDisk);
  EXPECT_EQ(InterfaceClassFor(3, "\\Device\\HarddiskVolume1").data1, kDisk);
  EXPECT_EQ(InterfaceClassFor(5, "\\Device\\CdRom0").data1, kCdRom);
  for (uint32_t other : {0u, 1u, 4u, 6u, 7u}) EXPECT_EQ(InterfaceClassFor(other, "\\Device\\X").data1, 0u) << other;
}

TEST(InterfaceClass, SharesTheRestOfThePublishedGuid) {
  for (uint32_t type : {2u, 3u, 5u, 4u}) {
    Guid guid = InterfaceClassFor(type, "");
    EXPECT_EQ(guid.data2, 0xB6BF);
    EXPECT_EQ(guid.data3, 0x11D0);
    const uint8_t tail[8] = {0x94, 0xF2, 0x00, 0xA0, 0xC9, 0x1E, 0xFB, 0x8B};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(guid.data4[i], tail[i]);
  }
}

class DevInstSearch : public ::testing::Test {
 protected:
  FakeMachine machine;
  DeviceEject usb{machine.storage, machine.volumes, machine.devices, machine.clock};
};

TEST_F(DevInstSearch, FindsTheInterfaceCarryingTheDeviceNumber) {
  EXPECT_EQ(usb.GetDevInstByDeviceNumber(1, 2, "\\Device\\HarddiskVolume5"), 200u);
  EXPECT_EQ(usb.GetDevInstByDeviceNumber(0, 3, "\\Device\\HarddiskVolume1"), 100u);
  EXPECT_EQ(machine.devices.flagsGiven, (std::vector<uint32_t>{0x12, 0x12}));
  EXPECT_EQ(machine.devices.setsOpen, 0);
  EXPECT_EQ(machine.storage.OpenHandles(), 0u);
  // Interfaces are opened without data access.
  for (const auto& open : machine.storage.opens) EXPECT_EQ(open.second, 0u);
}

TEST_F(DevInstSearch, SearchesOnlyTheDrivesClass) {
  EXPECT_EQ(usb.GetDevInstByDeviceNumber(1, 5, "\\Device\\CdRom0"), 0u);
  EXPECT_EQ(usb.GetDevInstByDeviceNumber(1, 2, "\\Device\\Floppy0"), 0u);
  EXPECT_EQ(usb.GetDevInstByDeviceNumber(1, 4, "\\Device\\Mup"), 0u);
  ASSERT_EQ(machine.devices.classesAsked.size(), 3u);
  EXPECT_EQ(machine.devices.classesAsked[0].data1, kCdRom);
  EXPECT_EQ(machine.devices.classesAsked[1].data1, kFloppy);
  EXPECT_EQ(machine.devices.classesAsked[2].data1, 0u);
  EXPECT_EQ(machine.devices.setsOpen, 0);
}

TEST_F(DevInstSearch, NoDeviceWithTheNumberFindsNothing) {
  EXPECT_EQ(usb.GetDevInstByDeviceNumber(9, 2, "\\Device\\HarddiskVolume5"), 0u);
  EXPECT_EQ(machine.devices.setsOpen, 0);
  EXPECT_EQ(machine.storage.OpenHandles(), 0u);
}

TEST_F(DevInstSearch, NoSetFindsNothing) {
  machine.devices.setFails = true;
  EXPECT_EQ(usb.GetDevInstByDeviceNumber(1, 2, "\\Device\\HarddiskVolume5"), 0u);
  EXPECT_TRUE(machine.storage.opens.empty());
}

TEST_F(DevInstSearch, DetailsOver1024BytesAreSkippedNeverCut) {
  auto& disks = machine.devices.classes[kDisk];
  disks[1].detailSize = 1025;  // the stick
  EXPECT_EQ(usb.GetDevInstByDeviceNumber(1, 2, "\\Device\\HarddiskVolume5"), 0u);
  // Only the first interface's detail was fetched, with exactly the size asked.
  EXPECT_EQ(machine.devices.detailSizesGiven, (std::vector<uint32_t>{120}));

  disks[1].detailSize = 1024;
  EXPECT_EQ(usb.GetDevInstByDeviceNumber(1, 2, "\\Device\\HarddiskVolume5"), 200u);
  EXPECT_EQ(machine.devices.detailSizesGiven.back(), 1024u);
}

TEST_F(DevInstSearch, InterfacesThatCannotBeReadOrOpenedArePassedOver) {
  auto& disks = machine.devices.classes[kDisk];
  FakeInterface noSize{"\\\\?\\a", 0, false, 300};
  FakeInterface noDetail{"\\\\?\\b", 90, true, 301};
  FakeInterface gone{"\\\\?\\usbstor#unplugged", 90, false, 302};
  FakeInterface noNumber{"\\\\?\\usbstor#silent", 90, false, 303};
  machine.storage.devices["\\\\?\\usbstor#silent"] = {7, false, std::nullopt};
  disks.insert(disks.begin(), {noSize, noDetail, gone, noNumber});
  EXPECT_EQ(usb.GetDevInstByDeviceNumber(1, 2, "\\Device\\HarddiskVolume5"), 200u);
  EXPECT_EQ(machine.devices.setsOpen, 0);
  EXPECT_EQ(machine.storage.OpenHandles(), 0u);
}

class Eject : public DevInstSearch {};

TEST_F(Eject, EjectsTheParentOfTheStick) {
  EXPECT_TRUE(usb.EjectDrive("\\\\.\\E:"));
  EXPECT_EQ(machine.devices.ejectRequests, (std::vector<uint32_t>{210}));
  EXPECT_TRUE(machine.clock.sleeps.empty());
  EXPECT_EQ(machine.storage.opens.at(0).first, "\\\\.\\E:");
  EXPECT_EQ(machine.storage.opens.at(0).second, 0u);
  EXPECT_EQ(machine.storage.calls.at(0).code, 0x2D1080u);
  EXPECT_TRUE(machine.storage.calls.at(0).input.empty());
  EXPECT_EQ(machine.storage.calls.at(0).outputBefore.size(), 12u);
  EXPECT_EQ(machine.volumes.lengthsGiven, (std::vector<uint32_t>{280}));
  EXPECT_EQ(machine.storage.OpenHandles(), 0u);
  EXPECT_EQ(machine.devices.setsOpen, 0);
}

TEST_F(Eject, SucceedsAtTheThirdAttemptAfterExactlyTwoPauses) {
  machine.devices.ejectAnswers = {0x17, 0x17, 0};
  EXPECT_TRUE(usb.EjectDrive("\\\\.\\E:"));
  EXPECT_EQ(machine.devices.ejectRequests, (std::vector<uint32_t>{210, 210, 210}));
  EXPECT_EQ(machine.clock.sleeps, (std::vector<uint32_t>{300, 300}));
  EXPECT_EQ(machine.log, (std::vector<std::string>{"open \\\\.\\E:", "open " + machine.devices.classes[kDisk][0].path,
                                                   "open " + machine.devices.classes[kDisk][1].path, "eject 210",
                                                   "sleep 300", "eject 210", "sleep 300", "eject 210"}));
}

TEST_F(Eject, GivesUpAfterFourRefusalsAndFourPauses) {
  machine.devices.ejectAnswers = {0x17, 0x17, 0x17, 0x17, 0};
  EXPECT_FALSE(usb.EjectDrive("\\\\.\\E:"));
  EXPECT_EQ(machine.devices.ejectRequests.size(), 4u);
  EXPECT_EQ(machine.clock.sleeps, (std::vector<uint32_t>{300, 300, 300, 300}));
}

TEST_F(Eject, ALowerCaseDriveWorks) {
  EXPECT_TRUE(usb.EjectDrive("\\\\.\\e:"));
  EXPECT_EQ(machine.devices.ejectRequests, (std::vector<uint32_t>{210}));
}

TEST_F(Eject, NothingIsRequestedWhenTheDeviceCannotBeFound) {
  FakeMachine unopenable;
  unopenable.storage.devices.erase("\\\\.\\e:");
  FakeMachine noNumber;
  noNumber.storage.devices["\\\\.\\e:"].number = std::nullopt;
  FakeMachine numberMinusOne;
  numberMinusOne.storage.devices["\\\\.\\e:"].number = 0xFFFFFFFFu;
  numberMinusOne.storage.devices[numberMinusOne.devices.classes[kDisk][1].path] = {7, false, 0xFFFFFFFFu};
  FakeMachine noDosDevice;
  noDosDevice.volumes.drives[1].device = std::nullopt;
  FakeMachine networkDrive;
  networkDrive.volumes.drives[1].type = 4;
  FakeMachine noInterface;
  noInterface.devices.classes[kDisk].pop_back();
  FakeMachine noParent;
  noParent.devices.parents.clear();

  for (FakeMachine* m :
       {&unopenable, &noNumber, &numberMinusOne, &noDosDevice, &networkDrive, &noInterface, &noParent}) {
    DeviceEject tool{m->storage, m->volumes, m->devices, m->clock};
    EXPECT_FALSE(tool.EjectDrive("\\\\.\\E:"));
    EXPECT_TRUE(m->devices.ejectRequests.empty());
    EXPECT_TRUE(m->clock.sleeps.empty());
    EXPECT_EQ(m->storage.OpenHandles(), 0u);
    EXPECT_EQ(m->devices.setsOpen, 0);
  }
  EXPECT_TRUE(networkDrive.devices.classesAsked.size() == 1 && networkDrive.devices.classesAsked[0].data1 == 0);
}

TEST_F(Eject, PathsThatEndInNoDriveAreNeverOpened) {
  for (const char* path : {"", "E", "\\\\.\\", "\\\\.\\E:\\", "\\\\server\\share\\", "\\\\.\\PhysicalDrive0"})
    EXPECT_FALSE(usb.EjectDrive(path)) << path;
  EXPECT_TRUE(machine.storage.opens.empty());
  EXPECT_TRUE(machine.devices.ejectRequests.empty());
}

}  // namespace
}  // namespace carrydeck::remove
