// The real Remove.exe under Wine, copied to c:\temp and started through the shell as the
// launcher does at exit. Wine reports no USB bus, so nothing is ever ejected here: what
// shows is that the hand-off file goes, nothing appears on screen and the tool ends.
#include <gtest/gtest.h>
#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "win32/WineSupport.h"
#include "remover/win32/RemoveWindow.h"

namespace carrydeck::remove {
namespace {

using namespace wine;

constexpr char kHandOff[] = "c:\\temp\\carrydeck.ini";
constexpr char kCopy[] = "c:\\temp\\Remove.exe";

struct RunReport {
  bool ended = false;
  DWORD exitCode = 0;
  bool shown = false;
};

struct WindowSearch {
  DWORD processId;
  bool shown = false;
};

BOOL CALLBACK NoteShownWindow(HWND hwnd, LPARAM lParam) {
  auto* search = reinterpret_cast<WindowSearch*>(lParam);
  DWORD owner = 0;
  GetWindowThreadProcessId(hwnd, &owner);
  if (owner == search->processId && IsWindowVisible(hwnd)) search->shown = true;
  return TRUE;
}

bool FileThere(const char* path) { return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }

class RemoveExe : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(DriveMapped('E')) << "drive E: must be mapped (the test scripts do it)";
    CreateDirectoryA("c:\\temp", nullptr);
    DeleteFileA(kHandOff);
    std::string built = ProgramFolder() + "Remove.exe";
    ASSERT_TRUE(FileThere(built.c_str())) << built;
    ASSERT_TRUE(CopyFileA(built.c_str(), kCopy, FALSE));
  }
  void TearDown() override {
    DeleteFileA(kHandOff);
    DeleteFileA(kCopy);
  }

  void HandOff(const std::string& value) {
    ASSERT_TRUE(WritePrivateProfileStringA("Drive", "LETTER", value.c_str(), kHandOff));
  }

  RunReport Run() {
    RunReport report;
    SHELLEXECUTEINFOA start{};
    start.cbSize = sizeof start;
    start.fMask = SEE_MASK_NOCLOSEPROCESS;
    start.lpFile = kCopy;
    start.lpDirectory = "c:\\";
    start.nShow = SW_SHOWNORMAL;
    if (!ShellExecuteExA(&start) || !start.hProcess) {
      ADD_FAILURE() << "Remove.exe did not start";
      return report;
    }
    WindowSearch search{GetProcessId(start.hProcess)};
    DWORD deadline = GetTickCount() + 60000;
    while (WaitForSingleObject(start.hProcess, 5) == WAIT_TIMEOUT) {
      EnumWindows(NoteShownWindow, reinterpret_cast<LPARAM>(&search));
      if (static_cast<LONG>(deadline - GetTickCount()) < 0) break;
    }
    report.ended = WaitForSingleObject(start.hProcess, 0) == WAIT_OBJECT_0;
    if (!report.ended) TerminateProcess(start.hProcess, 99);
    GetExitCodeProcess(start.hProcess, &report.exitCode);
    CloseHandle(start.hProcess);
    report.shown = search.shown;
    return report;
  }

  void ExpectQuietRun(const std::string& what) {
    RunReport report = Run();
    EXPECT_TRUE(report.ended) << what;
    EXPECT_EQ(report.exitCode, 0u) << what;
    EXPECT_FALSE(report.shown) << what;
    EXPECT_FALSE(FileThere(kHandOff)) << what;
  }
};

TEST_F(RemoveExe, DeletesTheHandOffShowsNothingAndEnds) {
  TestFolder stick("E:\\");
  HANDLE file = CreateForWrite(stick.path() + "notes.txt");
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  CloseHandle(file);
  HandOff("E:\\");
  ASSERT_TRUE(FileThere(kHandOff));

  ExpectQuietRun("E:\\");
  // The running copy could not delete itself; the launcher replaces it next time.
  EXPECT_TRUE(FileThere(kCopy));
  EXPECT_TRUE(FileThere((stick.path() + "notes.txt").c_str()));
}

TEST_F(RemoveExe, StartedByHandWithoutAHandOffItLeavesNoFileBehind) { ExpectQuietRun("no hand-off file"); }

TEST_F(RemoveExe, BadHandOffValuesNeverCrashNorShowAnything) {
  for (const std::string& value : std::vector<std::string>{"", "E", "\\\\server\\share\\", "\x01\x7F\xFF garbage ]\t[",
                                                           "e:\\", "Q:\\", "\\\\.\\E:", std::string(700, 'x')}) {
    HandOff(value);
    ExpectQuietRun("value \"" + value + "\"");
  }
}

// The tool runs from c:\temp, where anybody may put a library: the configuration manager
// it looks up must be the system folder's, never a file of that name beside it.
TEST_F(RemoveExe, ALibraryPlantedBesideItIsNeverLoaded) {
  const std::string planted = ProgramFolder() + "planted.dll";
  ASSERT_TRUE(FileThere(planted.c_str())) << planted;
  const char kPlanted[] = "c:\\temp\\cfgmgr32.dll";
  const char kPlantedLog[] = "c:\\temp\\planted.log";
  DeleteFileA(kPlantedLog);
  ASSERT_TRUE(CopyFileA(planted.c_str(), kPlanted, FALSE));
  // Wine takes its own copy of a system library over any other unless told otherwise for
  // the program; Windows takes the one in the program's folder first, as Wine then does.
  const char kOverrides[] = "Software\\Wine\\AppDefaults\\Remove.exe\\DllOverrides";
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kOverrides, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  const char kNativeFirst[] = "native,builtin";
  RegSetValueExA(key, "cfgmgr32", 0, REG_SZ, reinterpret_cast<const BYTE*>(kNativeFirst), sizeof kNativeFirst);
  RegCloseKey(key);
  HandOff("E:\\");
  ExpectQuietRun("a cfgmgr32.dll beside the tool");
  RegDeleteKeyA(HKEY_CURRENT_USER, kOverrides);
  RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Wine\\AppDefaults\\Remove.exe");
  EXPECT_FALSE(FileThere(kPlantedLog)) << "the planted library ran inside the tool";
  DeleteFileA(kPlanted);
  DeleteFileA(kPlantedLog);
}

TEST(RemoveWindow, ExistsWithItsCaptionAndLabelButIsNeverShown) {
  RemoveWindow window;
  ASSERT_TRUE(window.Create(GetModuleHandleA(nullptr)));
  char text[64] = {};
  GetWindowTextA(window.hwnd(), text, sizeof text);
  EXPECT_STREQ(text, "Removing Device...");
  EXPECT_FALSE(IsWindowVisible(window.hwnd()));

  HWND label = GetWindow(window.hwnd(), GW_CHILD);
  ASSERT_NE(label, nullptr);
  GetWindowTextA(label, text, sizeof text);
  EXPECT_STREQ(text, "Please Wait...");
  auto font = reinterpret_cast<HFONT>(SendMessageA(label, WM_GETFONT, 0, 0));
  ASSERT_NE(font, nullptr);
  LOGFONTA face{};
  ASSERT_GT(GetObjectA(font, sizeof face, &face), 0);
  EXPECT_STREQ(face.lfFaceName, "MS Sans Serif");
}

}  // namespace
}  // namespace carrydeck::remove
