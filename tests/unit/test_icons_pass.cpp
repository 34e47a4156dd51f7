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
using testing::FakeIconWorker;
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
  FakeIconWorker worker{fs, shell};
  MemoryFileReader reader{fs};
  IconPorts ports{iml, worker, reader, kNotFound};
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

  // A start of the program: a fresh window on the same stick, then the deferred icon load,
  // the worker's icons handed back as they come.
  Launcher& Start() {
    Open();
    form->OnDeferredStart();
    Finish();
    return *form;
  }
  // The worker's next `count` icons handed back to the window.
  void Deliver(size_t count = static_cast<size_t>(-1)) {
    worker.Extract(count);
    form->OnIconsReady();
  }
  // Every icon the worker has still to extract.
  void Finish() {
    while (worker.Busy()) Deliver();
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
  ASSERT_EQ(worker.started.size(), 1u);
  EXPECT_EQ(worker.started[0].targets,
            (std::vector<std::string>{"E:\\Apps\\notes.exe", "E:\\Docs\\readme.txt", "E:\\Gone\\old.exe"}));
  EXPECT_EQ(worker.started[0].driveRoot, "E:\\");
  EXPECT_EQ(iml.roomsMade, 1);
  EXPECT_EQ(iml.room, 3u) << "room for every row before the first icon";
  ASSERT_TRUE(HasCache());
  EXPECT_EQ(Cache(), EncodeImageList(iml.images));
  EXPECT_TRUE(view.messages.empty());

  Start();
  EXPECT_EQ(IconStatuses(),
            (std::vector<std::string>{"Getting icons . . .", "Loading saved icons . . .", "Icons loaded (3)."}));
  EXPECT_TRUE(shell.asked.empty()) << "the cache spares every shell question";
  EXPECT_EQ(worker.started.size(), 1u) << "and the worker";
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

TEST_F(IconPass, ALoadFromTheCacheLeavesTheShownListAttachedThroughout) {
  Start();
  ASSERT_TRUE(iml.attached);
  const int detaches = iml.detaches;
  form->Icons().GetAllIcons();
  EXPECT_EQ(view.status, "Icons loaded (3).");
  EXPECT_TRUE(iml.images == (std::vector<IconImage>{kNotesIcon, kReadmeIcon, kNotFound}));
  EXPECT_TRUE(iml.attached);
  EXPECT_EQ(iml.detaches, detaches) << "the list keeps its images' place while they are replaced";

  // A cache that no longer fits goes, and the rebuild starts from a list without images.
  Catalogue({"E:\\Apps\\notes.exe", "E:\\Docs\\readme.txt"});
  form->OnLoad();
  form->Icons().GetAllIcons();
  EXPECT_GT(iml.detaches, detaches);
  Finish();
  EXPECT_EQ(view.status, "Icons rebuilt. 2 successful, 0 unsuccessful.");
  EXPECT_TRUE(iml.attached);
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
  Finish();
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
  Finish();
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
  Finish();
  EXPECT_EQ(view.shown, (std::vector<std::string>{"Getting icons . . .", "Rebuilding icons . . .", "Saving icons . . .",
                                                  "Icons rebuilt. 2 successful, 1 unsuccessful."}));
  EXPECT_TRUE(iml.images == (std::vector<IconImage>{kNotesIcon, kReadmeIcon, kNotFound}));
}

TEST_F(IconPass, ACacheThatCannotBeWrittenIsReportedAfterSavingAndTheIconsStay) {
  Open();
  fs.failOn[SaveStep::Create] = fs.seen[SaveStep::Create] + 1;
  form->OnDeferredStart();
  Finish();
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
  iml.failAtStrip = 2;
  form->OnDeferredStart();
  Deliver(1);
  Deliver(1);
  EXPECT_EQ(view.status, "Rebuilding icons . . .");
  EXPECT_EQ(Reports(), std::vector<std::string>{"Error getting icons: Not enough memory resources are available."});
  EXPECT_EQ(iml.images.size(), 1u) << "what was added so far stays";
  EXPECT_FALSE(worker.Busy()) << "the worker was told to stop";
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

// ---- the pass and the worker: what may happen between two of the worker's batches

TEST_F(IconPass, ANewerPassCancelsTheOneUnderWayAndTheOldOnesLateIconsAreDropped) {
  Start();
  fs.files.erase(app + "imagelist.dat");
  view.shown.clear();
  shell.asked.clear();
  form->Icons().GetAllIcons();
  // The old pass's first icon is on its way when the user asks for the rebuild; the file has
  // changed by then, so the old icon must not be the one shown.
  shell.known["E:\\Apps\\notes.exe"] = kReadmeIcon;
  worker.Extract(1);
  shell.known["E:\\Apps\\notes.exe"] = kNotesIcon;
  form->OnCommand(Command::RebuildIcons);
  EXPECT_EQ(worker.cancels, 1);
  ASSERT_EQ(worker.started.size(), 3u);
  EXPECT_NE(worker.started[2].pass, worker.started[1].pass);
  form->OnIconsReady();  // the old icon arrives
  EXPECT_TRUE(iml.images.empty());
  Finish();
  EXPECT_EQ(std::count(view.shown.begin(), view.shown.end(), "Saving icons . . ."), 1);
  EXPECT_EQ(view.status, "Icons rebuilt. 2 successful, 1 unsuccessful.");
  EXPECT_EQ(shell.asked.size(), 3u) << "one entry of the first pass, two of the second";
  EXPECT_TRUE(iml.images == (std::vector<IconImage>{kNotesIcon, kReadmeIcon, kNotFound}));
  EXPECT_EQ(Cache(), EncodeImageList(iml.images));
}

TEST_F(IconPass, ADeleteDuringAPassWorksOnTheRowsAsTheyStandAndReusesWhatCameAlready) {
  Open();
  form->OnDeferredStart();
  Deliver(1);
  ASSERT_EQ(iml.images.size(), 1u);
  list.SelectRow(0);
  view.answers = {mb::IdYes};
  view.shown.clear();
  form->OnCommand(Command::DeleteEntry);
  ASSERT_EQ(list.RowCount(), 2u);
  ASSERT_EQ(worker.started.size(), 2u);
  EXPECT_EQ(worker.started[1].targets, (std::vector<std::string>{"E:\\Docs\\readme.txt", "E:\\Gone\\old.exe"}));
  Finish();
  EXPECT_EQ(view.shown, (std::vector<std::string>{"Getting icons . . .", "Rebuilding icons . . .", "Saving icons . . .",
                                                  "Icons rebuilt. 1 successful, 1 unsuccessful."}));
  EXPECT_TRUE(iml.images == (std::vector<IconImage>{kReadmeIcon, kNotFound}));
  EXPECT_EQ(list.RowIcon(1), 1);
  EXPECT_TRUE(Cache() == EncodeImageList({kReadmeIcon, kNotFound}));
  EXPECT_EQ(shell.asked, (std::vector<std::string>{"E:\\Apps\\notes.exe", "E:\\Docs\\readme.txt"}));
}

// An edit costs what it changes: what was found for targets asked about before is reused,
// the rows before the first changed one keep their images, and the cache then written is the
// one "Rebuild Icons" writes for the same rows.
TEST_F(IconPass, AnEditExtractsOnlyTheTargetNotSeenBeforeAndSavesWhatRebuildIconsWould) {
  const IconImage paintIcon = SolidIcon(0xFF10E010);
  fs.files["E:\\Apps\\paint.exe"] = "MZ";
  shell.known["E:\\Apps\\paint.exe"] = paintIcon;
  Start();
  shell.asked.clear();
  view.shown.clear();
  // As the entry editor adds an entry.
  form->Catalogue().Append(std::vector<CatalogEntry>{CatalogEntry{{"Paint", "Tools", "E:\\Apps\\paint.exe", ""}}});
  const int roomsMade = iml.roomsMade;
  form->RebuildIcons();
  ASSERT_EQ(worker.started.size(), 2u);
  EXPECT_EQ(worker.started[1].targets, std::vector<std::string>{"E:\\Apps\\paint.exe"})
      << "no target asked about before is asked again, found or not";
  EXPECT_EQ(iml.images.size(), 3u) << "the rows before the new one keep their images";
  EXPECT_EQ(iml.roomsMade, roomsMade) << "the image list is kept, not made anew";
  Finish();
  EXPECT_EQ(shell.asked, std::vector<std::string>{"E:\\Apps\\paint.exe"});
  const std::vector<std::string> editLines = view.shown;
  EXPECT_EQ(editLines, (std::vector<std::string>{"Getting icons . . .", "Rebuilding icons . . .", "Saving icons . . .",
                                                 "Icons rebuilt. 3 successful, 1 unsuccessful."}));
  const std::string afterEdit = Cache();
  EXPECT_TRUE(afterEdit == EncodeImageList({kNotesIcon, kReadmeIcon, kNotFound, paintIcon}));

  view.shown.clear();
  shell.asked.clear();
  form->OnCommand(Command::RebuildIcons);
  Finish();
  EXPECT_EQ(shell.asked.size(), 3u) << "Rebuild Icons asks again for every file";
  EXPECT_EQ(view.shown, editLines);
  EXPECT_TRUE(Cache() == afterEdit) << "byte for byte";

  // A delete after it needs no icon the pass does not have: no work for the worker at all.
  list.SelectRow(3);
  view.answers = {mb::IdYes};
  view.shown.clear();
  const size_t adds = static_cast<size_t>(iml.adds + iml.strips);
  form->OnCommand(Command::DeleteEntry);
  EXPECT_EQ(worker.started.size(), 3u) << "no work for the worker";
  EXPECT_EQ(static_cast<size_t>(iml.adds + iml.strips), adds) << "the last row went: nothing to add";
  EXPECT_EQ(view.status, "Icons rebuilt. 2 successful, 1 unsuccessful.");
  EXPECT_TRUE(Cache() == EncodeImageList({kNotesIcon, kReadmeIcon, kNotFound}));
}

TEST_F(IconPass, APassOvertakenByAnEditOrASortNeverSavesTheRowsAsTheyWere) {
  // An entry added while the first pass is under way, one of its icons on the way.
  Open();
  form->OnDeferredStart();
  Deliver(1);
  worker.Extract(1);
  form->Catalogue().Append(std::vector<CatalogEntry>{CatalogEntry{{"Notes 2", "Tools", "E:\\Apps\\notes.exe", ""}}});
  form->RebuildIcons();
  Finish();
  EXPECT_EQ(std::count(view.shown.begin(), view.shown.end(), "Saving icons . . ."), 1);
  EXPECT_TRUE(Cache() == EncodeImageList({kNotesIcon, kReadmeIcon, kNotFound, kNotesIcon}));
  EXPECT_EQ(view.status, "Icons rebuilt. 3 successful, 1 unsuccessful.");

  // A sort while the pass is under way: it starts no pass of its own, and the images so far
  // belong to the rows as they were. The pass builds again for the rows as they are.
  fs.files.erase(app + "imagelist.dat");
  Open();
  form->OnDeferredStart();
  Deliver(1);
  form->OnColumnClick(3);
  form->OnColumnClick(3);  // by target, descending: the missing one first
  Finish();
  EXPECT_EQ(std::count(view.shown.begin(), view.shown.end(), "Saving icons . . ."), 1);
  EXPECT_TRUE(Cache() == EncodeImageList({kNotFound, kReadmeIcon, kNotesIcon}));
  for (size_t row = 0; row < 3; ++row) EXPECT_EQ(list.RowIcon(row), static_cast<int>(row));
}

TEST_F(IconPass, IconsSwitchedOffDuringAPassStayOffAndNothingIsSaved) {
  Start();
  fs.files.erase(app + "imagelist.dat");
  form->Icons().GetAllIcons();
  Deliver(1);
  worker.Extract(1);
  form->CurrentSettings().SetIcons(false);
  form->Icons().GetAllIcons();
  worker.Extract();
  form->OnIconsReady();
  EXPECT_TRUE(iml.images.empty());
  EXPECT_FALSE(iml.attached);
  EXPECT_FALSE(HasCache());
  EXPECT_EQ(view.status, "Rebuilding icons . . .");
}

TEST_F(IconPass, TheWindowGoingStopsThePassAndTheWorkerBeforeTheyTouchTheStickAgain) {
  Start();
  fs.files.erase(app + "imagelist.dat");
  form->Icons().GetAllIcons();
  Deliver(1);
  worker.Extract(1);
  form->StopIconPass();
  EXPECT_TRUE(worker.stopped);
  form->OnIconsReady();
  EXPECT_EQ(iml.images.size(), 1u);
  EXPECT_FALSE(HasCache());
}

// Nothing runs inside the pass any more: a close request is asked at once, and once the exit
// has run, icons still on their way write nothing to the stick.
TEST_F(IconPass, ACloseDuringAPassIsAskedAtOnceAndTheLateIconsWriteNothing) {
  Open();
  form->OnDeferredStart();
  Deliver(1);
  view.answers = {mb::IdNo};
  EXPECT_FALSE(form->OnCloseRequest()) << "the window goes";
  ASSERT_EQ(view.messages.size(), 1u);
  EXPECT_EQ(view.messages[0].title, "Safely Remove USB Device?");
  EXPECT_EQ(view.events.back(), "tray remove");
  worker.Extract();
  form->OnIconsReady();
  EXPECT_FALSE(HasCache());
  EXPECT_EQ(iml.images.size(), 1u);
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
