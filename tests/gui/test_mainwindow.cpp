// The real main window on a program folder on drive E:, as a user would see it.
#include <algorithm>
#include <cmath>

#include "GuiTest.h"

namespace carrydeck::gui {
namespace {

const char kThree[] =
    "Notepad\r\nEditors\r\nC:\\windows\\notepad.exe\r\n\r\n"
    "Calc\r\nTools\r\nE:\\Apps\\calc.exe\r\n-x %drive%\r\n"
    "Alpha\r\nGames\r\nE:\\Games\\alpha.exe\r\n\r\n";

struct MainWindowTest : ::testing::Test {
  std::vector<MessageBoxRequest> boxes;
  std::unique_ptr<TestLauncher> window;

  void Open(const StickFolder& folder) {
    window = std::make_unique<TestLauncher>();
    window->SetMessageBoxHook([this](const MessageBoxRequest& r) {
      boxes.push_back(r);
      return IDOK;
    });
    ASSERT_TRUE(window->Create(folder.path(), SW_SHOWNORMAL));
    Pump(window.get());
  }
  void TearDown() override {
    window.reset();
    Pump(nullptr, 10);
  }
  HWND list() { return window->list().hwnd(); }
  std::string Caption() {
    char text[512] = {};
    GetWindowTextA(window->hwnd(), text, sizeof text);
    return text;
  }
  std::string MenuText(Command item) {
    char text[256] = {};
    GetMenuStringA(GetMenu(window->hwnd()), static_cast<UINT>(item), text, sizeof text, MF_BYCOMMAND);
    return text;
  }
  void PressKey(WORD key) {
    SetFocus(list());
    PostMessageA(list(), WM_KEYDOWN, key, 1);
    PostMessageA(list(), WM_KEYUP, key, 0xC0000001);
    Pump(window.get());
  }
};

TEST_F(MainWindowTest, ThreeEntriesInFileOrderWithHeadersStatusCaptionAndRootItem) {
  StickFolder stick("three");
  stick.Write("Data.dat", kThree);
  stick.Write("Settings.ini", "[MAIN]\r\nICONS=0\r\n");  // the icon pass would write its own status
  Open(stick);
  ASSERT_EQ(ItemCount(list()), 3);
  EXPECT_EQ(ItemText(list(), 0, 0), "Notepad");
  EXPECT_EQ(ItemText(list(), 1, 0), "Calc");
  EXPECT_EQ(ItemText(list(), 1, 1), "Tools");
  EXPECT_EQ(ItemText(list(), 1, 2), "E:\\Apps\\calc.exe");
  EXPECT_EQ(ItemText(list(), 1, 3), "-x %drive%");
  EXPECT_EQ(ItemText(list(), 2, 0), "Alpha");

  HWND header = reinterpret_cast<HWND>(SendMessageA(list(), LVM_GETHEADER, 0, 0));
  ASSERT_EQ(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0), 4);
  const char* expected[] = {"Name", "Type", "Target File", "Command Line Parameters"};
  for (int i = 0; i < 4; ++i) {
    char text[64] = {};
    HDITEMA item = {};
    item.mask = HDI_TEXT;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    SendMessageA(header, HDM_GETITEMA, i, reinterpret_cast<LPARAM>(&item));
    EXPECT_STREQ(text, expected[i]);
  }

  EXPECT_EQ(StatusText(window->statusBar()), "App data loaded (3 apps).");
  std::string caption = Caption();
  EXPECT_EQ(caption.rfind("Carrydeck v1.03 >> ", 0), 0u) << caption;
  EXPECT_EQ(caption.substr(caption.size() - 17), " Remaining on E:\\") << caption;
  std::string figure = caption.substr(19, caption.size() - 19 - 17);
  EXPECT_TRUE(figure.size() > 3 &&
              (figure.substr(figure.size() - 3) == " GB" || figure.substr(figure.size() - 3) == " MB"))
      << figure;
  EXPECT_EQ(MenuText(Command::BrowseDriveRoot), "Browse E:\\");
}

TEST_F(MainWindowTest, F5SwitchesToTheRefreshCaption) {
  StickFolder stick("refresh");
  stick.Write("Data.dat", kThree);
  Open(stick);
  PressKey(VK_F5);
  std::string caption = Caption();
  EXPECT_EQ(caption.rfind("Fenwright's Carrydeck v1.03 >> ", 0), 0u) << caption;
  EXPECT_EQ(caption.substr(caption.size() - 17), " Remaining on E:\\");
  EXPECT_EQ(ItemCount(list()), 3);
}

TEST_F(MainWindowTest, AboutBoxTextIsExact) {
  StickFolder stick("about");
  Open(stick);
  SendMessageA(window->hwnd(), WM_COMMAND, static_cast<WPARAM>(Command::About), 0);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].title, "Fenwright's Carrydeck v1.03");
  EXPECT_EQ(boxes[0].style, MB_OK | MB_ICONINFORMATION);
  EXPECT_EQ(boxes[0].text, AboutText());
  EXPECT_EQ(
      boxes[0].text.rfind("A program designed for use with a removeable storage device.\r\nUsed to run and open", 0),
      0u);
}

