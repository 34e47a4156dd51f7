// Closing the real window: the question's answers, and Yes handing the drive to the real
// removal tool (Wine reports no USB bus, so nothing is ejected).
#include <functional>

#include "GuiTest.h"

namespace carrydeck::gui {
namespace {

const char kTool[] = "c:\\temp\\Remove.exe";
const char kHandOff[] = "c:\\temp\\carrydeck.ini";
const char kProbeLog[] = "c:\\temp\\probe.log";  // left by probe.exe when it runs as the tool

bool FileThere(const char* path) { return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }

std::string ReadFile(const std::string& path) {
  std::string bytes;
  Win32FileSystem().ReadAll(path, bytes);
  return bytes;
}

// The real shell, with a look at the moment the tool is started.
class WatchedShell : public Win32Shell {
 public:
  std::function<void(const std::string& file)> beforeStart;
  void ShellOpen(const std::string& file, const std::string& folder, const std::string& parameters) override {
    if (beforeStart) beforeStart(file);
    Win32Shell::ShellOpen(file, folder, parameters);
  }
};

// What the launcher keeps on the stick, to tell whether anything was written after a point.
std::string StickFiles(const StickFolder& stick) {
  std::string all;
  for (const char* name : {"Data.dat", "Settings.ini", "Types.dat", "imagelist.dat"})
    all += std::string(name) + (stick.Has(name) ? ":" + stick.Read(name) : " (none)") + "\n";
  return all;
}

struct ExitHandOff : ::testing::Test {
  std::unique_ptr<MainWindow> window;
  std::vector<MessageBoxRequest> boxes;
  int answer = IDYES;

