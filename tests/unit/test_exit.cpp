// Closing the launcher and the hand-off to the removal tool, against fakes.
#include <gtest/gtest.h>

#include <algorithm>

#include "Fakes.h"
#include "MemoryListView.h"
#include "common/IniFile.h"
#include "launcher/Launcher.h"

namespace carrydeck {
namespace {

using testing::FakeDiskSpace;
using testing::FakeMainView;
using testing::FakeShell;
using testing::MemoryFileSystem;
using testing::ShownMessage;

// Starts as the fake shell logs them, with the bytes each start runs, and what the user
// does while the system starts it.
struct StartingShell : FakeShell {
  StartingShell(MemoryFileSystem& fs, std::vector<std::string>* log) : FakeShell(log), fs(fs) {}
  MemoryFileSystem& fs;
  std::vector<std::string> startedBytes;
  std::function<void()> whileStarting;
  void ShellOpen(const std::string& file, const std::string& folder, const std::string& parameters) override {
    auto it = fs.files.find(file);
    startedBytes.push_back(it == fs.files.end() ? "(nothing)" : it->second);
    if (whileStarting) whileStarting();
    FakeShell::ShellOpen(file, folder, parameters);
  }
};

// What keeps the stick in use, one scripted answer per look, then nothing.
struct ScriptedHolders : IDriveHolders {
  std::vector<std::vector<DriveHolder>> answers;
  std::vector<std::string> asked;
  std::vector<DriveHolder> Find(const std::string& drive) override {
    asked.push_back(drive);
    if (answers.empty()) return {};
    std::vector<DriveHolder> found = answers.front();
    answers.erase(answers.begin());
    return found;
  }
};

struct Exit : ::testing::Test {
  MemoryFileSystem fs;
  FileProfile profile{fs};
  FakeDiskSpace disk;
  FakeMainView view;
  StartingShell shell{fs, &view.events};
  ScriptedHolders holders;
  MemoryListView list;
  std::string app = "E:\\Apps\\Menu\\";
  std::unique_ptr<Launcher> form;
  const std::string data = "A\r\nT\r\nE:\\a.exe\r\n\r\n";

