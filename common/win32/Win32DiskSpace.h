// The free-space port over Win32.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

#include "common/SystemPorts.h"

namespace carrydeck {

class Win32DiskSpace : public IDiskSpace {
 public:
  std::optional<uint64_t> FreeBytes(const std::string& root) override;
};

}  // namespace carrydeck
