// Running an entry and the other entry actions, and the after-run choice, against fakes.
#include <gtest/gtest.h>

#include "Fakes.h"
#include "MemoryListView.h"
#include "common/IniFile.h"
#include "common/Paths.h"
#include "launcher/Launcher.h"

namespace carrydeck {
namespace {

using testing::FakeDiskSpace;
using testing::FakeMainView;
using testing::FakeShell;
using testing::MemoryFileSystem;

struct Actions : ::testing::Test {
  MemoryFileSystem fs;
  FileProfile profile{fs};
  FakeDiskSpace disk;
  FakeMainView view;
  FakeShell shell{&view.events};  // one log: the window's events and the starts, in order
  MemoryListView list;
  std::string app = "E:\\";
  std::unique_ptr<Launcher> form;

  Launcher& Start() {
    form = std::make_unique<Launcher>(view, list, Platform{fs, profile, disk, FileVersion{1, 0, 0, 3}, &shell}, app);
    form->OnLoad();
    view.events.clear();
    view.messages.clear();
    return *form;
  }
  void Entry(const std::string& target, const std::string& parameters = "") {
    form->Catalogue().Append({CatalogEntry{{"Tool", "Tools", target, parameters}}});
    list.SelectRow(list.RowCount() - 1);
  }
  void File(const std::string& path) { fs.files[path] = "MZ"; }
  void Folder(const std::string& path) { fs.folders.insert(path); }
  void Mode(Command item) { form->OnCommand(item); }
  std::string Message() const { return view.messages.empty() ? "(none)" : view.messages.back().text; }
};

TEST_F(Actions, RunsTheStoredTargetInItsFolderWithPlaceholdersFilledIn) {
  Start();
  File("C:\\Apps\\Tool\\tool.exe");
  File("E:\\Apps\\Tool\\tool.exe");  // a relocated copy does not win over the stored one
  Entry("C:\\Apps\\Tool\\tool.exe", "/data=%DRIVE%\\Docs /ini=%dir%tool.ini %Dir%");
  form->OnCommand(Command::Run);
  ASSERT_EQ(shell.opened.size(), 1u);
  EXPECT_EQ(shell.opened[0].file, "C:\\Apps\\Tool\\tool.exe");
  EXPECT_EQ(shell.opened[0].folder, "C:\\Apps\\Tool\\");
  EXPECT_EQ(shell.opened[0].parameters, "/data=E:\\Docs /ini=C:\\Apps\\Tool\\tool.ini C:\\Apps\\Tool\\");
  EXPECT_EQ(shell.currentDrive, "C:");
  EXPECT_EQ(shell.currentFolder, "C:\\Apps\\Tool\\");
  EXPECT_EQ(view.status, "Running C:\\Apps\\Tool\\tool.exe");
  EXPECT_TRUE(view.messages.empty());
}

TEST_F(Actions, MissingTargetIsRunFromTheLaunchersDrive) {
  app = "E:\\Carrydeck\\";
  Start();
  File("E:\\Apps\\probe.exe");
  Entry("F:\\Apps\\probe.exe", "\"%drive%\" %dir%");
  list.SelectRow(0);
  form->OnListDoubleClick();
  ASSERT_EQ(shell.opened.size(), 1u);
  EXPECT_EQ(shell.opened[0].file, "E:\\Apps\\probe.exe");
  EXPECT_EQ(shell.opened[0].parameters, "\"E:\" E:\\Apps\\");
  EXPECT_EQ(view.status, "Running E:\\Apps\\probe.exe - Auto Drive Change");
}

TEST_F(Actions, FromANetworkShareNoDriveIsChanged) {
  app = "\\\\server\\share\\menu\\";
  Start();
  File("\\\\server\\share\\Apps\\tool.exe");
  Entry("E:\\Apps\\tool.exe", "%drive%");
  form->Actions().RunSelectedEntry();
  ASSERT_EQ(shell.opened.size(), 1u);
  EXPECT_EQ(shell.opened[0].file, "\\\\server\\share\\Apps\\tool.exe");
  EXPECT_EQ(shell.opened[0].parameters, "\\\\server\\share");
  EXPECT_EQ(shell.currentDrive, "");
  EXPECT_EQ(shell.currentFolder, "\\\\server\\share\\Apps\\");
  EXPECT_EQ(view.status, "Running \\\\server\\share\\Apps\\tool.exe - Auto Drive Change");
}

TEST_F(Actions, MinimiseComesBeforeTheStartAndCloseAfterTheStatusWithTheIconRemovedFirst) {
  Start();
  File("E:\\tool.exe");
  Entry("E:\\tool.exe");
  Mode(Command::AfterRunMinimize);
  view.events.clear();
  form->Actions().RunSelectedEntry();
  EXPECT_EQ(view.events, (std::vector<std::string>{"drive E:", "folder E:\\", "minimise", "open E:\\tool.exe"}));

  Mode(Command::AfterRunClose);
  view.events.clear();
  form->Actions().RunSelectedEntry();
  EXPECT_EQ(view.events,
            (std::vector<std::string>{"drive E:", "folder E:\\", "open E:\\tool.exe", "tray remove", "end"}));
  EXPECT_TRUE(view.messages.empty()) << "closing after a run asks nothing";
}

TEST_F(Actions, AnItemThatIsNoAfterRunChoiceChangesNoTickAndNoSetting) {
  Start();
  const std::string settings = fs.files[app + "Settings.ini"];
  form->Actions().SetAfterRunMode(Command::Run);
  EXPECT_TRUE(view.Checked(Command::AfterRunDoNothing));
  EXPECT_FALSE(view.Checked(Command::Run));
  EXPECT_EQ(fs.files[app + "Settings.ini"], settings);
}

TEST_F(Actions, FailureReportTellsWhatWasStoredAndStartsNothing) {
  Start();
  Mode(Command::AfterRunMinimize);
  Entry("E:\\Apps\\Tool\\tool.exe");
  view.events.clear();
  form->OnCommand(Command::Run);
  EXPECT_EQ(Message(), "Error running E:\\Apps\\Tool\\tool.exe : \r\nCheck the file exists at the specified location.");
  EXPECT_EQ(view.messages.back().style, mb::OK | mb::IconStop);
  EXPECT_EQ(view.messages.back().title, "Fenwright's Carrydeck");
  EXPECT_EQ(view.status, "Error running E:\\Apps\\Tool\\tool.exe : ");
  EXPECT_TRUE(shell.opened.empty());
  EXPECT_TRUE(view.events.empty()) << "no minimise, no drive change";
}

TEST_F(Actions, NoSelectionEmptyRelativeWildcardAndOverlongTargetsAreReported) {
  Start();
  form->Actions().RunSelectedEntry();
  EXPECT_EQ(Message(), "Error running  : No entry is selected.\r\nCheck the file exists at the specified location.");
  File("E:\\s\\tool.exe");     // where a relative path would wrongly land after relocation
  File("E:\\Apps\\tool.exe");  // and where it would land in the current folder
  for (const std::string& target : {std::string(), std::string("Apps\\tool.exe"), std::string("E:\\Apps\\*.exe"),
                                    "E:\\" + std::string(300, 'x') + ".exe"}) {
    form->Catalogue().Clear();
    Entry(target);
    form->Actions().RunSelectedEntry();
    EXPECT_EQ(view.status, "Error running " + target + " : ") << target;
  }
  EXPECT_TRUE(shell.opened.empty());
}

TEST_F(Actions, AStartTheShellCannotMakeIsStillReportedAsRunning) {
  Start();
  File("E:\\readme.xyz");  // no program for this type: the shell fails without telling us
  Entry("E:\\readme.xyz");
  Mode(Command::AfterRunMinimize);
  form->Actions().RunSelectedEntry();
  EXPECT_EQ(view.status, "Running E:\\readme.xyz");
  EXPECT_EQ(view.state, WindowState::Minimized);
}

TEST_F(Actions, BrowseSelectsTheFileInItsFolderStoredOrRelocated) {
  app = "F:\\";
  Start();
  Folder("C:\\Apps\\");
  Entry("C:\\Apps\\tool exe.exe");
  form->OnCommand(Command::BrowseEntryFolder);
  EXPECT_EQ(shell.commands.back(), "explorer.exe /select,C:\\Apps\\tool exe.exe");
  EXPECT_EQ(view.status, "Browsing C:\\Apps\\");

  Folder("F:\\Apps\\Tool\\");
  Entry("E:\\Apps\\Tool\\tool.exe");
  form->OnCommand(Command::BrowseEntryFolder);
  EXPECT_EQ(shell.commands.back(), "explorer.exe /select,F:\\Apps\\Tool\\tool.exe");
  EXPECT_EQ(view.status, "Browsing F:\\Apps\\Tool\\ - Auto Drive Change");

  Folder("F:\\");
  Entry("E:\\root.exe");
  form->OnCommand(Command::BrowseEntryFolder);
  EXPECT_EQ(shell.commands.back(), "explorer.exe /select,F:\\root.exe");
}

TEST_F(Actions, BrowseFailuresMinimiseNothingAndExplainThemselves) {
  Start();
  Mode(Command::AfterRunMinimize);
  Entry("Q:\\Gone\\tool.exe");
  view.events.clear();
  form->OnCommand(Command::BrowseEntryFolder);
  EXPECT_EQ(Message(), "Error browsing to the directory : \r\nCheck the folder exists at the specified location.");
  EXPECT_EQ(view.status, "Error browsing Q:\\Gone\\ : ");
  EXPECT_TRUE(view.events.empty());

  form->Catalogue().Clear();
  form->OnCommand(Command::BrowseEntryFolder);
  EXPECT_EQ(view.status, "Error browsing  : No entry is selected.");

  Folder("E:\\Apps\\");
  Entry("E:\\Apps\\tool.exe");
  shell.commandFails = true;
  shell.error = "The system cannot find the file specified.";
  form->OnCommand(Command::BrowseEntryFolder);
  EXPECT_EQ(view.status, "Error browsing E:\\Apps\\ : The system cannot find the file specified.");
}

TEST_F(Actions, RootBrowseOpensTheDriveTreeAndFollowsTheAfterRunChoice) {
  Start();
  Mode(Command::AfterRunClose);
  view.events.clear();
  form->OnCommand(Command::BrowseDriveRoot);
  EXPECT_EQ(view.events, (std::vector<std::string>{"start explorer.exe /e,E:\\", "tray remove", "end"}));
  EXPECT_EQ(view.status, "Browsing root directory E:\\");

  app = "\\\\server\\share\\";
  Start();
  Mode(Command::AfterRunMinimize);
  shell.commandFails = true;
  shell.error = "Access is denied.";
  view.events.clear();
  form->OnCommand(Command::BrowseDriveRoot);
  EXPECT_EQ(view.events.front(), "minimise") << "minimised first, then the failure";
  EXPECT_EQ(Message(), "Error browsing to the directory : Access is denied.");
  EXPECT_EQ(view.status, "Error browsing \\\\server\\share\\ : Access is denied.");
}

TEST_F(Actions, CommandPromptOpensTheSystemsConsoleInTheFolderStoredOrRelocated) {
  app = "F:\\";
  Start();
  Folder("E:\\Apps\\Tool\\");
  Entry("E:\\Apps\\Tool\\tool.exe");
  form->OnCommand(Command::OpenCommandPrompt);
  EXPECT_EQ(shell.programs.back(), "C:\\WINDOWS\\system32\\cmd.exe");
  EXPECT_EQ(shell.startFolders.back(), "E:\\Apps\\Tool\\");
  EXPECT_EQ(view.status, "Command Prompt to E:\\Apps\\Tool\\");
  EXPECT_EQ(shell.currentFolder, "E:\\Apps\\Tool\\");

  fs.folders.clear();
  Folder("F:\\Apps\\Tool\\");
  form->OnCommand(Command::OpenCommandPrompt);
  EXPECT_EQ(shell.startFolders.back(), "F:\\Apps\\Tool\\");
  EXPECT_EQ(shell.currentDrive, "F:");
  EXPECT_EQ(view.status, "Command Prompt to F:\\Apps\\Tool\\ - Auto Drive Change");
}

// The console's command line is cmd's to read: "%...%" is expanded before any escape is
// honoured, and "%CD%" is then the folder's own name. No character of the folder goes there.
TEST_F(Actions, CommandPromptLineHoldsNothingOfTheFolder) {
  Start();
  for (const std::string name :
       {"t&calc&%CD%", "%PATH%", "a^b", "(x)", "Tom & Jerry (old) ^1", "a|b<c>d", "\"q\" %", "x&&cls"}) {
    const std::string folder = "E:\\" + name + "\\";
    Folder(folder);
    Entry(folder + "tool.exe");
    form->OnCommand(Command::OpenCommandPrompt);
    EXPECT_EQ(shell.commands.back(), "cmd.exe /k") << name;
    EXPECT_EQ(shell.startFolders.back(), folder);
    EXPECT_EQ(view.status, "Command Prompt to " + folder);
  }
}

TEST_F(Actions, CommandPromptRefusesNetworkFoldersAndReportsMissingOnes) {
  app = "\\\\server\\share\\";
  Start();
  Folder("\\\\server\\share\\Apps\\");
  Entry("E:\\Apps\\tool.exe");
  form->OnCommand(Command::OpenCommandPrompt);
  EXPECT_EQ(Message(),
            "The selected folder is located on a network drive that is not mounted. To use this function (or any DOS "
            "based program) ensure a drive is mounted first!");
  EXPECT_EQ(view.status, "Error opening cmd.exe to E:\\Apps\\ : Unmounted network drive detected.");
  EXPECT_TRUE(shell.commands.empty());

  Entry("Q:\\Gone\\tool.exe");
  form->OnCommand(Command::OpenCommandPrompt);
  EXPECT_EQ(Message(), "Error opening cmd to Q:\\Gone\\ : ");
  EXPECT_EQ(view.status, "Error opening cmd.exe to Q:\\Gone\\ : ");

  form->Catalogue().Clear();
  form->OnCommand(Command::OpenCommandPrompt);
  EXPECT_EQ(view.status, "Error opening cmd.exe to  : No entry is selected.");
  EXPECT_TRUE(shell.commands.empty());
}

// A cmd.exe or explorer.exe lying on the stick or in the entry's folder must never be the
// one that runs: each is started from the system's own folders, its command line as before.
TEST_F(Actions, ConsoleAndExplorerComeFromTheSystemsOwnFolders) {
  Start();
  shell.systemFolder = "D:\\WINNT\\system32\\";
  shell.windowsFolder = "D:\\WINNT\\";
  Folder("E:\\Apps\\Tool\\");
  Entry("E:\\Apps\\Tool\\tool.exe");
  form->OnCommand(Command::BrowseEntryFolder);
  form->OnCommand(Command::BrowseDriveRoot);
  form->OnCommand(Command::OpenCommandPrompt);
  EXPECT_EQ(shell.programs, (std::vector<std::string>{"D:\\WINNT\\explorer.exe", "D:\\WINNT\\explorer.exe",
                                                      "D:\\WINNT\\system32\\cmd.exe"}));
  EXPECT_EQ(shell.commands, (std::vector<std::string>{"explorer.exe /select,E:\\Apps\\Tool\\tool.exe",
                                                      "explorer.exe /e,E:\\", "cmd.exe /k"}));
  EXPECT_EQ(shell.startFolders, (std::vector<std::string>{"", "", "E:\\Apps\\Tool\\"}))
      << "Explorer keeps the launcher's working folder";
}

TEST_F(Actions, CopyPutsTheFoundPathOnTheClipboardAndShowsWhatItHolds) {
  app = "F:\\";
  Start();
  File("F:\\Apps\\Tool\\tool.exe");
  Entry("E:\\Apps\\Tool\\tool.exe");
  form->OnCommand(Command::CopyEntryPath);
  EXPECT_EQ(shell.clipboard, "F:\\Apps\\Tool\\tool.exe");
  EXPECT_EQ(Message(), "Clipboard set to:\r\nF:\\Apps\\Tool\\tool.exe");
  EXPECT_EQ(view.messages.back().style, mb::OK | mb::IconInformation);
  EXPECT_EQ(view.status, "");

  shell.shortPaths["F:\\Apps\\Tool\\tool.exe"] = "F:\\APPS\\TOOL\\TOOL.EXE";
  form->OnCommand(Command::CopyShortPath);
  EXPECT_EQ(shell.clipboard, "F:\\APPS\\TOOL\\TOOL.EXE");
  EXPECT_EQ(Message(), "Clipboard set to:\r\nF:\\APPS\\TOOL\\TOOL.EXE");

  File("\\\\srv\\sh\\a.exe");
  shell.shortPaths["\\\\srv\\sh\\a.exe"] = "\\\\srv\\sh\\A.EXE";
  Entry("\\\\srv\\sh\\a.exe");
  form->OnCommand(Command::CopyShortPath);
  EXPECT_EQ(Message(),
            "Clipboard set to:\r\n\\\\srv\\sh\\A.EXE\r\n\r\nWARNING: You must mount the drive for network folders to "
            "work correctly with a DOS program!");
}

TEST_F(Actions, CopyFailuresHaveTheirOwnTexts) {
  Start();
  Entry("E:\\gone.exe");
  form->OnCommand(Command::CopyEntryPath);
  EXPECT_EQ(Message(), "Error getting path : \r\nCheck the path and file exist at the specified location.");
  EXPECT_EQ(view.status, "Error getting path: ");
  form->OnCommand(Command::CopyShortPath);
  EXPECT_EQ(Message(), "Error getting DOS path : \r\nCheck the path and file exist at the specified location.");
  EXPECT_EQ(view.status, "Error getting DOS path: ");
  EXPECT_EQ(shell.clipboard, "(old clipboard)");

  File("E:\\here.exe");
  Entry("E:\\here.exe");
  shell.clipboardFails = true;
  form->OnCommand(Command::CopyEntryPath);
  EXPECT_EQ(view.status, "Error getting path: The clipboard is in use.");
  fs.hidden.insert("E:\\here.exe");
  shell.clipboardFails = false;
  form->OnCommand(Command::CopyEntryPath);
  EXPECT_EQ(view.status, "Error getting path: ");

  form->Catalogue().Clear();
  form->OnCommand(Command::CopyShortPath);
  EXPECT_EQ(view.status, "Error getting DOS path: No entry is selected.");
}

}  // namespace
}  // namespace carrydeck
