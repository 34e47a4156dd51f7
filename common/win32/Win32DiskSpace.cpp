#include "common/win32/Win32DiskSpace.h"

namespace carrydeck {

std::optional<uint64_t> Win32DiskSpace::FreeBytes(const std::string& root) {
  ULARGE_INTEGER available, total, totalFree;
  if (!::GetDiskFreeSpaceExA(root.empty() ? nullptr : root.c_str(), &available, &total, &totalFree))
    return std::nullopt;
  return available.QuadPart;
}

}  // namespace carrydeck
