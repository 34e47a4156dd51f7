#include "common/win32/Win32DiskSpace.h"

#include "common/win32/DelayLoad.h"

namespace carrydeck {

// Looked up where it is: kernel32 is always loaded, from the system folder.
bool Win32DiskSpace::HasDiskFreeSpaceEx() { return late::SystemProc("kernel32.dll", "GetDiskFreeSpaceExA") != nullptr; }

std::optional<uint64_t> Win32DiskSpace::FreeBytesEx(const std::string& root) {
  using Fn = BOOL(WINAPI*)(LPCSTR, PULARGE_INTEGER, PULARGE_INTEGER, PULARGE_INTEGER);
  auto fn = late::SystemFunction<Fn>("kernel32.dll", "GetDiskFreeSpaceExA");
  if (!fn) return std::nullopt;
  ULARGE_INTEGER available, total, totalFree;
  if (!fn(root.empty() ? nullptr : root.c_str(), &available, &total, &totalFree)) return std::nullopt;
  return available.QuadPart;
}

std::optional<uint64_t> Win32DiskSpace::FreeBytesLegacy(const std::string& root) {
  DWORD sectors = 0, bytes = 0, freeClusters = 0, clusters = 0;
  if (!::GetDiskFreeSpaceA(root.empty() ? nullptr : root.c_str(), &sectors, &bytes, &freeClusters, &clusters))
    return std::nullopt;
  return static_cast<uint64_t>(sectors) * bytes * freeClusters;
}

}  // namespace carrydeck
