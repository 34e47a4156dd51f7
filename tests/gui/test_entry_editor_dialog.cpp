// The real Add/Edit Entry dialog and Delete Entry on a program folder on drive E:, worked
// with the messages a user's clicks and keys produce, from inside the dialog's own loop.
#include <cmath>
#include <deque>
#include <functional>

#include "GuiTest.h"
#include "common/win32/WideText.h"
#include "launcher/win32/EntryEditorDialog.h"
#include "launcher/win32/InputBox.h"

namespace carrydeck::gui {
namespace {

constexpr UINT_PTR kRescueTimer = 0x7E57;

// A dialog a test forgot to close would hang the suite: close it and say so.
void CALLBACK Rescue(HWND dialog, UINT, UINT_PTR id, DWORD) {
  KillTimer(dialog, id);
  ADD_FAILURE() << "a dialog was left open";
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
}

std::string Text(HWND hwnd) {
  wchar_t text[2048] = {};
  GetWindowTextW(hwnd, text, 2048);
  return Utf8(text);
}

std::vector<std::string> ListItems(HWND list) {
  std::vector<std::string> items;
  int n = static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0));
  for (int i = 0; i < n; ++i) {
    std::wstring text(static_cast<size_t>(SendMessageW(list, LB_GETTEXTLEN, i, 0)) + 1, L'\0');
    SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(&text[0]));
    items.push_back(Utf8(text.c_str()));
  }
  return items;
}

std::vector<std::string> ComboItems(HWND combo) {
  std::vector<std::string> items;
  int n = static_cast<int>(SendMessageA(combo, CB_GETCOUNT, 0, 0));
  for (int i = 0; i < n; ++i) {
    std::string text(static_cast<size_t>(SendMessageA(combo, CB_GETLBTEXTLEN, i, 0)) + 1, '\0');
    SendMessageA(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(&text[0]));
    items.push_back(text.c_str());
  }
  return items;
}

std::string SelectedText(HWND list) {
  int index = static_cast<int>(SendMessageA(list, LB_GETCURSEL, 0, 0));
  std::vector<std::string> items = ListItems(list);
  return index >= 0 && index < static_cast<int>(items.size()) ? items[index] : std::string();
}

std::string DriveShown(HWND dialog) {
  HWND combo = GetDlgItem(dialog, IDC_DRIVE1);
  int index = static_cast<int>(SendMessageA(combo, CB_GETCURSEL, 0, 0));
  std::vector<std::string> items = ComboItems(combo);
  return index >= 0 && index < static_cast<int>(items.size()) ? items[index] : std::string();
}

