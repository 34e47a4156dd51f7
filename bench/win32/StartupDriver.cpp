// Starts window programs from outside and times them to their first paint: the real
// Menu.exe on stick folders, each start paired with a start of the floor program right
// before or after it, round after round.
//
//   startup_driver <rounds> <floor.exe> [reference=<listview.exe>] <kind>:<rows>=<program.exe> ...
//
// kind is "menu" (Menu.exe on a stick folder whose catalogue has <rows> entries), or
// "listview" or "plainlistview" (the reference list views, with and without the launcher's
// manifest, given <rows> on their command line). With a reference, each start of Menu.exe
// is also paired with a start of that list view showing as many rows, on the other side
// of it from the floor's start: what any program showing such a list pays, so the ratio
// is what the launcher adds to it.
//
// A start counts as painted when its main window is visible, neither the window nor its
// list has anything left to paint, and the program has come back to its message loop (a
// message sent to the window is answered), so the paint that emptied the update region
// is over. The list must then report the expected row count. The largest catalogue is
// also kept running until its icons are loaded from the cache, for its peak memory. The
// driver ends every program itself, so none of them has to know it is timed.
//
// Prints one tab-separated result line per program for bench/run.sh, and one per start
// on stderr.
#include <windows.h>
#include <commctrl.h>
#include <psapi.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "Stats.h"
#include "common/win32/Handle.h"
#include "launcher/win32/TrayIcon.h"

namespace carrydeck::bench {
namespace {

constexpr DWORD kTimeoutMs = 120000;

enum class Kind { Floor, Menu, ListView, PlainListView };

struct Program {
  Program(Kind kind, long rows, std::string exe) : kind(kind), rows(rows), exe(std::move(exe)) {}
  Kind kind;
  long rows;  // -1 for the floor
  std::string exe;
  bool memory = false;  // wait for the icons, then take the peak memory
  std::vector<double> seconds, ratios, peakWorkingSet, peakPagefile, memoryRatios;
  // Menu.exe's starts against its reference list view's, and the reference's own starts.
  std::vector<double> referenceSeconds, referenceRatios;

