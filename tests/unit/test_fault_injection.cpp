// Every save of the launcher's files, failed at each of its steps in turn (creating the
// temporary file, each write, the flush, the close, sealing it, replacing the file), and
// each time a step occurs. Afterwards the file is the old one, whole, or the new one,
// complete; what is in memory is as it was; and the next save goes through.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "Fakes.h"
#include "MemoryListView.h"
#include "common/IniFile.h"
#include "common/SafeSave.h"
#include "launcher/CatalogueFile.h"
#include "launcher/IconCacheFile.h"
#include "launcher/Launcher.h"
#include "launcher/TypesFile.h"

namespace carrydeck {
namespace {

using testing::FakeImageList;
using testing::MemoryFileSystem;

constexpr SaveStep kSteps[] = {SaveStep::Create, SaveStep::Write, SaveStep::Flush,
                               SaveStep::Close,  SaveStep::Seal,  SaveStep::Replace};

const char* Name(SaveStep step) {
  switch (step) {
    case SaveStep::Create: return "create";
    case SaveStep::Write: return "write";
    case SaveStep::Flush: return "flush";
    case SaveStep::Close: return "close";
    case SaveStep::Seal: return "seal";
    case SaveStep::Replace: return "replace";
    case SaveStep::None: break;
  }
  return "none";
}

// A stick pulled in the middle of a replace on FAT: the old file is already deleted when
// the new one fails to take its name.
class PulledStickFileSystem : public MemoryFileSystem {
 public:
  bool Replace(const std::string& source, const std::string& target) override {
    const bool ok = MemoryFileSystem::Replace(source, target);
    if (!ok && source == SealedPathOf(target)) files.erase(target);
    return ok;
  }
};

// One failure to inject: the n-th time (from 1) the step happens.
struct Fault {
  SaveStep step;
  int occurrence;
};

// Every fault an operation can meet: it runs once on a fresh world without failures, and
// every step it made, each time it made it, becomes one fault.
std::vector<Fault> FaultsOf(const std::function<void(MemoryFileSystem&)>& operation) {
  MemoryFileSystem fs;
  operation(fs);
  std::vector<Fault> faults;
  for (SaveStep step : kSteps)
    for (int n = 1; n <= fs.seen[step]; ++n) faults.push_back({step, n});
  return faults;
}

std::string Describe(const Fault& fault) {
  return std::string(Name(fault.step)) + " #" + std::to_string(fault.occurrence);
}

bool NoLeftOvers(MemoryFileSystem& fs, const std::string& path) {
  return fs.files.count(TempPathOf(path)) == 0 && fs.files.count(SealedPathOf(path)) == 0;
}

// ---- "Data.dat" ---------------------------------------------------------------------

struct CatalogueWorld {
  const std::string path = "E:\\Data.dat";
  const std::string old = "Old\r\nTools\r\nE:\\old.exe\r\n\r\n";
  MemoryListView list;
  testing::FakeMainView messages;

