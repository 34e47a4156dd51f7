#include "common/win32/Win32DiskSpace.h"

#include "common/win32/WideText.h"

namespace carrydeck {

std::optional<uint64_t> Win32DiskSpace::FreeBytes(const std::string& root) {
  ULARGE_INTEGER available, total, totalFree;
  if (!::GetDiskFreeSpaceExW(root.empty() ? nullptr : Wide(root).c_str(), &available, &total, &totalFree))
    return std::nullopt;
  return available.QuadPart;
}

}  // namespace carrydeck
