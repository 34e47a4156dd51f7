// Closing the real window: the question's answers, and Yes handing the drive to the real
// removal tool (Wine reports no USB bus, so nothing is ejected).
#include "GuiTest.h"

namespace carrydeck::gui {
namespace {

const char kTool[] = "c:\\temp\\Remove.exe";
const char kHandOff[] = "c:\\temp\\carrydeck.ini";

std::string ReadFile(const std::string& path) {
  std::string bytes;
  Win32FileSystem().ReadAll(path, bytes);
  return bytes;
}

struct ExitHandOff : ::testing::Test {
  std::unique_ptr<MainWindow> window;
  std::vector<MessageBoxRequest> boxes;
  int answer = IDYES;

  HWND Open(const StickFolder& stick) {
    window = std::make_unique<MainWindow>();
    window->SetMessageBoxHook([this](const MessageBoxRequest& r) {
      boxes.push_back(r);
      return answer;
    });
    EXPECT_TRUE(window->Create(stick.path(), SW_SHOWNORMAL));
    Pump(window.get());
    return window->hwnd();
  }
  void SetUp() override {
    CreateDirectoryA("c:\\temp", nullptr);
    DeleteFileA(kHandOff);
    DeleteFileA(kTool);
  }
  void TearDown() override {
    window.reset();
    Pump(nullptr, 10);
  }
};

TEST_F(ExitHandOff, YesCopiesTheCurrentToolWhichReadsAndDeletesTheHandOffFile) {
  StickFolder stick("exit_yes");
  ASSERT_TRUE(CopyFileA((TestBinFolder() + "Remove.exe").c_str(), (stick.path() + "Remove.exe").c_str(), FALSE));
  ASSERT_TRUE(CopyFileA((TestBinFolder() + "probe.exe").c_str(), kTool, FALSE));  // an older copy to replace
  HWND hwnd = Open(stick);
  answer = IDYES;
  SendMessageA(hwnd, WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindow(hwnd));
  EXPECT_EQ(ReadFile(kTool), ReadFile(TestBinFolder() + "Remove.exe")) << "the current build's tool";
  // The tool runs on its own: wait for it to take the hand-off file away.
  bool gone = false;
  for (int i = 0; i < 300 && !gone; ++i) {
    Pump(nullptr, 50);
    gone = GetFileAttributesA(kHandOff) == INVALID_FILE_ATTRIBUTES;
  }
  EXPECT_TRUE(gone) << "Remove.exe deletes the hand-off file";
  EXPECT_NE(GetFileAttributesA(kTool), INVALID_FILE_ATTRIBUTES) << "the copy stays until the next hand-off";
  EXPECT_TRUE(stick.Has("Settings.ini"));
  EXPECT_TRUE(stick.Has("Data.dat")) << "saved before the hand-off";
}

TEST_F(ExitHandOff, YesWithoutAToolBesideTheLauncherWritesTheHandOffAndStartsNothing) {
  StickFolder stick("exit_yes_no_tool");
  HWND hwnd = Open(stick);
  answer = IDYES;
  SendMessageA(hwnd, WM_CLOSE, 0, 0);
  Pump(nullptr, 300);
  EXPECT_FALSE(IsWindow(hwnd));
  EXPECT_EQ(GetFileAttributesA(kTool), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(ReadFile(kHandOff), "[Drive]\r\nLETTER=E:\\\r\n");
}

TEST_F(ExitHandOff, NoTouchesNothingInTheTempFolder) {
  StickFolder stick("exit_no");
  ASSERT_TRUE(CopyFileA((TestBinFolder() + "Remove.exe").c_str(), (stick.path() + "Remove.exe").c_str(), FALSE));
  HWND hwnd = Open(stick);
  answer = IDNO;
  SendMessageA(hwnd, WM_CLOSE, 0, 0);
  Pump(nullptr, 200);
  EXPECT_FALSE(IsWindow(hwnd));
  EXPECT_EQ(GetFileAttributesA(kTool), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetFileAttributesA(kHandOff), INVALID_FILE_ATTRIBUTES);
}

TEST_F(ExitHandOff, CancelFromTheTrayMenuKeepsTheLauncherWithItsWindowAndIcon) {
  StickFolder stick("exit_cancel");
  HWND hwnd = Open(stick);
  answer = IDCANCEL;
  SendMessageA(hwnd, WM_COMMAND, static_cast<WPARAM>(MenuItem::mnuExit), 0);
  Pump(window.get());
  EXPECT_TRUE(IsWindow(hwnd));
  EXPECT_TRUE(IsWindowVisible(hwnd));
  EXPECT_TRUE(window->tray().added());
  EXPECT_STREQ(window->tray().tip(), "Carrydeck");
  EXPECT_FALSE(stick.Has("Data.dat"));
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "Do you wish to 'Safely Remove' the USB device on exit?");
}

}  // namespace
}  // namespace carrydeck::gui