  CatalogueWorld() {
    for (const char* header : {"Name", "Type", "Target File", "Command Line Parameters"}) list.AddColumn(header, 1000);
    list.AddRow(CatalogEntry{{"Old", "Tools", "E:\\old.exe", ""}});
    list.AddRow(CatalogEntry{{"New", "Games", "E:\\Games\\new.exe", "-x %drive%"}});
  }
  std::string Fresh() const { return old + "New\r\nGames\r\nE:\\Games\\new.exe\r\n-x %drive%\r\n"; }
  std::vector<CatalogEntry> Rows() const {
    std::vector<CatalogEntry> rows;
    for (size_t i = 1; i <= list.RowCount(); ++i) rows.push_back(list.Row(i));
    return rows;
  }
  bool Save(MemoryFileSystem& fs) { return SaveList(path, list, fs, messages).ok(); }
};

TEST(FaultInjection, CatalogueSaveFailingAtEveryStepKeepsTheOldFileAndTheRows) {
  const std::vector<Fault> faults = FaultsOf([](MemoryFileSystem& fs) { CatalogueWorld().Save(fs); });
  ASSERT_EQ(faults.size(), 6u) << "one create, write, flush, close, seal and replace per save";
  for (const Fault& fault : faults) {
    CatalogueWorld world;
    MemoryFileSystem fs;
    fs.files[world.path] = world.old;
    const std::vector<CatalogEntry> rows = world.Rows();
    fs.failOn[fault.step] = fault.occurrence;

    EXPECT_FALSE(world.Save(fs)) << Describe(fault);
    EXPECT_EQ(fs.files[world.path], world.old) << Describe(fault);
    EXPECT_TRUE(NoLeftOvers(fs, world.path)) << Describe(fault);
    EXPECT_EQ(world.Rows(), rows) << Describe(fault);
    EXPECT_TRUE(world.messages.messages.empty()) << "a failed save is silent: " << Describe(fault);

    fs.failOn.clear();
    EXPECT_TRUE(world.Save(fs)) << Describe(fault);
    EXPECT_EQ(fs.files[world.path], world.Fresh()) << Describe(fault);
    EXPECT_EQ(fs.files.size(), 1u) << Describe(fault);
  }
}

TEST(FaultInjection, CataloguePulledMidReplaceIsCompleteAtTheNextStart) {
  CatalogueWorld world;
  PulledStickFileSystem fs;
  fs.files[world.path] = world.old;
  fs.failOn[SaveStep::Replace] = 1;
  EXPECT_FALSE(world.Save(fs));
  EXPECT_EQ(fs.files.count(world.path), 0u) << "the old file went with the pulled stick";
  EXPECT_EQ(fs.files[SealedPathOf(world.path)], world.Fresh()) << "the new one is complete beside it";

  // The next start finds the catalogue as it was last saved.
  FileProfile profile(fs);
  testing::FakeDiskSpace disk;
  testing::FakeMainView view;
  MemoryListView list;
  Launcher form(view, list, Platform{fs, profile, disk, FileVersion{1, 0, 0, 3}}, "E:\\");
  form.OnLoad();
  EXPECT_EQ(fs.files[world.path], world.Fresh());
  ASSERT_EQ(list.RowCount(), 2u);
  EXPECT_EQ(list.Row(2), world.list.Row(2));
  EXPECT_EQ(view.status, "App data loaded (2 apps).");
}

// ---- "Types.dat" --------------------------------------------------------------------

TEST(FaultInjection, TypesSaveFailingAtEveryStepKeepsTheOldFileAndTheItems) {
  const std::string path = "E:\\Types.dat";
  const std::string old = "Games\r\nTools\r\n";
  auto items = [] {
    ItemList list;
    for (const char* type : {"Games", "Tools", "", "Office"}) list.AddItem(type);
    return list;
  };
  const std::vector<Fault> faults = FaultsOf([&](MemoryFileSystem& fs) { SaveComboToFile(fs, path, items()); });
  ASSERT_EQ(faults.size(), 6u);
  for (const Fault& fault : faults) {
    MemoryFileSystem fs;
    fs.files[path] = old;
    ItemList combo = items();
    fs.failOn[fault.step] = fault.occurrence;

    EXPECT_FALSE(SaveComboToFile(fs, path, combo)) << Describe(fault);
    EXPECT_EQ(fs.files[path], old) << Describe(fault);
    EXPECT_TRUE(NoLeftOvers(fs, path)) << Describe(fault);
    EXPECT_EQ(combo.Items(), items().Items()) << Describe(fault);

    fs.failOn.clear();
    EXPECT_TRUE(SaveComboToFile(fs, path, combo)) << Describe(fault);
    EXPECT_EQ(fs.files[path], "Games\r\nTools\r\n\r\nOffice\r\n") << Describe(fault);
  }
}

// ---- "imagelist.dat" ----------------------------------------------------------------

TEST(FaultInjection, IconCacheSaveFailingAtEveryStepKeepsTheOldCacheAndTheImages) {
  const std::string path = "E:\\imagelist.dat";
  std::vector<IconImage> images = {testing::SolidIcon(0xFF0000FFu), testing::SolidIcon(0x80FF8000u)};
  const std::string old = EncodeImageList({testing::SolidIcon(0xFF00FF00u)});
  const std::vector<Fault> faults = FaultsOf([&](MemoryFileSystem& fs) {
    FakeImageList iml;
    iml.images = images;
    std::string error;
    SaveImageList(iml, path, fs, error);
  });
  ASSERT_EQ(faults.size(), 6u);
  for (const Fault& fault : faults) {
    MemoryFileSystem fs;
    fs.files[path] = old;
    FakeImageList iml;
    iml.images = images;
    iml.attached = true;
    fs.failOn[fault.step] = fault.occurrence;

    std::string error;
    EXPECT_FALSE(SaveImageList(iml, path, fs, error)) << Describe(fault);
    EXPECT_EQ(error, "Access is denied.") << Describe(fault);
    EXPECT_EQ(fs.files[path], old) << Describe(fault);
    EXPECT_TRUE(NoLeftOvers(fs, path)) << Describe(fault);
    EXPECT_TRUE(iml.images == images) << Describe(fault);
    EXPECT_TRUE(iml.attached) << Describe(fault);

    fs.failOn.clear();
    EXPECT_TRUE(SaveImageList(iml, path, fs, error)) << Describe(fault);
    EXPECT_EQ(fs.files[path], EncodeImageList(images)) << Describe(fault);
  }
}

TEST(FaultInjection, TypesAndIconCachePulledMidReplaceAreCompleteAtTheirNextRead) {
  const std::string types = "E:\\Types.dat";
  const std::string cache = "E:\\imagelist.dat";
  PulledStickFileSystem fs;
  fs.files[types] = "Games\r\n";
  fs.files[cache] = EncodeImageList({});
  ItemList combo;
  combo.AddItem("Office");
  fs.failOn[SaveStep::Replace] = 1;
  EXPECT_FALSE(SaveComboToFile(fs, types, combo));
  FakeImageList iml;
  iml.images = {testing::SolidIcon(0xFF123456u)};
  std::string error;
  fs.failOn[SaveStep::Replace] = 2;
  EXPECT_FALSE(SaveImageList(iml, cache, fs, error));
  EXPECT_EQ(fs.files.count(types) + fs.files.count(cache), 0u);

  // What their readers do first.
  RecoverSafeSave(fs, types);
  RecoverSafeSave(fs, cache);
  EXPECT_EQ(fs.files[types], "Office\r\n");
  EXPECT_EQ(fs.files[cache], EncodeImageList(iml.images));
  EXPECT_TRUE(NoLeftOvers(fs, types) && NoLeftOvers(fs, cache));
}

// ---- "Settings.ini" -----------------------------------------------------------------

TEST(FaultInjection, SettingsKeyWriteFailingAtEveryStepKeepsTheOldFile) {
  const std::string path = "E:\\Settings.ini";
  const std::string old = "[MAIN]\r\nWINDOW HEIGHT=5910\r\nICONS=1\r\nFONTSIZE=8\r\n[Headings]\r\n1=900\r\n";
  const std::string fresh = "[MAIN]\r\nWINDOW HEIGHT=5910\r\nICONS=1\r\nFONTSIZE=14\r\n[Headings]\r\n1=900\r\n";
  const std::vector<Fault> faults = FaultsOf([&](MemoryFileSystem& fs) {
    fs.files[path] = old;
    FileProfile profile(fs);
    WriteIni(profile, "Main", "FontSize", "14", path);
  });
  ASSERT_EQ(faults.size(), 6u);
  for (const Fault& fault : faults) {
    MemoryFileSystem fs;
    FileProfile profile(fs);
    fs.files[path] = old;
    fs.failOn[fault.step] = fault.occurrence;
    WriteIni(profile, "Main", "FontSize", "14", path);
    EXPECT_EQ(fs.files[path], old) << Describe(fault);
    EXPECT_TRUE(NoLeftOvers(fs, path)) << Describe(fault);
    EXPECT_EQ(ReadIni(profile, "Main", "FontSize", path, "8"), "8") << Describe(fault);

    fs.failOn.clear();
    WriteIni(profile, "Main", "FontSize", "14", path);
    EXPECT_EQ(fs.files[path], fresh) << Describe(fault);
  }
}

TEST(FaultInjection, SettingsPulledMidReplaceKeepTheUsersValuesAtTheNextRead) {
  const std::string path = "E:\\Settings.ini";
  PulledStickFileSystem fs;
  FileProfile profile(fs);
  fs.files[path] = "[Main]\r\nONRUN=3\r\nFONTSIZE=8\r\n";
  fs.failOn[SaveStep::Replace] = 1;
  WriteIni(profile, "Main", "FontSize", "14", path);
  EXPECT_EQ(fs.files.count(path), 0u);

  // Without the complete copy every key would read as missing and get its default.
  EXPECT_EQ(ReadIni(profile, "Main", "OnRun", path, "0"), "3");
  EXPECT_EQ(ReadIni(profile, "Main", "FontSize", path, "8"), "14");
  EXPECT_EQ(fs.files[path], "[Main]\r\nONRUN=3\r\nFONTSIZE=14\r\n");
  EXPECT_TRUE(NoLeftOvers(fs, path));
}

// ---- A command that saves several files ---------------------------------------------

// Save Settings writes "Data.dat", then six settings keys, each a save of its own. Fail any
// step of any of them: "Data.dat" is old or new, the settings file is whole with every key
// written but the one whose save failed, and the rows and the window stay as they were.
TEST(FaultInjection, SaveSettingsFailingAnywhereLeavesEveryFileWholeAndTheRows) {
  const std::string data = "E:\\Data.dat";
  const std::string ini = "E:\\Settings.ini";
  const std::string oldData = "Old\r\nTools\r\nE:\\old.exe\r\n\r\n";

  struct World {
    MemoryFileSystem& fs;
    FileProfile profile{fs};
    testing::FakeDiskSpace disk;
    testing::FakeMainView view;
    MemoryListView list;
    std::unique_ptr<Launcher> form;
    explicit World(MemoryFileSystem& files) : fs(files) {
      view.checks[Command::AfterRunDoNothing] = true;
      form = std::make_unique<Launcher>(view, list, Platform{fs, profile, disk, FileVersion{1, 0, 0, 3}}, "E:\\");
      form->OnLoad();
      // The user added an entry, resized the window and a column since the start.
      list.AddRow(CatalogEntry{{"New", "Games", "E:\\new.exe", ""}});
      view.width = 12000;
      list.SetColumnWidth(2, 2500);
    }
  };
  auto start = [&](MemoryFileSystem& fs) {
    fs.files[data] = oldData;
    return std::make_unique<World>(fs);
  };

  // A save without failures: the new files, and every step it makes.
  std::string startIni, newData, newIni;
  std::vector<Fault> faults;
  {
    MemoryFileSystem fs;
    auto world = start(fs);
    startIni = fs.files[ini];
    fs.seen.clear();
    world->form->Settings().Save();
    newData = fs.files[data];
    newIni = fs.files[ini];
    for (SaveStep step : kSteps)
      for (int n = 1; n <= fs.seen[step]; ++n) faults.push_back({step, n});
  }
  // What the settings file holds when one key's save fails: every other key written.
  const std::vector<std::pair<std::string, std::string>> keys = {{"MAIN", "WINDOW HEIGHT"}, {"MAIN", "WINDOW WIDTH"},
                                                                 {"Headings", "1"},         {"Headings", "2"},
                                                                 {"Headings", "3"},         {"Headings", "4"}};
  std::vector<std::string> iniStates = {newIni};
  for (size_t skipped = 0; skipped < keys.size(); ++skipped) {
    std::string state = startIni;
    for (size_t k = 0; k < keys.size(); ++k) {
      const auto& [section, key] = keys[k];
      if (k != skipped) state = ProfilePut(state, section, key, ProfileGet(newIni, section, key));
    }
    iniStates.push_back(state);
  }
  ASSERT_NE(iniStates[2], newIni) << "the window width is one of the changes";
  ASSERT_EQ(faults.size(), 7u * 6u) << "seven saves of six steps each";

  for (const Fault& fault : faults) {
    MemoryFileSystem fs;
    auto world = start(fs);
    std::vector<CatalogEntry> rows;
    for (size_t i = 1; i <= world->list.RowCount(); ++i) rows.push_back(world->list.Row(i));
    const double width = world->view.width;
    fs.seen.clear();
    fs.failOn[fault.step] = fault.occurrence;

    world->form->Settings().Save();
    // The n-th save of the command failed: the first is "Data.dat", then one per key.
    EXPECT_EQ(fs.files[data], fault.occurrence == 1 ? oldData : newData) << Describe(fault);
    EXPECT_EQ(fs.files[ini], fault.occurrence == 1 ? newIni : iniStates[static_cast<size_t>(fault.occurrence) - 1])
        << Describe(fault);
    EXPECT_TRUE(NoLeftOvers(fs, data) && NoLeftOvers(fs, ini)) << Describe(fault);
    for (size_t i = 1; i <= rows.size(); ++i) EXPECT_EQ(world->list.Row(i), rows[i - 1]) << Describe(fault);
    EXPECT_EQ(world->list.RowCount(), rows.size()) << Describe(fault);
    EXPECT_EQ(world->view.width, width) << Describe(fault);
    EXPECT_TRUE(world->view.messages.empty()) << Describe(fault);

    fs.failOn.clear();
    world->form->Settings().Save();
    EXPECT_EQ(fs.files[data], newData) << Describe(fault);
    EXPECT_EQ(fs.files[ini], newIni) << Describe(fault);
  }
}

}  // namespace
}  // namespace carrydeck
