// Open Command Prompt Here with the system's real console: whatever the entry's folder is
// called, the console opens in it and runs nothing of its name.
#include "GuiTest.h"
// After <windows.h>, which GuiTest.h brings.
#include <tlhelp32.h>

#include <memory>
#include <vector>

namespace carrydeck::gui {
namespace {

bool SameName(const char* a, const char* b) { return lstrcmpiA(a, b) == 0; }

// The processes the given one started that still run, by their program's file name;
// "conhost.exe" (the console window itself) is never counted.
std::vector<DWORD> ChildrenOf(DWORD parent, const char* program = nullptr) {
  std::vector<DWORD> found;
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return found;
  PROCESSENTRY32 entry = {};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
    if (entry.th32ParentProcessID != parent || SameName(entry.szExeFile, "conhost.exe")) continue;
    if (!program || SameName(entry.szExeFile, program)) found.push_back(entry.th32ProcessID);
  }
  CloseHandle(snapshot);
  return found;
}

// A console this test started, ended when the test is done with it.
class Console {
 public:
  explicit Console(DWORD pid) : pid_(pid), process_(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid)) {}
  ~Console() {
    if (!process_) return;
    TerminateProcess(process_, 0);
    WaitForSingleObject(process_, 10000);
    CloseHandle(process_);
  }
  Console(const Console&) = delete;
  Console& operator=(const Console&) = delete;
  bool open() const { return process_ != nullptr; }

  // The screen's lines that are not blank, once the last of them is a prompt (ends in ">"):
  // the console has then read its whole command line. "" when no prompt shows.
  std::string Prompted(TestLauncher* window, const std::string& scratch) const {
    const std::string file = scratch + "screen.txt";
    std::string line = "console_screen.exe " + std::to_string(pid_) + " \"" + file + "\"";
    for (const DWORD start = GetTickCount(); GetTickCount() - start < 60000;) {
      Pump(window, 250);
      STARTUPINFOA startup = {};
      startup.cb = sizeof startup;
      PROCESS_INFORMATION reader = {};
      std::vector<char> text(line.begin(), line.end());
      text.push_back('\0');
      if (!CreateProcessA((TestBinFolder() + "console_screen.exe").c_str(), text.data(), nullptr, nullptr, FALSE, 0,
                          nullptr, nullptr, &startup, &reader))
        return "";
      WaitForSingleObject(reader.hProcess, 10000);
      DWORD code = 1;
      GetExitCodeProcess(reader.hProcess, &code);
      CloseHandle(reader.hThread);
      CloseHandle(reader.hProcess);
      if (code != 0) continue;
      std::string screen, shown;
      Win32FileSystem().ReadAll(file, screen);
      DeleteFileA(file.c_str());
      size_t from = 0;
      for (size_t end; (end = screen.find('\n', from)) != std::string::npos; from = end + 1)
        if (end > from) shown += screen.substr(from, end - from) + "\n";
      if (shown.size() >= 2 && shown[shown.size() - 2] == '>') return shown;
    }
    return "";
  }

 private:
  DWORD pid_;
  HANDLE process_;
};

// The folder put first on this process's search path (inherited by what it starts), taken
// off again at the end.
class FirstOnSearchPath {
 public:
  explicit FirstOnSearchPath(const std::string& folder) {
    char old[32767] = {};
    GetEnvironmentVariableA("PATH", old, sizeof old);
    old_ = old;
    SetEnvironmentVariableA("PATH", (folder + ";" + old_).c_str());
  }
  ~FirstOnSearchPath() { SetEnvironmentVariableA("PATH", old_.c_str()); }

 private:
  std::string old_;
};

TEST(CommandPrompt, FolderNamesThatReadAsCommandsOpenTheConsoleThereAndRunNothing) {
  StickFolder stick("cmd_prompt");
  // "calc" is the probe, found first wherever the console looks: it leaves probe.log if run.
  ASSERT_TRUE(CreateDirectoryA((stick.path() + "bin").c_str(), nullptr));
  ASSERT_TRUE(CopyFileA((TestBinFolder() + "probe.exe").c_str(), (stick.path() + "bin\\calc.exe").c_str(), FALSE));
  FirstOnSearchPath calcFirst(stick.path() + "bin");
  const std::vector<std::string> names = {"t&calc&%CD%", "%PATH%&calc", "a^b (c)&calc"};
  std::string catalogue;
  for (const std::string& name : names) {
    ASSERT_TRUE(CreateDirectoryA((stick.path() + name).c_str(), nullptr)) << name;
    catalogue += "Tool\r\nTools\r\n" + stick.path() + name + "\\tool.exe\r\n\r\n";
  }
  stick.Write("Data.dat", catalogue);
  auto window = std::make_unique<TestLauncher>();
  window->SetMessageBoxHook([](const MessageBoxRequest& box) {
    ADD_FAILURE() << box.text;
    return IDOK;
  });
  ASSERT_TRUE(window->Create(stick.path(), SW_SHOWNORMAL));
  Pump(window.get());
  ASSERT_TRUE(ChildrenOf(GetCurrentProcessId(), "cmd.exe").empty()) << "a console of another test is still open";

  for (size_t row = 0; row < names.size(); ++row) {
    const std::string folder = stick.path() + names[row] + "\\";
    window->list().SelectRow(row);
    SendMessageA(window->hwnd(), WM_COMMAND, static_cast<WPARAM>(Command::OpenCommandPrompt), 0);
    EXPECT_EQ(StatusText(window->statusBar()), "Command Prompt to " + folder);
    std::vector<DWORD> started;
    for (int waited = 0; waited < 60000 && started.empty(); waited += 100) {
      Pump(window.get(), 100);
      started = ChildrenOf(GetCurrentProcessId(), "cmd.exe");
    }
    ASSERT_EQ(started.size(), 1u) << names[row];
    Console console(started[0]);
    ASSERT_TRUE(console.open());
    EXPECT_EQ(console.Prompted(window.get(), stick.path()), folder.substr(0, folder.size() - 1) + ">\n")
        << "the console shows its prompt in the folder, and nothing else";
    EXPECT_TRUE(ChildrenOf(started[0]).empty()) << names[row];
  }
  EXPECT_FALSE(stick.Has("bin\\probe.log")) << stick.Read("bin\\probe.log");
  window.reset();
  Pump(nullptr, 10);
}

}  // namespace
}  // namespace carrydeck::gui
