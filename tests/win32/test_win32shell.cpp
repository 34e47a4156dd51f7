// The shell port's starts and clipboard against the real Win32 of Wine.
#include <gtest/gtest.h>
#include <windows.h>
#include <objbase.h>

#include <string>
#include <thread>

#include "common/win32/DelayLoad.h"
#include "common/win32/ProgramModule.h"
#include "common/win32/Win32Shell.h"

namespace carrydeck {
namespace {

bool FileThere(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool WaitForFile(const std::string& path, DWORD ms) {
  for (DWORD waited = 0; waited < ms; waited += 50) {
    if (FileThere(path)) return true;
    Sleep(50);
  }
  return FileThere(path);
}

// A fresh folder in the temporary folder, emptied and removed again at the end.
class ScratchFolder {
 public:
  ScratchFolder() {
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    path_ = std::string(temp) + "carrydeck_" + ::testing::UnitTest::GetInstance()->current_test_info()->name() + "\\";
    Empty();
    CreateDirectoryA(path_.c_str(), nullptr);
  }
  ~ScratchFolder() {
    Empty();
    RemoveDirectoryA(path_.c_str());
  }
  const std::string& path() const { return path_; }

 private:
  void Empty() {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((path_ + "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
      if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) DeleteFileA((path_ + found.cFileName).c_str());
    } while (FindNextFileA(search, &found));
    FindClose(search);
  }
  std::string path_;
};

TEST(Win32Shell, ShortPathOfAMissingFileIsEmpty) {
  EXPECT_EQ(GetShortPath("C:\\no\\such\\file.exe"), "");
  EXPECT_FALSE(GetShortPath("C:\\windows\\system32\\notepad.exe").empty());
}

TEST(Win32Shell, SystemAndWindowsFoldersAreTheSystemsOwnWithTheirBackslash) {
  Win32Shell shell;
  char folder[MAX_PATH] = {};
  ASSERT_GT(GetSystemDirectoryA(folder, MAX_PATH), 0u);
  EXPECT_EQ(shell.SystemFolder(), std::string(folder) + "\\");
  ASSERT_GT(GetWindowsDirectoryA(folder, MAX_PATH), 0u);
  EXPECT_EQ(shell.WindowsFolder(), std::string(folder) + "\\");
}

// A console lying in the entry's folder, which is made current before the start, must not
// be the one that runs.
TEST(Win32Shell, StartsTheProgramAtItsPathNeverOneOfThatNameInTheCurrentFolder) {
  ScratchFolder scratch;
  ASSERT_TRUE(CopyFileA((GetAppPath() + "probe.exe").c_str(), (scratch.path() + "cmd.exe").c_str(), FALSE));
  char previous[MAX_PATH] = {};
  GetCurrentDirectoryA(MAX_PATH, previous);
  ASSERT_TRUE(SetCurrentDirectoryA(scratch.path().c_str()));
  Win32Shell shell;
  const std::string mark = scratch.path() + "ran.txt";
  bool started = shell.StartProgram(shell.SystemFolder() + "cmd.exe", "cmd.exe /c echo ran>\"" + mark + "\"", "");
  SetCurrentDirectoryA(previous);
  ASSERT_TRUE(started) << shell.LastErrorDescription();
  EXPECT_TRUE(WaitForFile(mark, 15000)) << "the system's console ran the command line";
  EXPECT_FALSE(FileThere(scratch.path() + "probe.log")) << "the cmd.exe of the current folder ran";
  Sleep(200);  // let the console let go of its file
}

// What the probe wrote beside itself, once it holds that many lines ("" when it never does).
std::string ProbeLines(const std::string& log, size_t lines) {
  for (DWORD waited = 0; waited < 15000; waited += 50) {
    HANDLE file =
        CreateFileA(log.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
      char bytes[4096] = {};
      DWORD read = 0;
      ReadFile(file, bytes, sizeof bytes, &read, nullptr);
      CloseHandle(file);
      std::string text(bytes, read);
      size_t ends = 0;
      for (size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at + 2)) ++ends;
      if (ends >= lines) return text;
    }
    Sleep(50);
  }
  return "";
}

// The probe records its working folder: the one given, or the caller's when none is.
TEST(Win32Shell, StartsInTheGivenWorkingFolderElseInTheCallers) {
  ScratchFolder scratch;
  const std::string probe = scratch.path() + "probe.exe", log = scratch.path() + "probe.log";
  ASSERT_TRUE(CopyFileA((GetAppPath() + "probe.exe").c_str(), probe.c_str(), FALSE));
  char current[MAX_PATH] = {};
  GetCurrentDirectoryA(MAX_PATH, current);
  Win32Shell shell;
  ASSERT_TRUE(shell.StartProgram(probe, "probe.exe", "")) << shell.LastErrorDescription();
  ASSERT_NE(ProbeLines(log, 1), "");
  ASSERT_TRUE(shell.StartProgram(probe, "probe.exe", scratch.path())) << shell.LastErrorDescription();
  // A working folder other than a root reads back without its closing "\".
  const std::string given = scratch.path().substr(0, scratch.path().size() - 1);
  EXPECT_EQ(ProbeLines(log, 2), probe + "||" + current + "\r\n" + probe + "||" + given + "\r\n");
  Sleep(200);  // let the probe let go of its file
}

TEST(Win32Shell, AProgramWithoutAFullPathIsNeverSearchedFor) {
  Win32Shell shell;
  for (const char* program : {"cmd.exe", "system32\\cmd.exe", "", "C:cmd.exe"}) {
    EXPECT_FALSE(shell.StartProgram(program, "cmd.exe /c exit", "")) << program;
    EXPECT_FALSE(shell.LastErrorDescription().empty());
  }
}

// Without an owner the system may refuse the data, and nothing answers for it later.
TEST(Win32Shell, TextOnTheClipboardBelongsToTheGivenWindow) {
  HWND owner = CreateWindowExA(0, "STATIC", "owner", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                               GetModuleHandleA(nullptr), nullptr);
  ASSERT_NE(owner, nullptr);
  {
    Win32Shell shell;
    shell.SetClipboardOwner(owner);
    ASSERT_TRUE(shell.SetClipboardText("E:\\Apps\\Tool\\tool.exe")) << shell.LastErrorDescription();
    EXPECT_EQ(GetClipboardOwner(), owner);
    std::string text;
    ASSERT_TRUE(shell.GetClipboardText(text));
    EXPECT_EQ(text, "E:\\Apps\\Tool\\tool.exe");
  }
  DestroyWindow(owner);
}

// Shell starts may hand the work to shell extensions that need COM on the calling thread.
TEST(Win32Shell, ShellStartsRunInASingleThreadedApartmentThatEndsWithTheShell) {
  using GetApartmentTypeFn = HRESULT(WINAPI*)(APTTYPE*, APTTYPEQUALIFIER*);
  auto getApartmentType = late::SystemFunction<GetApartmentTypeFn>("ole32.dll", "CoGetApartmentType");
  ASSERT_NE(getApartmentType, nullptr);
  HRESULT during = E_FAIL, after = E_FAIL, changedMode = E_FAIL;
  APTTYPE type = APTTYPE_MTA;
  // A thread of its own: nothing else of this program has touched its COM state.
  std::thread worker([&] {
    {
      Win32Shell shell;
      shell.ShellOpen("Q:\\carrydeck\\no such program.exe", "Q:\\", "");
      shell.ShellOpen("Q:\\carrydeck\\no such program either.exe", "Q:\\", "");
      APTTYPEQUALIFIER qualifier;
      during = getApartmentType(&type, &qualifier);
      changedMode = late::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
      if (SUCCEEDED(changedMode)) late::CoUninitialize();
    }
    APTTYPEQUALIFIER qualifier;
    APTTYPE ignored;
    after = getApartmentType(&ignored, &qualifier);
  });
  worker.join();
  EXPECT_EQ(during, S_OK) << "COM was never started on the thread";
  EXPECT_TRUE(type == APTTYPE_STA || type == APTTYPE_MAINSTA) << type;
  EXPECT_EQ(changedMode, RPC_E_CHANGED_MODE);
  EXPECT_EQ(after, CO_E_NOTINITIALIZED) << "started once, and ended once with the shell";
}

}  // namespace
}  // namespace carrydeck