  void Start() {
    fs.files[app + "Data.dat"] = data;
    fs.files[app + "Remove.exe"] = "current tool";
    form = std::make_unique<Launcher>(
        view, list, Platform{fs, profile, disk, FileVersion{1, 0, 0, 3}, &shell, nullptr, nullptr, &holders}, app);
    form->OnLoad();
    view.events.clear();
    fs.seen.clear();
    fs.creates = 0;
  }
  void Answer(int answer) { view.answers = {answer}; }
};

TEST_F(Exit, TheQuestionBox) {
  Start();
  Answer(mb::IdCancel);
  form->OnCloseRequest();
  ASSERT_EQ(view.messages.size(), 1u);
  EXPECT_EQ(view.messages[0].text, "Do you wish to 'Safely Remove' the USB device on exit?");
  EXPECT_EQ(view.messages[0].title, "Safely Remove USB Device?");
  EXPECT_EQ(view.messages[0].style, mb::YesNoCancel | mb::IconQuestion) << "Yes is the default button";
}

TEST_F(Exit, CancelFromTheCloseBoxKeepsEverythingAsItWas) {
  Start();
  form->Catalogue().Append({CatalogEntry{{"B", "T", "", ""}}});
  Answer(mb::IdCancel);
  EXPECT_TRUE(form->OnCloseRequest());
  EXPECT_EQ(fs.creates, 0) << "nothing saved";
  EXPECT_EQ(fs.files[app + "Data.dat"], data);
  EXPECT_TRUE(view.events.empty());
}

TEST_F(Exit, CancelFromTheExitCommandKeepsTheLauncherWithItsIcon) {
  Start();
  Answer(mb::IdCancel);
  form->OnCommand(Command::Exit);
  EXPECT_EQ(view.events, (std::vector<std::string>{"tray remove", "tray add"}));
  EXPECT_EQ(fs.creates, 0);
}

TEST_F(Exit, NoSavesAndEndsWithoutTouchingTheTempFolder) {
  Start();
  form->Catalogue().Append({CatalogEntry{{"B", "T", "", ""}}});
  Answer(mb::IdNo);
  EXPECT_FALSE(form->OnCloseRequest());
  EXPECT_EQ(fs.files[app + "Data.dat"], data + "B\r\nT\r\n\r\n\r\n");
  EXPECT_NE(fs.files[app + "Settings.ini"].find("WINDOW HEIGHT="), std::string::npos);
  EXPECT_EQ(view.events, std::vector<std::string>{"tray remove"});
  EXPECT_TRUE(shell.opened.empty());
  for (const auto& [path, bytes] : fs.files) EXPECT_NE(path.rfind("c:\\temp", 0), 0u) << path;
}

TEST_F(Exit, YesHandsTheDriveToTheToolAfterSaving) {
  Start();
  fs.files["c:\\temp\\Remove.exe"] = "old tool";
  Answer(mb::IdYes);
  form->OnCommand(Command::Exit);
  EXPECT_EQ(fs.files["c:\\temp\\Remove.exe"], "current tool");
  EXPECT_EQ(fs.files["c:\\temp\\carrydeck.ini"], "[Drive]\r\nLETTER=E:\\\r\n");
  EXPECT_TRUE(fs.folders.count("c:\\temp\\"));
  EXPECT_EQ(view.events, (std::vector<std::string>{"tray remove", "tray remove", "drive c:", "folder c:\\",
                                                   "open c:\\temp\\Remove.exe", "end"}));
  ASSERT_EQ(shell.opened.size(), 1u);
  EXPECT_EQ(shell.opened[0].folder, "c:\\");
  EXPECT_EQ(shell.opened[0].parameters, "");
  EXPECT_NE(fs.files[app + "Settings.ini"].find("[Headings]"), std::string::npos) << "saved before the hand-off";
}

const DriveHolder kNotes{"holder.exe", 1234, "E:\\notes.txt"};
const DriveHolder kFolder{"cmd.exe", 88, "E:\\Apps\\"};

TEST_F(Exit, YesFirstNamesWhatKeepsTheStickInUseAndContinueHandsOff) {
  Start();
  holders.answers = {{kNotes, kFolder}};
  view.answers = {mb::IdYes, mb::IdContinue};
  EXPECT_FALSE(form->OnCloseRequest());
  EXPECT_EQ(holders.asked, std::vector<std::string>{"E:"});
  ASSERT_EQ(view.messages.size(), 2u);
  EXPECT_EQ(view.messages[1].title, kProgramTitle);
  EXPECT_EQ(view.messages[1].style, mb::CancelTryContinue | mb::IconExclamation);
  EXPECT_EQ(view.messages[1].text,
            "The USB device cannot be removed while these programs keep it in use:\n"
            "\nholder.exe (1234): E:\\notes.txt"
            "\ncmd.exe (88): E:\\Apps\\"
            "\n\nClose them and choose Try Again, or choose Continue to remove the device anyway.");
  EXPECT_EQ(view.events,
            (std::vector<std::string>{"tray remove", "drive c:", "folder c:\\", "open c:\\temp\\Remove.exe"}));
}

TEST_F(Exit, CancelOfWhatHoldsTheStickKeepsTheLauncherAsCancelOfTheQuestion) {
  Start();
  form->Catalogue().Append({CatalogEntry{{"B", "T", "", ""}}});
  holders.answers = {{kNotes}};
  view.answers = {mb::IdYes, mb::IdCancel};
  EXPECT_TRUE(form->OnCloseRequest());
  EXPECT_EQ(fs.creates, 0) << "nothing saved";
  EXPECT_TRUE(view.events.empty());
  EXPECT_TRUE(shell.opened.empty());

  // From the Exit command, the tray icon comes back.
  holders.answers = {{kNotes}};
  view.answers = {mb::IdYes, mb::IdCancel};
  form->OnCommand(Command::Exit);
  EXPECT_EQ(view.events, (std::vector<std::string>{"tray remove", "tray add"}));
  EXPECT_EQ(fs.creates, 0);
}

TEST_F(Exit, TryAgainLooksAgainUntilNothingHoldsTheStick) {
  Start();
  holders.answers = {{kNotes, kFolder}, {kFolder}, {}};
  view.answers = {mb::IdYes, mb::IdTryAgain, mb::IdTryAgain};
  EXPECT_FALSE(form->OnCloseRequest());
  EXPECT_EQ(holders.asked.size(), 3u);
  ASSERT_EQ(view.messages.size(), 3u);
  EXPECT_NE(view.messages[1].text.find("holder.exe (1234)"), std::string::npos);
  EXPECT_EQ(view.messages[2].text.find("holder.exe"), std::string::npos) << "the second look's list";
  EXPECT_NE(view.messages[2].text.find("cmd.exe (88): E:\\Apps\\"), std::string::npos);
  ASSERT_EQ(shell.opened.size(), 1u);
}

TEST_F(Exit, NoOrNothingFoundShowsNoListAndAShareIsNotLookedAt) {
  Start();
  holders.answers = {{kNotes}};
  Answer(mb::IdNo);
  EXPECT_FALSE(form->OnCloseRequest());
  EXPECT_TRUE(holders.asked.empty()) << "No hands nothing over";

  Start();
  holders.answers.clear();
  Answer(mb::IdYes);
  EXPECT_FALSE(form->OnCloseRequest());
  EXPECT_EQ(holders.asked.size(), 1u);
  EXPECT_EQ(view.messages.size(), 2u) << "the two questions only";
  EXPECT_EQ(shell.opened.size(), 1u) << "the hand-off at once";

  app = "\\\\server\\share\\menu\\";
  Start();
  holders.asked.clear();
  Answer(mb::IdYes);
  form->OnCloseRequest();
  EXPECT_TRUE(holders.asked.empty());
}

TEST_F(Exit, AnOldHandOffFileKeepsEverythingButItsLetter) {
  app = "\\\\server\\share\\menu\\";
  Start();
  fs.files["c:\\temp\\carrydeck.ini"] = "[Other]\r\nX=1\r\n[Drive]\r\nLETTER=G:\\\r\n";
  Answer(mb::IdYes);
  form->OnCloseRequest();
  EXPECT_EQ(fs.files["c:\\temp\\carrydeck.ini"], "[Other]\r\nX=1\r\n[Drive]\r\nLETTER=\\\\server\\share\\\r\n");
}

TEST_F(Exit, MissingToolOrNoTempFolderIsPassedOverSilently) {
  Start();
  fs.files.erase(app + "Remove.exe");
  fs.files["c:\\temp\\Remove.exe"] = "old tool";
  Answer(mb::IdYes);
  form->OnCloseRequest();
  EXPECT_EQ(fs.files.count("c:\\temp\\Remove.exe"), 0u) << "the old copy goes first, as always";
  EXPECT_EQ(view.messages.size(), 1u) << "only the question";
  EXPECT_TRUE(shell.opened.empty());

  Start();
  fs.files.clear();
  fs.cannotCreate.insert("c:\\temp\\");
  fs.readOnlyFolders.insert("c:\\temp\\");
  Answer(mb::IdYes);
  EXPECT_FALSE(form->OnCloseRequest());
  EXPECT_EQ(fs.files.count("c:\\temp\\Remove.exe"), 0u);
}

// A close request (the window's, or the tray's Exit) while one of the launcher's own boxes is
// open waits until it is answered and its command is done, then runs once.
TEST_F(Exit, ACloseWhileAnotherBoxIsOpenWaitsForItsCommandThenAsksOnce) {
  Start();
  view.answers = {mb::IdOk, mb::IdNo};
  size_t shownWhileOpen = 0;
  view.onMessageBox = [&](const ShownMessage& box) {
    if (box.text != AboutText()) return;
    EXPECT_TRUE(form->OnCloseRequest()) << "the window stays while the box is open";
    form->OnCommand(Command::Exit);
    shownWhileOpen = view.messages.size();
  };
  form->OnCommand(Command::About);
  EXPECT_EQ(shownWhileOpen, 1u) << "no question over the box";
  ASSERT_EQ(view.messages.size(), 2u);
  EXPECT_EQ(view.messages[1].title, "Safely Remove USB Device?");
  EXPECT_EQ(view.events, (std::vector<std::string>{"tray remove", "end"})) << "the first request, then the end";
  EXPECT_NE(fs.files[app + "Settings.ini"].find("WINDOW HEIGHT="), std::string::npos) << "No saved";
}

// The question on screen, or already answered, stands for every close request that comes
// meanwhile: none asks again, none starts the tool again, and once the tool is being started
// nothing more is written to the stick.
TEST_F(Exit, ACloseDuringTheQuestionOrTheHandOffNeverAsksAgainNorStartsTwice) {
  Start();
  auto closeAgain = [&] {
    EXPECT_TRUE(form->OnCloseRequest()) << "the running exit ends the window";
    form->OnCommand(Command::Exit);
  };
  view.onMessageBox = [&](const ShownMessage&) { closeAgain(); };
  Answer(mb::IdCancel);
  EXPECT_TRUE(form->OnCloseRequest());
  EXPECT_EQ(view.messages.size(), 1u) << "Cancel answers the requests made while it was asked";
  EXPECT_TRUE(view.events.empty());

  view.messages.clear();
  Answer(mb::IdYes);
  int createsAtStart = -1;
  shell.whileStarting = [&] {
    createsAtStart = fs.creates;
    closeAgain();
    form->OnCommand(Command::SaveSettings);
    form->OnCommand(Command::DeleteEntry);
  };
  list.SelectRow(0);
  form->OnCommand(Command::Exit);
  EXPECT_EQ(view.messages.size(), 1u);
  EXPECT_EQ(shell.opened.size(), 1u);
  EXPECT_EQ(std::count(view.events.begin(), view.events.end(), "end"), 1);
  EXPECT_EQ(fs.creates, createsAtStart) << "nothing written to the stick once the tool starts";
  EXPECT_EQ(fs.files[app + "Data.dat"], data);
}

// What lies in c:\temp may be anybody's: the tool starts only when it is byte for byte this
// launcher's own and the hand-off file holds the drive just written; otherwise nothing
// starts and nothing is said.
struct HandOffTrust : Exit {
  const std::string tool = "c:\\temp\\Remove.exe";
  const std::string handOff = "c:\\temp\\carrydeck.ini";
  void ExitWithYes() {
    view.messages.clear();
    Answer(mb::IdYes);
    form->OnCommand(Command::Exit);
    EXPECT_EQ(view.messages.size(), 1u) << "only the question, whatever failed";
    EXPECT_EQ(view.events.back(), "end");
  }
};

TEST_F(HandOffTrust, AnOldToolThatCannotBeDeletedNorReplacedIsNeverStarted) {
  Start();
  fs.files[tool] = "old tool";
  fs.inUse.insert(tool);  // still running, or held open by someone else
  ExitWithYes();
  EXPECT_EQ(fs.files[tool], "old tool");
  EXPECT_EQ(fs.files[handOff], "[Drive]\r\nLETTER=E:\\\r\n");
  EXPECT_TRUE(shell.opened.empty());

  // Another user's read-only copy: its mark cannot be taken off.
  Start();
  fs.inUse.clear();
  fs.readOnlyFiles.insert(tool);
  fs.lockedAttributes.insert(tool);
  ExitWithYes();
  EXPECT_EQ(fs.files[tool], "old tool");
  EXPECT_TRUE(shell.opened.empty());
}

TEST_F(HandOffTrust, ACopyThatFailsStartsNothing) {
  Start();
  fs.readOnlyFolders.insert("c:\\temp\\");
  ExitWithYes();
  EXPECT_EQ(fs.files.count(tool), 0u);
  EXPECT_TRUE(shell.opened.empty()) << "no tool there: nothing is asked to start";
}

TEST_F(HandOffTrust, AHandOffFileThatKeepsAnOldDriveStartsNothing) {
  Start();
  fs.files[handOff] = "[Drive]\r\nLETTER=G:\\\r\n";
  fs.readOnlyFiles.insert(handOff);
  fs.lockedAttributes.insert(handOff);
  ExitWithYes();
  EXPECT_EQ(fs.files[tool], "current tool");
  EXPECT_EQ(fs.files[handOff], "[Drive]\r\nLETTER=G:\\\r\n");
  EXPECT_TRUE(shell.opened.empty()) << "the tool would act on whatever drive is G: now";
}

// A profile that says yes to every write into the hand-off file and keeps none of them,
// as a file mapped elsewhere by the system would.
class ForgetfulProfile : public IProfile {
 public:
  explicit ForgetfulProfile(IProfile& inner) : inner_(inner) {}
  std::string Get(const std::string& section, const std::string& key, const std::string& file,
                  size_t maxChars) override {
    return inner_.Get(section, key, file, maxChars);
  }
  bool Put(const std::string& section, const std::string& key, const std::string& value,
           const std::string& file) override {
    if (file == "c:\\temp\\carrydeck.ini") return true;
    return inner_.Put(section, key, value, file);
  }

