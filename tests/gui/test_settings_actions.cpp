// The real main window: settings, tray behaviour, entry actions and the exit question.
#include "GuiTest.h"
#include "common/win32/WideText.h"
#include "common/IniFile.h"

namespace carrydeck::gui {
namespace {

struct LiveWindow : ::testing::Test {
  std::vector<MessageBoxRequest> boxes;
  std::vector<int> answers;
  int ends = 0;
  std::unique_ptr<TestLauncher> window;

  void Open(const StickFolder& folder) {
    window = std::make_unique<TestLauncher>();
    window->SetMessageBoxHook([this](const MessageBoxRequest& r) {
      boxes.push_back(r);
      if (answers.empty()) return IDOK;
      int answer = answers.front();
      answers.erase(answers.begin());
      return answer;
    });
    window->SetEndHook([this] { ++ends; });
    ASSERT_TRUE(window->Create(folder.path(), SW_SHOWNORMAL));
    Pump(window.get());
  }
  void TearDown() override {
    window.reset();
    Pump(nullptr, 10);
  }
  HWND hwnd() { return window->hwnd(); }
  HWND list() { return window->list().hwnd(); }
  void Choose(Command item) {
    SendMessageA(hwnd(), WM_COMMAND, static_cast<WPARAM>(item), 0);
    Pump(window.get());
  }
  bool Ticked(Command item) {
    return (GetMenuState(GetMenu(hwnd()), static_cast<UINT>(item), MF_BYCOMMAND) & MF_CHECKED) != 0;
  }
  std::string Setting(const StickFolder& stick, const char* section, const char* key) {
    return ProfileGet(stick.Read("Settings.ini"), section, key);
  }
};

TEST_F(LiveWindow, FirstStartWithACatalogueLeavesEverySettingInOrder) {
  StickFolder stick("settings_first");
  stick.Write("Data.dat", "A\r\nT\r\nC:\\windows\\notepad.exe\r\n\r\n");
  Open(stick);
  std::string ini = stick.Read("Settings.ini"), lines;
  for (char c : ini)
    if (c != '\r') lines += c;
  std::string expected =
      "[MAIN]\nWINDOW HEIGHT=5910\nWINDOW WIDTH=10960\nICONS=1\nONRUN=0\nGRIDLINES=1\n"
      "BACKGROUND=1\nFONTSIZE=8\n";
  EXPECT_EQ(lines.substr(0, expected.size()), expected);
  size_t headings = lines.find("[Headings]\n1=");
  ASSERT_NE(headings, std::string::npos) << lines;
  EXPECT_LT(lines.find("\n2=", headings), lines.find("\n3=", headings));
  EXPECT_LT(lines.find("\n3=", headings), lines.find("\n4=", headings));
  EXPECT_TRUE(ListView_GetExtendedListViewStyle(list()) & LVS_EX_GRIDLINES);
  EXPECT_TRUE(Ticked(Command::AfterRunDoNothing));
  EXPECT_TRUE(boxes.empty());
}

TEST_F(LiveWindow, FontChoiceTicksOnlyItAndIsStored) {
  StickFolder stick("settings_font");
  Open(stick);
  Choose(Command::Font14);
  for (Command f :
       {Command::Font8, Command::Font10, Command::Font12, Command::Font16, Command::Font18, Command::Font20})
    EXPECT_FALSE(Ticked(f));
  EXPECT_TRUE(Ticked(Command::Font14));
  EXPECT_EQ(Setting(stick, "Main", "FontSize"), "14");
  LOGFONTA font = {};
  GetObjectA(reinterpret_cast<HFONT>(SendMessageA(list(), WM_GETFONT, 0, 0)), sizeof font, &font);
  EXPECT_STREQ(font.lfFaceName, "Verdana");
  EXPECT_EQ(font.lfHeight, -MulDiv(14, 96, 72));
}

TEST_F(LiveWindow, TogglesWriteAtOnceAndChangeTheList) {
  StickFolder stick("settings_toggles");
  Open(stick);
  Choose(Command::ShowGridLines);
  EXPECT_EQ(Setting(stick, "Main", "Gridlines"), "0");
  EXPECT_FALSE(ListView_GetExtendedListViewStyle(list()) & LVS_EX_GRIDLINES);
  Choose(Command::AfterRunMinimize);
  EXPECT_EQ(Setting(stick, "Main", "OnRun"), "2");
  EXPECT_TRUE(Ticked(Command::AfterRunMinimize));
  EXPECT_FALSE(Ticked(Command::AfterRunDoNothing));
  Choose(Command::ShowIcons);
  EXPECT_EQ(Setting(stick, "Main", "Icons"), "0");
}

TEST_F(LiveWindow, BackgroundPictureIsSetAndADamagedOneIsReported) {
  StickFolder stick("settings_background");
  HANDLE h = CreateFileA(TestData("background.jpg").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                         nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE) << TestData("background.jpg");
  char bytes[4096];
  DWORD n = 0;
  ReadFile(h, bytes, sizeof bytes, &n, nullptr);
  CloseHandle(h);
  stick.Write("background.jpg", std::string(bytes, n));
  Open(stick);
  EXPECT_TRUE(window->list().HasBackgroundPicture());
  Choose(Command::ShowBackground);
  EXPECT_FALSE(window->list().HasBackgroundPicture());
  Choose(Command::ShowBackground);
  EXPECT_TRUE(window->list().HasBackgroundPicture()) << "a fresh picture each time";
  EXPECT_TRUE(boxes.empty());
  window.reset();

  StickFolder damaged("settings_damaged_picture");
  damaged.Write("background.jpg", std::string(bytes, n / 3));
  Open(damaged);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text.rfind("Error loading settings: ", 0), 0u) << boxes[0].text;
  EXPECT_TRUE(IsWindowVisible(hwnd())) << "start-up goes on";
}

TEST_F(LiveWindow, ReadOnlySettingsFileIsUsedAndNeverReported) {
  StickFolder stick("settings_read_only");
  stick.Write("Settings.ini", "[MAIN]\r\nWINDOW HEIGHT=7000\r\nFONTSIZE=12\r\n");
  SetFileAttributesA((stick.path() + "Settings.ini").c_str(), FILE_ATTRIBUTE_READONLY);
  Open(stick);
  Choose(Command::Font16);
  Choose(Command::ShowGridLines);
  Choose(Command::SaveSettings);
  EXPECT_EQ(stick.Read("Settings.ini"), "[MAIN]\r\nWINDOW HEIGHT=7000\r\nFONTSIZE=12\r\n");
  EXPECT_TRUE(Ticked(Command::Font16));
  RECT r;
  GetWindowRect(hwnd(), &r);
  EXPECT_NEAR((r.bottom - r.top) * 15.0, 7000, 15);
  EXPECT_TRUE(boxes.empty());
}

TEST_F(LiveWindow, MinimisingHidesAndTheTrayBringsTheWindowBack) {
  StickFolder stick("tray_restore");
  Open(stick);
  ShowWindow(hwnd(), SW_MINIMIZE);
  Pump(window.get());
  EXPECT_FALSE(IsWindowVisible(hwnd())) << "no taskbar button while hidden";
  SendMessageA(hwnd(), WM_TRAYICON, kTrayIconId, WM_MOUSEMOVE);
  SendMessageA(hwnd(), WM_TRAYICON, kTrayIconId, WM_LBUTTONDOWN);
  Pump(window.get());
  EXPECT_FALSE(IsWindowVisible(hwnd())) << "moves and presses are ignored";
  SendMessageA(hwnd(), WM_TRAYICON, kTrayIconId, WM_LBUTTONUP);
  Pump(window.get());
  EXPECT_TRUE(IsWindowVisible(hwnd()));
  EXPECT_FALSE(IsIconic(hwnd()));
  EXPECT_FALSE(IsZoomed(hwnd()));

  ShowWindow(hwnd(), SW_MINIMIZE);
  Pump(window.get());
  EXPECT_FALSE(IsWindowVisible(hwnd()));
  Choose(Command::OpenMenu);
  EXPECT_TRUE(IsWindowVisible(hwnd()));
  EXPECT_FALSE(IsIconic(hwnd()));
  EXPECT_EQ(window->tray().tip(), "Carrydeck");
}

TEST_F(LiveWindow, ColumnsStartAtTheirShareOfTheWindow) {
  StickFolder stick("layout_start");
  Open(stick);
  RECT listRect;
  GetWindowRect(list(), &listRect);
  const double listWidth = listRect.right - listRect.left;
  // 10960 / 12 twips is 61 pixels; the share follows the list's real width.
  EXPECT_NEAR(ListView_GetColumnWidth(list(), 0), 61, 1);
  EXPECT_NEAR(ListView_GetColumnWidth(list(), 1), 183, 1);
  EXPECT_NEAR(window->logic().Settings().ColumnShare(1), 61 / listWidth * 100, 0.5);
  int used = 0;
  for (int c = 0; c < 3; ++c) used += ListView_GetColumnWidth(list(), c);
  EXPECT_NEAR(ListView_GetColumnWidth(list(), 3), listWidth - used - 350 / 15.0, 2);
}

TEST_F(LiveWindow, ResizingKeepsColumnProportions) {
  StickFolder stick("layout_resize");
  Open(stick);
  SetWindowPos(hwnd(), nullptr, 0, 0, 900, 400, SWP_NOMOVE | SWP_NOZORDER);
  Pump(window.get(), 250);  // a tick of the share timer
  RECT client, listRect;
  GetClientRect(hwnd(), &client);
  GetWindowRect(list(), &listRect);
  EXPECT_EQ(listRect.right - listRect.left, client.right);
  double share = ListView_GetColumnWidth(list(), 1) / static_cast<double>(listRect.right - listRect.left);
  SetWindowPos(hwnd(), nullptr, 0, 0, 600, 400, SWP_NOMOVE | SWP_NOZORDER);
  Pump(window.get(), 250);
  GetWindowRect(list(), &listRect);
  EXPECT_NEAR(ListView_GetColumnWidth(list(), 1) / static_cast<double>(listRect.right - listRect.left), share, 0.01);
}

// A copy of the probe program at a path of the stick; answers where it was copied.
std::string PlaceProbe(const StickFolder& stick, const std::string& relative) {
  std::string target = stick.path() + relative;
  CreateDirectoryA(target.substr(0, target.rfind('\\')).c_str(), nullptr);
  EXPECT_TRUE(CopyFileA((TestBinFolder() + "probe.exe").c_str(), target.c_str(), FALSE)) << target;
  return target;
}

TEST_F(LiveWindow, OnRunCloseEndsOnlyAfterTheDoubleClickHasReturned) {
  StickFolder stick("run_close_dblclk");
  std::string probe = PlaceProbe(stick, "probe.exe");
  stick.Write("Data.dat", "Probe\r\nTools\r\n" + probe + "\r\n\r\n");
  Open(stick);
  Choose(Command::AfterRunClose);
  window->SetEndHook(nullptr);  // the real end
  const HWND main = hwnd();
  RECT item = {};
  item.left = LVIR_BOUNDS;
  SendMessageA(list(), LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&item));
  LPARAM at = MAKELPARAM(item.left + 5, item.top + 3);
  SendMessageA(list(), WM_LBUTTONDOWN, MK_LBUTTON, at);
  SendMessageA(list(), WM_LBUTTONUP, 0, at);
  SendMessageA(list(), WM_LBUTTONDBLCLK, MK_LBUTTON, at);
  // The list is still in its own handling of the click: the window must be there.
  EXPECT_TRUE(IsWindow(main)) << "destroyed from inside the list's notification";
  SendMessageA(list(), WM_LBUTTONUP, 0, at);
  Pump(nullptr);
  EXPECT_FALSE(IsWindow(main)) << "the launcher ends once the click is handled";
  EXPECT_EQ(window->hwnd(), nullptr);
  ASSERT_TRUE(WaitForFile(nullptr, stick.path() + "probe.log"));
  EXPECT_EQ(stick.Read("probe.log"), probe + "||E:\\run_close_dblclk\r\n");
}

