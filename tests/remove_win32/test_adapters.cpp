// The removal tool's adapters against the real system of Wine. Wine answers SCSI for every
// volume, finds no disk interfaces and stubs the configuration manager (its eject request
// reports success for anything), so the bus check and the ejection are proven on fakes;
// here is what the adapters really do.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>

#include "win32/WineSupport.h"
#include "remover/BusType.h"
#include "remover/DeviceEject.h"
#include "remover/OwnHandleRelease.h"
#include "remover/win32/Win32Remove.h"

namespace carrydeck::remove {
namespace {

using namespace wine;

constexpr Guid kDiskClass{0x53F56307, 0xB6BF, 0x11D0, {0x94, 0xF2, 0x00, 0xA0, 0xC9, 0x1E, 0xFB, 0x8B}};

TEST(Win32Storage, WineAnswersScsiForAMappedDriveAndNothingForAMissingOne) {
  ASSERT_TRUE(DriveMapped('E')) << "drive E: must be mapped (the test scripts do it)";
  ASSERT_FALSE(DriveMapped('Q'));
  Win32StorageDevices storage;
  EXPECT_EQ(GetBusType(storage, "E:"), "Scsi");
  EXPECT_EQ(GetBusType(storage, "e:"), "Scsi");
  EXPECT_EQ(GetBusType(storage, "Q:"), "");
}

TEST(Win32Storage, ReadsTheDescriptorAndTheDeviceNumberOfAVolume) {
  ASSERT_TRUE(DriveMapped('E'));
  Win32StorageDevices storage;
  Handle volume = storage.OpenDevice("\\\\.\\E:", 0);
  ASSERT_NE(volume, 0u);
  std::vector<uint8_t> descriptor(40, 0);
  descriptor[4] = 40;
  EXPECT_TRUE(QueryDeviceDescriptor(storage, volume, descriptor));
  EXPECT_EQ(ReadU32(descriptor, kBusTypeAt), 1u);  // SCSI
  std::vector<uint8_t> number(12, 0xFF);
  EXPECT_TRUE(storage.IoControl(volume, kIoctlStorageGetDeviceNumber, {}, number));
  EXPECT_NE(ReadU32(number, kDeviceNumberAt), 0xFFFFFFFFu);
  storage.CloseDevice(volume);
  EXPECT_EQ(storage.OpenDevice("\\\\.\\Q:", 0), 0u);
}

TEST(Win32DeviceInstallation, WineFindsNoDiskInterfaces) {
  Win32DeviceInstallation devices;
  std::unique_ptr<IDeviceInterfaceSet> set = devices.GetClassDevs(kDiskClass, kDigcfPresent | kDigcfDeviceInterface);
  ASSERT_NE(set, nullptr);
  EXPECT_FALSE(set->EnumInterface(0));
}

// Counts the requests that reach the configuration manager.
class CountingInstallation : public IDeviceInstallation {
 public:
  Win32DeviceInstallation real;
  int parents = 0, requests = 0;
  std::unique_ptr<IDeviceInterfaceSet> GetClassDevs(const Guid& interfaceClass, uint32_t flags) override {
    return real.GetClassDevs(interfaceClass, flags);
  }
  uint32_t GetParent(uint32_t devInst, uint32_t& parent) override {
    ++parents;
    return real.GetParent(devInst, parent);
  }
  uint32_t RequestDeviceEject(uint32_t devInst) override {
    ++requests;
    return real.RequestDeviceEject(devInst);
  }
};

class CountingClock : public IClock {
 public:
  int sleeps = 0;
  void Sleep(uint32_t) override { ++sleeps; }
};

TEST(Win32DeviceInstallation, EjectingAWineDriveFindsNoDeviceAndRequestsNothing) {
  ASSERT_TRUE(DriveMapped('E'));
  Win32StorageDevices storage;
  Win32Volumes volumes;
  CountingInstallation devices;
  CountingClock clock;
  DeviceEject usb(storage, volumes, devices, clock);
  EXPECT_FALSE(usb.EjectDrive("\\\\.\\E:"));
  EXPECT_EQ(devices.parents, 0);
  EXPECT_EQ(devices.requests, 0);
  EXPECT_EQ(clock.sleeps, 0);
  EXPECT_EQ(usb.GetDevInstByDeviceNumber(0, kDriveFixed, "\\Device\\HarddiskVolume1"), 0u);
}

TEST(WineStubs, ParentLookupFailsAndEjectRequestsSucceedForAnything_SoEjectionIsProvenOnFakes) {
  Win32DeviceInstallation devices;
  uint32_t parent = 77;
  EXPECT_NE(devices.GetParent(1, parent), 0u);
  EXPECT_EQ(parent, 0u);
  // Which is why the tool never asks without a parent the system named.
  EXPECT_EQ(devices.RequestDeviceEject(0xDEAD), 0u);
}

TEST(MissingEntryPoints, NativeCallsFailAsValues) {
  Win32NativeHandles native(nt::NtApi::Load("kernel32.dll"));
  std::vector<uint8_t> table;
  EXPECT_EQ(native.QuerySystemHandles(HandleTableKind::Classic, 4096, table), nt::kStatusProcedureNotFound);
  EXPECT_EQ(native.QuerySystemHandles(HandleTableKind::Extended, 4096, table), nt::kStatusProcedureNotFound);
  EXPECT_EQ(native.OpenProcessForDuplicate(GetCurrentProcessId()), 0u);
  std::vector<uint8_t> reply(64, 0);
  EXPECT_EQ(native.QueryObjectName(1, reply), nt::kStatusProcedureNotFound);
  Win32Volumes volumes;
  OwnHandleRelease handles(native, volumes, nt::kNativeLayout);
  EXPECT_EQ(handles.ReleaseDriveHandles("E:", GetCurrentProcessId()), ReleaseResult::NotReleased);

  nt::NtApi none = nt::NtApi::Load("carrydeck-no-such-module.dll");
  EXPECT_EQ(none.NtQuerySystemInformation, nullptr);
  EXPECT_EQ(none.NtClose, nullptr);
  nt::NtApi real = nt::NtApi::Load("ntdll.dll");
  EXPECT_NE(real.NtQuerySystemInformation, nullptr);
  EXPECT_NE(real.NtDuplicateObject, nullptr);
}

TEST(MissingEntryPoints, ConfigurationManagerCallsFailAsValues) {
  Win32DeviceInstallation devices(nt::CfgMgrApi::Load("kernel32.dll"));
  uint32_t parent = 0;
  EXPECT_EQ(devices.GetParent(1, parent), nt::kCrCallNotImplemented);
  EXPECT_EQ(devices.RequestDeviceEject(1), nt::kCrCallNotImplemented);
  nt::CfgMgrApi none = nt::CfgMgrApi::Load("carrydeck-no-such-module.dll", "kernel32.dll");
  EXPECT_EQ(none.CM_Get_Parent, nullptr);
  EXPECT_EQ(none.CM_Request_Device_EjectW, nullptr);
  // Wine's cfgmgr32.dll lacks the eject request; setupapi.dll has it.
  nt::CfgMgrApi real = nt::CfgMgrApi::Load("cfgmgr32.dll", "setupapi.dll");
  EXPECT_NE(real.CM_Get_Parent, nullptr);
  EXPECT_NE(real.CM_Request_Device_EjectW, nullptr);
}

}  // namespace
}  // namespace carrydeck::remove
