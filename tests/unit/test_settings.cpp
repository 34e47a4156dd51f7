// Settings file, list layout and looks, against fakes.
#include <gtest/gtest.h>

#include <map>
#include <type_traits>

#include "Fakes.h"
#include "MemoryListView.h"
#include "common/IniFile.h"
#include "launcher/Launcher.h"

namespace carrydeck {
namespace {

using testing::FakeDiskSpace;
using testing::FakeMainView;
using testing::ListingFileProfile;
using testing::MemoryFileSystem;

struct Settings : ::testing::Test {
  MemoryFileSystem fs;
  FileProfile profile{fs};
  FakeDiskSpace disk;
  FakeMainView view;
  MemoryListView list;
  std::string app = "E:\\";
  std::unique_ptr<Launcher> form;

  Launcher& Start() {
    form = std::make_unique<Launcher>(view, list, Platform{fs, profile, disk, FileVersion{1, 0, 0, 3}}, app);
    form->OnLoad();
    return *form;
  }
  std::string& Ini() { return fs.files[app + "Settings.ini"]; }
  std::string Setting(const char* section, const char* key) { return ProfileGet(Ini(), section, key); }
  std::vector<std::string> Errors() {
    std::vector<std::string> out;
    for (auto& m : view.messages) out.push_back(m.text);
    return out;
  }
};

TEST_F(Settings, FirstStartWithACatalogueWritesEveryDefaultInOrder) {
  fs.files[app + "Data.dat"] = "A\r\nT\r\nE:\\a.exe\r\n\r\n";
  Start();
  EXPECT_EQ(Ini(),
            "[MAIN]\r\nWINDOW HEIGHT=5910\r\nWINDOW WIDTH=10960\r\nICONS=1\r\nONRUN=0\r\nGRIDLINES=1\r\n"
            "BACKGROUND=1\r\nFONTSIZE=8\r\n[Headings]\r\n1=913.3333\r\n2=2740\r\n3=3653.333\r\n4=3173.333\r\n");
  EXPECT_TRUE(view.Checked(Command::ShowIcons));
  EXPECT_TRUE(view.Checked(Command::ShowGridLines));
  EXPECT_TRUE(list.GridLines());
  EXPECT_TRUE(view.Checked(Command::Font8));
  EXPECT_TRUE(view.Checked(Command::AfterRunDoNothing));
  EXPECT_NEAR(list.ColumnWidth(1), 913.3333, 1e-3);
  EXPECT_TRUE(view.messages.empty());
}

// The start's write-backs go through a copy of the file: a start that has nothing to write
// back makes none.
TEST_F(Settings, AStartOnACompleteFileWritesNothingAtAll) {
  fs.files[app + "Data.dat"] = "A\r\nT\r\nE:\\a.exe\r\n\r\n";
  Start();
  const std::string complete = Ini();
  form.reset();
  fs.creates = 0;
  fs.seen.clear();
  Start();
  EXPECT_EQ(fs.creates, 0);
  EXPECT_TRUE(fs.seen.empty());
  EXPECT_EQ(Ini(), complete);
  EXPECT_EQ(fs.files.size(), 2u);
}

TEST_F(Settings, ColumnDefaultsFollowTheWindowWidthAndSetTheShares) {
  Ini() = "[MAIN]\r\nWINDOW WIDTH=12000\r\n";
  list.SetWidthTwips(10000);
  Start();
  EXPECT_EQ(Setting("Headings", "1"), "1000");
  EXPECT_EQ(Setting("Headings", "2"), "3000");
  EXPECT_EQ(Setting("Headings", "3"), "4000");
  EXPECT_EQ(Setting("Headings", "4"), "3520");
  EXPECT_EQ(list.ColumnWidth(4), 3520);
  EXPECT_DOUBLE_EQ(form->Settings().ColumnShare(1), 10);
  EXPECT_DOUBLE_EQ(form->Settings().ColumnShare(2), 30);
  EXPECT_DOUBLE_EQ(form->Settings().ColumnShare(3), 40);
}

TEST_F(Settings, EmptyIconsLineReadsAsOnAndIsRewritten) {
  Ini() = "[Main]\r\nICONS=\r\n";
  fs.files[app + "Data.dat"] = "";
  Start();
  EXPECT_TRUE(view.Checked(Command::ShowIcons));
  EXPECT_EQ(Setting("Main", "Icons"), "1");
}

TEST_F(Settings, OnRunTicksExactlyOneItemOrLeavesThemAsCreated) {
  Ini() = "[Main]\r\nONRUN=2\r\n";
  Start();
  EXPECT_FALSE(view.Checked(Command::AfterRunDoNothing));
  EXPECT_TRUE(view.Checked(Command::AfterRunMinimize));
  EXPECT_FALSE(view.Checked(Command::AfterRunClose));

  FakeMainView fresh;
  view = fresh;
  Ini() = "[Main]\r\nONRUN=7\r\n";
  Start();
  EXPECT_TRUE(view.Checked(Command::AfterRunDoNothing));
  EXPECT_FALSE(view.Checked(Command::AfterRunMinimize));
  EXPECT_FALSE(view.Checked(Command::AfterRunClose));
}

TEST_F(Settings, FontSizeTicksOnlyMenuSizesAndRoundsHalfToEven) {
  Ini() = "[Main]\r\nFONTSIZE=11\r\n";
  Start();
  EXPECT_EQ(list.FontSize(), 11);
  for (Command f : {Command::Font8, Command::Font10, Command::Font12}) EXPECT_FALSE(view.Checked(f));
  Ini() = "[Main]\r\nFONTSIZE=12.5\r\n";
  Start();
  EXPECT_EQ(list.FontSize(), 12);
  EXPECT_TRUE(view.Checked(Command::Font12));
}

TEST_F(Settings, LowerCaseSectionIsFoundByBothSpellings) {
  Ini() = "[main]\r\nwindow height=8000\r\ngridlines=0\r\n";
  Start();
  EXPECT_EQ(view.height, 8000);
  EXPECT_FALSE(view.Checked(Command::ShowGridLines));
  EXPECT_FALSE(list.GridLines());
  EXPECT_EQ(Ini().find("[MAIN]"), std::string::npos) << "no second section: " << Ini();
}

TEST_F(Settings, ValueThatCannotBeConvertedStopsWithTheEarlierStepsApplied) {
  Ini() = "[Main]\r\nONRUN=3\r\nICONS=maybe\r\nGRIDLINES=1\r\n";
  Start();
  ASSERT_EQ(Errors(), std::vector<std::string>{"Error loading settings: Type mismatch"});
  EXPECT_EQ(view.messages[0].style, mb::OK | mb::IconStop);
  EXPECT_TRUE(view.Checked(Command::AfterRunClose));
  EXPECT_FALSE(view.Checked(Command::ShowGridLines)) << "later steps keep their state from creation";
  EXPECT_EQ(view.MenuCaption(Command::BrowseDriveRoot), "Browse E:\\") << "start-up goes on after the report";
}

TEST_F(Settings, ColumnsTheLoadDidNotReachTakeTheirDefaultsAndAreNeverSavedCollapsed) {
  // A failure before the widths, and one after the first width.
  for (const std::string& ini : {std::string("ICONS=maybe\r\n"), std::string("[Headings]\r\n1=1500\r\n2=wide\r\n")}) {
    SCOPED_TRACE(ini);
    Ini() = "[MAIN]\r\nWINDOW WIDTH=12000\r\n" + ini;
    list = MemoryListView();
    list.SetWidthTwips(10000);
    Start();
    ASSERT_EQ(view.messages.size(), 1u);
    view.messages.clear();
    const bool firstFromFile = ini.find("1=1500") != std::string::npos;
    EXPECT_EQ(list.ColumnWidth(1), firstFromFile ? 1500 : 1000);
    EXPECT_EQ(list.ColumnWidth(2), 3000);
    EXPECT_EQ(list.ColumnWidth(3), 4000);
    EXPECT_DOUBLE_EQ(form->Settings().ColumnShare(2), 30);
    // The layout at every resize, then the save at exit.
    form->OnResize();
    form->OnCommand(Command::SaveSettings);
    for (const char* column : {"1", "2", "3", "4"})
      EXPECT_GT(std::stod(Setting("Headings", column)), 100) << "column " << column;
  }
}

TEST_F(Settings, WidthsWrittenWithADecimalCommaReadAsTheirValue) {
  Ini() = "[Headings]\r\n1=913,3333\r\n2=2740\r\n3=3653,333\r\n4=3173,333\r\n";
  list.SetWidthTwips(10000);
  Start();
  EXPECT_TRUE(view.messages.empty());
  EXPECT_NEAR(list.ColumnWidth(1), 913.3333, 1e-3);
  EXPECT_NEAR(list.ColumnWidth(3), 3653.333, 1e-3);
  EXPECT_NEAR(form->Settings().ColumnShare(1), 9.133333, 1e-5);
}

TEST_F(Settings, AWidthBelowOnePixelTakesTheDefaultAndIsNeverSavedBack) {
  // "1,234" read with the decimal comma is 1.234 twips: drawn 0 pixels wide, a column that
  // could only be found again by editing the file.
  Ini() = "[MAIN]\r\nWINDOW WIDTH=12000\r\n[Headings]\r\n1=1,234\r\n2=0\r\n3=14.9\r\n4=15\r\n";
  list.SetWidthTwips(10000);
  Start();
  EXPECT_TRUE(view.messages.empty());
  EXPECT_EQ(list.ColumnWidth(1), 1000);
  EXPECT_EQ(list.ColumnWidth(2), 3000);
  EXPECT_EQ(list.ColumnWidth(3), 4000);
  EXPECT_EQ(list.ColumnWidth(4), 15);
  form->OnCommand(Command::SaveSettings);
  EXPECT_EQ(Setting("Headings", "1"), "1000");
  EXPECT_EQ(Setting("Headings", "2"), "3000");
}

TEST_F(Settings, GarbageInEveryKeyIsReportedNeverFatal) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"ONRUN=words", "Error loading settings: Type mismatch"},
      {"GRIDLINES=" + std::string(10000, '7') + "x", "Error loading settings: Type mismatch"},
      {"BACKGROUND=True\r\nFONTSIZE=99999", "Error loading settings: Overflow"},
      {"FONTSIZE=0", "Error loading font size: Invalid property value"},
      {"FONTSIZE=-8", "Error loading font size: Invalid property value"},
  };
  for (const auto& [line, message] : cases) {
    view.messages.clear();
    Ini() = "[Main]\r\n" + line + "\r\n";
    Start();
    EXPECT_EQ(Errors(), std::vector<std::string>{message}) << line;
  }
  view.messages.clear();
  Ini() = "[Headings]\r\n2=wide\r\n";
  Start();
  EXPECT_EQ(Errors(), std::vector<std::string>{"Error loading settings: Type mismatch"});
  view.messages.clear();
  Ini() = "[Headings]\r\n3=-5\r\n";
  Start();
  EXPECT_EQ(Errors(), std::vector<std::string>{"Error loading settings: Invalid property value"});
  view.messages.clear();
  Ini() = "[MAIN]\r\nWINDOW HEIGHT=-100\r\nWINDOW WIDTH=1e300\r\n";
  Start();
  EXPECT_TRUE(view.messages.empty());
}