TEST_F(LiveWindow, TheTrayBringsAMaximisedWindowBackInTheNormalState) {
  StickFolder stick("tray_maximised");
  Open(stick);
  RECT normal;
  GetWindowRect(hwnd(), &normal);
  ShowWindow(hwnd(), SW_MAXIMIZE);
  Pump(window.get());
  ASSERT_TRUE(IsZoomed(hwnd()));
  ShowWindow(hwnd(), SW_MINIMIZE);
  Pump(window.get());
  ASSERT_FALSE(IsWindowVisible(hwnd()));
  SendMessageA(hwnd(), WM_TRAYICON, kTrayIconId, WM_LBUTTONUP);
  Pump(window.get());
  EXPECT_TRUE(IsWindowVisible(hwnd()));
  EXPECT_FALSE(IsIconic(hwnd()));
  EXPECT_FALSE(IsZoomed(hwnd()));
  RECT now;
  GetWindowRect(hwnd(), &now);
  EXPECT_EQ(now.right - now.left, normal.right - normal.left);
  EXPECT_EQ(now.bottom - now.top, normal.bottom - normal.top);
}

TEST_F(LiveWindow, AnEntryStoredOnFIsStartedFromTheLaunchersDriveE) {
  StickFolder stick("run_relocated");
  StickFolder other("run_relocated", 'F');  // F: holds no probe
  PlaceProbe(stick, "Apps\\probe.exe");
  stick.Write("Data.dat", "Probe\r\nTools\r\nF:\\run_relocated\\Apps\\probe.exe\r\n-d \"%drive%\" -dir %DIR% -x\r\n");
  Open(stick);
  window->list().SelectRow(0);
  Choose(Command::Run);
  ASSERT_TRUE(WaitForFile(window.get(), stick.path() + "Apps\\probe.log"));
  EXPECT_EQ(
      stick.Read("Apps\\probe.log"),
      "E:\\run_relocated\\Apps\\probe.exe|-d \"E:\" -dir E:\\run_relocated\\Apps\\ -x|E:\\run_relocated\\Apps\r\n");
  EXPECT_EQ(StatusText(window->statusBar()), "Running E:\\run_relocated\\Apps\\probe.exe - Auto Drive Change");
}

