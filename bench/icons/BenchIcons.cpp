// The icon pass of the real main window for 1,000 entries: from the cache against a full
// rebuild (two shell queries and a draw per entry on the icon worker, then the save), in
// turns; and the pass after one edit (an entry added, whose file alone is new) against the
// same full rebuild.
//
//   bench_icons [rounds] [folder]
//
// The folder (default: a fresh one in %TEMP%) becomes the program folder: it gets a
// "Data.dat" whose targets are real files of the system folder, one in twenty missing.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "Stats.h"
#include "launcher/win32/LauncherProgram.h"
#include "launcher/win32/resource.h"

namespace carrydeck::bench {
namespace {

constexpr size_t kEntries = 1000;

void PumpPending() {
  MSG msg;
  while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    ::TranslateMessage(&msg);
    ::DispatchMessageA(&msg);
  }
}

// Runs the window until the icon pass under way has shown its result, the worker's icons
// taken in as they come, as WinMain's loop would.
template <typename Window>
void WaitForPass(Window& window) {
  for (;;) {
    MSG msg;
    if (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageA(&msg);
      continue;
    }
    const std::string status = window.Status();
    if (status.rfind("Icons ", 0) == 0 || !window.reports.empty()) return;
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 1000, QS_ALLINPUT);
  }
}

// Files of the system folder, so the shell answers for real: programs, libraries, the rest.
std::vector<std::string> RealFiles(size_t wanted) {
  char windows[MAX_PATH] = {};
  ::GetSystemDirectoryA(windows, sizeof windows);
  const std::string folder = std::string(windows) + "\\";
  std::vector<std::string> files;
  WIN32_FIND_DATAA found;
  HANDLE search = ::FindFirstFileA((folder + "*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return files;
  do {
    if (!(found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)))
      files.push_back(folder + found.cFileName);
  } while (files.size() < wanted && ::FindNextFileA(search, &found));
  ::FindClose(search);
  return files;
}

bool WriteFileBytes(const std::string& path, const std::string& bytes) {
  HANDLE h = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  bool ok =
      ::WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) && written == bytes.size();
  return ::CloseHandle(h) && ok;
}

// The launcher as WinMain puts it together, its message boxes kept as text instead of shown.
class BenchLauncher : public LauncherProgram {
 public:
  std::string reports;
  Launcher& logic() { return Logic(); }
  std::string Status() {
    char text[256] = {};
    ::SendMessageA(::GetDlgItem(Window().hwnd(), IDC_STATUS), SB_GETTEXTA, 0, reinterpret_cast<LPARAM>(text));
    return text;
  }

 protected:
  class QuietWindow : public MainWindow {
   public:
    QuietWindow(IFileSystem& files, std::string& reports) : MainWindow(files), reports_(reports) {}

   protected:
    int ShowMessageBox(HWND, const MessageBoxRequest& request) override {
      reports_ += request.text + "\n";
      return IDOK;
    }

   private:
    std::string& reports_;
  };
  std::unique_ptr<MainWindow> MakeWindow(IFileSystem& files) override {
    return std::make_unique<QuietWindow>(files, reports);
  }
};

