// Every save of the launcher's files, failed at each of its steps in turn (creating the
// temporary file, each write, the flush, the close, sealing it, replacing the file), and
// each time a step occurs. Afterwards the file is the old one, whole, or the new one,
// complete; what is in memory is as it was; and the next save goes through.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "Fakes.h"
#include "MemoryListView.h"
#include "common/IniFile.h"
#include "common/SafeSave.h"
#include "launcher/CatalogueFile.h"
#include "launcher/CatalogueModel.h"
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
  CatalogueModel catalogue;
  testing::FakeMainView messages;

  CatalogueWorld() {
    catalogue.Append({CatalogEntry{{"Old", "Tools", "E:\\old.exe", ""}},
                      CatalogEntry{{"New", "Games", "E:\\Games\\new.exe", "-x %drive%"}}});
  }
  std::string Fresh() const { return old + "New\r\nGames\r\nE:\\Games\\new.exe\r\n-x %drive%\r\n"; }
  std::vector<CatalogEntry> Rows() const {
    std::vector<CatalogEntry> rows;
    for (size_t i = 0; i < catalogue.Count(); ++i) rows.push_back(catalogue.Entry(i));
    return rows;
  }
  // As many fields a record as the list has columns: four.
  bool Save(MemoryFileSystem& fs) { return SaveList(path, 4, catalogue, fs, messages).ok(); }
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
  EXPECT_EQ(list.Row(1), world.catalogue.Entry(1));
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

// The stick pulled out at the step a fault names: that step fails and so does everything
// after it, and what is on the stick stays as it was then. On FAT a replace removes the old
// file before it names the new one: a replace cut there has lost the old file.
class StickPulledAtFault : public MemoryFileSystem {
 public:
  bool gone = false;

  bool FileExists(const std::string& path) override { return !gone && MemoryFileSystem::FileExists(path); }
  bool FolderExists(const std::string& path) override { return !gone && MemoryFileSystem::FolderExists(path); }
  bool PathExists(const std::string& path) override { return !gone && MemoryFileSystem::PathExists(path); }
  bool ReadAll(const std::string& path, std::string& bytes) override {
    return !gone && MemoryFileSystem::ReadAll(path, bytes);
  }
  std::unique_ptr<IWriteFile> CreateForWrite(const std::string& path) override {
    if (gone) return nullptr;
    std::unique_ptr<IWriteFile> file = MemoryFileSystem::CreateForWrite(path);
    if (Pulled() || !file) return nullptr;
    return std::make_unique<File>(*this, std::move(file));
  }
  bool Replace(const std::string& source, const std::string& target) override {
    if (gone) return false;
    const bool ok = MemoryFileSystem::Replace(source, target);
    if (Pulled() && source == SealedPathOf(target)) files.erase(target);
    return ok && !gone;
  }
  bool Delete(const std::string& path) override { return !gone && MemoryFileSystem::Delete(path); }
  bool ClearReadOnly(const std::string& path) override { return !gone && MemoryFileSystem::ClearReadOnly(path); }
  bool CopyFile(const std::string& source, const std::string& target) override {
    return !gone && MemoryFileSystem::CopyFile(source, target);
  }
  bool CreateFolder(const std::string& path) override { return !gone && MemoryFileSystem::CreateFolder(path); }

 private:
  class File : public IWriteFile {
   public:
    File(StickPulledAtFault& fs, std::unique_ptr<IWriteFile> file) : fs_(fs), file_(std::move(file)) {}
    bool Write(const std::string& bytes) override { return !fs_.gone && Done(file_->Write(bytes)); }
    bool Flush() override { return !fs_.gone && Done(file_->Flush()); }
    bool Close() override { return !fs_.gone && Done(file_->Close()); }

   private:
    bool Done(bool ok) { return !fs_.Pulled() && ok; }
    StickPulledAtFault& fs_;
    std::unique_ptr<IWriteFile> file_;
  };
  // Whether the armed fault has happened: from then on the stick is gone.
  bool Pulled() {
    for (const auto& [step, occurrence] : failOn)
      if (occurrence > 0 && seen[step] >= occurrence) gone = true;
    return gone;
  }
};

const char kSettings[] = "E:\\Settings.ini";
const char kCatalogue[] = "E:\\Data.dat";
// A user's settings with some keys missing, so that the start writes their defaults back.
const char kUsersSettings[] =
    "[MAIN]\r\nWINDOW HEIGHT=7000\r\nWINDOW WIDTH=11000\r\nONRUN=2\r\nFONTSIZE=12\r\n"
    "[Headings]\r\n1=1000\r\n2=2000\r\n";

// The launcher on a stick; its profile functions write in place, as the platform's do.
struct Stick {
  MemoryFileSystem& fs;
  FileProfile profile{fs};
  testing::FakeDiskSpace disk;
  testing::FakeMainView view;
  MemoryListView list;
  Launcher form{view, list, Platform{fs, profile, disk, FileVersion{1, 0, 0, 3}}, "E:\\"};