 private:
  IProfile& inner_;
};

TEST_F(HandOffTrust, AWriteThatReportsSuccessButLeavesAnotherValueStartsNothing) {
  ForgetfulProfile forgetful{profile};
  fs.files[app + "Remove.exe"] = "current tool";
  form = std::make_unique<Launcher>(view, list, Platform{fs, forgetful, disk, FileVersion{1, 0, 0, 3}, &shell}, app);
  form->OnLoad();
  fs.files[handOff] = "[Drive]\r\nLETTER=G:\\\r\n";
  ExitWithYes();
  EXPECT_EQ(fs.files[tool], "current tool");
  EXPECT_TRUE(shell.opened.empty());

  fs.files.erase(handOff);  // and none at all
  Answer(mb::IdYes);
  form->OnCloseRequest();
  EXPECT_TRUE(shell.opened.empty());
}

TEST_F(HandOffTrust, ReadOnlyLeftOversOfOurOwnAreClearedAndTheToolStarts) {
  Start();
  fs.files[tool] = "old tool";
  fs.files[handOff] = "[Drive]\r\nLETTER=G:\\\r\n";
  fs.readOnlyFiles = {tool, handOff};
  ExitWithYes();
  EXPECT_EQ(fs.files[tool], "current tool");
  EXPECT_EQ(fs.files[handOff], "[Drive]\r\nLETTER=E:\\\r\n");
  ASSERT_EQ(shell.opened.size(), 1u);
  EXPECT_EQ(shell.opened[0].file, tool);
}

// Between the copy and the check anybody may change the files in c:\temp: the check sees it.
TEST_F(HandOffTrust, WhatChangesBeforeTheCheckIsJudgedByIt) {
  Start();
  fs.files["c:\\temp\\planted.exe"] = "planted tool";
  bool swapped = false;
  // The program folder's tool is read first, with the tool in c:\temp not yet held.
  fs.afterRead = [&](const std::string& path) {
    if (path == app + "Remove.exe") swapped = fs.CopyFile("c:\\temp\\planted.exe", tool);
  };
  ExitWithYes();
  EXPECT_TRUE(swapped);
  EXPECT_TRUE(shell.opened.empty()) << "the tool was swapped after the copy";
}

// From the check of c:\temp\Remove.exe until the system has started it, the launcher holds
// it: nobody can replace, move, write or delete it, so what starts is what was checked.
// The hand-off value is read after that point.
TEST_F(HandOffTrust, TheCheckedToolIsHeldUntilItHasStarted) {
  Start();
  fs.files["c:\\temp\\planted.exe"] = "planted tool";
  std::vector<bool> swaps;
  auto trySwaps = [&] {
    swaps.push_back(fs.CopyFile("c:\\temp\\planted.exe", tool));
    swaps.push_back(fs.Replace("c:\\temp\\planted.exe", tool));
    swaps.push_back(fs.Replace(tool, "c:\\temp\\moved.exe"));
    swaps.push_back(fs.CreateForWrite(tool) != nullptr);
    swaps.push_back(fs.Delete(tool));
  };
  fs.afterRead = [&](const std::string& path) {
    if (path == tool) trySwaps();
  };
  shell.whileStarting = trySwaps;
  ExitWithYes();
  ASSERT_EQ(shell.startedBytes, std::vector<std::string>{"current tool"});
  EXPECT_EQ(swaps, std::vector<bool>(swaps.size(), false));
  EXPECT_GE(swaps.size(), 10u) << "tried after the check and during the start";
  EXPECT_EQ(fs.files[tool], "current tool");
  EXPECT_FALSE(fs.held.count(tool)) << "let go once started";

  Start();
  shell.opened.clear();
  fs.afterRead = [&](const std::string& path) {
    if (path == tool) fs.files[handOff] = "[Drive]\r\nLETTER=G:\\\r\n";
  };
  ExitWithYes();
  EXPECT_TRUE(shell.opened.empty()) << "the hand-off file was changed after the tool's check";
}

}  // namespace
}  // namespace carrydeck