  std::string Label() const {
    switch (kind) {
      case Kind::Floor: return "floor";
      case Kind::Menu: return "menu-" + std::to_string(rows);
      case Kind::ListView: return "listview-" + std::to_string(rows);
      case Kind::PlainListView: return "plainlistview-" + std::to_string(rows);
    }
    return std::string();
  }
  const char* WindowClass() const {
    return kind == Kind::Floor ? "CarrydeckFloor" : (kind == Kind::Menu ? "CarrydeckMain" : "CarrydeckListView");
  }
};

struct Run {
  bool ok = false;
  std::string error;
  double seconds = 0;
  double peakWorkingSet = 0, peakPagefile = 0;
};

double Now() {
  static const LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    ::QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER t;
  ::QueryPerformanceCounter(&t);
  return static_cast<double>(t.QuadPart) / static_cast<double>(frequency.QuadPart);
}

struct WindowSearch {
  DWORD pid;
  const char* windowClass;
  bool visibleOnly;
  HWND found;
};

BOOL CALLBACK FindWindowOf(HWND hwnd, LPARAM lParam) {
  auto* search = reinterpret_cast<WindowSearch*>(lParam);
  DWORD pid = 0;
  ::GetWindowThreadProcessId(hwnd, &pid);
  char name[64] = {};
  if (pid != search->pid || (search->visibleOnly && !::IsWindowVisible(hwnd)) ||
      !::GetClassNameA(hwnd, name, sizeof name) || lstrcmpA(name, search->windowClass) != 0)
    return TRUE;
  search->found = hwnd;
  return FALSE;
}

HWND TopWindowOf(DWORD pid, const char* windowClass, bool visibleOnly) {
  WindowSearch search{pid, windowClass, visibleOnly, nullptr};
  ::EnumWindows(&FindWindowOf, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

bool NothingToPaint(HWND hwnd) { return !::GetUpdateRect(hwnd, nullptr, FALSE); }

// Shown, and neither the window nor its list (with the list's header) waits for a paint.
bool Painted(HWND main, HWND list) {
  if (!::IsWindowVisible(main) || !NothingToPaint(main)) return false;
  if (!list) return true;
  HWND header = ::FindWindowExA(list, nullptr, WC_HEADERA, nullptr);
  return NothingToPaint(list) && (!header || NothingToPaint(header));
}

bool SendFor(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  DWORD_PTR answer = 0;
  if (!::SendMessageTimeoutA(hwnd, message, wParam, lParam, SMTO_NORMAL, kTimeoutMs, &answer)) return false;
  result = static_cast<LRESULT>(answer);
  return true;
}

std::string StatusText(HWND status) {
  char buffer[256] = {};
  LRESULT ignored = 0;
  // The status bar answers with its first part; Wine and Windows carry the text across.
  if (!SendFor(status, WM_GETTEXT, sizeof buffer, reinterpret_cast<LPARAM>(buffer), ignored)) return std::string();
  return buffer;
}

// The text of a message box the program shows, "" when there is none.
std::string MessageBoxText(DWORD pid) {
  HWND box = TopWindowOf(pid, "#32770", true);
  if (!box) return std::string();
  std::string text = "a message box";
  char buffer[512] = {};
  for (HWND label = ::FindWindowExA(box, nullptr, "Static", nullptr); label;
       label = ::FindWindowExA(box, label, "Static", nullptr))
    if (::GetWindowTextA(label, buffer, sizeof buffer) > 0) text += std::string(": ") + buffer;
  return text;
}

Run Fail(const std::string& error) {
  Run run;
  run.error = error;
  return run;
}

std::string FolderOf(const std::string& path) {
  size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? std::string(".") : path.substr(0, slash + 1);
}

// Ends the program however the measurement went, then takes its tray icon away, as a
// killed process would leave it in the notification area. In that order: the launcher adds
// its icon just after its first paint, so before the end it may still be on its way.
class Ender {
 public:
  explicit Ender(HANDLE process) : process_(process) {}
  ~Ender() {
    ::TerminateProcess(process_, 0);
    ::WaitForSingleObject(process_, kTimeoutMs);
    if (trayOwner_) {
      NOTIFYICONDATAA tray = {};
      tray.cbSize = NOTIFYICONDATAA_V1_SIZE;
      tray.hWnd = trayOwner_;
      tray.uID = kTrayIconId;
      ::Shell_NotifyIconA(NIM_DELETE, &tray);
    }
  }
  Ender(const Ender&) = delete;
  Ender& operator=(const Ender&) = delete;
  void SetTrayOwner(HWND window) { trayOwner_ = window; }

 private:
  HANDLE process_;
  HWND trayOwner_ = nullptr;
};

Run Measure(const Program& program, bool waitForIcons) {
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info = {};
  std::string commandLine = "\"" + program.exe + "\"";
  if (program.kind == Kind::ListView || program.kind == Kind::PlainListView)
    commandLine += " " + std::to_string(program.rows);
  const std::string folder = FolderOf(program.exe);
  const double start = Now();
  if (!::CreateProcessA(program.exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(),
                        &startup, &info))
    return Fail("cannot start " + program.exe);
  UniqueKernelHandle process(info.hProcess), thread(info.hThread);
  Ender ender(process.get());
  const std::string label = program.Label();

  HWND main = nullptr, list = nullptr;
  for (;;) {
    if (::WaitForSingleObject(process.get(), 0) == WAIT_OBJECT_0) return Fail(label + " ended by itself");
    if (Now() - start > kTimeoutMs / 1000.0) return Fail(label + " never painted");
    if (!main) {
      main = TopWindowOf(info.dwProcessId, program.WindowClass(), false);
      if (main && program.kind == Kind::Menu) ender.SetTrayOwner(main);
    }
    if (main && program.kind != Kind::Floor && !list) list = ::FindWindowExA(main, nullptr, WC_LISTVIEWA, nullptr);
    if (main && (program.kind == Kind::Floor || list) && Painted(main, list)) break;
    ::Sleep(1);
  }
  // Answered only from the message loop: the paint is over.
  LRESULT count = 0;
  if (!SendFor(list ? list : main, list ? LVM_GETITEMCOUNT : WM_NULL, 0, 0, count))
    return Fail(label + " does not answer");
  Run run;
  run.seconds = Now() - start;
  if (list && count != program.rows)
    return Fail(label + ": the list shows " + std::to_string(count) + " rows, not " + std::to_string(program.rows));

  if (waitForIcons) {
    HWND status = ::FindWindowExA(main, nullptr, STATUSCLASSNAMEA, nullptr);
    if (!status) return Fail(label + ": no status line");
    const std::string loaded = "Icons loaded (" + std::to_string(program.rows) + ").";
    for (std::string text = StatusText(status); text != loaded; text = StatusText(status)) {
      if (text.rfind("Icons rebuilt.", 0) == 0) return Fail(label + ": the icon cache was not used");
      std::string box = MessageBoxText(info.dwProcessId);
      if (!box.empty()) return Fail(label + ": " + box);
      if (Now() - start > kTimeoutMs / 1000.0) return Fail(label + ": icons never loaded (" + text + ")");
      ::Sleep(5);
    }
  }
  PROCESS_MEMORY_COUNTERS memory = {};
  memory.cb = sizeof memory;
  if (!::GetProcessMemoryInfo(process.get(), &memory, sizeof memory)) return Fail("no memory counters");
  run.peakWorkingSet = static_cast<double>(memory.PeakWorkingSetSize);
  run.peakPagefile = static_cast<double>(memory.PeakPagefileUsage);
  run.ok = true;
  return run;
}

bool Parse(const std::string& arg, std::vector<Program>& programs) {
  const size_t colon = arg.find(':'), eq = arg.find('=');
  if (colon == std::string::npos || eq == std::string::npos || eq < colon) return false;
  const std::string kind = arg.substr(0, colon);
  const long rows = std::atol(arg.substr(colon + 1, eq - colon - 1).c_str());
  if (rows < 0 || (kind != "menu" && kind != "listview" && kind != "plainlistview")) return false;
  programs.emplace_back(kind == "menu" ? Kind::Menu : (kind == "listview" ? Kind::ListView : Kind::PlainListView), rows,
                        arg.substr(eq + 1));
  return true;
}

int Main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::atoi(argv[1]) : 0;
  std::vector<Program> programs;
  std::string referenceExe;
  const std::string referenceOption = "reference=";
  int first = 3;
  if (argc > first && std::string(argv[first]).rfind(referenceOption, 0) == 0)
    referenceExe = std::string(argv[first++]).substr(referenceOption.size());
  bool ok = argc > first && rounds >= 1;
  for (int i = first; ok && i < argc; ++i) ok = Parse(argv[i], programs);
  if (!ok) {
    std::fprintf(stderr,
                 "usage: startup_driver <rounds> <floor.exe> [reference=<listview.exe>] menu:<rows>=<Menu.exe> "
                 "[listview:<rows>=<exe>] [plainlistview:<rows>=<exe>] ...\n");
    return 2;
  }
  Program floor(Kind::Floor, -1, argv[2]);
  Program* largest = nullptr;
  for (Program& program : programs)
    if (program.kind == Kind::Menu && (!largest || largest->rows < program.rows)) largest = &program;
  if (largest) largest->memory = true;
  // The reference list view at each catalogue's size, started beside that Menu.exe.
  std::vector<Program> references;
  if (!referenceExe.empty())
    for (const Program& program : programs)
      if (program.kind == Kind::Menu) references.emplace_back(Kind::ListView, program.rows, referenceExe);
  auto referenceOf = [&references](const Program& program) -> Program* {
    if (program.kind != Kind::Menu) return nullptr;
    for (Program& reference : references)
      if (reference.rows == program.rows) return &reference;
    return nullptr;
  };

  auto measure = [](Program& program, bool waitForIcons, Run& run) {
    run = Measure(program, waitForIcons);
    if (!run.ok) std::fprintf(stderr, "startup_driver: %s\n", run.error.c_str());
    return run.ok;
  };
  // One start of each first, not counted: settings files written, caches warm, and each
  // icon cache proven to fit its catalogue.
  Run run, base;
  if (!measure(floor, false, base)) return 1;
  for (Program& program : programs)
    if (!measure(program, program.kind == Kind::Menu, run)) return 1;
  for (Program& reference : references)
    if (!measure(reference, false, run)) return 1;

  for (int round = 0; round < rounds; ++round) {
    // Each round starts with another program, and the floor goes before its partner in one
    // round and after it in the next, so neither side always runs on a warmer machine.
    for (size_t k = 0; k < programs.size(); ++k) {
      Program& program = programs[(k + static_cast<size_t>(round)) % programs.size()];
      Program* reference = referenceOf(program);
      const bool floorFirst = (round + static_cast<int>(k)) % 2 == 0;
      // The program between its two partners: the floor before it and the reference after
      // it, or the other way round.
      Run referenceRun;
      if (floorFirst && !measure(floor, false, base)) return 1;
      if (!floorFirst && reference && !measure(*reference, false, referenceRun)) return 1;
      if (!measure(program, program.memory, run)) return 1;
      if (floorFirst && reference && !measure(*reference, false, referenceRun)) return 1;
      if (!floorFirst && !measure(floor, false, base)) return 1;
      if (reference) {
        program.referenceSeconds.push_back(referenceRun.seconds);
        program.referenceRatios.push_back(run.seconds / referenceRun.seconds);
      }
      program.seconds.push_back(run.seconds);
      program.ratios.push_back(run.seconds / base.seconds);
      program.peakWorkingSet.push_back(run.peakWorkingSet);
      program.peakPagefile.push_back(run.peakPagefile);
      program.memoryRatios.push_back(run.peakWorkingSet / base.peakWorkingSet);
      floor.seconds.push_back(base.seconds);
      floor.peakWorkingSet.push_back(base.peakWorkingSet);
      floor.peakPagefile.push_back(base.peakPagefile);
      std::fprintf(stderr, "round %2d  %-14s %7.1f ms, floor %6.1f ms: %.2fx", round + 1, program.Label().c_str(),
                   run.seconds * 1000, base.seconds * 1000, run.seconds / base.seconds);
      if (reference)
        std::fprintf(stderr, "; list view alone %6.1f ms: %.2fx", referenceRun.seconds * 1000,
                     run.seconds / referenceRun.seconds);
      std::fprintf(stderr, "\n");
    }
  }

  for (const Program& program : programs) {
    std::printf("result\tstartup-%s\t%.4f\t%.4f\ts\t%d\t%.3f\n", program.Label().c_str(), Median(program.seconds),
                Median(floor.seconds), rounds, Median(program.ratios));
    if (!program.referenceRatios.empty())
      std::printf("result\tstartup-%s-vs-listview\t%.4f\t%.4f\ts\t%d\t%.3f\n", program.Label().c_str(),
                  Median(program.seconds), Median(program.referenceSeconds), rounds, Median(program.referenceRatios));
  }
  if (largest) {
    std::printf("result\tmemory-%s\t%.0f\t%.0f\tbytes\t%d\t%.3f\n", largest->Label().c_str(),
                Median(largest->peakWorkingSet), Median(floor.peakWorkingSet), rounds, Median(largest->memoryRatios));
    std::printf("result\tpagefile-%s\t%.0f\t%.0f\tbytes\t%d\t%.3f\n", largest->Label().c_str(),
                Median(largest->peakPagefile), Median(floor.peakPagefile), rounds,
                Median(largest->peakPagefile) / Median(floor.peakPagefile));
  }
  std::fflush(stdout);
  return 0;
}

}  // namespace
}  // namespace carrydeck::bench

int main(int argc, char** argv) { return carrydeck::bench::Main(argc, argv); }
