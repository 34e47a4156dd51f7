// The shipped programs from outside, as a user meets them: Menu.exe started from a folder
// on drive E: with a catalogue, its window read from this other process, closed with No
// and with Yes, and the removal tool the Yes hands the drive to. Nothing here links the
// programs' code: the folder of the built programs comes from CARRYDECK_RELEASE_BIN.
//
// Reading another process's list view means handing it a record in that process's memory,
// laid out as this program's compiler lays it out: the driver and the programs must be
// built for the same machine (both 32-bit in the emulated PC).
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <tlhelp32.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "win32/FolderTree.h"

namespace carrydeck::release {
namespace {

using testing::RemoveTree;

const char kHandOffTool[] = "c:\\temp\\Remove.exe";
const char kHandOffFile[] = "c:\\temp\\carrydeck.ini";
const char kQuestion[] = "Do you wish to 'Safely Remove' the USB device on exit?";
const DWORD kPatienceMs = 60000;  // an emulated PC starts a program in seconds, not ms

// Three entries, four lines each, as the launcher stores them.
const char kCatalogue[] =
    "Notepad\r\nEditors\r\nC:\\windows\\notepad.exe\r\n\r\n"
    "Calc\r\nTools\r\nE:\\Apps\\calc.exe\r\n-x %drive%\r\n"
    "Alpha\r\nGames\r\nE:\\Games\\alpha.exe\r\n\r\n";

std::string ReleaseFolder() {
  const char* folder = std::getenv("CARRYDECK_RELEASE_BIN");
  std::string path = folder ? folder : "";
  if (!path.empty() && path.back() != '\\') path += '\\';
  return path;
}

bool FileThere(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string ReadBytes(const std::string& path) {
  std::string bytes;
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return bytes;
  char chunk[4096];
  DWORD got = 0;
  while (ReadFile(file, chunk, sizeof chunk, &got, nullptr) && got > 0) bytes.append(chunk, got);
  CloseHandle(file);
  return bytes;
}

void WriteBytes(const std::string& path, const std::string& bytes) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE) << path;
  DWORD written = 0;
  WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
  ASSERT_EQ(written, bytes.size()) << path;
}

std::string WindowText(HWND hwnd) {
  char text[512] = {};
  GetWindowTextA(hwnd, text, sizeof text);
  return text;
}

std::string ClassOf(HWND hwnd) {
  char name[64] = {};
  GetClassNameA(hwnd, name, sizeof name);
  return name;
}

// Memory inside the other process, for the records its controls fill in.
class RemoteBuffer {
 public:
  RemoteBuffer(HANDLE process, size_t size)
      : process_(process), at_(VirtualAllocEx(process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE)) {}
  ~RemoteBuffer() {
    if (at_) VirtualFreeEx(process_, at_, 0, MEM_RELEASE);
  }
  RemoteBuffer(const RemoteBuffer&) = delete;
  RemoteBuffer& operator=(const RemoteBuffer&) = delete;
  char* at() const { return static_cast<char*>(at_); }
  bool Put(size_t offset, const void* bytes, size_t size) const {
    SIZE_T done = 0;
    return WriteProcessMemory(process_, at() + offset, bytes, size, &done) && done == size;
  }
  std::string GetText(size_t offset, size_t size) const {
    std::vector<char> text(size + 1, '\0');
    SIZE_T done = 0;
    if (!ReadProcessMemory(process_, at() + offset, text.data(), size, &done)) return "<unreadable>";
    return text.data();
  }

 private:
  HANDLE process_;
  void* at_;
};

struct WindowSearch {
  DWORD processId;
  std::string className;  // empty: any
  HWND found = nullptr;
};

BOOL CALLBACK MatchWindow(HWND hwnd, LPARAM lParam) {
  auto* search = reinterpret_cast<WindowSearch*>(lParam);
  DWORD owner = 0;
  GetWindowThreadProcessId(hwnd, &owner);
  if (owner != search->processId || !IsWindowVisible(hwnd)) return TRUE;
  if (!search->className.empty() && ClassOf(hwnd) != search->className) return TRUE;
  search->found = hwnd;
  return FALSE;
}

HWND VisibleWindowOf(DWORD processId, const std::string& className = "") {
  WindowSearch search{processId, className};
  EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND ChildOfClass(HWND parent, const char* className) {
  HWND child = nullptr;
  while ((child = FindWindowExA(parent, child, nullptr, nullptr)) != nullptr) {
    if (ClassOf(child) == className) return child;
    if (HWND inner = ChildOfClass(child, className)) return inner;
  }
  return nullptr;
}

// Process ids of the running programs with this file name.
std::vector<DWORD> ProcessesNamed(const char* exeName) {
  std::vector<DWORD> ids;
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return ids;
  PROCESSENTRY32 entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry))
    if (lstrcmpiA(entry.szExeFile, exeName) == 0) ids.push_back(entry.th32ProcessID);
  CloseHandle(snapshot);
  return ids;
}

