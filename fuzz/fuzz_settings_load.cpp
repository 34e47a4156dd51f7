// Start-up on any "Settings.ini": whatever its keys hold, the window comes up with exactly one
// after-run choice, at most the one settings report, no value the user wrote is replaced, and
// what Save Settings then writes is read back at the next start without a report, and no
// copy of a save is left beside the files.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "Fakes.h"
#include "FuzzCheck.h"
#include "MemoryListView.h"
#include "common/IniFile.h"
#include "common/NumberText.h"
#include "launcher/Launcher.h"

using namespace carrydeck;

namespace {

const std::string kApp = "E:\\";
const std::string kIni = kApp + "Settings.ini";
const std::string kData = kApp + "Data.dat";

struct Key {
  const char* section;
  const char* key;
};
constexpr Key kKeys[] = {{"MAIN", "Window Height"}, {"MAIN", "Window Width"}, {"Main", "Icons"},    {"Main", "OnRun"},
                         {"Main", "Gridlines"},     {"Main", "Background"},   {"Main", "FontSize"}, {"Headings", "1"},
                         {"Headings", "2"},         {"Headings", "3"},        {"Headings", "4"}};

struct Start {
  testing::MemoryFileSystem& fs;
  FileProfile profile{fs};
  testing::FakeDiskSpace disk;
  testing::FakeMainView view;
  MemoryListView list;
  std::unique_ptr<Launcher> form;

  explicit Start(testing::MemoryFileSystem& files) : fs(files) {
    form = std::make_unique<Launcher>(view, list, Platform{fs, profile, disk, FileVersion{1, 0, 0, 3}}, kApp);
    form->OnLoad();
  }

  int SettingsReports() const {
    int n = 0;
    for (const testing::ShownMessage& m : view.messages) {
      const bool settings = fuzz::StartsWith(m.text, "Error loading settings: ");
      FUZZ_CHECK(settings || fuzz::StartsWith(m.text, "Error loading font size: "));
      n += settings;
    }
    return n;
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string ini(reinterpret_cast<const char*>(data), size);
  testing::MemoryFileSystem fs;
  fs.files[kIni] = ini;
  const std::string catalogue = "Editor\r\nTools\r\nE:\\Apps\\editor.exe\r\n-n\r\n";
  fs.files[kData] = catalogue;

  Start first(fs);
  int ticked = 0;
  for (Command mode : {Command::AfterRunDoNothing, Command::AfterRunMinimize, Command::AfterRunClose})
    ticked += first.view.Checked(mode);
  FUZZ_CHECK(ticked == 1);
  const int reports = first.SettingsReports();
  FUZZ_CHECK(reports <= 1);
  FUZZ_CHECK(first.list.RowCount() == 1);
  for (int column = 1; column <= 4; ++column) FUZZ_CHECK(first.list.ColumnWidth(column) >= 0);

  // Only missing or empty keys get their defaults; a value that is there stays as it was.
  for (const Key& k : kKeys) {
    const std::string before = ProfileGet(ini, k.section, k.key);
    if (!before.empty()) FUZZ_CHECK(ProfileGet(fs.files[kIni], k.section, k.key) == before);
  }

  first.form->Settings().Save();
  FUZZ_CHECK(fs.files[kData] == catalogue);
  FUZZ_CHECK(fs.files.size() == 2);  // every save went through its copy, and none is left
  for (const Key& k : {kKeys[0], kKeys[1], kKeys[7], kKeys[8], kKeys[9], kKeys[10]})
    FUZZ_CHECK(ParseNumber(ProfileGet(fs.files[kIni], k.section, k.key)).has_value());

  // What the first start read without complaint, and Save Settings wrote, reads again.
  if (reports == 0) {
    Start second(fs);
    FUZZ_CHECK(second.SettingsReports() == 0);
    for (int column = 1; column <= 4; ++column)
      FUZZ_CHECK(FormatSingle(second.list.ColumnWidth(column)) == FormatSingle(first.list.ColumnWidth(column)));
  }
  return 0;
}