  explicit Stick(MemoryFileSystem& files) : fs(files) { view.checks[Command::AfterRunDoNothing] = true; }
  // What the window shows of the settings.
  std::string Shown() const {
    std::string shown = std::to_string(view.height) + " x " + std::to_string(view.width) + ", font " +
                        std::to_string(list.FontSize()) + (list.GridLines() ? ", grid" : "") + ", columns";
    for (int column = 1; column <= 4; ++column) shown += " " + std::to_string(list.ColumnWidth(column));
    for (const auto& [item, checked] : view.checks)
      if (checked) shown += " #" + std::to_string(static_cast<int>(item));
    return shown;
  }
};

// What a start on these files leaves in the settings file and shows.
struct Started {
  std::string ini, shown;
  bool operator==(const Started& o) const { return ini == o.ini && shown == o.shown; }
};
Started StartOn(const std::map<std::string, std::string>& files) {
  MemoryFileSystem fs;
  fs.files = files;
  Stick stick(fs);
  stick.form.OnLoad();
  return {fs.files[kSettings], stick.Shown()};
}

// Each group of settings writes the launcher makes: the defaults the start writes back, Save
// Settings, the exit's save and a toggle. A command runs after a start without failures.
struct SettingsWrite {
  const char* name;
  std::function<void(Stick&)> command;  // none: the start itself
};
const std::vector<SettingsWrite>& SettingsWrites() {
  static const std::vector<SettingsWrite> writes = {
      {"the start", nullptr},
      {"Save Settings",
       [](Stick& stick) {
         stick.view.width = 12000;
         stick.list.SetColumnWidth(2, 2500);
         stick.form.OnCommand(Command::SaveSettings);
       }},
      {"the exit",
       [](Stick& stick) {
         stick.view.height = 6500;
         stick.view.answers = {mb::IdNo};
         stick.form.OnCloseRequest();
       }},
      {"a toggle", [](Stick& stick) { stick.form.OnCommand(Command::ShowGridLines); }},
  };
  return writes;
}

std::map<std::string, std::string> UsersStick() {
  return {{kSettings, kUsersSettings}, {kCatalogue, "Old\r\nTools\r\nE:\\old.exe\r\n\r\n"}};
}

// Runs a group of writes on the stick, the fault (if any) armed for its own steps alone.
std::unique_ptr<Stick> RunWrite(MemoryFileSystem& fs, const SettingsWrite& write, const Fault* fault) {
  auto stick = std::make_unique<Stick>(fs);
  if (write.command) stick->form.OnLoad();
  fs.seen.clear();
  if (fault) fs.failOn[fault->step] = fault->occurrence;
  if (write.command)
    write.command(*stick);
  else
    stick->form.OnLoad();
  return stick;
}

// The settings file before and after a group of writes without failures, and every fault
// its steps can meet.
struct Outcomes {
  std::string before, after;
  std::vector<Fault> faults;
};
Outcomes OutcomesOf(const SettingsWrite& write) {
  Outcomes out;
  out.before = write.command ? StartOn(UsersStick()).ini : kUsersSettings;
  MemoryFileSystem fs;
  fs.files = UsersStick();
  RunWrite(fs, write, nullptr);
  out.after = fs.files[kSettings];
  for (SaveStep step : kSteps)
    for (int n = 1; n <= fs.seen[step]; ++n) out.faults.push_back({step, n});
  return out;
}

// A full stick, or any other failing step: the settings file is the old one or the new one,
// whole, nothing is left beside it, nothing is said, and the next run goes through.
TEST(FaultInjection, SettingsWritesFailingAtEveryStepLeaveTheOldFileOrTheNew) {
  for (const SettingsWrite& write : SettingsWrites()) {
    SCOPED_TRACE(write.name);
    const Outcomes outcomes = OutcomesOf(write);
    ASSERT_NE(outcomes.before, outcomes.after);
    for (const Fault& fault : outcomes.faults) {
      MemoryFileSystem fs;
      fs.files = UsersStick();
      std::unique_ptr<Stick> stick = RunWrite(fs, write, &fault);
      const std::string& ini = fs.files[kSettings];
      EXPECT_TRUE(ini == outcomes.before || ini == outcomes.after) << Describe(fault) << ":\n" << ini;
      EXPECT_TRUE(NoLeftOvers(fs, kSettings)) << Describe(fault);
      for (const testing::ShownMessage& shown : stick->view.messages)
        EXPECT_EQ(shown.title, "Safely Remove USB Device?") << "only the exit's question: " << Describe(fault);

      fs.failOn.clear();
      RunWrite(fs, write, nullptr);
      EXPECT_EQ(fs.files[kSettings], outcomes.after) << Describe(fault);
      EXPECT_TRUE(NoLeftOvers(fs, kSettings)) << Describe(fault);
    }
  }
}

