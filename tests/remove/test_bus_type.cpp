// The bus-type query and the control codes.
#include <gtest/gtest.h>

#include "RemoveFakes.h"
#include "remover/BusType.h"

namespace carrydeck::remove {
namespace {

using testing::FakeStorage;

TEST(CtlCode, BuildsTheStorageCodesOfTheTool) {
  EXPECT_EQ(CtlCode(0x2D, 0x500, 0, 0), 0x2D1400u);
  EXPECT_EQ(CtlCode(0x2D, 0x420, 0, 0), 0x2D1080u);
  EXPECT_EQ(kIoctlStorageQueryProperty, 0x2D1400u);
  EXPECT_EQ(kIoctlStorageGetDeviceNumber, 0x2D1080u);
}

TEST(CtlCode, PlacesAccessAndMethodInTheirOwnBits) {
  // FSCTL_LOCK_VOLUME and IOCTL_DISK_GET_DRIVE_GEOMETRY, as the platform defines them.
  EXPECT_EQ(CtlCode(0x09, 6, 0, 0), 0x00090018u);
  EXPECT_EQ(CtlCode(0x07, 0, 0, 0), 0x00070000u);
  EXPECT_EQ(CtlCode(0x2D, 0x500, 3, 3), 0x2DD403u);
  EXPECT_EQ(CtlCode(0, 0, 0, 1), 0x4000u);
  EXPECT_EQ(CtlCode(0, 1, 0, 0), 4u);
}

TEST(BusType, NamesEveryCode) {
  const char* expected[] = {"??", "Scsi", "Atapi", "Ata", "1394", "Ssa", "Fibre", "Usb", "RAID", ""};
  for (uint32_t code = 0; code <= 9; ++code) EXPECT_EQ(BusTypeName(code), expected[code]) << code;
  EXPECT_EQ(BusTypeName(0xFFFFFFFFu), "");
}

TEST(BusType, AsksTheVolumeWithTheStandardQuery) {
  FakeStorage storage;
  storage.devices["\\\\.\\e:"] = {7, false, 1};
  EXPECT_EQ(GetBusType(storage, "E:"), "Usb");

  ASSERT_EQ(storage.opens.size(), 1u);
  EXPECT_EQ(storage.opens[0].first, "\\\\.\\E:");
  EXPECT_EQ(storage.opens[0].second, 0x80000000u);
  ASSERT_EQ(storage.calls.size(), 1u);
  EXPECT_EQ(storage.calls[0].code, 0x2D1400u);
  EXPECT_EQ(storage.calls[0].input, std::vector<uint8_t>(12, 0));
  // A zero-filled 40-byte descriptor whose size field says 40.
  std::vector<uint8_t> descriptor(40, 0);
  descriptor[4] = 40;
  EXPECT_EQ(storage.calls[0].outputBefore, descriptor);
  EXPECT_EQ(storage.OpenHandles(), 0u);
}

TEST(BusType, ReadsEachBus) {
  FakeStorage storage;
  storage.devices["\\\\.\\c:"] = {3, false, 0};
  storage.devices["\\\\.\\d:"] = {1, false, 0};
  storage.devices["\\\\.\\r:"] = {8, false, 0};
  storage.devices["\\\\.\\x:"] = {17, false, 0};
  EXPECT_EQ(GetBusType(storage, "C:"), "Ata");
  EXPECT_EQ(GetBusType(storage, "D:"), "Scsi");
  EXPECT_EQ(GetBusType(storage, "R:"), "RAID");
  EXPECT_EQ(GetBusType(storage, "X:"), "");
  EXPECT_EQ(storage.OpenHandles(), 0u);
}

TEST(BusType, ADeviceThatDoesNotAnswerReadsAsCodeZero) {
  FakeStorage storage;
  storage.devices["\\\\.\\e:"] = {7, true, 1};
  EXPECT_EQ(GetBusType(storage, "E:"), "??");
  EXPECT_EQ(storage.OpenHandles(), 0u);
}

TEST(BusType, AVolumeThatCannotBeOpenedHasNoBus) {
  FakeStorage storage;
  EXPECT_EQ(GetBusType(storage, "Q:"), "");
  EXPECT_TRUE(storage.calls.empty());
}

TEST(BusType, LowerCaseDrivesWork) {
  FakeStorage storage;
  storage.devices["\\\\.\\e:"] = {7, false, 1};
  EXPECT_EQ(GetBusType(storage, "e:"), "Usb");
  EXPECT_EQ(storage.opens.at(0).first, "\\\\.\\e:");
}

TEST(BusType, AnythingButALetterAndColonIsNeverOpened) {
  FakeStorage storage;
  // Devices that such names would reach if they were passed on.
  storage.devices["\\\\.\\\\\\"] = {7, false, 1};
  storage.devices["\\\\.\\ab"] = {7, false, 1};
  storage.devices["\\\\.\\"] = {7, false, 1};
  for (const char* drive : {"", "E", "\\\\", "ab", "1:", "::", "E:\\", "E:x", "\xC4:"})
    EXPECT_EQ(GetBusType(storage, drive), "") << drive;
  EXPECT_TRUE(storage.opens.empty());
}

}  // namespace
}  // namespace carrydeck::remove