TEST_F(Settings, ReadOnlySettingsFileRunsWithWhatItHolds) {
  Ini() = "[Main]\r\nFONTSIZE=14\r\n";
  fs.readOnly = true;
  Start();
  form->OnCommand(Command::ShowGridLines);
  form->OnCommand(Command::Font10);
  form->OnCommand(Command::SaveSettings);
  EXPECT_EQ(Ini(), "[Main]\r\nFONTSIZE=14\r\n");
  EXPECT_EQ(list.FontSize(), 10) << "the choice applies for this run";
  EXPECT_FALSE(list.GridLines());
  EXPECT_EQ(view.height, 5910) << "defaults apply";
  EXPECT_TRUE(view.messages.empty()) << "a failing write is never reported";
}

TEST_F(Settings, BackgroundPictureShownHiddenAndItsFailureReported) {
  fs.files[app + "background.jpg"] = "jpeg";
  Start();
  EXPECT_EQ(list.background(), app + "background.jpg");
  form->OnCommand(Command::ShowBackground);
  EXPECT_FALSE(list.HasBackgroundPicture());
  EXPECT_EQ(Setting("Main", "Background"), "0");
  form->OnCommand(Command::ShowBackground);
  EXPECT_TRUE(list.HasBackgroundPicture());
  EXPECT_EQ(Setting("Main", "Background"), "1");

  list.ClearBackgroundPicture();
  list.backgroundError = "Invalid picture";
  Start();
  EXPECT_EQ(Errors(), std::vector<std::string>{"Error loading settings: Invalid picture"});
  view.messages.clear();
  form->OnCommand(Command::ShowBackground);
  form->OnCommand(Command::ShowBackground);
  EXPECT_TRUE(view.messages.empty()) << "a toggle reports nothing";
}