void Notify(HWND dialog, int id, WORD code) {
  SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

void Click(HWND dialog, int id) { SendMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

void Type(HWND dialog, int id, const std::string& text) { SetWindowTextW(GetDlgItem(dialog, id), Wide(text).c_str()); }

// A click on a file: the selection moves, the list tells its dialog.
void PickFile(HWND dialog, const std::string& name) {
  HWND list = GetDlgItem(dialog, IDC_FILE1);
  LRESULT index =
      SendMessageW(list, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(Wide(name).c_str()));
  ASSERT_NE(index, LB_ERR) << name;
  SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
  Notify(dialog, IDC_FILE1, LBN_SELCHANGE);
}

// A double click on a folder row.
void OpenFolder(HWND dialog, const std::string& text) {
  HWND list = GetDlgItem(dialog, IDC_DIR1);
  LRESULT index =
      SendMessageW(list, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(Wide(text).c_str()));
  ASSERT_NE(index, LB_ERR) << text;
  SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
  Notify(dialog, IDC_DIR1, LBN_DBLCLK);
}

// A key as the dialog's loop sees it: it is handled once the running script returns.
void PostKey(HWND dialog, int focusedId, WORD key) {
  HWND control = GetDlgItem(dialog, focusedId);
  SetFocus(control);
  PostMessageA(control, WM_KEYDOWN, key, 1);
  PostMessageA(control, WM_KEYUP, key, 0xC0000001);
}

// The process stands in a folder while it lives (the lists open there), and leaves it
// before the folder is removed.
class StandIn {
 public:
  explicit StandIn(const StickFolder& folder) {
    GetCurrentDirectoryA(sizeof old_, old_);
    SetCurrentDirectoryA(folder.path().c_str());
  }
  ~StandIn() { SetCurrentDirectoryA(old_); }
  StandIn(const StandIn&) = delete;
  StandIn& operator=(const StandIn&) = delete;

 private:
  char old_[MAX_PATH] = {};
};

struct EntryEditorDialogTest : ::testing::Test {
  std::vector<MessageBoxRequest> boxes;
  std::deque<int> answers;
  // A window to look at when each box shows: was it still on screen?
  HWND watched = nullptr;
  std::vector<bool> watchedShownAtBox;
  // One script per dialog that opens (the Add/Edit dialog, the path box), in order.
  std::deque<std::function<void(HWND)>> scripts;
  int dialogsOpened = 0;
  std::unique_ptr<TestLauncher> window;
  void TearDown() override {
    window.reset();
    Pump(nullptr, 10);
  }
  void Open(const StickFolder& folder) {
    window = std::make_unique<TestLauncher>();
    window->SetMessageBoxHook([this](const MessageBoxRequest& r) {
      boxes.push_back(r);
      watchedShownAtBox.push_back(watched && IsWindowVisible(watched));
      if (answers.empty()) return IDOK;
      int answer = answers.front();
      answers.pop_front();
      return answer;
    });
    window->SetDialogHook([this](HWND dialog) {
      ++dialogsOpened;
      SetTimer(dialog, kRescueTimer, 20000, &Rescue);
      if (scripts.empty()) return;
      auto script = std::move(scripts.front());
      scripts.pop_front();
      script(dialog);
    });
    ASSERT_TRUE(window->Create(folder.path(), SW_SHOWNORMAL));
    Pump(window.get());
    for (int i = 0; i < 100 && window->logic().CurrentSettings().Icons() &&
                    StatusText(window->statusBar()).rfind("Icons ", 0) != 0 && boxes.empty();
         ++i)
      Pump(window.get(), 20);
  }
  // A menu command; an Add/Edit dialog runs its whole modal life inside.
  void Choose(Command item) {
    SendMessageA(window->hwnd(), WM_COMMAND, static_cast<WPARAM>(item), 0);
    Pump(window.get());
  }
  HWND list() { return window->list().hwnd(); }
  std::vector<std::string> Names() {
    std::vector<std::string> names;
    for (int i = 0; i < ItemCount(list()); ++i) names.push_back(ItemText(list(), i, 0));
    return names;
  }
  static void MakeFolder(const StickFolder& stick, const std::string& name) {
    CreateDirectoryW(Wide(stick.path() + name).c_str(), nullptr);
  }
};

const char kCatalogue[] =
    "Zed\r\nTools\r\nE:\\Apps\\zed.exe\r\n\r\n"
    "Alpha\r\nGames\r\nE:\\Games\\alpha.exe\r\n-fast\r\n"
    "Beta\r\nTools\r\nE:\\Apps\\beta.exe\r\n%drive%\\x";

TEST_F(EntryEditorDialogTest, AddPickAFileSaveAndTheRowIsInItsPlaceWithBothFilesWritten) {
  StickFolder stick("adddlg-add");
  stick.Write("Data.dat", kCatalogue);
  MakeFolder(stick, "Tools");
  stick.Write("Tools\\editor.exe", "MZ");
  stick.Write("Tools\\readme.txt", "text");
  Open(stick);
  const std::string cacheAtStart = stick.Read("imagelist.dat");
  StandIn here(stick);

  scripts.push_back([&](HWND dialog) {
    EXPECT_TRUE(IsWindowVisible(dialog));
    EXPECT_FALSE(IsWindowEnabled(window->hwnd())) << "modal: the main window waits";
    EXPECT_EQ(Text(dialog), "Add Entry");
    EXPECT_EQ(Text(GetDlgItem(dialog, IDC_CMBTYPE)), "Application");
    EXPECT_EQ(Text(GetDlgItem(dialog, IDC_TXTNAME)), "");
    EXPECT_EQ(DriveShown(dialog).substr(0, 2), "e:");
    EXPECT_EQ(ListItems(GetDlgItem(dialog, IDC_DIR1)), (std::vector<std::string>{"E:\\", "adddlg-add", "Tools"}));
    EXPECT_EQ(SelectedText(GetDlgItem(dialog, IDC_DIR1)), "adddlg-add");
    EXPECT_EQ(ListItems(GetDlgItem(dialog, IDC_FILE1)),
              (std::vector<std::string>{"Data.dat", "imagelist.dat", "Settings.ini"}));
    EXPECT_EQ(SendMessageA(GetDlgItem(dialog, IDC_FILE1), LB_GETCURSEL, 0, 0), LB_ERR);

    OpenFolder(dialog, "Tools");
    EXPECT_EQ(ListItems(GetDlgItem(dialog, IDC_FILE1)), (std::vector<std::string>{"editor.exe", "readme.txt"}));
    PickFile(dialog, "editor.exe");
    EXPECT_EQ(Text(GetDlgItem(dialog, IDC_TXTNAME)), "editor");
    Type(dialog, IDC_TXTCOMMANDLINE, "/ini=%dir%editor.ini");
    Click(dialog, IDC_CMDSAVE);
  });
  Choose(Command::AddEntry);

  EXPECT_EQ(dialogsOpened, 1);
  EXPECT_TRUE(IsWindowEnabled(window->hwnd()));
  EXPECT_EQ(Names(), (std::vector<std::string>{"editor", "Alpha", "Beta", "Zed"}));
  EXPECT_EQ(ItemText(list(), 0, 2), "E:\\adddlg-add\\Tools\\editor.exe");
  EXPECT_EQ(stick.Read("Data.dat"),
            "editor\r\nApplication\r\nE:\\adddlg-add\\Tools\\editor.exe\r\n/ini=%dir%editor.ini\r\n"
            "Alpha\r\nGames\r\nE:\\Games\\alpha.exe\r\n-fast\r\n"
            "Beta\r\nTools\r\nE:\\Apps\\beta.exe\r\n%drive%\\x\r\n"
            "Zed\r\nTools\r\nE:\\Apps\\zed.exe\r\n\r\n");
  ASSERT_TRUE(stick.Has("Types.dat"));
  EXPECT_EQ(stick.Read("Types.dat"), "");
  // The icons were rebuilt for the four rows: a new cache and the rebuild's last word.
  EXPECT_EQ(StatusText(window->statusBar()).rfind("Icons rebuilt. ", 0), 0u) << StatusText(window->statusBar());
  EXPECT_NE(stick.Read("imagelist.dat"), cacheAtStart);
  EXPECT_TRUE(boxes.empty());
}

TEST_F(EntryEditorDialogTest, AnEntryAddedFromAJapaneseFolderIsShownAndSavedAsUtf8WithTheMark) {
  StickFolder stick("adddlg-unicode");
  stick.Write("Data.dat", "Zed\r\nTools\r\nE:\\Apps\\zed.exe\r\n\r\n");
  stick.Write("Settings.ini", "[MAIN]\r\nICONS=0\r\n");
  MakeFolder(stick, "日本語");
  MakeFolder(stick, "Ελληνικά");
  stick.Write("日本語\\ツール.exe", "MZ");
  Open(stick);
  StandIn here(stick);

  scripts.push_back([&](HWND dialog) {
    EXPECT_EQ(ListItems(GetDlgItem(dialog, IDC_DIR1)),
              (std::vector<std::string>{"E:\\", "adddlg-unicode", "Ελληνικά", "日本語"}));
    OpenFolder(dialog, "日本語");
    EXPECT_EQ(ListItems(GetDlgItem(dialog, IDC_FILE1)), (std::vector<std::string>{"ツール.exe"}));
    PickFile(dialog, "ツール.exe");
    EXPECT_EQ(Text(GetDlgItem(dialog, IDC_TXTNAME)), "ツール");
    Type(dialog, IDC_CMBTYPE, "Инструменты");
    Type(dialog, IDC_TXTCOMMANDLINE, "-t Καλημέρα");
    Click(dialog, IDC_CMDSAVE);
  });
  Choose(Command::AddEntry);

  EXPECT_EQ(Names(), (std::vector<std::string>{"Zed", "ツール"}));
  EXPECT_EQ(ItemText(list(), 1, 1), "Инструменты");
  EXPECT_EQ(ItemText(list(), 1, 2), "E:\\adddlg-unicode\\日本語\\ツール.exe");
  EXPECT_EQ(ItemText(list(), 1, 3), "-t Καλημέρα");
  EXPECT_EQ(stick.Read("Data.dat"),
            "\xEF\xBB\xBFZed\r\nTools\r\nE:\\Apps\\zed.exe\r\n\r\n"
            "ツール\r\nИнструменты\r\nE:\\adddlg-unicode\\日本語\\ツール.exe\r\n-t Καλημέρα\r\n");
  EXPECT_EQ(stick.Read("Types.dat"), "") << "no type was added with \"+\": the list stays empty, and ANSI";
  EXPECT_TRUE(boxes.empty());
}

TEST_F(EntryEditorDialogTest, KeysTypedInTheEditorAreTheEditorsNotTheMainWindows) {
  StickFolder stick("adddlg-keys");
  stick.Write("Data.dat", kCatalogue);
  stick.Write("Settings.ini", "[MAIN]\r\nICONS=0\r\n");
  Open(stick);
  window->list().SelectRow(0);
  const std::string data = stick.Read("Data.dat");
  StandIn here(stick);
  scripts.push_back([&](HWND dialog) {
    HWND name = GetDlgItem(dialog, IDC_TXTNAME);
    SetWindowTextA(name, "xName");
    SendMessageA(name, EM_SETSEL, 0, 0);
    // Del and F5 typed into the name box, taken from the queue by the same loop as the main window's keys.
    PostMessageA(name, WM_KEYDOWN, VK_DELETE, 1);
    PostMessageA(name, WM_KEYUP, VK_DELETE, 0xC0000001);
    PostMessageA(name, WM_KEYDOWN, VK_F5, 1);
    PostMessageA(name, WM_KEYUP, VK_F5, 0xC0000001);
    Pump(window.get(), 0);
    EXPECT_EQ(Text(name), "Name") << "Del reached the text box";
    EXPECT_TRUE(boxes.empty()) << "no delete question";
    Click(dialog, IDC_CMDCANCEL);
  });
  Choose(Command::EditEntry);
  EXPECT_EQ(dialogsOpened, 1);
  EXPECT_EQ(ItemCount(list()), 3);
  EXPECT_EQ(stick.Read("Data.dat"), data);
}

TEST_F(EntryEditorDialogTest, TrayExitWhileTheEditorIsOpenWaitsForItThenAsksAndEnds) {
  StickFolder stick("adddlg-exit");
  stick.Write("Data.dat", kCatalogue);
  stick.Write("Settings.ini", "[MAIN]\r\nICONS=0\r\n");
  stick.Write("half.exe", "MZ");
  Open(stick);
  const HWND main = window->hwnd();
  StandIn here(stick);
  answers = {IDNO};
  scripts.push_back([&](HWND dialog) {
    watched = dialog;
    // The tray menu's Exit, chosen while the editor is open.
    PostMessageA(main, WM_COMMAND, static_cast<WPARAM>(Command::Exit), 0);
    Pump(window.get(), 0);
    EXPECT_TRUE(IsWindowVisible(dialog)) << "the editor stays open";
    EXPECT_TRUE(boxes.empty()) << "no question over the editor";
    EXPECT_TRUE(window->tray().added()) << "nor any step of the exit";
    PickFile(dialog, "half.exe");
    Type(dialog, IDC_TXTNAME, "Half");
    Click(dialog, IDC_CMDSAVE);
  });
  Choose(Command::AddEntry);
  Pump(nullptr);
  EXPECT_FALSE(IsWindow(watched));
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].title, "Safely Remove USB Device?");
  EXPECT_FALSE(watchedShownAtBox[0]) << "the question comes once the editor is gone";
  EXPECT_FALSE(IsWindow(main)) << "No ends the launcher";
  EXPECT_EQ(stick.Read("Data.dat"),
            "Half\r\nApplication\r\nE:\\adddlg-exit\\half.exe\r\n\r\n"
            "Alpha\r\nGames\r\nE:\\Games\\alpha.exe\r\n-fast\r\n"
            "Beta\r\nTools\r\nE:\\Apps\\beta.exe\r\n%drive%\\x\r\n"
            "Zed\r\nTools\r\nE:\\Apps\\zed.exe\r\n\r\n")
      << "the entry the user saved is kept";
}

