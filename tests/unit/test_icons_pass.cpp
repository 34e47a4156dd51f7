// The icon pass of the main window: cache load or rebuild, in order, with its status texts,
// against fakes that count every shell question.
#include <gtest/gtest.h>

#include <algorithm>

#include "Fakes.h"
#include "MemoryListView.h"
#include "common/IniFile.h"
#include "launcher/IconCacheFile.h"
#include "launcher/Launcher.h"

namespace carrydeck {
namespace {

using testing::FakeDiskSpace;
using testing::FakeImageList;
using testing::FakeMainView;
using testing::FakeShellIcons;
using testing::MemoryFileReader;
using testing::MemoryFileSystem;
using testing::SolidIcon;

// Every status text in the order shown.
struct StatusLog : FakeMainView {
  std::vector<std::string> shown;
  void SetStatus(const std::string& text) override {
    shown.push_back(text);
    FakeMainView::SetStatus(text);
  }
  std::vector<std::string> Since(const std::string& text) const {
    for (size_t i = 0; i < shown.size(); ++i)
      if (shown[i] == text)
        return std::vector<std::string>(shown.begin() + static_cast<std::ptrdiff_t>(i) + 1, shown.end());
    return shown;
  }
};

const IconImage kNotesIcon = SolidIcon(0xFF2040C0);
const IconImage kReadmeIcon = SolidIcon(0x80FFFF00);
const IconImage kNotFound = SolidIcon(0xFFFF0000);

struct IconPass : ::testing::Test {
  MemoryFileSystem fs;
  FileProfile profile{fs};
  FakeDiskSpace disk;
  StatusLog view;
  MemoryListView list;
  FakeImageList iml;
  FakeShellIcons shell;
  MemoryFileReader reader{fs};
  IconPorts ports{iml, shell, reader, kNotFound};
  std::string app = "E:\\Carrydeck\\";
  std::unique_ptr<Launcher> form;

  IconPass() {
    // Two files that are there, one that is on no drive.
    fs.files["E:\\Apps\\notes.exe"] = "MZ";
    fs.files["E:\\Docs\\readme.txt"] = "text";
    shell.known["E:\\Apps\\notes.exe"] = kNotesIcon;
    shell.known["E:\\Docs\\readme.txt"] = kReadmeIcon;
    Catalogue({"E:\\Apps\\notes.exe", "E:\\Docs\\readme.txt", "E:\\Gone\\old.exe"});
  }
  void Catalogue(const std::vector<std::string>& targets) {
    std::string data;
    for (const std::string& t : targets) data += "Name\r\nType\r\n" + t + "\r\n\r\n";
    fs.files[app + "Data.dat"] = data;
  }
  std::string& Cache() { return fs.files[app + "imagelist.dat"]; }
  bool HasCache() const { return fs.files.count(app + "imagelist.dat") > 0; }