// The launcher as the user starts it: from its folder on the stick, by its full path.
class Launcher {
 public:
  explicit Launcher(const std::string& folder) {
    std::string exe = folder + "Menu.exe";
    std::string command = "\"" + exe + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    started_ = CreateProcessA(exe.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup,
                              &info_) != FALSE;
  }
  ~Launcher() {
    if (!started_) return;
    if (WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(info_.hProcess, 99);
    CloseHandle(info_.hThread);
    CloseHandle(info_.hProcess);
  }
  bool started() const { return started_; }
  HANDLE process() const { return info_.hProcess; }
  DWORD id() const { return info_.dwProcessId; }

  // The main window once it shows its catalogue: the caption carries the version then.
  HWND WaitForMainWindow() {
    for (DWORD waited = 0; waited < kPatienceMs; waited += 50) {
      HWND main = VisibleWindowOf(id());
      if (main && WindowText(main).rfind("Carrydeck v", 0) == 0) return main;
      if (WaitForSingleObject(info_.hProcess, 50) != WAIT_TIMEOUT) return nullptr;
    }
    return nullptr;
  }

  // The question box the close brings up.
  HWND WaitForQuestion() {
    for (DWORD waited = 0; waited < kPatienceMs; waited += 50) {
      if (HWND box = VisibleWindowOf(id(), "#32770")) return box;
      if (WaitForSingleObject(info_.hProcess, 50) != WAIT_TIMEOUT) return nullptr;
    }
    return nullptr;
  }

  bool WaitForEnd(DWORD& exitCode) {
    if (WaitForSingleObject(info_.hProcess, kPatienceMs) != WAIT_OBJECT_0) return false;
    return GetExitCodeProcess(info_.hProcess, &exitCode) != FALSE;
  }

  std::string ItemText(HWND list, int row, int column) {
    RemoteBuffer remote(info_.hProcess, sizeof(LVITEMA) + 1024);
    if (!remote.at()) return "<no memory in the launcher>";
    LVITEMA item{};
    item.iSubItem = column;
    item.cchTextMax = 1024;
    item.pszText = remote.at() + sizeof(LVITEMA);
    if (!remote.Put(0, &item, sizeof item)) return "<unwritable>";
    SendMessageA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(remote.at()));
    return remote.GetText(sizeof(LVITEMA), 1024);
  }

  std::string HeaderText(HWND header, int column) {
    RemoteBuffer remote(info_.hProcess, sizeof(HDITEMA) + 256);
    if (!remote.at()) return "<no memory in the launcher>";
    HDITEMA item{};
    item.mask = HDI_TEXT;
    item.cchTextMax = 256;
    item.pszText = remote.at() + sizeof(HDITEMA);
    if (!remote.Put(0, &item, sizeof item)) return "<unwritable>";
    SendMessageA(header, HDM_GETITEMA, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(remote.at()));
    return remote.GetText(sizeof(HDITEMA), 256);
  }

 private:
  bool started_ = false;
  PROCESS_INFORMATION info_{};
};