TEST_F(EntryEditorDialogTest, EditOfAnEntryStoredOnAnotherRootOpensAndSavesOnTheLaunchersDrive) {
  StickFolder stick("adddlg-reloc");
  StickFolder other("adddlg-reloc", 'F');  // the entry's old root: nothing there now
  stick.Write("Data.dat", "X\r\nTools\r\nF:\\adddlg-reloc\\Apps\\x.exe\r\n-p\r\n");
  stick.Write("Settings.ini", "[MAIN]\r\nICONS=0\r\n");
  MakeFolder(stick, "Apps");
  stick.Write("Apps\\w.exe", "MZ");
  stick.Write("Apps\\x.exe", "MZ");
  Open(stick);
  window->list().SelectRow(0);

  scripts.push_back([&](HWND dialog) {
    EXPECT_EQ(Text(dialog), "Edit Entry");
    EXPECT_EQ(Text(GetDlgItem(dialog, IDC_TXTNAME)), "X");
    EXPECT_EQ(Text(GetDlgItem(dialog, IDC_CMBTYPE)), "Tools");
    EXPECT_EQ(Text(GetDlgItem(dialog, IDC_TXTCOMMANDLINE)), "-p");
    EXPECT_EQ(DriveShown(dialog).substr(0, 2), "e:");
    EXPECT_EQ(ListItems(GetDlgItem(dialog, IDC_DIR1)), (std::vector<std::string>{"E:\\", "adddlg-reloc", "Apps"}));
    EXPECT_EQ(SelectedText(GetDlgItem(dialog, IDC_DIR1)), "Apps");
    EXPECT_EQ(SelectedText(GetDlgItem(dialog, IDC_FILE1)), "x.exe");
    PostKey(dialog, IDC_TXTNAME, VK_RETURN);  // Enter presses Save
  });
  Choose(Command::EditEntry);

  ASSERT_EQ(ItemCount(list()), 1);
  EXPECT_EQ(ItemText(list(), 0, 2), "E:\\adddlg-reloc\\Apps\\x.exe");
  EXPECT_EQ(stick.Read("Data.dat"), "X\r\nTools\r\nE:\\adddlg-reloc\\Apps\\x.exe\r\n-p\r\n");
}