int Run(int rounds, std::string folder) {
  if (folder.empty()) {
    char temp[MAX_PATH] = {};
    ::GetTempPathA(sizeof temp, temp);
    folder = std::string(temp) + "carrydeck_bench_icons";
  }
  if (folder.back() != '\\') folder += '\\';
  ::CreateDirectoryA(folder.c_str(), nullptr);
  ::DeleteFileA((folder + "imagelist.dat").c_str());

  const std::vector<std::string> files = RealFiles(kEntries);
  if (files.empty()) {
    std::fprintf(stderr, "bench_icons: no files in the system folder\n");
    return 1;
  }
  std::string data;
  for (size_t i = 0; i < kEntries; ++i) {
    const std::string target =
        i % 20 == 19 ? "C:\\nowhere\\missing" + std::to_string(i) + ".exe" : files[i % files.size()];
    data += "Entry " + std::to_string(i + 1) + "\r\nTools\r\n" + target + "\r\n\r\n";
  }
  if (!WriteFileBytes(folder + "Data.dat", data) || !WriteFileBytes(folder + "Settings.ini", "[Main]\r\nIcons=1\r\n")) {
    std::fprintf(stderr, "bench_icons: cannot write into %s\n", folder.c_str());
    return 1;
  }

  BenchLauncher window;
  const std::string& reports = window.reports;
  if (!window.Start(folder, SW_SHOWNORMAL)) {
    std::fprintf(stderr, "bench_icons: no window\n");
    return 1;
  }
  // The deferred first pass (a rebuild: there is no cache yet) warms the shell's caches.
  for (int i = 0; i < 6000 && window.Status().rfind("Icons ", 0) != 0 && reports.empty(); ++i) {
    PumpPending();
    ::Sleep(10);
  }
  const std::string expectedLoad = "Icons loaded (" + std::to_string(kEntries) + ").";
  std::vector<double> rebuild, load, edit;
  for (int round = 0; round < rounds && reports.empty(); ++round) {
    Stopwatch rebuilding;
    window.logic().Icons().Rebuild();
    WaitForPass(window);
    rebuild.push_back(rebuilding.Seconds());
    const std::string rebuilt = window.Status();
    PumpPending();

    // One entry added at the end, as the entry editor adds it: a file no entry had before.
    // Its pass follows the rebuild above, whose images and answers it builds on.
    const std::string added = folder + "added" + std::to_string(round) + ".txt";
    if (!WriteFileBytes(added, "new")) {
      std::fprintf(stderr, "bench_icons: cannot write %s\n", added.c_str());
      return 1;
    }
    CatalogueModel& catalogue = window.logic().Catalogue();
    catalogue.Append(std::vector<CatalogEntry>{CatalogEntry{{"Added", "Tools", added, ""}}});
    Stopwatch editing;
    window.logic().RebuildIcons();
    WaitForPass(window);
    edit.push_back(editing.Seconds());
    const std::string edited = window.Status();
    PumpPending();
    catalogue.Remove(catalogue.Count() - 1);
    window.logic().RebuildIcons();
    WaitForPass(window);
    PumpPending();
    // The rebuild's counts, and one more file found.
    unsigned found = 0, missing = 0;
    if (std::sscanf(rebuilt.c_str(), "Icons rebuilt. %u successful, %u unsuccessful.", &found, &missing) != 2 ||
        edited != "Icons rebuilt. " + std::to_string(found + 1) + " successful, " + std::to_string(missing) +
                      " unsuccessful.") {
      std::fprintf(stderr, "bench_icons: unexpected status \"%s\" / after the edit \"%s\"\n", rebuilt.c_str(),
                   edited.c_str());
      return 1;
    }

    Stopwatch loading;
    window.logic().Icons().GetAllIcons();
    load.push_back(loading.Seconds());
    const std::string loaded = window.Status();
    PumpPending();
    if (loaded != expectedLoad) {
      std::fprintf(stderr, "bench_icons: unexpected status \"%s\"\n", loaded.c_str());
      return 1;
    }
  }
  if (!reports.empty()) {
    std::fprintf(stderr, "bench_icons: %s", reports.c_str());
    return 1;
  }
  const double r = Median(rebuild), l = Median(load);
  const double e = Median(edit);
  std::printf("icon pass, %zu entries (%zu distinct files, 1 in 20 missing), median of %d rounds:\n", kEntries,
              files.size(), rounds);
  std::printf("  full rebuild      %9.1f ms\n", r * 1000);
  std::printf("  from the cache    %9.1f ms\n", l * 1000);
  std::printf("  ratio             %9.1fx\n", l > 0 ? r / l : 0.0);
  std::printf("  after one Add     %9.1f ms\n", e * 1000);
  std::printf("  ratio             %9.1fx\n", e > 0 ? r / e : 0.0);
  return 0;
}

}  // namespace
}  // namespace carrydeck::bench

int main(int argc, char** argv) {
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES};
  ::InitCommonControlsEx(&controls);
  const int rounds = argc > 1 ? std::atoi(argv[1]) : 5;
  return carrydeck::bench::Run(rounds > 0 ? rounds : 5, argc > 2 ? argv[2] : "");
}
