// The Add/Edit dialog's logic and Delete Entry, against fakes of the dialog's controls, the
// folder listing and the main window.
#include <gtest/gtest.h>

#include <algorithm>

#include "Fakes.h"
#include "MemoryListView.h"
#include "common/IniFile.h"
#include "common/Paths.h"
#include "launcher/EntryEditor.h"
#include "launcher/Launcher.h"

namespace carrydeck {
namespace {

using testing::FakeDiskSpace;
using testing::FakeMainView;
using testing::MemoryFileSystem;
using testing::ShownMessage;

// The dialog's controls in memory, as a user would see them.
class FakeEditorView : public IEntryEditorView {
 public:
  std::string caption = "Add/Edit Entry", name, commandLine, type;
  std::vector<std::string> typeItems;
  std::vector<std::string> drives;
  int drive = -1;
  std::vector<FolderRow> folders;
  int folder = -1;
  std::vector<std::string> files;
  int file = -1;
  std::vector<ShownMessage> messages;
  std::vector<std::string> answers;  // for the input box, in order; "" when none left
  std::vector<std::pair<std::string, std::string>> inputBoxes;
  int closes = 0;

  int MsgBox(const std::string& text, int style, const std::string& title) override {
    messages.push_back({text, style, title});
    return mb::IdOk;
  }
  void SetCaption(const std::string& text) override { caption = text; }
  std::string NameText() const override { return name; }
  void SetNameText(const std::string& text) override { name = text; }
  std::string CommandLineText() const override { return commandLine; }
  void SetCommandLineText(const std::string& text) override { commandLine = text; }
  std::string TypeText() const override { return type; }
  void SetTypeText(const std::string& text) override { type = text; }
  void AddTypeItem(const std::string& text) override { typeItems.push_back(text); }
  void ShowDrives(const std::vector<std::string>& roots, int selected) override {
    drives = roots;
    drive = selected;
  }
  void ShowFolders(const std::vector<FolderRow>& rows, int current) override {
    folders = rows;
    folder = current;
  }
  void ShowFiles(const std::vector<std::string>& names) override {
    files = names;
    file = -1;
  }
  int SelectedFile() const override { return file; }
  void SelectFile(int index) override { file = index >= 0 && index < static_cast<int>(files.size()) ? index : -1; }
  // Runs while the input box is open.
  std::function<void()> onInputBox;
  std::string InputBox(const std::string& prompt, const std::string& title) override {
    inputBoxes.push_back({prompt, title});
    if (onInputBox) onInputBox();
    if (answers.empty()) return std::string();
    std::string answer = answers.front();
    answers.erase(answers.begin());
    return answer;
  }
  void Close() override { ++closes; }

  std::string ShownDrive() const { return drive >= 0 ? drives[drive] : std::string(); }
  std::string ShownFile() const { return file >= 0 ? files[file] : std::string(); }
  int FolderRowOf(const std::string& text) const {
    for (size_t i = 0; i < folders.size(); ++i)
      if (folders[i].text == text) return static_cast<int>(i);
    return -1;
  }
};

// Drives, folders and files by path; any folder can be made to fail.
class FakeFolders : public IFolderListing {
 public:
  std::vector<std::string> drives{"C:\\", "E:\\", "F:\\"};
  std::string current = "E:\\Carrydeck";
  std::map<std::string, std::string> currentOn;
  std::map<std::string, std::set<std::string>> subfolders, files;
  std::map<std::string, std::string> failFolders, failFiles;  // folder -> the platform's words
  std::string error;
  std::vector<std::string> listed;

  static std::string Key(const std::string& folder) {
    std::string key = folder;
    while (key.size() > 3 && key.back() == '\\' && !(IsUNCPath(key) && std::count(key.begin(), key.end(), '\\') <= 4))
      key.pop_back();
    return key;
  }
  std::vector<std::string> Drives() override { return drives; }
  std::string CurrentFolder() override { return current; }
  std::string CurrentFolderOn(const std::string& root) override {
    auto it = currentOn.find(root);
    return it == currentOn.end() ? root : it->second;
  }
  bool Known(const std::string& key) const { return subfolders.count(key) || files.count(key); }
  bool ListFolders(const std::string& folder, std::vector<std::string>& names) override {
    return List(folder, subfolders, failFolders, names);
  }
  bool ListFiles(const std::string& folder, std::vector<std::string>& names) override {
    return List(folder, files, failFiles, names);
  }
  std::string LastErrorDescription() override { return error; }

  // A file with all the folders down to it.
  void AddFile(const std::string& path) {
    std::string folder = Key(FolderOf(path));
    files[folder].insert(FileNameOf(path));
    AddFolder(folder);
  }
  void AddFolder(const std::string& path) {
    std::string key = Key(path);
    subfolders[key];
    files[key];
    size_t slash = key.rfind('\\');
    if (DriveRootOfPath(key) == key || slash == std::string::npos) return;
    std::string parent = Key(key.substr(0, slash + 1));
    subfolders[parent].insert(key.substr(slash + 1));
    AddFolder(parent);
  }

 private:
  bool List(const std::string& folder, const std::map<std::string, std::set<std::string>>& from,
            const std::map<std::string, std::string>& failing, std::vector<std::string>& names) {
    const std::string key = Key(folder);
    listed.push_back(key);
    names.clear();
    auto fails = failing.find(key);
    if (fails != failing.end()) {
      error = fails->second;
      return false;
    }
    if (!Known(key)) {
      error = "The system cannot find the path specified.";
      return false;
    }
    auto it = from.find(key);
    if (it != from.end()) names.assign(it->second.rbegin(), it->second.rend());  // any order: the lists sort
    return true;
  }
};

struct EntryEditorLogic : ::testing::Test {
  MemoryFileSystem fs;
  FileProfile profile{fs};
  FakeDiskSpace disk;
  FakeMainView main;
  MemoryListView list;
  FakeEditorView view;
  FakeFolders folders;
  std::string appPath = "E:\\Carrydeck\\";
  std::unique_ptr<Launcher> owner;
  // Icons for the tests that need the rebuild to run for real.
  testing::FakeImageList iml;
  testing::FakeShellIcons shellIcons;
  testing::FakeIconWorker worker{fs, shellIcons};
  testing::MemoryFileReader reader{fs};
  IconPorts iconPorts{iml, worker, reader, testing::SolidIcon(0xFFFF0000)};
  IconPorts* icons = nullptr;