TEST_F(Settings, NoPictureFileLeavesTheListPlainButTheTickAndKeyFollowTheUser) {
  Ini() = "[Main]\r\nBACKGROUND=0\r\n";
  Start();
  form->OnCommand(Command::ShowBackground);
  EXPECT_TRUE(view.Checked(Command::ShowBackground));
  EXPECT_EQ(Setting("Main", "Background"), "1");
  EXPECT_FALSE(list.HasBackgroundPicture());
}

TEST_F(Settings, TogglesAndRunModesWriteAtOnce) {
  Start();
  form->OnCommand(Command::ShowIcons);
  EXPECT_EQ(Setting("Main", "Icons"), "0");
  EXPECT_FALSE(view.Checked(Command::ShowIcons));
  form->OnCommand(Command::ShowGridLines);
  EXPECT_EQ(Setting("Main", "Gridlines"), "0");
  EXPECT_FALSE(list.GridLines());
  form->OnCommand(Command::AfterRunMinimize);
  EXPECT_EQ(Setting("Main", "OnRun"), "2");
  EXPECT_TRUE(view.Checked(Command::AfterRunMinimize));
  EXPECT_FALSE(view.Checked(Command::AfterRunDoNothing));
  form->OnCommand(Command::AfterRunClose);
  EXPECT_EQ(Setting("Main", "OnRun"), "3");
  form->OnCommand(Command::AfterRunDoNothing);
  EXPECT_EQ(Setting("Main", "OnRun"), "1");
  EXPECT_FALSE(view.Checked(Command::AfterRunClose));
}