TEST_F(LiveWindow, DoubleClickStartsTheSelectedEntryToo) {
  StickFolder stick("run_double_click");
  std::string probe = PlaceProbe(stick, "probe.exe");
  stick.Write("Data.dat", "Probe\r\nTools\r\n" + probe + "\r\n\r\n");
  Open(stick);
  RECT item = {};
  item.left = LVIR_BOUNDS;
  SendMessageA(list(), LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&item));
  LPARAM at = MAKELPARAM(item.left + 5, item.top + 3);
  SendMessageA(list(), WM_LBUTTONDOWN, MK_LBUTTON, at);
  SendMessageA(list(), WM_LBUTTONUP, 0, at);
  SendMessageA(list(), WM_LBUTTONDBLCLK, MK_LBUTTON, at);
  SendMessageA(list(), WM_LBUTTONUP, 0, at);
  ASSERT_TRUE(WaitForFile(window.get(), stick.path() + "probe.log"));
  EXPECT_EQ(stick.Read("probe.log"), probe + "||E:\\run_double_click\r\n");
  EXPECT_EQ(StatusText(window->statusBar()), "Running " + probe);
}

// A stick whose folders are named in three scripts outside the PC's code page (1252 here).
TEST_F(LiveWindow, EntriesInGreekRussianAndJapaneseFoldersAreShownExactlyAndStartedWithTheirPathsAndParameters) {
  StickFolder stick("unicode_run");
  struct Entry {
    std::string name, folder, parameters;
  };
  const std::vector<Entry> entries = {{"Ελληνικά", "Ελληνικά", "-t \"Καλημέρα\" %dir%"},
                                      {"Русский", "Русский", "-t Привет %drive%"},
                                      {"日本語", "日本語\\ツール", "-t こんにちは"}};
  Win32FileSystem files;
  std::string catalogue = "\xEF\xBB\xBF";
  for (const Entry& e : entries) {
    const std::string folder = stick.path() + e.folder;
    files.CreateFolder(folder.substr(0, folder.find('\\', stick.path().size())));
    files.CreateFolder(folder);
    ASSERT_TRUE(files.CopyFile(TestBinFolder() + "probe.exe", folder + "\\probe.exe")) << folder;
    catalogue += e.name + "\r\nTools\r\n" + folder + "\\probe.exe\r\n" + e.parameters + "\r\n";
  }
  stick.Write("Data.dat", catalogue);
  stick.Write("Settings.ini", "[MAIN]\r\nICONS=0\r\n");
  Open(stick);
  ASSERT_EQ(ItemCount(list()), 3);
  for (int row = 0; row < 3; ++row) {
    const Entry& e = entries[static_cast<size_t>(row)];
    EXPECT_EQ(ItemText(list(), row, 0), e.name);
    EXPECT_EQ(ItemText(list(), row, 2), stick.path() + e.folder + "\\probe.exe");
    EXPECT_EQ(ItemText(list(), row, 3), e.parameters);
  }
  EXPECT_EQ(StatusText(window->statusBar()), "App data loaded (3 apps).");

  const std::string folders[] = {stick.path() + entries[0].folder, stick.path() + entries[1].folder,
                                 stick.path() + entries[2].folder};
  const std::string expected[] = {
      folders[0] + "\\probe.exe|-t \"Καλημέρα\" " + folders[0] + "\\|" + folders[0] + "\r\n",
      folders[1] + "\\probe.exe|-t Привет E:|" + folders[1] + "\r\n",
      folders[2] + "\\probe.exe|-t こんにちは|" + folders[2] + "\r\n"};
  for (int row = 0; row < 3; ++row) {
    window->list().SelectRow(row);
    Choose(Command::Run);
    const std::string log = folders[row] + "\\probe.log";
    ASSERT_TRUE(WaitForFile(window.get(), log)) << log;
    std::string started;
    files.ReadAll(log, started);
    EXPECT_EQ(started, expected[row]);
    EXPECT_EQ(StatusText(window->statusBar()), "Running " + folders[row] + "\\probe.exe");
  }

  // The path goes to the clipboard as Unicode text, letter for letter.
  window->list().SelectRow(2);
  Choose(Command::CopyEntryPath);
  ASSERT_TRUE(OpenClipboard(nullptr));
  HANDLE data = GetClipboardData(CF_UNICODETEXT);
  const wchar_t* text = data ? static_cast<const wchar_t*>(GlobalLock(data)) : nullptr;
  const std::string copied = text ? Utf8(text) : std::string();
  if (text) GlobalUnlock(data);
  CloseClipboard();
  EXPECT_EQ(copied, folders[2] + "\\probe.exe");
  ASSERT_EQ(boxes.size(), 1u) << "nothing else was reported";
  EXPECT_EQ(boxes[0].text, "Clipboard set to:\r\n" + folders[2] + "\\probe.exe");
}