TEST_F(EntryEditorDialogTest, PlusTwiceAddsTheTypeTwiceAndEscapeCancelsTheRest) {
  StickFolder stick("adddlg-plus");
  stick.Write("Data.dat", kCatalogue);
  stick.Write("Settings.ini", "[MAIN]\r\nICONS=0\r\n");
  Open(stick);
  StandIn here(stick);

  scripts.push_back([&](HWND dialog) {
    EXPECT_TRUE(ComboItems(GetDlgItem(dialog, IDC_CMBTYPE)).empty());
    Type(dialog, IDC_CMBTYPE, "Games");
    Click(dialog, IDC_CMDADDTYPE);
    Click(dialog, IDC_CMDADDTYPE);
    EXPECT_EQ(ComboItems(GetDlgItem(dialog, IDC_CMBTYPE)), (std::vector<std::string>{"Games", "Games"}));
    EXPECT_EQ(Text(GetDlgItem(dialog, IDC_CMBTYPE)), "Games");
    EXPECT_EQ(stick.Read("Types.dat"), "Games\r\nGames\r\n");
    PickFile(dialog, "Data.dat");
    PostKey(dialog, IDC_TXTNAME, VK_ESCAPE);
  });
  Choose(Command::AddEntry);

  EXPECT_EQ(dialogsOpened, 1);
  EXPECT_EQ(stick.Read("Types.dat"), "Games\r\nGames\r\n");
  EXPECT_EQ(stick.Read("Data.dat"), kCatalogue) << "not written at all";
  EXPECT_EQ(ItemCount(list()), 3);

  // The next opening offers both.
  scripts.push_back([&](HWND dialog) {
    EXPECT_EQ(ComboItems(GetDlgItem(dialog, IDC_CMBTYPE)), (std::vector<std::string>{"Games", "Games"}));
    SendMessageA(dialog, WM_CLOSE, 0, 0);  // the frame's close box
  });
  Choose(Command::AddEntry);
  EXPECT_EQ(dialogsOpened, 2);
  EXPECT_EQ(stick.Read("Data.dat"), kCatalogue);
}