// The ticks show the settings from the start; a tick turned behind their back is never
// taken for a setting: not by the toggles, nor by a run.
TEST_F(Settings, TicksShowTheSettingsAndAreNeverReadBack) {
  fs.files[app + "Data.dat"] = "A\r\nT\r\nE:\\a.exe\r\n\r\n";
  fs.files["E:\\a.exe"] = "MZ";
  view.checks.clear();  // a menu with no tick of its own
  Start();
  EXPECT_TRUE(view.Checked(Command::AfterRunDoNothing)) << "the after-run choice shows from the start";
  EXPECT_TRUE(view.Checked(Command::ShowIcons));
  for (Command item : {Command::ShowIcons, Command::ShowGridLines, Command::ShowBackground, Command::AfterRunMinimize,
                       Command::AfterRunClose})
    view.checks[item] = !view.checks[item];
  view.events.clear();

  form->OnCommand(Command::ShowIcons);
  form->OnCommand(Command::ShowGridLines);
  form->OnCommand(Command::ShowBackground);
  EXPECT_EQ(Setting("Main", "Icons"), "0");
  EXPECT_EQ(Setting("Main", "Gridlines"), "0");
  EXPECT_EQ(Setting("Main", "Background"), "0");
  EXPECT_FALSE(view.Checked(Command::ShowIcons));
  EXPECT_FALSE(view.Checked(Command::ShowGridLines));
  EXPECT_FALSE(list.GridLines());
  list.SelectRow(0);
  form->OnCommand(Command::Run);
  EXPECT_EQ(view.status, "Running E:\\a.exe");
  EXPECT_TRUE(view.events.empty()) << "nothing after the run: neither minimised nor ended";
}