  void SetUp() override {
    AddFile("E:\\Carrydeck\\Menu.exe");
    // Icons off: the rebuild after a change only deletes the cache, which shows it ran.
    File("Settings.ini") = "[MAIN]\r\nICONS=0\r\n";
    File("imagelist.dat") = "old cache";
  }
  void AddFile(const std::string& path) {
    fs.files[path] = "MZ";
    folders.AddFile(path);
  }
  std::string& File(const char* name) { return fs.files[appPath + name]; }
  bool Has(const char* name) { return fs.files.count(appPath + name) != 0; }
  void Start(const std::string& data = std::string()) {
    if (!data.empty()) File("Data.dat") = data;
    owner = std::make_unique<Launcher>(main, list, Platform{fs, profile, disk, FileVersion{1, 0, 0, 3}, nullptr, icons},
                                       appPath);
    owner->OnLoad();
  }
  // Opens the dialog through the menu command; the script is what the user does in it.
  void Open(Command command, const std::function<void(EntryEditor&)>& script) {
    if (!owner) Start();
    view = FakeEditorView();  // each opening has new controls
    main.onEntryEditorDialog = [&](IEntryEditor& shown) {
      EntryEditor& form = dynamic_cast<EntryEditor&>(shown);
      form.Attach(view, folders);
      form.OnLoad();
      script(form);
    };
    owner->OnCommand(command);
  }
  void Pick(EntryEditor& form, const std::string& file) {
    auto it = std::find(view.files.begin(), view.files.end(), file);
    ASSERT_NE(it, view.files.end()) << file;
    view.file = static_cast<int>(it - view.files.begin());
    form.OnFileClick();
  }
  std::vector<std::string> Names() const { return list.Names(); }
};

const char kCatalogue[] =
    "Zed\r\nTools\r\nE:\\Apps\\zed.exe\r\n\r\n"
    "Alpha\r\nGames\r\nF:\\Games\\alpha.exe\r\n-fast\r\n"
    "Beta\r\nTools\r\nE:\\Apps\\beta.exe\r\n%drive%\\x\r\n";

// ---- opening ---------------------------------------------------------------------------

TEST_F(EntryEditorLogic, AddOpensOnTheCurrentFolderWithTheTypesAndNoFileSelected) {
  AddFile("E:\\Carrydeck\\apple.txt");
  AddFile("E:\\Carrydeck\\readme.txt");
  folders.AddFolder("E:\\Carrydeck\\Tools");
  folders.AddFolder("E:\\Carrydeck\\apps");
  File("Types.dat") = "Games\r\n\r\nGames\r\nTools";
  Open(Command::AddEntry, [&](EntryEditor& form) {
    EXPECT_EQ(form.Mode(), EditorMode::Add);
    EXPECT_EQ(view.caption, "Add Entry");
    EXPECT_EQ(view.name, "");
    EXPECT_EQ(view.commandLine, "");
    EXPECT_EQ(view.type, "Application");
    EXPECT_EQ(view.typeItems, (std::vector<std::string>{"Games", "", "Games", "Tools"}));
    EXPECT_EQ(view.ShownDrive(), "E:\\");
    EXPECT_EQ(form.DirPath(), "E:\\Carrydeck");
    ASSERT_EQ(view.folders.size(), 4u);
    EXPECT_EQ(view.folders[0].text, "E:\\");
    EXPECT_EQ(view.folders[1].text, "Carrydeck");
    EXPECT_TRUE(view.folders[1].open);
    EXPECT_EQ(view.folder, 1) << "the open folder is the current row";
    EXPECT_EQ(view.folders[2].text, "apps") << "subfolders sorted without regard to case";
    EXPECT_EQ(view.folders[2].path, "E:\\Carrydeck\\apps");
    EXPECT_EQ(view.folders[2].level, 2);
    EXPECT_FALSE(view.folders[2].open);
    EXPECT_EQ(view.files, (std::vector<std::string>{"apple.txt", "Menu.exe", "readme.txt"}))
        << "files sorted without regard to case";
    EXPECT_EQ(view.file, -1);
    EXPECT_TRUE(view.messages.empty());
  });
  EXPECT_EQ(main.entryEditorDialogs, 1);
}

TEST_F(EntryEditorLogic, EditFillsTheBoxesAndOpensTheListsOnTheEntrysFile) {
  AddFile("F:\\Games\\alpha.exe");
  AddFile("F:\\Games\\other.exe");
  Start(kCatalogue);
  list.SelectRow(1);
  Open(Command::EditEntry, [&](EntryEditor& form) {
    EXPECT_EQ(form.Mode(), EditorMode::Edit);
    EXPECT_EQ(view.caption, "Edit Entry");
    EXPECT_EQ(view.name, "Alpha");
    EXPECT_EQ(view.type, "Games");
    EXPECT_EQ(view.commandLine, "-fast");
    EXPECT_EQ(view.ShownDrive(), "F:\\");
    EXPECT_EQ(form.DirPath(), "F:\\Games");
    EXPECT_EQ(form.FilePath(), "F:\\Games");
    EXPECT_EQ(view.ShownFile(), "alpha.exe");
  });
}

TEST_F(EntryEditorLogic, EditOfAnEntryWhoseRootIsGoneOpensOnTheLaunchersDrive) {
  AddFile("E:\\Apps\\x.exe");
  AddFile("E:\\Apps\\y.exe");
  Start("X\r\nTools\r\nF:\\Apps\\x.exe\r\n\r\n");
  list.SelectRow(0);
  Open(Command::EditEntry, [&](EntryEditor& form) {
    EXPECT_EQ(view.ShownDrive(), "E:\\");
    EXPECT_EQ(form.DirPath(), "E:\\Apps");
    EXPECT_EQ(view.ShownFile(), "x.exe");
    form.OnSave();
  });
  ASSERT_EQ(list.RowCount(), 1u) << "the old row went, the new one came";
  EXPECT_EQ(list.Row(0), (CatalogEntry{{"X", "Tools", "E:\\Apps\\x.exe", ""}}));
  EXPECT_EQ(File("Data.dat"), "X\r\nTools\r\nE:\\Apps\\x.exe\r\n\r\n");
}

TEST_F(EntryEditorLogic, EditWithoutASelectedRowOpensEmptyOnTheLaunchersRootAndSaveRemovesNothing) {
  AddFile("E:\\tool.exe");
  folders.current = "C:\\windows";
  folders.AddFolder("C:\\windows");
  Start(kCatalogue);
  Open(Command::EditEntry, [&](EntryEditor& form) {
    EXPECT_EQ(view.caption, "Edit Entry");
    EXPECT_EQ(view.name, "");
    EXPECT_EQ(view.commandLine, "");
    EXPECT_EQ(view.type, "Application");
    EXPECT_EQ(view.ShownDrive(), "E:\\");
    EXPECT_EQ(form.DirPath(), "E:\\");
    EXPECT_EQ(view.file, -1);
    Pick(form, "tool.exe");
    form.OnSave();
  });
  EXPECT_EQ(list.RowCount(), 4u);
  EXPECT_EQ(Names(), (std::vector<std::string>{"tool", "Alpha", "Beta", "Zed"}));
}

TEST_F(EntryEditorLogic, EditWhoseFileIsNowhereStillOpensAndSelectsNothing) {
  folders.AddFolder("E:\\Apps");
  Start("Gone\r\nT\r\nF:\\Old\\gone.exe\r\n\r\n");
  list.SelectRow(0);
  Open(Command::EditEntry, [&](EntryEditor& form) {
    EXPECT_EQ(view.name, "Gone");
    EXPECT_EQ(form.DirPath(), "E:\\Carrydeck") << "a folder that is not there leaves the lists where they were";
    EXPECT_EQ(view.ShownDrive(), "E:\\");
    EXPECT_EQ(view.file, -1);
    EXPECT_TRUE(view.messages.empty()) << "failures while loading are passed over";
  });
}

// ---- Save ------------------------------------------------------------------------------

TEST_F(EntryEditorLogic, SaveWithoutAFileOrWithoutATypeDoesNothingAndStaysOpen) {
  AddFile("E:\\Carrydeck\\tool.exe");
  Start(kCatalogue);
  const std::string before = File("Data.dat");
  Open(Command::AddEntry, [&](EntryEditor& form) {
    form.OnSave();
    EXPECT_FALSE(form.Unloaded());
    Pick(form, "tool.exe");
    view.type = "";
    form.OnSave();
    EXPECT_FALSE(form.Unloaded());
    EXPECT_EQ(view.closes, 0);
  });
  EXPECT_EQ(list.RowCount(), 3u);
  EXPECT_EQ(File("Data.dat"), before);
  EXPECT_FALSE(Has("Types.dat")) << "nothing is written before the checks pass";
  EXPECT_EQ(File("imagelist.dat"), "old cache") << "no rebuild either";
  EXPECT_TRUE(view.messages.empty());
  EXPECT_TRUE(main.messages.empty());
}

TEST_F(EntryEditorLogic, AddPutsTheNewRowInItsSortedPlaceAndWritesBothFiles) {
  AddFile("E:\\Tools\\editor.exe");
  Start(kCatalogue);
  list.SelectRow(0);
  Open(Command::AddEntry, [&](EntryEditor& form) {
    form.OpenFolderRow(-1);  // not a row: nothing happens
    form.OpenFolderRow(view.FolderRowOf("E:\\"));
    form.OpenFolderRow(view.FolderRowOf("Tools"));
    EXPECT_EQ(form.DirPath(), "E:\\Tools");
    EXPECT_EQ(form.FilePath(), "E:\\Tools");
    Pick(form, "editor.exe");
    EXPECT_EQ(view.name, "editor");
    view.commandLine = "%dir%editor.ini";
    form.OnSave();
    EXPECT_TRUE(form.Unloaded());
    EXPECT_EQ(view.closes, 1);
  });
  ASSERT_EQ(list.RowCount(), 4u) << "adding removes nothing, whatever row is selected";
  EXPECT_EQ(Names(), (std::vector<std::string>{"editor", "Alpha", "Beta", "Zed"}));
  EXPECT_EQ(list.Row(0), (CatalogEntry{{"editor", "Application", "E:\\Tools\\editor.exe", "%dir%editor.ini"}}));
  EXPECT_TRUE(owner->Catalogue().Sorted());
  EXPECT_EQ(owner->Catalogue().Key(), 1);
  EXPECT_EQ(owner->Catalogue().Order(), SortOrder::Ascending);
  EXPECT_GE(list.repaints(), 1);
  EXPECT_EQ(File("Data.dat"),
            "editor\r\nApplication\r\nE:\\Tools\\editor.exe\r\n%dir%editor.ini\r\n"
            "Alpha\r\nGames\r\nF:\\Games\\alpha.exe\r\n-fast\r\n"
            "Beta\r\nTools\r\nE:\\Apps\\beta.exe\r\n%drive%\\x\r\n"
            "Zed\r\nTools\r\nE:\\Apps\\zed.exe\r\n\r\n");
  ASSERT_TRUE(Has("Types.dat"));
  EXPECT_EQ(File("Types.dat"), "") << "no types file: the save writes a zero-byte one";
  EXPECT_FALSE(Has("imagelist.dat")) << "the icons were rebuilt";
}

TEST_F(EntryEditorLogic, EmptyNameBecomesTheWholeFileName) {
  AddFile("E:\\Carrydeck\\app.exe");
  Open(Command::AddEntry, [&](EntryEditor& form) {
    Pick(form, "app.exe");
    EXPECT_EQ(view.name, "app");
    view.name = "";
    form.OnSave();
  });
  ASSERT_EQ(list.RowCount(), 1u);
  EXPECT_EQ(list.Row(0).Name(), "app.exe");
}

TEST_F(EntryEditorLogic, EditReplacesOnlyTheSelectedRow) {
  AddFile("E:\\Apps\\beta.exe");
  AddFile("E:\\Apps\\beta2.exe");
  Start(kCatalogue);
  list.SelectRow(2);
  Open(Command::EditEntry, [&](EntryEditor& form) {
    EXPECT_EQ(view.ShownFile(), "beta.exe");
    Pick(form, "beta2.exe");
    EXPECT_EQ(view.name, "Beta") << "a name from the entry is never replaced by a click";
    view.type = "Aardvarks";
    form.OnSave();
  });
  EXPECT_EQ(Names(), (std::vector<std::string>{"Beta", "Alpha", "Zed"}));
  EXPECT_EQ(list.Row(0), (CatalogEntry{{"Beta", "Aardvarks", "E:\\Apps\\beta2.exe", "%drive%\\x"}}));
  ASSERT_TRUE(Has("Types.dat"));
  EXPECT_EQ(File("Types.dat"), "") << "a type not added with + stays out of the list";
}

TEST_F(EntryEditorLogic, SavedWithoutChangesAnEditMovesToItsSortedPlace) {
  AddFile("E:\\Apps\\zed.exe");
  Start(kCatalogue);
  list.SelectRow(0);
  Open(Command::EditEntry, [&](EntryEditor& form) { form.OnSave(); });
  EXPECT_EQ(Names(), (std::vector<std::string>{"Alpha", "Beta", "Zed"}));
  EXPECT_EQ(list.Row(2), (CatalogEntry{{"Zed", "Tools", "E:\\Apps\\zed.exe", ""}}));
}

TEST_F(EntryEditorLogic, AFileInADriveRootGetsOneBackslash) {
  AddFile("E:\\app.exe");
  Open(Command::AddEntry, [&](EntryEditor& form) {
    form.OpenFolderRow(0);
    Pick(form, "app.exe");
    form.OnSave();
  });
  ASSERT_EQ(list.RowCount(), 1u);
  EXPECT_EQ(list.Row(0).TargetFile(), "E:\\app.exe");
}

TEST_F(EntryEditorLogic, EveryTypeListWriteKeepsItemsAsTheyWere) {
  AddFile("E:\\Carrydeck\\app.exe");
  File("Types.dat") = "Games\r\nTools";
  Open(Command::AddEntry, [&](EntryEditor& form) {
    view.type = "Games";
    form.OnAddType();
    form.OnAddType();
    EXPECT_EQ(view.type, "Games") << "the type stays in the box";
    EXPECT_EQ(File("Types.dat"), "Games\r\nTools\r\nGames\r\nGames\r\n");
    view.type = "";
    form.OnAddType();
    EXPECT_EQ(File("Types.dat"), "Games\r\nTools\r\nGames\r\nGames\r\n\r\n");
    EXPECT_EQ(view.typeItems, (std::vector<std::string>{"Games", "Tools", "Games", "Games", ""}));
    form.OnCancel();
  });
  EXPECT_EQ(File("Types.dat"), "Games\r\nTools\r\nGames\r\nGames\r\n\r\n") << "Cancel does not undo a +";
  Open(Command::AddEntry, [&](EntryEditor& form) {
    EXPECT_EQ(form.TypeItems().ListCount(), 5) << "the next opening reads the list again";
    EXPECT_EQ(view.typeItems, (std::vector<std::string>{"Games", "Tools", "Games", "Games", ""}));
  });
}

TEST_F(EntryEditorLogic, TypesThatCouldNotBeReadAreNeverOverwritten) {
  AddFile("E:\\Carrydeck\\app.exe");
  File("Types.dat") = "Games\r\n";
  fs.unreadable.insert(appPath + "Types.dat");
  Open(Command::AddEntry, [&](EntryEditor& form) {
    EXPECT_TRUE(view.typeItems.empty());
    form.OnAddType();
    Pick(form, "app.exe");
    form.OnSave();
  });
  EXPECT_EQ(list.RowCount(), 1u) << "the entry is saved all the same";
  EXPECT_EQ(File("Types.dat"), "Games\r\n");
  EXPECT_TRUE(view.messages.empty());
}

TEST_F(EntryEditorLogic, HiddenTypesThatCouldNotBeReadAreNeverOverwritten) {
  AddFile("E:\\Carrydeck\\app.exe");
  File("Types.dat") = "Games\r\n";
  fs.hidden.insert(appPath + "Types.dat");
  fs.unreadable.insert(appPath + "Types.dat");
  Open(Command::AddEntry, [&](EntryEditor& form) {
    form.OnAddType();
    Pick(form, "app.exe");
    form.OnSave();
  });
  EXPECT_EQ(File("Types.dat"), "Games\r\n");
}

TEST_F(EntryEditorLogic, ALeftOverTypesSaveIsRecoveredBeforeReading) {
  fs.files[appPath + "Types.dat.new"] = "Games\r\n";
  Open(Command::AddEntry, [&](EntryEditor&) { EXPECT_EQ(view.typeItems, std::vector<std::string>{"Games"}); });
  EXPECT_FALSE(fs.files.count(appPath + "Types.dat.new"));
}

TEST_F(EntryEditorLogic, AStrayLeftOverNeverTakesThePlaceOfTheTypesList) {
  // Unreadable: not loaded, so neither it nor the left-over is touched.
  File("Types.dat") = "Games\r\n";
  fs.unreadable.insert(appPath + "Types.dat");
  File("Types.dat.new") = "Stray\r\n";
  Open(Command::AddEntry, [&](EntryEditor&) { EXPECT_TRUE(view.typeItems.empty()); });
  EXPECT_EQ(File("Types.dat"), "Games\r\n");
  EXPECT_EQ(File("Types.dat.new"), "Stray\r\n");
  // Hidden, and read as it is: what a save cut short left beside it is older and goes.
  fs.unreadable.clear();
  fs.hidden.insert(appPath + "Types.dat");
  Open(Command::AddEntry, [&](EntryEditor&) { EXPECT_EQ(view.typeItems, std::vector<std::string>{"Games"}); });
  EXPECT_EQ(File("Types.dat"), "Games\r\n");
  EXPECT_FALSE(Has("Types.dat.new"));
}

// A left-over whose read-only mark cannot be taken off (another user's) still blocks the
// save: the status line names the file, after the icon lines of the rebuild that follows.
TEST_F(EntryEditorLogic, SavesThatStillFailNameTheFileInTheStatusLine) {
  File("Settings.ini") = "[MAIN]\r\nICONS=1\r\n";
  icons = &iconPorts;
  AddFile("E:\\Carrydeck\\app.exe");
  File("Types.dat") = "Games\r\n";
  auto stuck = [&](const char* name) {
    File(name) = "";
    fs.readOnlyFiles.insert(appPath + name);
    fs.lockedAttributes.insert(appPath + name);
  };
  stuck("Types.dat.new");
  Start(kCatalogue);
  Open(Command::AddEntry, [&](EntryEditor& form) {
    view.type = "Tools";
    form.OnAddType();
    EXPECT_EQ(main.status, "Error saving Types.dat: Access is denied.");
    Pick(form, "app.exe");
    form.OnSave();
  });
  // The icon lines come once the worker is done; the report is the last line still.
  ASSERT_TRUE(worker.Busy());
  while (worker.Extract()) owner->OnIconsReady();
  EXPECT_TRUE(Has("imagelist.dat"));
  EXPECT_EQ(main.status, "Error saving Types.dat: Access is denied.");
  EXPECT_EQ(list.RowCount(), 4u);
  EXPECT_EQ(File("Types.dat"), "Games\r\n");

  // Both fail: the catalogue is what the user most needs to hear of.
  stuck("Data.dat.new");
  const std::string data = File("Data.dat");
  Open(Command::AddEntry, [&](EntryEditor& form) {
    Pick(form, "app.exe");
    form.OnSave();
  });
  while (worker.Extract()) owner->OnIconsReady();
  EXPECT_EQ(main.status, "Error saving Data.dat: Access is denied.");
  EXPECT_EQ(list.RowCount(), 5u) << "the entry stays in the list for this run";
  EXPECT_EQ(File("Data.dat"), data);
  EXPECT_TRUE(main.messages.empty());
}

TEST_F(EntryEditorLogic, SaveClickedAgainWhileTheIconsAreExtractedRunsOnce) {
  for (Command command : {Command::AddEntry, Command::EditEntry}) {
    SCOPED_TRACE(command == Command::AddEntry ? "add" : "edit");
    owner.reset();
    list = MemoryListView();
    File("Settings.ini") = "[MAIN]\r\nICONS=1\r\n";
    icons = &iconPorts;
    AddFile("E:\\Apps\\zed.exe");
    AddFile("E:\\Carrydeck\\app.exe");
    Start(kCatalogue);
    list.SelectRow(0);
    Open(command, [&](EntryEditor& form) {
      Pick(form, command == Command::AddEntry ? "app.exe" : "zed.exe");
      view.name = "Zed2";
      form.OnSave();
      ASSERT_TRUE(worker.Busy()) << "the icons are still being extracted";
      form.OnSave();  // the second click
    });
    while (worker.Extract()) owner->OnIconsReady();
    EXPECT_EQ(list.RowCount(), command == Command::AddEntry ? 4u : 3u);
    const std::vector<std::string> names = Names();
    EXPECT_EQ(std::count(names.begin(), names.end(), "Zed2"), 1);
    EXPECT_EQ(view.closes, 1);
    EXPECT_EQ(iml.images.size(), list.RowCount());
    EXPECT_TRUE(Has("imagelist.dat"));
  }
}

TEST_F(EntryEditorLogic, ExitWhileTheEditorOrItsBoxIsOpenWaitsForTheEditorThenAsks) {
  // From the tray's Exit and from a close request on the main window, made while the
  // editor's network-path box is open.
  for (bool fromTray : {true, false}) {
    SCOPED_TRACE(fromTray ? "tray exit" : "close request");
    owner.reset();
    main = FakeMainView();
    AddFile("E:\\Apps\\zed.exe");
    Start(kCatalogue);
    list.SelectRow(0);
    main.answers = {mb::IdNo};
    bool stayed = false;
    Open(Command::EditEntry, [&](EntryEditor& form) {
      const std::vector<std::string> events = main.events;
      view.onInputBox = [&] {
        if (fromTray)
          owner->OnCommand(Command::Exit);
        else
          stayed = owner->OnCloseRequest();
      };
      form.OnOtherFolder();
      EXPECT_FALSE(form.Unloaded()) << "the editor stays open";
      EXPECT_TRUE(main.messages.empty()) << "no question while the editor is open";
      EXPECT_EQ(main.events, events) << "nor any step of the exit";
      // The user finishes the edit.
      Pick(form, "zed.exe");
      view.name = "Zed2";
      form.OnSave();
    });
    EXPECT_TRUE(fromTray || stayed) << "the window stays until the editor is gone";
    ASSERT_EQ(main.messages.size(), 1u);
    EXPECT_EQ(main.messages[0].title, "Safely Remove USB Device?");
    EXPECT_EQ(main.events.back(), "end");
    EXPECT_EQ(std::count(main.events.begin(), main.events.end(), "end"), 1);
    EXPECT_EQ(Names(), (std::vector<std::string>{"Alpha", "Beta", "Zed2"}));
    EXPECT_NE(File("Data.dat").find("Zed2\r\n"), std::string::npos) << "the edit is saved, then the exit";
  }
}

TEST_F(EntryEditorLogic, NothingOfTheMainWindowActsWhileTheEditorIsOpen) {
  AddFile("E:\\Apps\\zed.exe");
  Start(kCatalogue);
  list.SelectRow(0);
  const std::string data = File("Data.dat");
  Open(Command::AddEntry, [&](EntryEditor& form) {
    // Del and F5 of the main window's keys, a second editor, a header click.
    owner->OnCommand(Command::DeleteEntry);
    owner->OnCommand(Command::RefreshList);
    owner->OnCommand(Command::EditEntry);
    owner->OnColumnClick(1);
    form.OnCancel();
  });
  EXPECT_TRUE(main.messages.empty()) << "no delete question";
  EXPECT_EQ(main.entryEditorDialogs, 1);
  EXPECT_EQ(Names(), (std::vector<std::string>{"Zed", "Alpha", "Beta"}));
  EXPECT_EQ(File("Data.dat"), data);
}

TEST_F(EntryEditorLogic, CancelChangesNothing) {
  AddFile("E:\\Apps\\zed.exe");
  Start(kCatalogue);
  list.SelectRow(0);
  const std::string data = File("Data.dat");
  fs.creates = 0;
  Open(Command::EditEntry, [&](EntryEditor& form) {
    view.name = "Changed";
    form.OnCancel();
    EXPECT_TRUE(form.Unloaded());
  });
  EXPECT_EQ(Names(), (std::vector<std::string>{"Zed", "Alpha", "Beta"}));
  EXPECT_EQ(File("Data.dat"), data);
  EXPECT_EQ(fs.creates, 0) << "nothing at all was written";
  EXPECT_EQ(File("imagelist.dat"), "old cache");
}

// ---- the name from a click ---------------------------------------------------------------

TEST_F(EntryEditorLogic, AClickFillsAnEmptyNameWithThePartBeforeTheFirstDot) {
  for (const char* file : {"setup.en.exe", ".hidden", "README", "a."}) AddFile(std::string("E:\\Carrydeck\\") + file);
  Open(Command::AddEntry, [&](EntryEditor& form) {
    const std::pair<const char*, const char*> cases[] = {
        {"setup.en.exe", "setup"}, {".hidden", ".hidden"}, {"README", "README"}, {"a.", "a"}};
    for (const auto& [file, expected] : cases) {
      view.name = "";
      Pick(form, file);
      EXPECT_EQ(view.name, expected) << file;
    }
    Pick(form, "setup.en.exe");
    EXPECT_EQ(view.name, "a") << "a name already there is kept";
    view.name = "";
    view.file = -1;
    form.OnFileClick();
    EXPECT_EQ(view.name, "");
  });
}

// ---- the three lists ---------------------------------------------------------------------

TEST_F(EntryEditorLogic, ADriveOpensWhereTheProcessStoodOnItAndTheFilesFollow) {
  AddFile("F:\\Docs\\a.txt");
  AddFile("F:\\top.exe");
  folders.currentOn["F:\\"] = "F:\\Docs";
  Open(Command::AddEntry, [&](EntryEditor& form) {
    form.PickDrive(2);
    EXPECT_EQ(view.ShownDrive(), "F:\\");
    EXPECT_EQ(form.DirPath(), "F:\\Docs");
    EXPECT_EQ(view.files, std::vector<std::string>{"a.txt"});
    form.OpenFolderRow(view.FolderRowOf("F:\\"));
    EXPECT_EQ(view.files, std::vector<std::string>{"top.exe"});
    EXPECT_EQ(view.folders.size(), 2u);
    EXPECT_EQ(view.folders[1].text, "Docs");
    EXPECT_TRUE(view.messages.empty());
  });
}

TEST_F(EntryEditorLogic, ADriveWithoutAMediumIsReportedAndTheListsAgreeAgain) {
  folders.failFolders["C:\\"] = "The device is not ready.";
  Open(Command::AddEntry, [&](EntryEditor& form) {
    form.PickDrive(0);
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(view.messages[0].text, "Error changing drive: The device is not ready.");
    EXPECT_EQ(view.messages[0].style, mb::OK | mb::IconStop);
    EXPECT_EQ(view.messages[0].title, "Fenwright's Carrydeck");
    EXPECT_EQ(view.ShownDrive(), "E:\\");
    EXPECT_EQ(form.Drive(), "E:\\");
    EXPECT_EQ(form.DirPath(), "E:\\Carrydeck");
    EXPECT_EQ(form.FilePath(), "E:\\Carrydeck");
    EXPECT_EQ(view.files, std::vector<std::string>{"Menu.exe"});
  });
}

TEST_F(EntryEditorLogic, AFolderThatCannotBeOpenedIsReportedAndNothingMoves) {
  folders.AddFolder("E:\\Carrydeck\\Locked");
  folders.failFolders["E:\\Carrydeck\\Locked"] = "Access is denied.";
  Open(Command::AddEntry, [&](EntryEditor& form) {
    view.folder = view.FolderRowOf("Locked");  // the click before the double click
    form.OpenFolderRow(view.folder);
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(view.messages[0].text, "Error changing directory: Access is denied.");
    EXPECT_EQ(view.messages[0].style, mb::OK | mb::IconStop);
    EXPECT_EQ(form.DirPath(), "E:\\Carrydeck");
    EXPECT_EQ(view.folders[view.folder].text, "Carrydeck") << "the highlight is back on the open folder";
    EXPECT_EQ(view.files, std::vector<std::string>{"Menu.exe"});
  });
}

TEST_F(EntryEditorLogic, AFolderWhoseFilesCannotBeListedPutsTheFolderListBack) {
  folders.AddFolder("E:\\Carrydeck\\Odd");
  folders.failFiles["E:\\Carrydeck\\Odd"] = "The parameter is incorrect.";
  folders.failFiles["F:\\"] = "The parameter is incorrect.";
  folders.AddFolder("F:\\");
  Open(Command::AddEntry, [&](EntryEditor& form) {
    form.OpenFolderRow(view.FolderRowOf("Odd"));
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(view.messages[0].text, "Error changing directory: The parameter is incorrect.");
    EXPECT_EQ(form.DirPath(), "E:\\Carrydeck");
    EXPECT_EQ(view.folders[view.folder].text, "Carrydeck");

    // The same under a drive change: the drive list follows the folder list back.
    form.PickDrive(2);
    EXPECT_EQ(form.DirPath(), "E:\\Carrydeck");
    EXPECT_EQ(view.ShownDrive(), "E:\\");
    ASSERT_EQ(view.messages.size(), 2u);
    EXPECT_EQ(view.messages[1].text, "Error changing directory: The parameter is incorrect.");
  });
}

TEST_F(EntryEditorLogic, ANetworkPathFromTheBoxOpensTheListsOnTheShare) {
  AddFile("\\\\server\\share\\Apps\\tool.exe");
  Open(Command::AddEntry, [&](EntryEditor& form) {
    view.answers = {"\\\\server\\share\\Apps\\"};
    form.OnOtherFolder();
    ASSERT_EQ(view.inputBoxes.size(), 1u);
    EXPECT_EQ(view.inputBoxes[0].first, "Please enter the path of the network drive.\r\neg. \\\\MyComputer\\c");
    EXPECT_EQ(view.inputBoxes[0].second, "Enter Path");
    EXPECT_EQ(form.DirPath(), "\\\\server\\share\\Apps");
    EXPECT_EQ(view.ShownDrive(), "\\\\server\\share\\");
    EXPECT_EQ(view.drives.size(), 4u) << "the share joins the drives";
    EXPECT_EQ(view.folders[0].text, "\\\\server\\share");
    EXPECT_EQ(view.files, std::vector<std::string>{"tool.exe"});
    Pick(form, "tool.exe");
    form.OnSave();
  });
  ASSERT_EQ(list.RowCount(), 1u);
  EXPECT_EQ(list.Row(0).TargetFile(), "\\\\server\\share\\Apps\\tool.exe");
}

TEST_F(EntryEditorLogic, AnEmptyOrUnusablePathFromTheBoxLeavesTheListsWhereTheyWere) {
  AddFile("E:\\Docs\\a.txt");
  Open(Command::AddEntry, [&](EntryEditor& form) {
    view.answers = {"", "   ", "\\\\nosuch\\share", "\\\\server", "Docs", "E:Docs", "*"};
    for (size_t i = 0; i < 7; ++i) {
      form.OnOtherFolder();
      EXPECT_EQ(form.DirPath(), "E:\\Carrydeck") << i;
      EXPECT_EQ(view.ShownDrive(), "E:\\") << i;
      EXPECT_EQ(view.files, std::vector<std::string>{"Menu.exe"}) << i;
    }
    EXPECT_EQ(view.drives.size(), 3u);
    EXPECT_TRUE(view.messages.empty()) << "the path box passes failures over";

    view.answers = {"e:/Docs/../Docs/./"};
    form.OnOtherFolder();
    EXPECT_EQ(form.DirPath(), "E:\\Docs");
    EXPECT_EQ(view.files, std::vector<std::string>{"a.txt"});
  });
}

TEST(FolderListPath, RootsKeepTheirBackslashFoldersLoseIt) {
  EXPECT_EQ(FolderListPath("E:\\Apps\\"), "E:\\Apps");
  EXPECT_EQ(FolderListPath("e:\\"), "E:\\");
  EXPECT_EQ(FolderListPath("E:"), "E:\\");
  EXPECT_EQ(FolderListPath("E:\\a\\..\\..\\b\\\\c"), "E:\\b\\c");
  EXPECT_EQ(FolderListPath("\\\\server\\share"), "\\\\server\\share\\");
  EXPECT_EQ(FolderListPath("\\\\server\\share\\x\\"), "\\\\server\\share\\x");
  EXPECT_EQ(FolderListPath("//server/share/x"), "\\\\server\\share\\x");
  for (const char* bad : {"", "\\", "\\\\", "\\\\server", "\\\\server\\", "\\\\\\share", "Apps", "E:Apps", "1:\\"})
    EXPECT_EQ(FolderListPath(bad), "") << bad;
  EXPECT_EQ(DriveRootOfPath("\\\\server\\share\\x\\y.exe"), "\\\\server\\share\\");
  EXPECT_EQ(DriveRootOfPath("f:\\x"), "F:\\");
}

// The editor over a catalogue of its own that records what is asked of it.
class RecordingCatalogue : public ICatalogueEditing {
 public:
  CatalogueModel rows;
  std::optional<size_t> selected;
  std::vector<std::string> calls;
  CatalogueModel& Catalogue() override { return rows; }
  std::optional<size_t> SelectedRow() const override { return selected; }
  void RepaintList() override {}
  SaveResult SaveCatalogue() override {
    calls.push_back("save " + std::to_string(rows.Count()) + " rows");
    return {};
  }
  void RebuildIcons() override { calls.push_back("rebuild icons"); }
  void ReportUnsaved(const std::string& fileName, const std::string&) override {
    calls.push_back("unsaved " + fileName);
  }
  void ShowStatus(const std::string& text) override { calls.push_back("status " + text); }
};

TEST(EntryEditorOverItsCatalogue, SaveChangesTheRowsThenSavesThemBeforeTheIconsAreRebuilt) {
  for (EditorMode mode : {EditorMode::Add, EditorMode::Edit}) {
    SCOPED_TRACE(mode == EditorMode::Add ? "add" : "edit");
    MemoryFileSystem fs;
    FakeFolders folders;
    FakeEditorView view;
    folders.current = "C:\\";
    folders.AddFolder("C:\\");
    for (const char* file : {"E:\\Apps\\old.exe", "E:\\Apps\\new.exe"}) {
      fs.files[file] = "MZ";
      folders.AddFile(file);
    }
    RecordingCatalogue catalogue;
    catalogue.rows.Append({CatalogEntry{{"Old", "Tools", "E:\\Apps\\old.exe", ""}},
                           CatalogEntry{{"Game", "Games", "E:\\Games\\game.exe", ""}}});
    catalogue.selected = 0;
    EntryEditor editor(mode, catalogue, fs, "F:\\Menu\\");
    EXPECT_EQ(editor.Mode(), mode);
    editor.Attach(view, folders);
    editor.OnLoad();
    if (mode == EditorMode::Add) editor.PickDrive(1);  // E:, where the process stood in its root
    ASSERT_EQ(editor.DirPath(), mode == EditorMode::Add ? "E:\\" : "E:\\Apps");
    if (mode == EditorMode::Add) editor.OpenFolderRow(view.FolderRowOf("Apps"));
    view.file = static_cast<int>(std::find(view.files.begin(), view.files.end(), "new.exe") - view.files.begin());
    view.name = "New";
    view.type = "Tools";
    editor.OnSave();
    const size_t rows = mode == EditorMode::Add ? 3 : 2;
    EXPECT_EQ(catalogue.calls, (std::vector<std::string>{"save " + std::to_string(rows) + " rows", "rebuild icons"}));
    ASSERT_EQ(catalogue.rows.Count(), rows);
    EXPECT_EQ(catalogue.rows.Entry(0).Name(), "Game") << "grouped by type";
    EXPECT_EQ(catalogue.rows.Entry(1), (CatalogEntry{{"New", "Tools", "E:\\Apps\\new.exe", ""}}));
    EXPECT_EQ(catalogue.rows.Entry(rows - 1).Name(), mode == EditorMode::Add ? "Old" : "New")
        << "only an edit replaces";
    EXPECT_EQ(fs.files.count("F:\\Menu\\Types.dat"), 1u) << "the types list lies in the program folder";
    EXPECT_TRUE(editor.Unloaded());
  }
}

TEST(EntryEditorOverItsCatalogue, TypesStayAnsiUntilATypeOutsideTheCodePageAndDamagedTypesWaitForPlus) {
  const std::string mark = "\xEF\xBB\xBF", fffd = "\xEF\xBF\xBD";
  const std::string typesFile = "F:\\Menu\\Types.dat";
  testing::CodePage1252 codePage;
  MemoryFileSystem fs;
  FakeFolders folders;
  folders.current = "C:\\";
  folders.AddFolder("C:\\");
  RecordingCatalogue catalogue;
  auto open = [&](FakeEditorView& view, std::unique_ptr<EntryEditor>& editor) {
    editor = std::make_unique<EntryEditor>(EditorMode::Add, catalogue, fs, "F:\\Menu\\", &codePage);
    editor->Attach(view, folders);
    editor->OnLoad();
  };
  fs.files[typesFile] = "Caf\xE9\r\n";
  {
    FakeEditorView view;
    std::unique_ptr<EntryEditor> editor;
    open(view, editor);
    EXPECT_EQ(editor->TypeItems().List(0), "Caf\xC3\xA9");
    view.type = "Spiele";
    editor->OnAddType();
    EXPECT_EQ(fs.files[typesFile], "Caf\xE9\r\nSpiele\r\n") << "ANSI while every type fits";
    view.type = "\xD0\xA0\xD1\x83";  // "Ру"
    editor->OnAddType();
    EXPECT_EQ(fs.files[typesFile], mark + "Caf\xC3\xA9\r\nSpiele\r\n\xD0\xA0\xD1\x83\r\n");
  }
  const std::string damaged = mark + "Bad\xFF\r\nGames\r\n";
  fs.files[typesFile] = damaged;
  fs.files["C:\\tool.exe"] = "MZ";
  folders.AddFile("C:\\tool.exe");
  {
    FakeEditorView view;
    std::unique_ptr<EntryEditor> editor;
    open(view, editor);
    EXPECT_EQ(editor->TypeItems().List(0), "Bad" + fffd);
    EXPECT_EQ(catalogue.calls.back(), "status Damaged text in Types.dat is shown as " + fffd +
                                          "; the file is written again only when a type is added with \"+\".");
    view.file = static_cast<int>(std::find(view.files.begin(), view.files.end(), "tool.exe") - view.files.begin());
    ASSERT_LT(static_cast<size_t>(view.file), view.files.size());
    view.type = "Games";
    editor->OnSave();
    EXPECT_EQ(catalogue.calls.back(), "rebuild icons") << "the entry is saved, and nothing is reported";
    EXPECT_EQ(fs.files[typesFile], damaged) << "a Save alone leaves the damaged list as it was";
  }
  FakeEditorView view;
  std::unique_ptr<EntryEditor> editor;
  open(view, editor);
  view.type = "Tools";
  editor->OnAddType();
  EXPECT_EQ(fs.files[typesFile], mark + "Bad" + fffd + "\r\nGames\r\nTools\r\n");
}

TEST(SortByTypeThenName, GroupsTypesWithNamesInOrder) {
  CatalogueModel list;
  list.Append({CatalogEntry{{"zeta", "Tools", "", ""}}, CatalogEntry{{"Alpha", "Games", "", ""}},
               CatalogEntry{{"beta", "Tools", "", ""}}, CatalogEntry{{"Gamma", "games", "", ""}}});
  SortByTypeThenName(list);
  std::string names;
  for (size_t i = 0; i < list.Count(); ++i) names += list.Field(i, kNameField);
  EXPECT_EQ(names, "AlphaGammabetazeta");
  EXPECT_EQ(list.Key(), 1);
}

// ---- Delete Entry ------------------------------------------------------------------------

struct DeleteEntry : EntryEditorLogic {};

TEST_F(DeleteEntry, NoKeepsTheRowsButRewritesTheFileAndRebuildsTheIcons) {
  Start(std::string(kCatalogue) + "Last\r\nT\r\nE:\\l.exe\r\n");  // short last record
  list.SelectRow(1);
  main.answers = {mb::IdNo};
  owner->OnCommand(Command::DeleteEntry);
  ASSERT_EQ(main.messages.size(), 1u);
  EXPECT_EQ(main.messages[0].text, "Are you sure you want to remove Alpha?");
  EXPECT_EQ(main.messages[0].style, mb::YesNo | mb::IconQuestion | mb::DefaultButton2);
  EXPECT_EQ(main.messages[0].title, "Fenwright's Carrydeck");
  EXPECT_EQ(Names(), (std::vector<std::string>{"Zed", "Alpha", "Beta", "Last"}));
  EXPECT_EQ(File("Data.dat"), std::string(kCatalogue) + "Last\r\nT\r\nE:\\l.exe\r\n\r\n");
  EXPECT_FALSE(Has("imagelist.dat"));
  EXPECT_GE(list.repaints(), 1);
}

TEST_F(DeleteEntry, YesRemovesTheSelectedRowOnly) {
  Start(kCatalogue);
  list.SelectRow(1);
  main.answers = {mb::IdYes};
  owner->OnCommand(Command::DeleteEntry);
  EXPECT_EQ(Names(), (std::vector<std::string>{"Zed", "Beta"}));
  EXPECT_EQ(File("Data.dat"),
            "Zed\r\nTools\r\nE:\\Apps\\zed.exe\r\n\r\n"
            "Beta\r\nTools\r\nE:\\Apps\\beta.exe\r\n%drive%\\x\r\n");
}

TEST_F(DeleteEntry, YesOnTheOnlyEntryLeavesAZeroByteFile) {
  Start("\r\nT\r\nE:\\x.exe\r\n\r\n");
  list.SelectRow(0);
  main.answers = {mb::IdYes};
  owner->OnCommand(Command::DeleteEntry);
  EXPECT_EQ(main.messages[0].text, "Are you sure you want to remove ?") << "an empty name, shown as stored";
  EXPECT_EQ(list.RowCount(), 0u);
  EXPECT_EQ(File("Data.dat"), "");
}

TEST_F(DeleteEntry, WithoutASelectedRowNothingIsAskedOrWritten) {
  Start(kCatalogue);
  const int creates = fs.creates;
  owner->OnCommand(Command::DeleteEntry);
  EXPECT_TRUE(main.messages.empty());
  EXPECT_EQ(list.RowCount(), 3u);
  EXPECT_EQ(fs.creates, creates);
  EXPECT_EQ(File("imagelist.dat"), "old cache");
}

}  // namespace
}  // namespace carrydeck
