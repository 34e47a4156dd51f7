// What keeps a drive in use: the search over the handle table and the process list, in both
// bitnesses, and the text that names what it found.
#include <gtest/gtest.h>

#include "HandleFakes.h"
#include "common/DriveHolders.h"

namespace carrydeck {
namespace {

using testing::FakeNative;
using testing::FakeProcesses;
using testing::FakeVolumes;

constexpr uint32_t kHolder = 0x1000, kEditor = 0x2000, kRunner = 0x3000, kLocked = 0x4000;
constexpr uint32_t kWideId = 0x12340;  // does not fit the classic table's 16 bits

class DriveHolderSearchTest : public ::testing::TestWithParam<RecordLayout> {
 protected:
  FakeNative native{GetParam()};
  FakeVolumes volumes;
  FakeProcesses processes;
  DriveHolderSearch search{native, volumes, processes, GetParam()};

  void SetUp() override {
    volumes.drives = {{"C:\\", "\\Device\\HarddiskVolume1", 3}, {"E:\\", "\\Device\\HarddiskVolume5", 2}};
    processes.processes = {{native.selfPid, "Menu.exe"}, {kHolder, "holder.exe"}, {kEditor, "editor.exe"},
                           {kRunner, "runner.exe"},      {kLocked, "locked.exe"}, {kWideId, "wide.exe"}};
    processes.images = {{native.selfPid, "E:\\Menu.exe"},
                        {kHolder, "E:\\holder.exe"},
                        {kEditor, "C:\\Program Files\\editor.exe"},
                        {kRunner, "e:\\Apps\\runner.exe"},
                        {kWideId, "C:\\wide.exe"}};
  }
};

std::string LayoutName(const ::testing::TestParamInfo<RecordLayout>& info) {
  return info.param.nameTextAt == 8 ? "x86" : "x64";
}

INSTANTIATE_TEST_SUITE_P(BothBitnesses, DriveHolderSearchTest, ::testing::Values(kLayoutX86, kLayoutX64), LayoutName);

TEST_P(DriveHolderSearchTest, NamesProgramsOnTheDriveAndWhatOthersHoldOpenThere) {
  // Our own handles on the drive, and our own program there: never named.
  native.Add(0x30, "\\??\\E:\\");
  native.Add(0x34, "\\Device\\HarddiskVolume5\\Data.dat");
  native.AddFor(kHolder, 0x40, "\\Device\\HarddiskVolume5\\notes.txt");
  native.AddFor(kHolder, 0x44, "\\??\\E:\\");  // its current folder
  native.AddFor(kHolder, 0x48, "\\Device\\HarddiskVolume1\\win.ini");
  native.AddFor(kHolder, 0x4C, "\\Device\\HarddiskVolume5\\notes.txt");  // the same file twice
  native.AddFor(kEditor, 0x50, "\\??\\e:\\Docs");
  native.AddFor(kEditor, 0x54, "\\Device\\HarddiskVolume10\\other.txt");  // another volume
  native.AddFor(kWideId, 0x60, "\\Device\\HarddiskVolume5\\wide.txt");
  // An object of another type with a name on the drive is no open file.
  native.records.push_back({kEditor, 7, 0x58});
  native.objects[0x58].name = testing::Wide("\\Device\\HarddiskVolume5\\event");

  const std::vector<DriveHolder> expected = {{"holder.exe", kHolder, "E:\\holder.exe"},
                                             {"holder.exe", kHolder, "E:\\notes.txt"},
                                             {"holder.exe", kHolder, "E:\\"},
                                             {"editor.exe", kEditor, "E:\\Docs"},
                                             {"runner.exe", kRunner, "e:\\Apps\\runner.exe"},
                                             {"wide.exe", kWideId, "E:\\wide.txt"}};
  EXPECT_EQ(search.Find("E:"), expected);
  // Only the extended table has every process's records, whatever the caller's bitness.
  EXPECT_EQ(native.tablesAsked, std::vector<HandleTableKind>(native.tablesAsked.size(), HandleTableKind::Extended));
  // Each other process that holds files is opened once; we are never opened.
  EXPECT_EQ(native.openedProcesses, (std::vector<uint32_t>{kHolder, kEditor, kWideId}));
  EXPECT_EQ(native.OpenHandles(), 0u);
}

TEST_P(DriveHolderSearchTest, PassesOverWhatCannotBeOpenedOrWouldBlock) {
  native.AddFor(kLocked, 0x40, "\\Device\\HarddiskVolume5\\locked.txt");
  native.openable.erase(kLocked);
  native.AddFor(kEditor, 0x44, "\\Device\\HarddiskVolume5\\pipe-like").typeQueryHangs = true;
  native.AddFor(kEditor, 0x48, "\\Device\\HarddiskVolume5\\notes.txt");
  native.AddFor(0x5000, 0x4C, "\\Device\\HarddiskVolume5\\gone.txt");  // ended since the list

  const std::vector<DriveHolder> expected = {{"holder.exe", kHolder, "E:\\holder.exe"},
                                             {"editor.exe", kEditor, "E:\\notes.txt"},
                                             {"runner.exe", kRunner, "e:\\Apps\\runner.exe"}};
  EXPECT_EQ(search.Find("E:"), expected);
  // The handle whose type did not come back in time is never asked for its name.
  EXPECT_EQ(native.namesAsked, (std::vector<uint16_t>{0x48}));
  EXPECT_EQ(native.terminated.size(), 1u);
  EXPECT_EQ(native.OpenHandles(), 0u);
}

TEST_P(DriveHolderSearchTest, ManyHandlesAreAskedAboutABatchPerWorker) {
  for (uint16_t i = 0; i < 300; ++i) native.AddFor(kEditor, static_cast<uint16_t>(0x100 + 4 * i), "\\??\\C:\\tmp.txt");
  native.AddFor(kEditor, 0x40, "\\??\\E:\\last.txt");
  const std::vector<DriveHolder> found = search.Find("E:");
  ASSERT_EQ(found.size(), 3u);
  EXPECT_EQ(found[1], (DriveHolder{"editor.exe", kEditor, "E:\\last.txt"}));
  EXPECT_EQ(native.workersStarted, 2) << "301 handles, " << kHoldersBatch << " a batch";
  EXPECT_EQ(native.OpenHandles(), 0u);
}

TEST_P(DriveHolderSearchTest, WithoutTheTableOnlyProgramsOnTheDriveAreNamed) {
  native.AddFor(kEditor, 0x40, "\\Device\\HarddiskVolume5\\notes.txt");
  const std::vector<DriveHolder> programs = {{"holder.exe", kHolder, "E:\\holder.exe"},
                                             {"runner.exe", kRunner, "e:\\Apps\\runner.exe"}};
  native.tableFailure = static_cast<NtStatus>(0xC0000003u);
  EXPECT_EQ(search.Find("E:"), programs);
  native.tableFailure.reset();
  native.nulFails = true;
  EXPECT_EQ(search.Find("E:"), programs);
  EXPECT_EQ(native.OpenHandles(), 0u);
}

TEST_P(DriveHolderSearchTest, OnlyADriveNameIsSearched) {
  native.AddFor(kEditor, 0x40, "\\Device\\HarddiskVolume5\\notes.txt");
  for (const char* drive : {"", "\\\\", "E:\\", "E"}) EXPECT_TRUE(search.Find(drive).empty()) << drive;
  EXPECT_TRUE(native.tableLengths.empty());
}

DriveHolder Holder(int i) { return {"p" + std::to_string(i) + ".exe", static_cast<uint32_t>(100 + i), "E:\\f.txt"}; }

TEST(HoldersText, NamesEachAsProgramIdAndPathAndSaysWhyItMatters) {
  EXPECT_EQ(HoldersText({{"holder.exe", 1234, "E:\\notes.txt"}, {"cmd.exe", 88, "E:\\"}}),
            "The USB device cannot be removed while these programs keep it in use:\n"
            "\nholder.exe (1234): E:\\notes.txt"
            "\ncmd.exe (88): E:\\");
}

TEST(HoldersText, NamesAtMostFifteenAndCountsTheRest) {
  std::vector<DriveHolder> holders;
  for (int i = 0; i < 15; ++i) holders.push_back(Holder(i));
  std::string fifteen = HoldersText(holders);
  EXPECT_NE(fifteen.find("\np14.exe (114): E:\\f.txt"), std::string::npos);
  EXPECT_EQ(fifteen.find("more"), std::string::npos);
  holders.push_back(Holder(15));
  holders.push_back(Holder(16));
  std::string seventeen = HoldersText(holders);
  EXPECT_EQ(seventeen, fifteen + "\nand 2 more");
}

}  // namespace
}  // namespace carrydeck
