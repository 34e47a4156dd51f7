// Closing the launcher and the hand-off to the removal tool, against fakes.
#include <gtest/gtest.h>

#include "Fakes.h"
#include "MemoryListView.h"
#include "Profile.h"
#include "frmMain.h"

namespace carrydeck {
namespace {

using testing::FakeDiskSpace;
using testing::FakeMainView;
using testing::FakeShell;
using testing::MemoryFileSystem;

struct Exit : ::testing::Test {
  MemoryFileSystem fs;
  FileProfile profile{fs};
  FakeDiskSpace disk;
  FakeMainView view;
  FakeShell shell{&view.events};
  MemoryListView list;
  std::string app = "E:\\Apps\\Menu\\";
  std::unique_ptr<frmMain> form;
  const std::string data = "A\r\nT\r\nE:\\a.exe\r\n\r\n";

  void Start() {
    fs.files[app + "Data.dat"] = data;
    fs.files[app + "Remove.exe"] = "current tool";
    form = std::make_unique<frmMain>(view, list, Platform{fs, profile, disk, FileVersion{1, 0, 0, 3}, &shell}, app);
    form->Form_Load();
    view.events.clear();
    fs.seen.clear();
    fs.creates = 0;
  }
  void Answer(int answer) { view.answers = {answer}; }
};

TEST_F(Exit, TheQuestionBox) {
  Start();
  Answer(mb::IdCancel);
  form->Form_Unload();
  ASSERT_EQ(view.messages.size(), 1u);
  EXPECT_EQ(view.messages[0].text, "Do you wish to 'Safely Remove' the USB device on exit?");
  EXPECT_EQ(view.messages[0].title, "Safely Remove USB Device?");
  EXPECT_EQ(view.messages[0].style, mb::YesNoCancel | mb::IconQuestion) << "Yes is the default button";
}

TEST_F(Exit, CancelFromTheCloseBoxKeepsEverythingAsItWas) {
  Start();
  list.AddRow(CatalogEntry{{"B", "T", "", ""}});
  Answer(mb::IdCancel);
  EXPECT_TRUE(form->Form_Unload());
  EXPECT_EQ(fs.creates, 0) << "nothing saved";
  EXPECT_EQ(fs.files[app + "Data.dat"], data);
  EXPECT_TRUE(view.events.empty());
}

TEST_F(Exit, CancelFromTheExitCommandKeepsTheLauncherWithItsIcon) {
  Start();
  Answer(mb::IdCancel);
  form->OnMenu(MenuItem::mnuExit);
  EXPECT_EQ(view.events, (std::vector<std::string>{"tray remove", "tray add"}));
  EXPECT_EQ(fs.creates, 0);
}

TEST_F(Exit, NoSavesAndEndsWithoutTouchingTheTempFolder) {
  Start();
  list.AddRow(CatalogEntry{{"B", "T", "", ""}});
  Answer(mb::IdNo);
  EXPECT_FALSE(form->Form_Unload());
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
  form->OnMenu(MenuItem::mnuExit);
  EXPECT_EQ(fs.files["c:\\temp\\Remove.exe"], "current tool");
  EXPECT_EQ(fs.files["c:\\temp\\carrydeck.ini"], "[Drive]\r\nLETTER=E:\\\r\n");
  EXPECT_TRUE(fs.folders.count("c:\\temp\\"));
  EXPECT_EQ(view.events, (std::vector<std::string>{"tray remove", "tray remove", "drive c:", "folder c:\\",
                                                   "open c:\\temp\\Remove.exe", "end"}));
  ASSERT_EQ(shell.opened.size(), 1u);
  EXPECT_EQ(shell.opened[0].folder, "c:\\");
  EXPECT_EQ(shell.opened[0].parameters, "");
  EXPECT_EQ(view.pendingEventRuns, 1);
  EXPECT_NE(fs.files[app + "Settings.ini"].find("[Headings]"), std::string::npos) << "saved before the hand-off";
}

TEST_F(Exit, AnOldHandOffFileKeepsEverythingButItsLetter) {
  app = "\\\\server\\share\\menu\\";
  Start();
  fs.files["c:\\temp\\carrydeck.ini"] = "[Other]\r\nX=1\r\n[Drive]\r\nLETTER=G:\\\r\n";
  Answer(mb::IdYes);
  form->Form_Unload();
  EXPECT_EQ(fs.files["c:\\temp\\carrydeck.ini"], "[Other]\r\nX=1\r\n[Drive]\r\nLETTER=\\\\server\\share\\\r\n");
}

TEST_F(Exit, MissingToolOrNoTempFolderIsPassedOverSilently) {
  Start();
  fs.files.erase(app + "Remove.exe");
  fs.files["c:\\temp\\Remove.exe"] = "old tool";
  Answer(mb::IdYes);
  form->Form_Unload();
  EXPECT_EQ(fs.files.count("c:\\temp\\Remove.exe"), 0u) << "the old copy goes first, as always";
  EXPECT_EQ(view.messages.size(), 1u) << "only the question";

  Start();
  fs.files.clear();
  fs.cannotCreate.insert("c:\\temp\\");
  fs.readOnlyFolders.insert("c:\\temp\\");
  Answer(mb::IdYes);
  EXPECT_FALSE(form->Form_Unload());
  EXPECT_EQ(fs.files.count("c:\\temp\\Remove.exe"), 0u);
}

}  // namespace
}  // namespace carrydeck
