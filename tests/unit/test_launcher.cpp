#include <gtest/gtest.h>

#include <map>

#include "Fakes.h"
#include "MemoryListView.h"
#include "common/IniFile.h"
#include "common/SafeSave.h"
#include "launcher/EntryEditor.h"
#include "launcher/Launcher.h"

namespace carrydeck {
namespace {

using testing::FakeDiskSpace;
using testing::FakeMainView;
using testing::MemoryFileSystem;

struct MainLogic : ::testing::Test {
  MemoryFileSystem fs;
  FileProfile profile{fs};
  FakeDiskSpace disk;
  FakeMainView view;
  MemoryListView list;
  std::string appPath = "E:\\Carrydeck\\";
  FileVersion version{5, 0, 0, 9};

  std::unique_ptr<Launcher> Start() {
    auto form = std::make_unique<Launcher>(view, list, Platform{fs, profile, disk, version}, appPath);
    form->OnLoad();
    return form;
  }
  std::string& File(const char* name) { return fs.files[appPath + name]; }
};

TEST_F(MainLogic, VersionStringPutsTheRevisionRightAfterTheMinorNumber) {
  auto form = Start();
  EXPECT_EQ(form->GetVersionString(), "5.09");
  version = {5, 1, 0, 12};
  EXPECT_EQ(Start()->GetVersionString(), "5.112");
}

TEST_F(MainLogic, FirstStartInAnEmptyFolder) {
  disk.bytes = 3973ull * 1024 * 1024;
  auto form = Start();
  EXPECT_EQ(list.RowCount(), 0u);
  EXPECT_EQ(list.ColumnCount(), 4);
  EXPECT_EQ(list.ColumnText(1), "Name");
  EXPECT_EQ(list.ColumnText(2), "Type");
  EXPECT_EQ(list.ColumnText(3), "Target File");
  EXPECT_EQ(list.ColumnText(4), "Command Line Parameters");
  EXPECT_TRUE(list.sunken());
  EXPECT_EQ(view.height, 5910);
  EXPECT_EQ(view.width, 10960);
  EXPECT_EQ(view.status, "") << "start-up writes nothing into the status line without a catalogue";
  EXPECT_EQ(File("Settings.ini").substr(0, 48), "[MAIN]\r\nWINDOW HEIGHT=5910\r\nWINDOW WIDTH=10960\r\n");
  EXPECT_EQ(fs.files.count(appPath + "Data.dat"), 0u) << "no catalogue is created at start-up";
  EXPECT_EQ(view.caption, "Carrydeck v5.09 >> 3.9 GB Remaining on E:\\");
  EXPECT_EQ(view.MenuCaption(Command::BrowseDriveRoot), "Browse E:\\");
  EXPECT_EQ(view.trayAdds, 1);
  EXPECT_EQ(view.captionAtTrayAdd, "") << "the icon is added before the caption is set";
  EXPECT_EQ(disk.roots.back(), "E:\\");
}

TEST_F(MainLogic, CatalogueLoadedInFileOrderWithItsCount) {
  File("Data.dat") = "Zed\r\nT\r\nE:\\z.exe\r\n\r\nAlpha\r\nT\r\nE:\\a.exe\r\n\r\nMid\r\nT\r\nE:\\m.exe\r\n-x\r\n";
  File("Settings.ini") = "[MAIN]\r\nWINDOW HEIGHT=8000\r\nWINDOW WIDTH=abc\r\nICONS=0\r\n";
  auto form = Start();
  ASSERT_EQ(list.RowCount(), 3u);
  EXPECT_EQ(list.Row(0).Name(), "Zed");
  EXPECT_EQ(list.Row(2).Parameters(), "-x");
  EXPECT_EQ(view.status, "App data loaded (3 apps).");
  EXPECT_EQ(view.height, 8000);
  EXPECT_EQ(view.width, 10960) << "a size that is not a number uses the default";
  EXPECT_FALSE(view.Checked(Command::ShowIcons));
}

TEST_F(MainLogic, OneEntryStillSaysApps) {
  File("Data.dat") = "Only\r\n";
  Start();
  EXPECT_EQ(view.status, "App data loaded (1 apps).");
}

TEST_F(MainLogic, NetworkShareRootInCaptionAndRootBrowse) {
  appPath = "\\\\server\\share\\tools\\menu\\";
  disk.bytes = 0;
  Start();
  EXPECT_EQ(view.caption, "Carrydeck v5.09 >> 0 MB Remaining on \\\\server\\share\\");
  EXPECT_EQ(view.MenuCaption(Command::BrowseDriveRoot), "Browse \\\\server\\share\\");
}

TEST_F(MainLogic, RefreshSwitchesTheCaptionFormAndMeasuresAgain) {
  disk.bytes = 1536ull * 1024;
  auto form = Start();
  disk.bytes = 2ull * 1024 * 1024 * 1024;
  const int repaints = list.repaints();
  form->OnCommand(Command::RefreshList);
  EXPECT_EQ(view.caption, "Fenwright's Carrydeck v5.09 >> 2 GB Remaining on E:\\");
  EXPECT_EQ(list.repaints(), repaints + 1);
}

TEST_F(MainLogic, RefreshDoesNotReadTheCatalogueAgain) {
  File("Data.dat") = "A\r\nT\r\nE:\\a.exe\r\n\r\n";
  auto form = Start();
  File("Data.dat") = "";
  form->OnCommand(Command::RefreshList);
  EXPECT_EQ(list.RowCount(), 1u);
}

TEST_F(MainLogic, AboutBoxTextAndTitle) {
  auto form = Start();
  form->OnCommand(Command::About);
  ASSERT_EQ(view.messages.size(), 1u);
  EXPECT_EQ(view.messages[0].title, "Fenwright's Carrydeck v5.09");
  EXPECT_EQ(view.messages[0].style, mb::OK | mb::IconInformation);
  const std::string& text = view.messages[0].text;
  EXPECT_EQ(text.substr(0, text.rfind("\r\n\r\n") + 4),
            "A program designed for use with a removeable storage device.\r\n"
            "Used to run and open various files.\r\n\r\n"
            "This version has network folder capability when running Windows programs but it is recommended "
            "that you mount a drive to ensure DOS programs work as they should.\r\n\r\n");
  EXPECT_NE(text.find("Fenwright"), std::string::npos);
}

TEST_F(MainLogic, DeferredStartRunsOnceAndSwitchesItselfOff) {
  auto form = Start();
  EXPECT_TRUE(view.deferredStartPending);
  form->OnDeferredStart();
  EXPECT_FALSE(view.deferredStartPending);
}

TEST_F(MainLogic, HiddenCatalogueIsNotShownAndNeverReplaced) {
  const std::string kept = "A\r\nT\r\nE:\\a.exe\r\n\r\nB\r\nT\r\nE:\\b.exe\r\n\r\n";
  File("Data.dat") = kept;
  fs.hidden.insert(appPath + "Data.dat");
  auto form = Start();
  EXPECT_EQ(list.RowCount(), 0u);
  EXPECT_EQ(view.status, "Data.dat is hidden, a system file or not a file: it was not loaded and will not be changed.");
  EXPECT_TRUE(view.messages.empty());
  // An entry added, a sort, and the save at exit.
  form->Catalogue().Append({CatalogEntry{{"New", "T", "E:\\n.exe", ""}}});
  EXPECT_FALSE(form->SaveCatalogue());
  form->OnColumnClick(1);
  form->OnCommand(Command::SaveSettings);
  EXPECT_EQ(File("Data.dat"), kept);
}

TEST_F(MainLogic, CompleteLeftOverOfAnInterruptedSaveBecomesTheCatalogue) {
  fs.files[SealedPathOf(appPath + "Data.dat")] = "Saved\r\nT\r\nE:\\s.exe\r\n\r\n";
  fs.files[TempPathOf(appPath + "Data.dat")] = "Half";
  auto form = Start();
  ASSERT_EQ(list.RowCount(), 1u);
  EXPECT_EQ(list.Row(0).Name(), "Saved");
  EXPECT_EQ(fs.files.count(TempPathOf(appPath + "Data.dat")), 0u);
}

TEST_F(MainLogic, UnreadableCatalogueIsReportedAndNotOverwrittenByAnEmptyList) {
  File("Data.dat") = "Keep\r\nT\r\nE:\\k.exe\r\n\r\n";
  fs.unreadable.insert(appPath + "Data.dat");
  auto form = Start();
  ASSERT_EQ(view.messages.size(), 1u);
  EXPECT_EQ(view.messages[0].text, "Error app data: Access is denied.");
  EXPECT_EQ(view.status, "App data loaded (0 apps).");
  EXPECT_FALSE(form->SaveCatalogue());
  form->Catalogue().Append({CatalogEntry{{"New", "T", "E:\\n.exe", ""}}});
  EXPECT_FALSE(form->SaveCatalogue()) << "nor by entries added since";
  EXPECT_EQ(File("Data.dat"), "Keep\r\nT\r\nE:\\k.exe\r\n\r\n");
}

// A catalogue that was not loaded: one hidden (or system, or a folder), or one that could not
// be read. Start-up, the icon pass and the exit leave it and a stray left-over as they are.
struct NotLoadedCatalogue : MainLogic {
  const std::string kept = "A\r\nT\r\nE:\\a.exe\r\n\r\n";
  const std::string stray = "Stray\r\nT\r\nE:\\s.exe\r\n\r\n";
  static constexpr const char* kKinds[] = {"hidden", "unreadable"};
  // A fresh stick whose catalogue is of that kind.
  void Stick(const std::string& kind) {
    fs = MemoryFileSystem();
    view = FakeMainView();
    list = MemoryListView();
    File("Data.dat") = kept;
    (kind == "hidden" ? fs.hidden : fs.unreadable).insert(appPath + "Data.dat");
  }
};

TEST_F(NotLoadedCatalogue, LeftOversBesideItStayAsTheyAreAfterAStartAndAnExit) {
  for (const std::string kind : kKinds) {
    Stick(kind);
    File("Data.dat.new") = stray;
    File("Data.dat.tmp") = "Half";
    auto form = Start();
    form->OnDeferredStart();
    view.answers = {mb::IdNo};
    EXPECT_FALSE(form->OnCloseRequest()) << kind;
    EXPECT_EQ(list.RowCount(), 0u) << kind;
    EXPECT_EQ(File("Data.dat"), kept) << kind;
    EXPECT_EQ(File("Data.dat.new"), stray) << kind;
    EXPECT_EQ(File("Data.dat.tmp"), "Half") << kind;
  }
}

TEST_F(NotLoadedCatalogue, TheCaptionSaysSoForTheWholeRun) {
  for (const std::string kind : kKinds) {
    Stick(kind);
    auto form = Start();
    const std::string state = " - Data.dat not loaded: the catalogue is not being changed";
    EXPECT_EQ(view.caption, "Carrydeck v5.09 >> 0 MB Remaining on E:\\" + state) << kind;
    form->OnDeferredStart();
    form->OnCommand(Command::RefreshList);
    EXPECT_EQ(view.caption, "Fenwright's Carrydeck v5.09 >> 0 MB Remaining on E:\\" + state) << kind;
  }
  // A catalogue that loaded says nothing of the kind.
  fs.hidden.clear();
  fs.unreadable.clear();
  view = FakeMainView();
  Start();
  EXPECT_EQ(view.caption, "Carrydeck v5.09 >> 0 MB Remaining on E:\\");
}

TEST_F(NotLoadedCatalogue, AddEditDeleteAndSortingAreRefusedSayingWhy) {
  const std::map<std::string, std::string> why = {
      {"hidden",
       "The catalogue is not being changed: Data.dat is hidden, a system file or not a file, so it was "
       "not loaded."},
      {"unreadable", "The catalogue is not being changed: Data.dat could not be read, so it was not loaded."}};
  for (const std::string kind : kKinds) {
    Stick(kind);
    auto form = Start();
    view.messages.clear();
    form->OnCommand(Command::AddEntry);
    form->OnCommand(Command::EditEntry);
    form->OnCommand(Command::DeleteEntry);
    form->OnColumnClick(2);
    ASSERT_EQ(view.messages.size(), 4u) << kind;
    for (const testing::ShownMessage& shown : view.messages) {
      EXPECT_EQ(shown.text, why.at(kind)) << kind;
      EXPECT_EQ(shown.style, mb::OK | mb::IconExclamation) << kind;
      EXPECT_EQ(shown.title, "Fenwright's Carrydeck") << kind;
    }
    EXPECT_EQ(view.entryEditorDialogs, 0) << kind;
    EXPECT_FALSE(form->Catalogue().Sorted()) << kind;
    EXPECT_EQ(File("Data.dat"), kept) << kind;
  }
}

// The list's own events: header clicks sort and save, releases show the target.
struct ListEvents : MainLogic {
  std::unique_ptr<Launcher> form;
  void Open() {
    form = Start();
    view.events.clear();
    view.messages.clear();
  }
  void Entry(const std::string& target) {
    form->Catalogue().Append({CatalogEntry{{"Tool", "Tools", target, ""}}});
    list.SelectRow(list.RowCount() - 1);
  }
};

std::string Names(const MemoryListView& list) {
  std::string out;
  for (const std::string& name : list.Names()) out += name;
  return out;
}

TEST_F(ListEvents, ColumnClicksSortUpThenDownAndRewriteTheCatalogue) {
  File("Data.dat") = "b\r\nY\r\n\r\n\r\na\r\nZ\r\n\r\n\r\nc\r\nX\r\n\r\n\r\n";
  Open();
  form->OnColumnClick(1);
  EXPECT_EQ(Names(list), "abc");
  EXPECT_EQ(File("Data.dat"), "a\r\nZ\r\n\r\n\r\nb\r\nY\r\n\r\n\r\nc\r\nX\r\n\r\n\r\n");
  form->OnColumnClick(1);
  EXPECT_EQ(Names(list), "cba");
  EXPECT_EQ(File("Data.dat").substr(0, 3), "c\r\n");
  form->OnColumnClick(1);
  EXPECT_EQ(Names(list), "abc");
  form->OnColumnClick(2);
  EXPECT_EQ(Names(list), "cba");  // by Type: X, Y, Z

  SortByTypeThenName(form->Catalogue());
  form->OnColumnClick(2);
  EXPECT_EQ(form->Catalogue().Order(), SortOrder::Descending) << "the dialog leaves the key on Type, ascending";
}

TEST_F(ListEvents, ASortThatCannotBeSavedSaysSoNamingTheFile) {
  File("Data.dat") = "b\r\nY\r\n\r\n\r\na\r\nZ\r\n\r\n\r\n";
  Open();
  // A left-over whose read-only mark cannot be taken off (another user's).
  File("Data.dat.new") = "";
  fs.readOnlyFiles.insert(appPath + "Data.dat.new");
  fs.lockedAttributes.insert(appPath + "Data.dat.new");
  form->OnColumnClick(1);
  EXPECT_EQ(Names(list), "ab");
  EXPECT_EQ(view.status, "Error saving Data.dat: Access is denied.");
  EXPECT_EQ(File("Data.dat"), "b\r\nY\r\n\r\n\r\na\r\nZ\r\n\r\n\r\n");
  EXPECT_TRUE(view.messages.empty());
}

TEST_F(ListEvents, KeyAndMouseReleasesShowTheShortenedPath) {
  Open();
  view.statusWidth = 2480;  // 31 characters
  Entry("E:\\Apps\\Editor\\editor.exe");
  form->OnListKeyUp();
  EXPECT_EQ(view.status, "...> Editor > editor.exe");
  view.statusWidth = 3200;
  form->OnListMouseUp(1);
  EXPECT_EQ(view.status, "E: > Apps > Editor > editor.exe");
  EXPECT_TRUE(view.events.empty());
  form->OnListMouseUp(2);
  EXPECT_EQ(view.events, std::vector<std::string>{"context menu"});
}

TEST_F(ListEvents, RightClickOnAnEmptyListShowsTheMenuAndLeavesTheStatus) {
  Open();
  view.status = "App data loaded (0 apps).";
  form->OnListMouseUp(2);
  EXPECT_EQ(view.status, "App data loaded (0 apps).");
  EXPECT_EQ(view.events, std::vector<std::string>{"context menu"});
}

}  // namespace
}  // namespace carrydeck