TEST_F(LiveWindow, CopyPutsTheExactPathOnTheClipboard) {
  StickFolder stick("copy_path");
  std::string probe = PlaceProbe(stick, "Some Apps\\probe.exe");
  stick.Write("Data.dat", "Probe\r\nTools\r\n" + probe + "\r\n\r\n");
  Open(stick);
  window->list().SelectRow(0);
  Choose(Command::CopyEntryPath);
  EXPECT_EQ(GetClipboardOwner(), window->hwnd()) << "the launcher's window owns what it put there";
  ASSERT_TRUE(OpenClipboard(nullptr));
  HANDLE data = GetClipboardData(CF_TEXT);
  std::string text = data ? static_cast<const char*>(GlobalLock(data)) : "";
  if (data) GlobalUnlock(data);
  CloseClipboard();
  EXPECT_EQ(text, probe);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "Clipboard set to:\r\n" + probe);
}

TEST_F(LiveWindow, ColumnClicksRewriteTheCatalogueInTheNewOrder) {
  StickFolder stick("sort_columns");
  stick.Write("Data.dat", "b\r\nY\r\n\r\n\r\na\r\nZ\r\n\r\n\r\nc\r\nX\r\n\r\n\r\n");
  Open(stick);
  NMLISTVIEW click = {};
  click.hdr.hwndFrom = list();
  click.hdr.idFrom = GetDlgCtrlID(list());
  click.hdr.code = LVN_COLUMNCLICK;
  click.iItem = -1;
  click.iSubItem = 1;  // "Type"
  SendMessageA(hwnd(), WM_NOTIFY, click.hdr.idFrom, reinterpret_cast<LPARAM>(&click));
  EXPECT_EQ(stick.Read("Data.dat"), "c\r\nX\r\n\r\n\r\nb\r\nY\r\n\r\n\r\na\r\nZ\r\n\r\n\r\n");
  EXPECT_EQ(ItemText(list(), 0, 0), "c");
  SendMessageA(hwnd(), WM_NOTIFY, click.hdr.idFrom, reinterpret_cast<LPARAM>(&click));
  EXPECT_EQ(stick.Read("Data.dat"), "a\r\nZ\r\n\r\n\r\nb\r\nY\r\n\r\n\r\nc\r\nX\r\n\r\n\r\n");
}