TEST_F(EntryEditorDialogTest, CancelAfterEditChangesNothing) {
  StickFolder stick("adddlg-cancel");
  stick.Write("Data.dat", kCatalogue);
  stick.Write("Settings.ini", "[MAIN]\r\nICONS=0\r\n");
  stick.Write("imagelist.dat", "old cache");
  Open(stick);
  window->list().SelectRow(1);
  scripts.push_back([&](HWND dialog) {
    EXPECT_EQ(Text(GetDlgItem(dialog, IDC_TXTNAME)), "Alpha");
    Type(dialog, IDC_TXTNAME, "Changed");
    Type(dialog, IDC_CMBTYPE, "Other");
    Click(dialog, IDC_CMDCANCEL);
  });
  Choose(Command::EditEntry);
  EXPECT_EQ(Names(), (std::vector<std::string>{"Zed", "Alpha", "Beta"}));
  EXPECT_EQ(stick.Read("Data.dat"), kCatalogue);
  EXPECT_FALSE(stick.Has("Types.dat"));
  EXPECT_EQ(stick.Read("imagelist.dat"), "old cache");
}

TEST_F(EntryEditorDialogTest, DeleteAnsweredNoRewritesTheSameRowsYesRemovesTheRow) {
  StickFolder stick("adddlg-delete");
  stick.Write("Data.dat", kCatalogue);  // the last line has no line end yet
  stick.Write("Settings.ini", "[MAIN]\r\nICONS=0\r\n");
  stick.Write("imagelist.dat", "old cache");
  Open(stick);
  window->list().SelectRow(1);

  answers = {IDNO};
  Choose(Command::DeleteEntry);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "Are you sure you want to remove Alpha?");
  EXPECT_EQ(boxes[0].title, "Fenwright's Carrydeck");
  EXPECT_EQ(boxes[0].style, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2);
  EXPECT_EQ(Names(), (std::vector<std::string>{"Zed", "Alpha", "Beta"}));
  EXPECT_EQ(stick.Read("Data.dat"), std::string(kCatalogue) + "\r\n");
  EXPECT_FALSE(stick.Has("imagelist.dat")) << "the icons were rebuilt";

  answers = {IDYES};
  SetFocus(list());
  PostMessageA(list(), WM_KEYDOWN, VK_DELETE, 1);  // the Del shortcut
  PostMessageA(list(), WM_KEYUP, VK_DELETE, 0xC0000001);
  Pump(window.get());
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(Names(), (std::vector<std::string>{"Zed", "Beta"}));
  EXPECT_EQ(stick.Read("Data.dat"),
            "Zed\r\nTools\r\nE:\\Apps\\zed.exe\r\n\r\nBeta\r\nTools\r\nE:\\Apps\\beta.exe\r\n%drive%\\x\r\n");
}