TEST_F(MainWindowTest, FirstStartInAnEmptyFolder) {
  StickFolder stick("empty");
  Open(stick);
  EXPECT_EQ(ItemCount(list()), 0);
  std::string settings = stick.Read("Settings.ini");
  EXPECT_NE(settings.find("WINDOW HEIGHT=5910"), std::string::npos) << settings;
  EXPECT_NE(settings.find("WINDOW WIDTH=10960"), std::string::npos) << settings;
  EXPECT_FALSE(stick.Has("Data.dat"));
  RECT r;
  GetWindowRect(window->hwnd(), &r);
  HDC dc = GetDC(nullptr);
  double twipsPerPixel = 1440.0 / GetDeviceCaps(dc, LOGPIXELSX);
  ReleaseDC(nullptr, dc);
  EXPECT_NEAR((r.right - r.left) * twipsPerPixel, 10960, twipsPerPixel);
  EXPECT_NEAR((r.bottom - r.top) * twipsPerPixel, 5910, twipsPerPixel);
  EXPECT_TRUE(IsWindowVisible(window->hwnd()));
  EXPECT_TRUE(boxes.empty());
}

TEST_F(MainWindowTest, StoredWindowSizeIsRestored) {
  StickFolder stick("sized");
  stick.Write("Settings.ini", "[MAIN]\r\nWINDOW HEIGHT=8000\r\nWINDOW WIDTH=garbage\r\n");
  Open(stick);
  RECT r;
  GetWindowRect(window->hwnd(), &r);
  EXPECT_NEAR((r.bottom - r.top) * 15.0, 8000, 15);
  EXPECT_NEAR((r.right - r.left) * 15.0, 10960, 15);
}

TEST_F(MainWindowTest, FortyThousandRecordsShowAndSurviveTheNextSave) {
  StickFolder stick("big");
  std::string file;
  for (int i = 0; i < 40000; ++i)
    file += "Entry " + std::to_string(i) + "\r\nType\r\nE:\\Apps\\" + std::to_string(i) + ".exe\r\n\r\n";
  file += std::string("\x01\xff\0bin", 6) + "\r\n";
  stick.Write("Data.dat", file);
  stick.Write("Settings.ini", "[MAIN]\r\nICONS=0\r\n");
  Open(stick);
  EXPECT_EQ(ItemCount(list()), 40001);
  EXPECT_EQ(ItemText(list(), 39999, 0), "Entry 39999");
  EXPECT_EQ(StatusText(window->statusBar()), "App data loaded (40001 apps).");
  ASSERT_TRUE(window->logic().SaveCatalogue());
  EXPECT_EQ(stick.Read("Data.dat"), file + "\r\n\r\n\r\n");
}

TEST_F(MainWindowTest, TypingANameFindsItsRow) {
  StickFolder stick("find");
  stick.Write("Data.dat", kThree);
  Open(stick);
  SetFocus(list());
  SendMessageA(list(), WM_CHAR, 'a', 1);
  Pump(window.get());
  EXPECT_EQ(window->list().SelectedRow(), 2u);
}

// The tips the notification area shows, read from the shell's own tooltips of its icons.
// They live in the shell's process: the questions and answers go through memory lent there.
struct TopWindow {
  HWND hwnd;
  DWORD process;
  std::string className;
};

// A callback of the system's own calling convention (a lambda is not one in a 32-bit build).
BOOL CALLBACK CollectTopWindow(HWND hwnd, LPARAM param) {
  TopWindow w{hwnd, 0, {}};
  char name[64] = {};
  GetWindowThreadProcessId(hwnd, &w.process);
  if (GetClassNameA(hwnd, name, sizeof name)) w.className = name;
  reinterpret_cast<std::vector<TopWindow>*>(param)->push_back(w);
  return TRUE;
}

