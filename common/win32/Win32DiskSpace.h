// The free-space port over Win32: GetDiskFreeSpaceExA where the system has it, and the
// first form.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

#include "common/SystemPorts.h"

namespace carrydeck {

class Win32DiskSpace : public IDiskSpace {
 public:
  bool HasDiskFreeSpaceEx() override;
  std::optional<uint64_t> FreeBytesEx(const std::string& root) override;
  std::optional<uint64_t> FreeBytesLegacy(const std::string& root) override;
};

}  // namespace carrydeck