TEST_F(EntryEditorDialogTest, ControlsStandWhereTheyBelongInTabOrderWithTheirTextsAndFonts) {
  StickFolder stick("adddlg-layout");
  stick.Write("Settings.ini", "[MAIN]\r\nICONS=0\r\n");
  Open(stick);
  scripts.push_back([&](HWND dialog) {
    HDC dc = GetDC(nullptr);
    const double dpiX = GetDeviceCaps(dc, LOGPIXELSX), dpiY = GetDeviceCaps(dc, LOGPIXELSY);
    ReleaseDC(nullptr, dc);
    auto px = [](double twips, double dpi) { return static_cast<long>(std::lround(twips * dpi / 1440.0)); };
    RECT client;
    GetClientRect(dialog, &client);
    EXPECT_EQ(client.right, px(6600, dpiX));
    EXPECT_EQ(client.bottom, px(6975, dpiY));

    struct Expected {
      int id;
      const char* text;
      double left, top, width, height;
      const char* face;
      bool bold;
    };
    const Expected controls[] = {
        {IDC_LABEL2, "Name:", 120, 120, 3735, 255, "Arial", true},
        {IDC_TXTNAME, "", 120, 345, 6375, 360, "Arial", true},
        {IDC_CMBTYPE, "Application", 120, 750, 5880, 0, nullptr, false},
        {IDC_CMDADDTYPE, "+", 6050, 750, 435, 315, nullptr, false},
        {IDC_DRIVE1, nullptr, 120, 1155, 2535, 0, nullptr, false},
        {IDC_CMDOTHER, "...", 2640, 1155, 375, 315, nullptr, false},
        {IDC_DIR1, nullptr, 120, 1515, 2895, 3240, nullptr, false},
        {IDC_FILE1, nullptr, 3120, 1155, 3375, 3600, nullptr, false},
        {IDC_LABEL1, "Command Line Parameters:", 120, 4875, 2415, 255, "Arial", true},
        {IDC_TXTCOMMANDLINE, "", 120, 5115, 6375, 285, nullptr, false},
        {IDC_LABEL3, "Relative command line parameters (these work regardless of drive letter changes):", 120, 5400,
         6375, 255, nullptr, false},
        {IDC_LABEL4, "%drive% - Drive that Carrydeck is on.", 240, 5640, 4935, 255, nullptr, false},
        {IDC_LABEL5, "%dir% - Target app folder.", 240, 5880, 2655, 255, nullptr, false},
        {IDC_CMDSAVE, "&Save", 1080, 6315, 1935, 495, nullptr, false},
        {IDC_CMDCANCEL, "&Cancel", 3600, 6315, 1935, 495, nullptr, false},
    };
    for (const Expected& e : controls) {
      HWND control = GetDlgItem(dialog, e.id);
      ASSERT_TRUE(control) << e.id;
      if (e.text) {
        EXPECT_EQ(Text(control), e.text) << e.id;
      }
      RECT r;
      GetWindowRect(control, &r);
      MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
      EXPECT_NEAR(r.left, px(e.left, dpiX), 1) << e.id;
      EXPECT_NEAR(r.top, px(e.top, dpiY), 1) << e.id;
      EXPECT_NEAR(r.right - r.left, px(e.width, dpiX), 1) << e.id;
      if (e.height > 0) {
        EXPECT_NEAR(r.bottom - r.top, px(e.height, dpiY), 1) << e.id;
      }
      LOGFONTA font = {};
      GetObjectA(reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0)), sizeof font, &font);
      if (e.face) {
        EXPECT_STREQ(font.lfFaceName, e.face) << e.id;
        EXPECT_EQ(font.lfWeight, e.bold ? FW_BOLD : FW_NORMAL) << e.id;
      }
    }
    LOGFONTA name = {};
    GetObjectA(reinterpret_cast<HFONT>(SendMessageA(GetDlgItem(dialog, IDC_TXTNAME), WM_GETFONT, 0, 0)), sizeof name,
               &name);
    LOGFONTA label = {};
    GetObjectA(reinterpret_cast<HFONT>(SendMessageA(GetDlgItem(dialog, IDC_LABEL2), WM_GETFONT, 0, 0)), sizeof label,
               &label);
    EXPECT_EQ(std::lround(-name.lfHeight * 72.0 / dpiY), 10) << "9.75 pt";
    EXPECT_EQ(std::lround(-label.lfHeight * 72.0 / dpiY), 8) << "8.25 pt";

    // Tab walks the controls in the dialog's own order; the name box has the focus first.
    EXPECT_EQ(GetFocus(), GetDlgItem(dialog, IDC_TXTNAME));
    const int order[] = {IDC_TXTNAME,   IDC_DRIVE1,   IDC_DIR1,    IDC_FILE1,      IDC_TXTCOMMANDLINE, IDC_CMDSAVE,
                         IDC_CMDCANCEL, IDC_CMDOTHER, IDC_CMBTYPE, IDC_CMDADDTYPE, IDC_TXTNAME};
    HWND at = GetDlgItem(dialog, IDC_TXTNAME);
    for (size_t i = 1; i < sizeof order / sizeof order[0]; ++i) {
      at = GetNextDlgTabItem(dialog, at, FALSE);
      EXPECT_EQ(GetDlgCtrlID(at), order[i]) << i;
    }
    EXPECT_EQ(SendMessageA(dialog, DM_GETDEFID, 0, 0), MAKELRESULT(IDC_CMDSAVE, DC_HASDEFID));
    // Alt+C, the access key of Cancel.
    SetFocus(GetDlgItem(dialog, IDC_TXTNAME));
    PostMessageA(GetDlgItem(dialog, IDC_TXTNAME), WM_SYSCHAR, 'c', 0x20000001);
  });
  Choose(Command::AddEntry);
  EXPECT_EQ(dialogsOpened, 1);
  EXPECT_EQ(ItemCount(list()), 0);
}