// The stick pulled out at any step: the next start finds the old settings or the new ones,
// whole (a complete new file left beside a removed old one is taken), and nothing else.
TEST(FaultInjection, SettingsWritesPulledAtEveryStepAreWholeAtTheNextStart) {
  for (const SettingsWrite& write : SettingsWrites()) {
    SCOPED_TRACE(write.name);
    const Outcomes outcomes = OutcomesOf(write);
    std::map<std::string, std::string> before = UsersStick(), after = UsersStick();
    before[kSettings] = outcomes.before;
    after[kSettings] = outcomes.after;
    const Started old = StartOn(before), fresh = StartOn(after);
    // A start on the old file writes the same defaults back; after a command the window differs.
    if (write.command) {
      ASSERT_NE(old.shown, fresh.shown);
    }
    for (const Fault& fault : outcomes.faults) {
      StickPulledAtFault pulled;
      pulled.files = UsersStick();
      RunWrite(pulled, write, &fault);
      ASSERT_TRUE(pulled.gone) << Describe(fault);

      const Started next = StartOn(pulled.files);
      EXPECT_TRUE(next == old || next == fresh) << Describe(fault) << ":\n" << next.ini << "\n" << next.shown;
      MemoryFileSystem again;
      again.files = pulled.files;
      Stick(again).form.OnLoad();
      EXPECT_TRUE(NoLeftOvers(again, kSettings)) << Describe(fault);
    }
  }
}

// ---- A command that saves several files ---------------------------------------------

// Save Settings writes "Data.dat", then the sizes into the settings file in one save. Fail
// any step of either: each file is old or new on its own, and the rows and the window stay
// as they were.
TEST(FaultInjection, SaveSettingsFailingAnywhereLeavesEveryFileWholeAndTheRows) {
  const std::string oldData = "Old\r\nTools\r\nE:\\old.exe\r\n\r\n";
  auto start = [&](MemoryFileSystem& fs) {
    fs.files[kCatalogue] = oldData;
    auto stick = std::make_unique<Stick>(fs);
    stick->form.OnLoad();
    // The user added an entry, resized the window and a column since the start.
    stick->form.Catalogue().Append({CatalogEntry{{"New", "Games", "E:\\new.exe", ""}}});
    stick->view.width = 12000;
    stick->list.SetColumnWidth(2, 2500);
    return stick;
  };

  // A save without failures: the new files, and every step it makes.
  std::string oldIni, newData, newIni;
  std::vector<Fault> faults;
  {
    MemoryFileSystem fs;
    auto stick = start(fs);
    oldIni = fs.files[kSettings];
    fs.seen.clear();
    stick->form.Settings().Save();
    newData = fs.files[kCatalogue];
    newIni = fs.files[kSettings];
    for (SaveStep step : kSteps)
      for (int n = 1; n <= fs.seen[step]; ++n) faults.push_back({step, n});
  }
  ASSERT_NE(oldIni, newIni);
  // "Data.dat" makes each step once, the settings file's save each step at least once more.
  for (SaveStep step : kSteps)
    ASSERT_TRUE(std::count_if(faults.begin(), faults.end(), [&](const Fault& f) { return f.step == step; }) >= 2)
        << Name(step);

  for (const Fault& fault : faults) {
    MemoryFileSystem fs;
    auto stick = start(fs);
    std::vector<CatalogEntry> rows;
    for (size_t i = 0; i < stick->list.RowCount(); ++i) rows.push_back(stick->list.Row(i));
    const double width = stick->view.width;
    fs.seen.clear();
    fs.failOn[fault.step] = fault.occurrence;

    stick->form.Settings().Save();
    // The first of each step is the catalogue's; the others are the settings file's.
    const bool catalogueFailed = fault.occurrence == 1;
    EXPECT_EQ(fs.files[kCatalogue], catalogueFailed ? oldData : newData) << Describe(fault);
    EXPECT_EQ(fs.files[kSettings], catalogueFailed ? newIni : oldIni) << Describe(fault);
    EXPECT_TRUE(NoLeftOvers(fs, kCatalogue) && NoLeftOvers(fs, kSettings)) << Describe(fault);
    for (size_t i = 0; i < rows.size(); ++i) EXPECT_EQ(stick->list.Row(i), rows[i]) << Describe(fault);
    EXPECT_EQ(stick->list.RowCount(), rows.size()) << Describe(fault);
    EXPECT_EQ(stick->view.width, width) << Describe(fault);
    EXPECT_TRUE(stick->view.messages.empty()) << Describe(fault);

    fs.failOn.clear();
    stick->form.Settings().Save();
    EXPECT_EQ(fs.files[kCatalogue], newData) << Describe(fault);
    EXPECT_EQ(fs.files[kSettings], newIni) << Describe(fault);
  }
}

}  // namespace
}  // namespace carrydeck