std::vector<std::string> NotificationAreaTips() {
  std::vector<std::string> tips;
  // Looked for among all top-level windows: FindWindow missed the tray window at times here.
  std::vector<TopWindow> windows;
  EnumWindows(&CollectTopWindow, reinterpret_cast<LPARAM>(&windows));
  auto tray =
      std::find_if(windows.begin(), windows.end(), [](const TopWindow& w) { return w.className == "Shell_TrayWnd"; });
  if (tray == windows.end()) return tips;
  const DWORD access = PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE;
  UniqueKernelHandle shell(OpenProcess(access, FALSE, tray->process));
  if (!shell) return tips;
  constexpr SIZE_T kLent = 4096, kTextAt = 1024;
  char* lent = static_cast<char*>(VirtualAllocEx(shell.get(), nullptr, kLent, MEM_COMMIT, PAGE_READWRITE));
  if (!lent) return tips;
  for (const TopWindow& w : windows) {
    if (w.process != tray->process || w.className != TOOLTIPS_CLASSA) continue;
    const HWND tooltip = w.hwnd;
    const int tools = static_cast<int>(SendMessageW(tooltip, TTM_GETTOOLCOUNT, 0, 0));
    for (int i = 0; i < tools; ++i) {
      TTTOOLINFOW tool = {};
      tool.cbSize = sizeof tool;
      if (!WriteProcessMemory(shell.get(), lent, &tool, sizeof tool, nullptr) ||
          !SendMessageW(tooltip, TTM_ENUMTOOLSW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(lent)) ||
          !ReadProcessMemory(shell.get(), lent, &tool, sizeof tool, nullptr))
        continue;
      // An icon's tool is the tray window itself here, an icon window of its own in later Wine.
      char name[64] = {};
      const bool iconWindow = GetClassNameA(tool.hwnd, name, sizeof name) && std::string(name) == "__wine_tray_icon";
      if (tool.hwnd != tray->hwnd && !iconWindow) continue;
      tool.lpszText = reinterpret_cast<LPWSTR>(lent + kTextAt);
      const wchar_t none = 0;
      WCHAR text[(kLent - kTextAt) / sizeof(WCHAR)] = {};
      if (!WriteProcessMemory(shell.get(), lent, &tool, sizeof tool, nullptr) ||
          !WriteProcessMemory(shell.get(), lent + kTextAt, &none, sizeof none, nullptr))
        continue;
      SendMessageW(tooltip, TTM_GETTEXTW, ARRAYSIZE(text), reinterpret_cast<LPARAM>(lent));
      if (!ReadProcessMemory(shell.get(), lent + kTextAt, text, sizeof text - sizeof(WCHAR), nullptr)) continue;
      char ansi[256] = {};
      WideCharToMultiByte(CP_ACP, 0, text, -1, ansi, sizeof ansi - 1, nullptr, nullptr);
      tips.push_back(ansi);
    }
  }
  VirtualFreeEx(shell.get(), lent, 0, MEM_RELEASE);
  return tips;
}

TEST_F(MainWindowTest, TrayTipReadsCarrydeckWhileTheCaptionCarriesTheVersion) {
  StickFolder stick("tray");
  std::vector<std::string> tips = NotificationAreaTips();
  Open(stick);
  ASSERT_TRUE(window->tray().added());
  EXPECT_EQ(Caption().rfind("Carrydeck v", 0), 0u) << Caption();
  // What the shell was given, as it shows it: one more icon, and its tip.
  std::vector<std::string> now = NotificationAreaTips();
  for (const std::string& tip : tips) {
    auto same = std::find(now.begin(), now.end(), tip);
    if (same != now.end()) now.erase(same);
  }
  EXPECT_EQ(now, std::vector<std::string>{"Carrydeck"});
}

TEST_F(MainWindowTest, OnceUpTheListPaintsOffScreenWithoutAskingForAnotherPaint) {
  StickFolder stick("buffered");
  stick.Write("Data.dat", kThree);
  window = std::make_unique<TestLauncher>();
  ASSERT_TRUE(window->Create(stick.path(), SW_SHOWNORMAL));
  const DWORD style = ListView_GetExtendedListViewStyle(list());
  EXPECT_TRUE(style & LVS_EX_DOUBLEBUFFER);
  EXPECT_TRUE(style & LVS_EX_FULLROWSELECT);
  EXPECT_FALSE(GetUpdateRect(list(), nullptr, FALSE));
  EXPECT_FALSE(GetUpdateRect(window->hwnd(), nullptr, FALSE));
}

TEST_F(MainWindowTest, TheTrayIconFollowsTheFirstPaintWithTheFirstCaption) {
  StickFolder stick("tray_late");
  window = std::make_unique<TestLauncher>();
  ASSERT_TRUE(window->Create(stick.path(), SW_SHOWNORMAL));
  // Shown and painted, the shell not yet told.
  EXPECT_TRUE(IsWindowVisible(window->hwnd()));
  EXPECT_FALSE(window->tray().added());
  Pump(window.get());
  EXPECT_TRUE(window->tray().added());
  EXPECT_EQ(window->tray().tip(), "Carrydeck");
  EXPECT_NE(Caption(), "Carrydeck");
}

TEST_F(MainWindowTest, TheSavedFontSizeAgainKeepsTheListsFontAndAnotherReplacesIt) {
  StickFolder stick("font_again");
  Open(stick);
  auto font = [&] { return reinterpret_cast<HFONT>(SendMessageA(list(), WM_GETFONT, 0, 0)); };
  HFONT first = font();
  LOGFONTA described = {};
  ASSERT_TRUE(GetObjectA(first, sizeof described, &described));
  EXPECT_STREQ(described.lfFaceName, "Verdana");
  EXPECT_EQ(described.lfHeight, -MulDiv(8, 96, 72));
  SendMessageA(window->hwnd(), WM_COMMAND, static_cast<WPARAM>(Command::Font8), 0);
  EXPECT_EQ(font(), first);
  SendMessageA(window->hwnd(), WM_COMMAND, static_cast<WPARAM>(Command::Font12), 0);
  ASSERT_NE(font(), first);
  ASSERT_TRUE(GetObjectA(font(), sizeof described, &described));
  EXPECT_EQ(described.lfHeight, -MulDiv(12, 96, 72));
  EXPECT_EQ(window->list().FontSize(), 12);
}

}  // namespace
}  // namespace carrydeck::gui
