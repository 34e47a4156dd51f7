// The look-up of what keeps the stick in use, with 50,000 handles in the system: a second
// process holds them (events, files on C: and one file on the stick), and the look-up is
// timed against reading the handle table alone, the cost no look-up can avoid.
//   bench_holders.exe <rounds> <file on the stick>
// Prints "result holders-50000 <look-up s> <table s> s <rounds>" (medians).
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "common/DriveHolders.h"
#include "common/HandleInspection.h"
#include "common/win32/Win32Handles.h"

namespace {

constexpr int kHandles = 50000;
constexpr int kFiles = 1000;  // of them open files (2%), as a busy system has

double Seconds(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// The child: holds the handles, says so, and waits to be ended.
int Hold(const char* ready, const char* stickFile) {
  std::vector<HANDLE> held;
  char temp[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, temp);
  for (int i = 0; i < kFiles; ++i) {
    std::string path = std::string(temp) + "carrydeck_bench_" + std::to_string(i % 20) + ".tmp";
    held.push_back(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_ALWAYS, FILE_ATTRIBUTE_TEMPORARY, nullptr));
  }
  held.push_back(
      CreateFileA(stickFile, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
  while (static_cast<int>(held.size()) < kHandles) held.push_back(CreateEventA(nullptr, TRUE, FALSE, nullptr));
  HANDLE event = OpenEventA(EVENT_MODIFY_STATE, FALSE, ready);
  if (!event) return 1;
  SetEvent(event);
  Sleep(INFINITE);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::string(argv[1]) == "--hold") return Hold(argv[2], argv[3]);
  if (argc != 3) {
    std::fprintf(stderr, "usage: bench_holders <rounds> <file on the stick>\n");
    return 2;
  }
  const int rounds = std::max(1, std::atoi(argv[1]));
  const std::string stickFile = argv[2];
  HANDLE created = CreateFileA(stickFile.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_ALWAYS, 0, nullptr);
  if (created == INVALID_HANDLE_VALUE) return 1;
  CloseHandle(created);

  const std::string ready = "carrydeck-bench-holders-" + std::to_string(GetCurrentProcessId());
  HANDLE event = CreateEventA(nullptr, TRUE, FALSE, ready.c_str());
  char self[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  std::string command = "\"" + std::string(self) + "\" --hold " + ready + " \"" + stickFile + "\"";
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION child = {};
  if (!CreateProcessA(self, &command[0], nullptr, nullptr, FALSE, 0, nullptr, "C:\\", &startup, &child)) return 1;
  if (WaitForSingleObject(event, 120000) != WAIT_OBJECT_0) return 1;

  carrydeck::Win32NativeHandles native;
  carrydeck::Win32Volumes volumes;
  carrydeck::Win32Processes processes;
  carrydeck::DriveHolderSearch search(native, volumes, processes, carrydeck::nt::kNativeLayout);
  carrydeck::HandleInspector inspector(native, volumes, carrydeck::nt::kNativeLayout);
  const std::string drive = stickFile.substr(0, 2);
  std::vector<double> lookups, tables;
  size_t records = 0;
  bool named = true;
  for (int i = 0; i < rounds; ++i) {
    auto start = std::chrono::steady_clock::now();
    std::vector<carrydeck::HandleEntry> entries;
    inspector.ReadHandleTable(carrydeck::HandleTableKind::Extended, entries);
    tables.push_back(Seconds(start));
    records = entries.size();

    start = std::chrono::steady_clock::now();
    std::vector<carrydeck::DriveHolder> found = search.Find(drive);
    lookups.push_back(Seconds(start));
    named = named && std::any_of(found.begin(), found.end(),
                                 [&](const carrydeck::DriveHolder& h) { return h.processId == child.dwProcessId; });
  }
  TerminateProcess(child.hProcess, 0);
  WaitForSingleObject(child.hProcess, 30000);
  std::fprintf(stderr, "%zu records in the table; the holder %s\n", records, named ? "named" : "NOT named");
  if (!named || records < static_cast<size_t>(kHandles)) return 1;
  std::printf("result\tholders-50000\t%.6f\t%.6f\ts\t%d\n", Median(lookups), Median(tables), rounds);
  return 0;
}