TEST_F(LiveWindow, ArrowKeysShowTheSelectedPathInTheStatusLine) {
  StickFolder stick("keys_status");
  stick.Write("Data.dat", "A\r\nT\r\nE:\\Apps\\Editor\\editor.exe\r\n\r\nB\r\nT\r\nE:\\b.exe\r\n\r\n");
  Open(stick);
  SetFocus(list());
  window->list().SelectRow(0);
  SendMessageA(list(), WM_KEYDOWN, VK_DOWN, 1);
  SendMessageA(list(), WM_KEYUP, VK_DOWN, 0xC0000001);
  Pump(window.get());
  EXPECT_EQ(window->list().SelectedRow(), 1u);
  EXPECT_EQ(StatusText(window->statusBar()), "E: > b.exe");
}

TEST_F(LiveWindow, CloseAnsweredCancelKeepsTheWindowAndNoSavesAndCloses) {
  StickFolder stick("exit_question");
  Open(stick);
  SetWindowPos(hwnd(), nullptr, 0, 0, 800, 500, SWP_NOMOVE | SWP_NOZORDER);
  answers = {IDCANCEL};
  SendMessageA(hwnd(), WM_CLOSE, 0, 0);
  Pump(window.get());
  ASSERT_TRUE(IsWindow(hwnd()));
  EXPECT_TRUE(IsWindowVisible(hwnd()));
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].title, "Safely Remove USB Device?");
  EXPECT_EQ(boxes[0].style, MB_YESNOCANCEL | MB_ICONQUESTION);
  EXPECT_EQ(Setting(stick, "MAIN", "Window Width"), "10960") << "Cancel saves no size";
  EXPECT_FALSE(stick.Has("Data.dat")) << "Cancel saves nothing";

  answers = {IDNO};
  HWND before = hwnd();
  SendMessageA(before, WM_CLOSE, 0, 0);
  Pump(nullptr);
  EXPECT_FALSE(IsWindow(before));
  EXPECT_TRUE(stick.Has("Data.dat")) << "No saves the catalogue";
  EXPECT_EQ(Setting(stick, "MAIN", "Window Width"), "12000");
}

}  // namespace
}  // namespace carrydeck::gui