TEST_F(EntryEditorDialogTest, BadInputGetsItsReportOrNoneAndLosesNothing) {
  StickFolder stick("adddlg-bad");
  const char binary[] = "\x01\x02\0\xff\r\nGames\r\n\x7f";
  const std::string types(binary, sizeof binary - 1);
  stick.Write("Types.dat", types);
  stick.Write("Settings.ini", "[MAIN]\r\nICONS=0\r\n");
  stick.Write("tool.exe", "MZ");
  Open(stick);
  StandIn here(stick);

  scripts.push_back([&](HWND dialog) {
    EXPECT_EQ(ComboItems(GetDlgItem(dialog, IDC_CMBTYPE)).size(), 3u);
    const std::vector<std::string> files = ListItems(GetDlgItem(dialog, IDC_FILE1));
    Click(dialog, IDC_CMDOTHER);  // answered by the next script: a share that is not there
    EXPECT_EQ(SelectedText(GetDlgItem(dialog, IDC_DIR1)), "adddlg-bad");
    EXPECT_EQ(ListItems(GetDlgItem(dialog, IDC_FILE1)), files);
    Click(dialog, IDC_CMDOTHER);  // answered with Cancel
    EXPECT_EQ(ListItems(GetDlgItem(dialog, IDC_FILE1)), files);
    PickFile(dialog, "tool.exe");
    Click(dialog, IDC_CMDSAVE);
  });
  scripts.push_back([&](HWND box) {
    EXPECT_EQ(Text(box), "Enter Path");
    EXPECT_EQ(Text(GetDlgItem(box, IDC_INPUTPROMPT)),
              "Please enter the path of the network drive.\r\neg. \\\\MyComputer\\c");
    EXPECT_EQ(Text(GetDlgItem(box, IDC_INPUTTEXT)), "");
    Type(box, IDC_INPUTTEXT, "\\\\nosuch-carrydeck\\share\\Apps");
    Click(box, IDOK);
  });
  scripts.push_back([&](HWND box) {
    Type(box, IDC_INPUTTEXT, "E:\\");
    Click(box, IDCANCEL);
  });
  Choose(Command::AddEntry);

  EXPECT_EQ(dialogsOpened, 3);
  EXPECT_TRUE(boxes.empty()) << boxes.front().text;
  ASSERT_EQ(ItemCount(list()), 1);
  EXPECT_EQ(ItemText(list(), 0, 2), "E:\\adddlg-bad\\tool.exe");
  EXPECT_EQ(stick.Read("Types.dat"), types + "\r\n") << "every item written back as it was read";
}