  HWND Open(const StickFolder& stick, IShell* shell = nullptr) {
    window = std::make_unique<MainWindow>();
    if (shell) window->SetShell(shell);
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
    for (const char* path : {kHandOff, kTool, kProbeLog}) {
      SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
      DeleteFileA(path);
    }
    // The tool an earlier test started may still be on its way out, its program file in
    // use until it is gone: each test starts without one.
    for (int i = 0; i < 300 && FileThere(kTool); ++i) {
      Sleep(50);
      SetFileAttributesA(kTool, FILE_ATTRIBUTE_NORMAL);
      DeleteFileA(kTool);
    }
    ASSERT_FALSE(FileThere(kTool)) << "the tool of an earlier test never ended";
  }
  void TearDown() override {
    window.reset();
    Pump(nullptr, 10);
    SetFileAttributesA(kTool, FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(kProbeLog);
  }
  // Waits for the tool to take the hand-off file away, as it does when it runs.
  bool HandOffTaken() {
    for (int i = 0; i < 300; ++i) {
      if (!FileThere(kHandOff)) return true;
      Pump(nullptr, 50);
    }
    return !FileThere(kHandOff);
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
  EXPECT_TRUE(HandOffTaken()) << "Remove.exe deletes the hand-off file";
  EXPECT_FALSE(FileThere(kProbeLog)) << "the older copy was started";
  EXPECT_NE(GetFileAttributesA(kTool), INVALID_FILE_ATTRIBUTES) << "the copy stays until the next hand-off";
  EXPECT_TRUE(stick.Has("Settings.ini"));
  EXPECT_TRUE(stick.Has("Data.dat")) << "saved before the hand-off";
}

// An older copy left read-only, with other bytes, is never what starts: either the current
// tool took its place and ran, or nothing ran at all.
TEST_F(ExitHandOff, AReadOnlyOlderToolIsReplacedAndNeverStarted) {
  StickFolder stick("exit_yes_read_only_tool");
  ASSERT_TRUE(CopyFileA((TestBinFolder() + "Remove.exe").c_str(), (stick.path() + "Remove.exe").c_str(), FALSE));
  ASSERT_TRUE(CopyFileA((TestBinFolder() + "probe.exe").c_str(), kTool, FALSE));
  ASSERT_TRUE(SetFileAttributesA(kTool, FILE_ATTRIBUTE_READONLY));
  HWND hwnd = Open(stick);
  answer = IDYES;
  SendMessageA(hwnd, WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindow(hwnd));
  const bool current = ReadFile(kTool) == ReadFile(TestBinFolder() + "Remove.exe");
  const bool ran = HandOffTaken();
  EXPECT_FALSE(FileThere(kProbeLog)) << "the old copy was started";
  EXPECT_EQ(ran, current) << "the current tool runs; with the old one left, nothing does";
  EXPECT_TRUE(current) << "the read-only mark of our own left-over is taken off";
}

// Held open by something else, the older copy can be neither deleted nor replaced.
TEST_F(ExitHandOff, AnOlderToolHeldOpenIsNeverStarted) {
  StickFolder stick("exit_yes_held_tool");
  ASSERT_TRUE(CopyFileA((TestBinFolder() + "Remove.exe").c_str(), (stick.path() + "Remove.exe").c_str(), FALSE));
  ASSERT_TRUE(CopyFileA((TestBinFolder() + "probe.exe").c_str(), kTool, FALSE));
  HANDLE held = CreateFileA(kTool, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  HWND hwnd = Open(stick);
  answer = IDYES;
  SendMessageA(hwnd, WM_CLOSE, 0, 0);
  Pump(nullptr, 1500);
  CloseHandle(held);
  EXPECT_FALSE(IsWindow(hwnd));
  EXPECT_FALSE(FileThere(kProbeLog)) << "the old copy was started";
  EXPECT_EQ(ReadFile(kHandOff), "[Drive]\r\nLETTER=E:\\\r\n") << "written, but nothing reads it";
}

// The program folder's tool is the probe here, so whatever starts leaves its trace.
TEST_F(ExitHandOff, AReadOnlyHandOffFileIsRewrittenBeforeTheToolStarts) {
  StickFolder stick("exit_yes_read_only_hand_off");
  ASSERT_TRUE(CopyFileA((TestBinFolder() + "probe.exe").c_str(), (stick.path() + "Remove.exe").c_str(), FALSE));
  ASSERT_TRUE(WritePrivateProfileStringA("Drive", "LETTER", "G:\\", kHandOff));
  ASSERT_TRUE(SetFileAttributesA(kHandOff, FILE_ATTRIBUTE_READONLY));
  HWND hwnd = Open(stick);
  answer = IDYES;
  SendMessageA(hwnd, WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindow(hwnd));
  ASSERT_TRUE(WaitForFile(nullptr, kProbeLog));
  EXPECT_EQ(ReadFile(kProbeLog), std::string(kTool) + "||c:\\\r\n");
  EXPECT_EQ(ReadFile(kHandOff), "[Drive]\r\nLETTER=E:\\\r\n") << "the tool would act on whatever G: is now";
  EXPECT_FALSE(GetFileAttributesA(kHandOff) & FILE_ATTRIBUTE_READONLY);
  SetFileAttributesA(kHandOff, FILE_ATTRIBUTE_NORMAL);
}

TEST_F(ExitHandOff, AHandOffFileThatCannotBeWrittenStartsNothing) {
  StickFolder stick("exit_yes_locked_hand_off");
  ASSERT_TRUE(CopyFileA((TestBinFolder() + "probe.exe").c_str(), (stick.path() + "Remove.exe").c_str(), FALSE));
  ASSERT_TRUE(WritePrivateProfileStringA("Drive", "LETTER", "G:\\", kHandOff));
  HANDLE held = CreateFileA(kHandOff, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  HWND hwnd = Open(stick);
  answer = IDYES;
  SendMessageA(hwnd, WM_CLOSE, 0, 0);
  Pump(nullptr, 1500);
  CloseHandle(held);
  EXPECT_FALSE(IsWindow(hwnd));
  EXPECT_FALSE(FileThere(kProbeLog)) << "started with the hand-off file of another run";
}

// A close request while one of the launcher's boxes is open waits for its answer: the box's
// command is done first, the exit comes after it, and nothing writes to the stick once the
// tool starts.
TEST_F(ExitHandOff, ACloseWhileTheDeleteQuestionIsOpenWaitsForItsAnswer) {
  StickFolder stick("exit_during_delete");
  stick.Write("Data.dat", "A\r\nT\r\nE:\\a.exe\r\n\r\nB\r\nT\r\nE:\\b.exe\r\n\r\n");
  stick.Write("Settings.ini", "[MAIN]\r\nICONS=0\r\n");
  ASSERT_TRUE(CopyFileA((TestBinFolder() + "probe.exe").c_str(), (stick.path() + "Remove.exe").c_str(), FALSE));
  WatchedShell shell;
  std::string atStart = "(not started)";
  shell.beforeStart = [&](const std::string&) { atStart = StickFiles(stick); };
  HWND hwnd = Open(stick, &shell);
  bool deleteOpen = false, askedOverIt = false;
  window->SetMessageBoxHook([&](const MessageBoxRequest& r) {
    boxes.push_back(r);
    if (r.text == "Are you sure you want to remove A?") {
      deleteOpen = true;
      // The window asked to close, and the tray's Exit chosen.
      SendMessageA(hwnd, WM_CLOSE, 0, 0);
      SendMessageA(hwnd, WM_COMMAND, static_cast<WPARAM>(Command::Exit), 0);
      deleteOpen = false;
    }
    askedOverIt = askedOverIt || deleteOpen;
    return IDYES;
  });
  window->list().SelectRow(1);
  SendMessageA(hwnd, WM_COMMAND, static_cast<WPARAM>(Command::DeleteEntry), 0);
  Pump(nullptr);
  EXPECT_FALSE(askedOverIt) << "a question over the open one";
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[1].text, "Do you wish to 'Safely Remove' the USB device on exit?");
  EXPECT_FALSE(IsWindow(hwnd));
  EXPECT_EQ(stick.Read("Data.dat"), "B\r\nT\r\nE:\\b.exe\r\n\r\n") << "the delete's Yes is kept";
  ASSERT_TRUE(WaitForFile(nullptr, kProbeLog));
  EXPECT_EQ(ReadFile(kProbeLog), std::string(kTool) + "||c:\\\r\n") << "started once";
  EXPECT_EQ(StickFiles(stick), atStart) << "written to the stick after the tool started";
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
  SendMessageA(hwnd, WM_COMMAND, static_cast<WPARAM>(Command::Exit), 0);
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
