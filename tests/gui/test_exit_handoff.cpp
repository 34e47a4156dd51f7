// Closing the real window: the question's answers, and Yes handing the drive to the real
// removal tool (Wine reports no USB bus, so nothing is ejected).
#include <functional>

#include "GuiTest.h"
#include "win32/WineSupport.h"

namespace carrydeck::gui {
namespace {

const char kTool[] = "c:\\temp\\Remove.exe";
const char kHandOff[] = "c:\\temp\\carrydeck.ini";
const char kProbeLog[] = "c:\\temp\\probe.log";  // left by probe.exe when it runs as the tool

bool FileThere(const char* path) { return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }

// Another program's tools to put in the checked tool's place.
const char kPlanted[] = "c:\\temp\\planted.exe";
const char kPlantedToo[] = "c:\\temp\\planted2.exe";
const char kSwapRole[] = "--try-swap-tool";
constexpr DWORD kNotRun = 0x100;

// Runs this program again as another process that tries every way of changing the file;
// its exit code has a bit for each that worked.
DWORD TrySwapsFromAnotherProcess(const std::string& file) {
  char self[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  std::string command = "\"" + std::string(self) + "\" " + kSwapRole + " \"" + file + "\"";
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION child = {};
  if (!CreateProcessA(self, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &child))
    return kNotRun;
  DWORD code = kNotRun;
  if (WaitForSingleObject(child.hProcess, 60000) == WAIT_OBJECT_0) GetExitCodeProcess(child.hProcess, &code);
  CloseHandle(child.hThread);
  CloseHandle(child.hProcess);
  return code;
}

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
  std::unique_ptr<TestLauncher> window;
  std::vector<MessageBoxRequest> boxes;
  int answer = IDYES;

  HWND Open(const StickFolder& stick, IShell* shell = nullptr) {
    window = std::make_unique<TestLauncher>();
    if (shell) window->SetShell(shell);
    window->SetMessageBoxHook([this](const MessageBoxRequest& r) {
      boxes.push_back(r);
      // Whatever else holds the stick meanwhile is not these tests' business.
      return (r.style & MB_TYPEMASK) == MB_CANCELTRYCONTINUE ? IDCONTINUE : answer;
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

// A real program started from the stick holds a file there: named (the launcher never is),
// and once it has ended, Try Again finds nothing more and the hand-off goes on.
TEST_F(ExitHandOff, TryAgainAfterTheHolderHasEndedGoesOnToTheHandOff) {
  StickFolder stick("exit_holders");
  ASSERT_TRUE(CopyFileA((TestBinFolder() + "Remove.exe").c_str(), (stick.path() + "Remove.exe").c_str(), FALSE));
  ASSERT_TRUE(CopyFileA((TestBinFolder() + "holder.exe").c_str(), (stick.path() + "holder.exe").c_str(), FALSE));
  stick.Write("notes.txt", "notes");
  wine::HolderProcess holder(stick.path() + "holder.exe", "file", stick.path() + "notes.txt");
  ASSERT_TRUE(holder.running());
  const std::string named = "holder.exe (" + std::to_string(holder.id()) + "): ";
  HWND hwnd = Open(stick);
  std::vector<MessageBoxRequest> lists;
  window->SetMessageBoxHook([&](const MessageBoxRequest& r) {
    if ((r.style & MB_TYPEMASK) != MB_CANCELTRYCONTINUE) return IDYES;
    lists.push_back(r);
    if (lists.size() > 1) return IDCONTINUE;  // something else holds it too: never loop
    holder.End();
    return IDTRYAGAIN;
  });
  SendMessageA(hwnd, WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindow(hwnd));
  ASSERT_FALSE(lists.empty());
  EXPECT_EQ(lists[0].title, kProgramTitle);
  EXPECT_EQ(lists[0].style & MB_ICONMASK, static_cast<UINT>(MB_ICONWARNING));
  EXPECT_NE(lists[0].text.find(named + stick.path() + "notes.txt"), std::string::npos) << lists[0].text;
  EXPECT_NE(lists[0].text.find(named + stick.path() + "holder.exe"), std::string::npos) << lists[0].text;
  EXPECT_EQ(lists[0].text.find("(" + std::to_string(GetCurrentProcessId()) + ")"), std::string::npos)
      << "the launcher itself is never named: " << lists[0].text;
  for (size_t i = 1; i < lists.size(); ++i) EXPECT_EQ(lists[i].text.find(named), std::string::npos) << lists[i].text;
  EXPECT_EQ(lists.size(), 1u) << "nothing else held the stick";
  EXPECT_TRUE(HandOffTaken()) << "the hand-off went on";
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

// The launcher holds the checked tool from its check until it has started: another program
// can neither write, move, replace nor delete it, and the start itself still works.
TEST_F(ExitHandOff, TheCheckedToolIsHeldUntilItHasStarted) {
  StickFolder stick("exit_yes_held_until_started");
  // The probe as the stick's tool, so what starts leaves its trace; the real tool as the
  // one another program tries to put in its place.
  ASSERT_TRUE(CopyFileA((TestBinFolder() + "probe.exe").c_str(), (stick.path() + "Remove.exe").c_str(), FALSE));
  ASSERT_TRUE(CopyFileA((TestBinFolder() + "Remove.exe").c_str(), kPlanted, FALSE));
  ASSERT_TRUE(CopyFileA((TestBinFolder() + "Remove.exe").c_str(), kPlantedToo, FALSE));
  WatchedShell shell;
  DWORD swaps = kNotRun;
  shell.beforeStart = [&](const std::string& file) { swaps = TrySwapsFromAnotherProcess(file); };
  HWND hwnd = Open(stick, &shell);
  answer = IDYES;
  SendMessageA(hwnd, WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindow(hwnd));
  EXPECT_EQ(swaps, 0u) << "what the other process did (bits: write, move away, delete, move onto, copy over)";
  ASSERT_TRUE(WaitForFile(nullptr, kProbeLog)) << "the held tool did not start";
  EXPECT_EQ(ReadFile(kProbeLog), std::string(kTool) + "||c:\\\r\n");
  EXPECT_EQ(ReadFile(kTool), ReadFile(TestBinFolder() + "probe.exe"));
  DeleteFileA(kPlanted);
  DeleteFileA(kPlantedToo);
  DeleteFileA((std::string(kTool) + ".moved").c_str());
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
  window->list().SelectRow(0);
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
  EXPECT_EQ(window->tray().tip(), "Carrydeck");
  EXPECT_FALSE(stick.Has("Data.dat"));
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "Do you wish to 'Safely Remove' the USB device on exit?");
}

}  // namespace

bool RunSwapRole(int argc, char** argv, int& exitCode) {
  if (argc != 3 || std::string(argv[1]) != kSwapRole) return false;
  const std::string file = argv[2];
  exitCode = 0;
  HANDLE written = CreateFileA(file.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                               nullptr, OPEN_EXISTING, 0, nullptr);
  if (written != INVALID_HANDLE_VALUE) {
    exitCode |= 1;
    CloseHandle(written);
  }
  if (MoveFileExA(file.c_str(), (file + ".moved").c_str(), MOVEFILE_REPLACE_EXISTING)) exitCode |= 2;
  if (DeleteFileA(file.c_str())) exitCode |= 4;
  if (MoveFileExA(kPlantedToo, file.c_str(), MOVEFILE_REPLACE_EXISTING)) exitCode |= 8;
  if (CopyFileA(kPlanted, file.c_str(), FALSE)) exitCode |= 16;
  return true;
}

}  // namespace carrydeck::gui