TEST_F(EntryEditorDialogTest, AFolderThatIsGoneWhenOpenedIsReportedAndTheListsStay) {
  StickFolder stick("adddlg-gone");
  stick.Write("Settings.ini", "[MAIN]\r\nICONS=0\r\n");
  MakeFolder(stick, "Soon gone");
  Open(stick);
  StandIn here(stick);
  scripts.push_back([&](HWND dialog) {
    RemoveDirectoryA((stick.path() + "Soon gone").c_str());
    OpenFolder(dialog, "Soon gone");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text.rfind("Error changing directory: ", 0), 0u) << boxes[0].text;
    EXPECT_GT(boxes[0].text.size(), std::string("Error changing directory: ").size()) << "with the system's words";
    EXPECT_EQ(boxes[0].style, MB_OK | MB_ICONSTOP);
    EXPECT_EQ(SelectedText(GetDlgItem(dialog, IDC_DIR1)), "adddlg-gone");
    EXPECT_EQ(ListItems(GetDlgItem(dialog, IDC_DIR1)), (std::vector<std::string>{"E:\\", "adddlg-gone"}))
        << "the folder that has gone leaves the list";
    Click(dialog, IDC_CMDCANCEL);
  });
  Choose(Command::AddEntry);
  EXPECT_EQ(dialogsOpened, 1);
}

}  // namespace
}  // namespace carrydeck::gui