// A stick folder E:\release_<test>\ holding the release programs and a catalogue.
class ReleaseOnStick : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(ReleaseFolder().empty()) << "CARRYDECK_RELEASE_BIN names the folder of the built programs";
    ASSERT_TRUE(FileThere(ReleaseFolder() + "Menu.exe")) << ReleaseFolder();
    ASSERT_TRUE(FileThere(ReleaseFolder() + "Remove.exe")) << ReleaseFolder();
    UINT type = GetDriveTypeA("E:\\");
    ASSERT_TRUE(type == DRIVE_FIXED || type == DRIVE_REMOVABLE) << "drive E: must be mapped (the test scripts do it)";
    stick_ = std::string("E:\\release_") + ::testing::UnitTest::GetInstance()->current_test_info()->name() + "\\";
    RemoveTree(stick_);
    ASSERT_TRUE(CreateDirectoryA(stick_.c_str(), nullptr)) << stick_;
    ASSERT_TRUE(CopyFileA((ReleaseFolder() + "Menu.exe").c_str(), (stick_ + "Menu.exe").c_str(), FALSE));
    WriteBytes(stick_ + "Data.dat", kCatalogue);
    // A window size of our choosing: 9000 x 6000 twips.
    WriteBytes(stick_ + "Settings.ini", "[MAIN]\r\nWindow Height=6000\r\nWindow Width=9000\r\n");
    CreateDirectoryA("c:\\temp", nullptr);
    DeleteFileA(kHandOffFile);
    DeleteFileA(kHandOffTool);
  }
  void TearDown() override {
    WaitForNoRemoveTool();
    DeleteFileA(kHandOffFile);
    DeleteFileA(kHandOffTool);
    RemoveTree(stick_);
  }
  void WithTheRemovalTool() {
    ASSERT_TRUE(CopyFileA((ReleaseFolder() + "Remove.exe").c_str(), (stick_ + "Remove.exe").c_str(), FALSE));
  }
  // Closes the window as its close box does and answers the question with `button`.
  void CloseAndAnswer(Launcher& menu, HWND main, int button) {
    PostMessageA(main, WM_SYSCOMMAND, SC_CLOSE, 0);
    HWND box = menu.WaitForQuestion();
    ASSERT_NE(box, nullptr) << "no question on closing";
    EXPECT_EQ(WindowText(box), "Safely Remove USB Device?");
    bool asked = false;
    for (HWND child = nullptr; (child = FindWindowExA(box, child, "Static", nullptr)) != nullptr;)
      asked = asked || WindowText(child) == kQuestion;
    EXPECT_TRUE(asked) << "the question's text";
    HWND answer = GetDlgItem(box, button);
    ASSERT_NE(answer, nullptr) << "no button " << button;
    PostMessageA(answer, BM_CLICK, 0, 0);
  }
  // A removal tool still running would hold c:\temp\Remove.exe for the next test.
  static bool WaitForNoRemoveTool() {
    for (DWORD waited = 0; waited < kPatienceMs; waited += 50) {
      if (ProcessesNamed("Remove.exe").empty()) return true;
      Sleep(50);
    }
    return false;
  }
  const std::string& stick() const { return stick_; }

 private:
  std::string stick_;
};

TEST_F(ReleaseOnStick, TheListShowsTheCatalogueAndNoKeepsTheSettingsAndLeavesTempAlone) {
  WithTheRemovalTool();
  Launcher menu(stick());
  ASSERT_TRUE(menu.started()) << GetLastError();
  HWND main = menu.WaitForMainWindow();
  ASSERT_NE(main, nullptr) << "Menu.exe showed no window with its caption";

  std::string caption = WindowText(main);
  EXPECT_EQ(caption.rfind("Carrydeck v1.03 >> ", 0), 0u) << caption;
  EXPECT_EQ(caption.substr(caption.size() - 17), " Remaining on E:\\") << caption;

  HWND list = ChildOfClass(main, WC_LISTVIEWA);
  ASSERT_NE(list, nullptr) << "no list view in the window";
  ASSERT_EQ(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0), 3);
  const char* rows[3][4] = {{"Notepad", "Editors", "C:\\windows\\notepad.exe", ""},
                            {"Calc", "Tools", "E:\\Apps\\calc.exe", "-x %drive%"},
                            {"Alpha", "Games", "E:\\Games\\alpha.exe", ""}};
  for (int row = 0; row < 3; ++row)
    for (int column = 0; column < 4; ++column)
      EXPECT_EQ(menu.ItemText(list, row, column), rows[row][column]) << "row " << row << ", column " << column;
  HWND header = reinterpret_cast<HWND>(SendMessageA(list, LVM_GETHEADER, 0, 0));
  ASSERT_EQ(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0), 4);
  const char* headings[] = {"Name", "Type", "Target File", "Command Line Parameters"};
  for (int column = 0; column < 4; ++column) EXPECT_EQ(menu.HeaderText(header, column), headings[column]);

  // The stored size, converted at the screen's DPI.
  RECT frame{};
  ASSERT_TRUE(GetWindowRect(main, &frame));
  HDC screen = GetDC(nullptr);
  int dpiX = GetDeviceCaps(screen, LOGPIXELSX), dpiY = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  EXPECT_EQ(frame.right - frame.left, MulDiv(9000, dpiX, 1440));
  EXPECT_EQ(frame.bottom - frame.top, MulDiv(6000, dpiY, 1440));

  CloseAndAnswer(menu, main, IDNO);
  DWORD exitCode = 1;
  ASSERT_TRUE(menu.WaitForEnd(exitCode)) << "Menu.exe did not end after No";
  EXPECT_EQ(exitCode, 0u);
  std::string settings = ReadBytes(stick() + "Settings.ini");
  EXPECT_NE(settings.find("Window Height=6000\r\n"), std::string::npos) << settings;
  EXPECT_NE(settings.find("Window Width=9000\r\n"), std::string::npos) << settings;
  EXPECT_NE(settings.find("[Headings]\r\n1="), std::string::npos) << settings;
  EXPECT_EQ(ReadBytes(stick() + "Data.dat"), kCatalogue);
  EXPECT_FALSE(FileThere(kHandOffTool));
  EXPECT_FALSE(FileThere(kHandOffFile));
}