TEST_F(Settings, ChoosingAFontTicksOnlyItAndStoresIt) {
  Start();
  form->OnCommand(Command::Font14);
  EXPECT_EQ(list.FontSize(), 14);
  EXPECT_EQ(Setting("Main", "FontSize"), "14");
  for (Command f :
       {Command::Font8, Command::Font10, Command::Font12, Command::Font16, Command::Font18, Command::Font20})
    EXPECT_FALSE(view.Checked(f));
  EXPECT_TRUE(view.Checked(Command::Font14));
}

TEST_F(Settings, SaveSettingsWritesCatalogueFirstAndSizesOnlyInTheNormalState) {
  fs.files[app + "Data.dat"] = "A\r\nT\r\nE:\\a.exe\r\n\r\n";
  Start();
  form->Catalogue().Append({CatalogEntry{{"B", "T", "E:\\b.exe", ""}}});
  view.state = WindowState::Maximized;
  const std::string before = Ini();
  form->OnCommand(Command::SaveSettings);
  EXPECT_EQ(fs.files[app + "Data.dat"], "A\r\nT\r\nE:\\a.exe\r\n\r\nB\r\nT\r\nE:\\b.exe\r\n\r\n");
  EXPECT_EQ(Ini(), before);

  view.state = WindowState::Normal;
  view.height = 6000.5;
  list.SetColumnWidth(2, 1234.5);
  form->OnCommand(Command::SaveSettings);
  EXPECT_EQ(Setting("MAIN", "Window Height"), "6000.5");
  EXPECT_EQ(Setting("Headings", "2"), "1234.5");
}

TEST_F(Settings, ResizeKeepsTheSharesAndColumnFourTakesTheRest) {
  Start();
  form->Settings().SetColumnShare(1, 10);
  form->Settings().SetColumnShare(2, 25);
  form->Settings().SetColumnShare(3, 33.3);
  view.clientWidth = 9000;
  view.clientHeight = 5000;
  view.statusHeight = 300;
  form->OnResize();
  EXPECT_EQ(list.WidthTwips(), 9000);
  EXPECT_EQ(list.HeightTwips(), 4700);
  EXPECT_DOUBLE_EQ(list.ColumnWidth(1), 900);
  EXPECT_DOUBLE_EQ(list.ColumnWidth(2), 2250);
  EXPECT_NEAR(list.ColumnWidth(3), 2997, 1e-9);
  EXPECT_NEAR(list.ColumnWidth(4), 2503, 1e-9);
}

TEST_F(Settings, ResizeSkipsOnlyTheStepsTheListRefuses) {
  Start();
  form->Settings().SetColumnShare(1, 50);
  form->Settings().SetColumnShare(2, 50);
  form->Settings().SetColumnShare(3, 50);
  const double height = list.HeightTwips(), fourth = list.ColumnWidth(4);
  view.clientHeight = 100;  // lower than the status bar
  view.clientWidth = 2000;
  form->OnResize();
  EXPECT_EQ(list.HeightTwips(), height);
  EXPECT_EQ(list.WidthTwips(), 2000);
  EXPECT_EQ(list.ColumnWidth(1), 1000);
  EXPECT_EQ(list.ColumnWidth(4), fourth) << "a negative width is refused";
}

TEST_F(Settings, MinimisingHidesTheWindow) {
  Start();
  view.state = WindowState::Minimized;
  form->OnResize();
  EXPECT_FALSE(view.visible);
  form->OnCommand(Command::OpenMenu);
  EXPECT_TRUE(view.visible);
  EXPECT_EQ(view.state, WindowState::Normal);
}

TEST_F(Settings, TimerFollowsDraggedColumnsAndKeepsSharesWhileTheListHasNoWidth) {
  Start();
  list.SetWidthTwips(8000);
  list.SetColumnWidth(2, 4000);
  form->OnLayoutTimer();
  EXPECT_DOUBLE_EQ(form->Settings().ColumnShare(2), 50);
  list.SetWidthTwips(0);
  form->OnLayoutTimer();
  EXPECT_DOUBLE_EQ(form->Settings().ColumnShare(2), 50);
  list.SetWidthTwips(16000);
  view.clientWidth = 16000;
  form->OnResize();
  EXPECT_DOUBLE_EQ(list.ColumnWidth(2), 8000);
}