  // A start of the program: a fresh window on the same stick, then the deferred icon load.
  Launcher& Start() {
    Open();
    form->OnDeferredStart();
    return *form;
  }
  void Open() {
    form.reset();
    view = StatusLog();
    list = MemoryListView();
    iml = FakeImageList();
    shell.asked.clear();
    reader.opens = 0;
    Platform platform{fs, profile, disk, FileVersion{1, 0, 0, 3}};
    platform.icons = &ports;
    form = std::make_unique<Launcher>(view, list, platform, app);
    form->OnLoad();
  }
  std::vector<std::string> IconStatuses() const {
    return view.Since("App data loaded (" + std::to_string(list.RowCount()) + " apps).");
  }
  std::vector<std::string> Reports() const {
    std::vector<std::string> out;
    for (const auto& m : view.messages) out.push_back(m.text);
    return out;
  }
};

TEST_F(IconPass, FirstStartRebuildsAndSavesSecondStartLoadsWithoutAskingTheShell) {
  Start();
  EXPECT_EQ(IconStatuses(),
            (std::vector<std::string>{"Getting icons . . .", "Rebuilding icons . . .", "Saving icons . . .",
                                      "Icons rebuilt. 2 successful, 1 unsuccessful."}));
  EXPECT_EQ(shell.asked, (std::vector<std::string>{"E:\\Apps\\notes.exe", "E:\\Docs\\readme.txt"}));
  EXPECT_TRUE(iml.images == (std::vector<IconImage>{kNotesIcon, kReadmeIcon, kNotFound}));
  EXPECT_TRUE(iml.attached);
  for (size_t row = 0; row < 3; ++row) EXPECT_EQ(list.RowIcon(row), static_cast<int>(row));
  EXPECT_EQ(view.pendingEventRuns, 3) << "one yield per entry";
  EXPECT_EQ(iml.roomsMade, 1);
  EXPECT_EQ(iml.room, 3u) << "room for every row before the first icon";
  ASSERT_TRUE(HasCache());
  EXPECT_EQ(Cache(), EncodeImageList(iml.images));
  EXPECT_TRUE(view.messages.empty());

  Start();
  EXPECT_EQ(IconStatuses(),
            (std::vector<std::string>{"Getting icons . . .", "Loading saved icons . . .", "Icons loaded (3)."}));
  EXPECT_TRUE(shell.asked.empty()) << "the cache spares every shell question";
  EXPECT_EQ(reader.opens, 1);
  EXPECT_EQ(iml.strips, 1);
  EXPECT_EQ(iml.adds, 0);
  EXPECT_TRUE(iml.images == (std::vector<IconImage>{kNotesIcon, kReadmeIcon, kNotFound}));
  EXPECT_TRUE(iml.attached);
  EXPECT_EQ(list.RowIcon(2), 2);
  EXPECT_GE(list.repaints(), 1);

  // Refresh List goes through the same pass.
  view.shown.clear();
  form->OnCommand(Command::RefreshList);
  EXPECT_EQ(view.shown,
            (std::vector<std::string>{"Getting icons . . .", "Loading saved icons . . .", "Icons loaded (3)."}));
}

TEST_F(IconPass, ACacheOfAnotherCountIsDeletedAndRebuiltInTheSamePass) {
  for (size_t images : {size_t{2}, size_t{4}}) {
    Cache() = EncodeImageList(std::vector<IconImage>(images, SolidIcon(0xFF00FF00)));
    Start();
    EXPECT_EQ(IconStatuses(),
              (std::vector<std::string>{"Getting icons . . .", "Loading saved icons . . .", "Rebuilding icons . . .",
                                        "Saving icons . . .", "Icons rebuilt. 2 successful, 1 unsuccessful."}))
        << images;
    EXPECT_EQ(Cache(), EncodeImageList({kNotesIcon, kReadmeIcon, kNotFound})) << images;
    EXPECT_TRUE(view.messages.empty());
  }
}

TEST_F(IconPass, AMissingTargetIsFoundAgainOnTheLaunchersOwnDrive) {
  Catalogue({"F:\\Apps\\notes.exe", "F:\\Apps\\gone.exe"});
  Start();
  EXPECT_EQ(view.status, "Icons rebuilt. 1 successful, 1 unsuccessful.");
  EXPECT_EQ(shell.asked, std::vector<std::string>{"E:\\Apps\\notes.exe"});
  EXPECT_TRUE(iml.images == (std::vector<IconImage>{kNotesIcon, kNotFound}));
}

TEST_F(IconPass, TwoEntriesOfOneFileGetTwoEqualImagesAtTheirOwnPositions) {
  Catalogue({"E:\\Apps\\notes.exe", "E:\\Gone\\old.exe", "E:\\Apps\\notes.exe"});
  Start();
  EXPECT_TRUE(iml.images == (std::vector<IconImage>{kNotesIcon, kNotFound, kNotesIcon}));
  EXPECT_EQ(list.RowIcon(2), 2);
}

TEST_F(IconPass, AFileTheShellKnowsNothingOfShowsNotFoundAndKeepsTheImagesInLine) {
  shell.known.erase("E:\\Apps\\notes.exe");
  Start();
  EXPECT_TRUE(iml.images == (std::vector<IconImage>{kNotFound, kReadmeIcon, kNotFound}))
      << "image 2 still belongs to row 2";
  EXPECT_EQ(view.status, "Icons rebuilt. 1 successful, 2 unsuccessful.");
}

TEST_F(IconPass, IconsOffEmptiesTheListsIconsAndLeavesTheCacheAlone) {
  Start();
  const std::string saved = Cache();
  form->CurrentSettings().SetIcons(false);
  view.shown.clear();
  reader.opens = 0;
  form->Icons().GetAllIcons();
  EXPECT_TRUE(iml.images.empty());
  EXPECT_FALSE(iml.attached);
  EXPECT_TRUE(view.shown.empty()) << "the status line keeps its text";
  EXPECT_EQ(view.status, "Icons rebuilt. 2 successful, 1 unsuccessful.");
  EXPECT_EQ(Cache(), saved);
  EXPECT_EQ(reader.opens, 0);

  fs.files[app + "Settings.ini"] = "[Main]\r\nIcons=0\r\n";
  Start();
  EXPECT_TRUE(view.Since("App data loaded (3 apps).").empty());
  EXPECT_TRUE(shell.asked.empty());
  EXPECT_EQ(Cache(), saved);
}

TEST_F(IconPass, ADamagedCacheIsReportedAtEveryStartUntilRebuildIconsReplacesIt) {
  Start();
  Cache()[60] ^= 0x55;
  const std::string damaged = Cache();
  for (int start = 0; start < 2; ++start) {
    Start();
    EXPECT_EQ(IconStatuses(), (std::vector<std::string>{"Getting icons . . .", "Loading saved icons . . ."}));
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(view.messages[0].text, "Error getting icons: The icon cache is damaged.");
    EXPECT_EQ(view.messages[0].style, mb::OK | mb::IconStop);
    EXPECT_EQ(view.messages[0].title, "Fenwright's Carrydeck");
    EXPECT_EQ(Cache(), damaged);
  }
  view.shown.clear();
  form->OnCommand(Command::RebuildIcons);
  EXPECT_EQ(view.shown, (std::vector<std::string>{"Getting icons . . .", "Rebuilding icons . . .", "Saving icons . . .",
                                                  "Icons rebuilt. 2 successful, 1 unsuccessful."}));
  EXPECT_EQ(Cache(), EncodeImageList({kNotesIcon, kReadmeIcon, kNotFound}));
}

TEST_F(IconPass, ForeignAndTruncatedCachesAreReportedNotLoaded) {
  Cache() = "[Main]\r\nIcons=1\r\n";
  Start();
  EXPECT_EQ(Reports(),
            std::vector<std::string>{"Error getting icons: The icon cache is not in a format this program can read."});
  EXPECT_TRUE(iml.images.empty());
  EXPECT_FALSE(iml.attached);

  Cache() = EncodeImageList({kNotesIcon, kReadmeIcon, kNotFound}).substr(0, 2000);
  Start();
  EXPECT_EQ(Reports(), std::vector<std::string>{"Error getting icons: The icon cache is damaged."});
}

TEST_F(IconPass, RebuildIconsWithNoCacheRebuildsWithoutAnError) {
  Start();
  fs.files.erase(app + "imagelist.dat");
  view.shown.clear();
  shell.asked.clear();
  form->OnCommand(Command::RebuildIcons);
  EXPECT_EQ(view.status, "Icons rebuilt. 2 successful, 1 unsuccessful.");
  EXPECT_EQ(shell.asked.size(), 2u);
  EXPECT_TRUE(view.messages.empty());
  EXPECT_TRUE(HasCache());
}

TEST_F(IconPass, RebuildIconsNeverBringsBackACacheItCouldNotDelete) {
  Cache() = EncodeImageList({kNotFound, kNotFound, kNotFound});
  Start();
  fs.undeletable.insert(app + "imagelist.dat");
  view.shown.clear();
  form->Icons().Rebuild();
  EXPECT_EQ(view.shown, (std::vector<std::string>{"Getting icons . . .", "Rebuilding icons . . .", "Saving icons . . .",
                                                  "Icons rebuilt. 2 successful, 1 unsuccessful."}));
  EXPECT_TRUE(iml.images == (std::vector<IconImage>{kNotesIcon, kReadmeIcon, kNotFound}));
}

TEST_F(IconPass, ACacheThatCannotBeWrittenIsReportedAfterSavingAndTheIconsStay) {
  Open();
  fs.failOn[SaveStep::Create] = fs.seen[SaveStep::Create] + 1;
  form->OnDeferredStart();
  EXPECT_EQ(view.Since("Saving icons . . ."), std::vector<std::string>{"Error saving imagelist.dat: Access is denied."})
      << "the status line names the file";
  EXPECT_EQ(Reports(), std::vector<std::string>{"Error getting icons: Access is denied."});
  EXPECT_EQ(iml.images.size(), 3u);
  EXPECT_TRUE(iml.attached);
  EXPECT_FALSE(HasCache());
}

// The cache belongs to the catalogue it was built for: with that one not loaded the list is
// empty, and a pass would throw the cache away and save an empty one.
TEST_F(IconPass, TheCacheOfACatalogueThatWasNotLoadedIsNeverTouched) {
  Start();
  const std::string saved = Cache();
  fs.files[app + "imagelist.dat.new"] = "stray";
  for (bool hidden : {true, false}) {
    fs.hidden.clear();
    fs.unreadable.clear();
    (hidden ? fs.hidden : fs.unreadable).insert(app + "Data.dat");
    Start();
    const std::string status = view.status;
    EXPECT_EQ(status, hidden ? "Data.dat is hidden, a system file or not a file: it was not loaded and will not be "
                               "changed."
                             : "App data loaded (0 apps).");
    form->OnCommand(Command::RebuildIcons);
    form->OnCommand(Command::RefreshList);
    form->OnCommand(Command::ShowIcons);
    form->OnCommand(Command::ShowIcons);
    EXPECT_TRUE(Cache() == saved) << hidden;
    EXPECT_EQ(fs.files[app + "imagelist.dat.new"], "stray") << hidden;
    EXPECT_EQ(view.status, status) << "no icon line hides what the start said";
    EXPECT_EQ(reader.opens, 0);
  }
}

TEST_F(IconPass, LeftOversBesideACacheThatCouldNotBeReadStay) {
  const std::string stray = EncodeImageList({kNotFound, kNotFound, kNotFound});
  Cache() = EncodeImageList({kReadmeIcon, kReadmeIcon, kReadmeIcon});
  fs.unreadable.insert(app + "imagelist.dat");
  fs.files[app + "imagelist.dat.new"] = stray;
  Start();
  EXPECT_EQ(Reports(), std::vector<std::string>{"Error getting icons: The process cannot access the file."});
  EXPECT_EQ(fs.files[app + "imagelist.dat.new"], stray);
  EXPECT_TRUE(Cache() == EncodeImageList({kReadmeIcon, kReadmeIcon, kReadmeIcon}));
}

TEST_F(IconPass, AnImageOrRoomThatCannotBeHadEndsThePassWithTheReport) {
  Open();
  iml.failAtAdd = 2;
  form->OnDeferredStart();
  EXPECT_EQ(view.status, "Rebuilding icons . . .");
  EXPECT_EQ(Reports(), std::vector<std::string>{"Error getting icons: Not enough memory resources are available."});
  EXPECT_EQ(iml.images.size(), 1u) << "what was added so far stays";
  EXPECT_EQ(shell.asked.size(), 2u) << "nothing after the failing entry";
  EXPECT_FALSE(HasCache());

  // Nor does a rebuild begin when the image list cannot make room for every row.
  Open();
  iml.failRoom = true;
  form->OnDeferredStart();
  EXPECT_EQ(Reports(), std::vector<std::string>{"Error getting icons: Not enough memory resources are available."});
  EXPECT_TRUE(shell.asked.empty());
  EXPECT_FALSE(HasCache());
}

TEST_F(IconPass, APassStartedWhileARebuildYieldsTakesOverAndTheFirstStops) {
  Start();
  fs.files.erase(app + "imagelist.dat");
  int yields = 0;
  view.onPendingEvents = [&] {
    if (++yields == 1) form->OnCommand(Command::RebuildIcons);  // the user, mid-rebuild
  };
  view.shown.clear();
  shell.asked.clear();
  form->Icons().GetAllIcons();
  EXPECT_EQ(std::count(view.shown.begin(), view.shown.end(), "Saving icons . . ."), 1);
  EXPECT_EQ(view.status, "Icons rebuilt. 2 successful, 1 unsuccessful.");
  EXPECT_EQ(shell.asked.size(), 3u) << "one entry of the first pass, two of the second";
  EXPECT_TRUE(iml.images == (std::vector<IconImage>{kNotesIcon, kReadmeIcon, kNotFound}));
  EXPECT_EQ(Cache(), EncodeImageList(iml.images));
}

TEST_F(IconPass, IconsSwitchedOffMidRebuildStayOffAndNothingIsSaved) {
  Start();
  fs.files.erase(app + "imagelist.dat");
  view.onPendingEvents = [&] {
    form->CurrentSettings().SetIcons(false);
    form->Icons().GetAllIcons();
  };
  form->Icons().GetAllIcons();
  EXPECT_TRUE(iml.images.empty());
  EXPECT_FALSE(iml.attached);
  EXPECT_FALSE(HasCache());
  EXPECT_EQ(view.status, "Rebuilding icons . . .");
}

TEST_F(IconPass, TheWindowGoingMidRebuildStopsThePassBeforeItTouchesTheStickAgain) {
  Start();
  fs.files.erase(app + "imagelist.dat");
  view.onPendingEvents = [&] { form->StopIconPass(); };
  shell.asked.clear();
  form->Icons().GetAllIcons();
  EXPECT_EQ(shell.asked.size(), 1u);
  EXPECT_FALSE(HasCache());
}

// A close request while the pass yields waits for the pass to end: its cache is saved first,
// and nothing of it is left to write to the stick once the exit has run.
TEST_F(IconPass, ACloseWhileIconsAreBuiltWaitsForThePassThenAsks) {
  Open();
  bool stayed = false;
  size_t askedMeanwhile = 0;
  view.onPendingEvents = [&] {
    if (view.pendingEventRuns != 1) return;
    stayed = form->OnCloseRequest();
    askedMeanwhile = view.messages.size();
  };
  view.answers = {mb::IdNo};
  form->OnDeferredStart();
  EXPECT_TRUE(stayed) << "the window stays while the pass runs";
  EXPECT_EQ(askedMeanwhile, 0u);
  EXPECT_EQ(shell.asked.size(), 2u) << "every entry's icon";
  EXPECT_EQ(Cache(), EncodeImageList(iml.images));
  ASSERT_EQ(view.messages.size(), 1u);
  EXPECT_EQ(view.messages[0].title, "Safely Remove USB Device?");
  EXPECT_EQ(view.events.back(), "end");
}

TEST_F(IconPass, CountsGoPastSixteenBits) {
  std::vector<std::string> targets(32770, "E:\\Gone\\old.exe");
  targets[0] = "E:\\Apps\\notes.exe";
  Catalogue(targets);
  Start();
  EXPECT_EQ(view.status, "Icons rebuilt. 1 successful, 32769 unsuccessful.");
  EXPECT_TRUE(view.messages.empty());
  Start();
  EXPECT_EQ(view.status, "Icons loaded (32770).");
}

TEST_F(IconPass, WithoutIconPortsThePassDoesNothing) {
  Platform platform{fs, profile, disk, FileVersion{1, 0, 0, 3}};
  Launcher bare(view, list, platform, app);
  bare.OnLoad();
  view.shown.clear();
  bare.OnDeferredStart();
  bare.OnCommand(Command::RebuildIcons);
  EXPECT_TRUE(view.shown.empty());
  EXPECT_FALSE(HasCache());
}

}  // namespace
}  // namespace carrydeck