TEST_F(ReleaseOnStick, YesWithoutTheToolBesideItLeavesTheHandOffForTheDrive) {
  Launcher menu(stick());
  ASSERT_TRUE(menu.started()) << GetLastError();
  HWND main = menu.WaitForMainWindow();
  ASSERT_NE(main, nullptr) << "Menu.exe showed no window with its caption";
  CloseAndAnswer(menu, main, IDYES);
  DWORD exitCode = 1;
  ASSERT_TRUE(menu.WaitForEnd(exitCode)) << "Menu.exe did not end after Yes";
  EXPECT_EQ(exitCode, 0u);
  EXPECT_EQ(ReadBytes(kHandOffFile), "[Drive]\r\nLETTER=E:\\\r\n");
  EXPECT_FALSE(FileThere(kHandOffTool));
  EXPECT_NE(ReadBytes(stick() + "Settings.ini").find("Window Width=9000\r\n"), std::string::npos);
}

// Wine reports every drive on a SCSI bus, never USB: the tool takes the hand-off, leaves
// the drive as it is (no release, no ejection) and ends without showing anything.
TEST_F(ReleaseOnStick, YesHandsTheDriveToTheRemovalToolWhichTakesTheHandOffAndEndsUnseen) {
  WithTheRemovalTool();
  Launcher menu(stick());
  ASSERT_TRUE(menu.started()) << GetLastError();
  HWND main = menu.WaitForMainWindow();
  ASSERT_NE(main, nullptr) << "Menu.exe showed no window with its caption";
  CloseAndAnswer(menu, main, IDYES);

  // The launcher starts the tool before it ends, so once it has ended, a hand-off file that
  // is gone and no tool running mean the tool has done its work.
  bool toolSeen = false, toolShown = false, handOffThere = true, menuEnded = false;
  for (DWORD waited = 0; waited < 2 * kPatienceMs; waited += 20) {
    std::vector<DWORD> tools = ProcessesNamed("Remove.exe");
    for (DWORD id : tools) {
      toolSeen = true;
      toolShown = toolShown || VisibleWindowOf(id) != nullptr;
    }
    handOffThere = FileThere(kHandOffFile);
    if (menuEnded && !handOffThere && tools.empty()) break;
    menuEnded = WaitForSingleObject(menu.process(), 0) == WAIT_OBJECT_0;
    Sleep(20);
  }
  DWORD exitCode = 1;
  ASSERT_TRUE(menu.WaitForEnd(exitCode)) << "Menu.exe did not end after Yes";
  EXPECT_EQ(exitCode, 0u);
  EXPECT_FALSE(handOffThere) << "the removal tool takes the hand-off file away";
  EXPECT_TRUE(ProcessesNamed("Remove.exe").empty()) << "the removal tool ends";
  EXPECT_FALSE(toolShown) << "the removal tool shows nothing";
  if (!toolSeen) std::printf("note: the removal tool ended before it could be watched\n");
  EXPECT_EQ(ReadBytes(kHandOffTool), ReadBytes(ReleaseFolder() + "Remove.exe")) << "the stick's tool was copied";
  EXPECT_EQ(ReadBytes(stick() + "Data.dat"), kCatalogue) << "saved before the hand-off";
}

}  // namespace
}  // namespace carrydeck::release