// What a start leaves behind: the settings file, the reports, the menu's ticks, the list.
struct StartOutcome {
  std::string ini;
  std::vector<std::string> messages;
  std::map<Command, bool> checks;
  std::vector<double> widths;
  int fontSize;
  bool gridLines;
  double height, width;
  bool operator==(const StartOutcome& o) const {
    return ini == o.ini && messages == o.messages && checks == o.checks && widths == o.widths &&
           fontSize == o.fontSize && gridLines == o.gridLines && height == o.height && width == o.width;
  }
};

template <typename Profile>
StartOutcome StartOn(const std::optional<std::string>& ini, int* lists = nullptr, int* gets = nullptr) {
  MemoryFileSystem fs;
  Profile profile{fs};
  FakeDiskSpace disk;
  FakeMainView view;
  MemoryListView list;
  fs.files["E:\\Data.dat"] = "A\r\nT\r\nE:\\a.exe\r\n\r\n";
  if (ini) fs.files["E:\\Settings.ini"] = *ini;
  Launcher form(view, list, Platform{fs, profile, disk, FileVersion{1, 0, 0, 3}}, "E:\\");
  form.OnLoad();
  StartOutcome out{
      fs.files["E:\\Settings.ini"], {}, view.checks, {}, list.FontSize(), list.GridLines(), view.height, view.width};
  for (const testing::ShownMessage& m : view.messages) out.messages.push_back(m.text);
  for (int column = 1; column <= 4; ++column) out.widths.push_back(list.ColumnWidth(column));
  if constexpr (std::is_same_v<Profile, ListingFileProfile>) {
    if (lists) *lists = profile.lists;
    if (gets) *gets = profile.gets;
  }
  return out;
}

TEST(SettingsFromLists, AWholeSettingsFileIsReadFromOneListPerSection) {
  const std::string ini =
      "[MAIN]\r\nWINDOW HEIGHT=6000\r\nWINDOW WIDTH=12000\r\nICONS=0\r\nONRUN=2\r\nGRIDLINES=0\r\n"
      "BACKGROUND=0\r\nFONTSIZE=12\r\n[Headings]\r\n1=1000\r\n2=2000\r\n3=3000\r\n4=4000\r\n";
  int lists = 0, gets = 0;
  const StartOutcome listed = StartOn<ListingFileProfile>(ini, &lists, &gets);
  EXPECT_EQ(lists, 2);
  EXPECT_EQ(gets, 0);
  EXPECT_TRUE(listed == StartOn<FileProfile>(ini));
  EXPECT_EQ(listed.ini, ini);
  EXPECT_EQ(listed.widths, (std::vector<double>{1000, 2000, 3000, 4000}));
  EXPECT_EQ(listed.fontSize, 12);
  EXPECT_TRUE(listed.checks.at(Command::AfterRunMinimize));
}

TEST(SettingsFromLists, EveryStartEndsAsWithSingleReads) {
  const std::vector<std::optional<std::string>> files = {
      std::nullopt,
      std::string(),
      std::string("[main]\r\nwindow height=8000\r\ngridlines=0\r\n"),
      std::string("[Main]\r\nICONS=\r\nONRUN=   \r\nFontSize\r\nFONTSIZE=14\r\n"),
      std::string("[MAIN]\r\nICONS=1\r\n[Headings]\r\n1=1500\r\n2=wide\r\n"),
      std::string("[MAIN]\r\nONRUN=3\r\nICONS=maybe\r\n"),
      std::string("[MAIN]\r\nWINDOW WIDTH=") + std::string(900, '1') + "\r\n[MAIN]\r\nFONTSIZE=16\r\n",
      std::string("[Headings]\r\n4 = 5000 \r\n4=6000\r\n[Main]\r\nfontsize=20\r\nonrun=1\r\n"),
  };
  for (const std::optional<std::string>& ini : files) {
    SCOPED_TRACE(ini ? *ini : "no file");
    const StartOutcome listed = StartOn<ListingFileProfile>(ini), single = StartOn<FileProfile>(ini);
    EXPECT_EQ(listed.ini, single.ini);
    EXPECT_EQ(listed.messages, single.messages);
    EXPECT_TRUE(listed == single);
  }
}

}  // namespace
}  // namespace carrydeck
