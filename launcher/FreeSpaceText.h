// The free-space text of the caption.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "common/SystemPorts.h"

namespace carrydeck {

// Whole kilobytes; nullopt when the query failed.
std::optional<uint64_t> FreeKiloBytes(IDiskSpace& disk, const std::string& root);
// "3.7 GB", "512.5 MB" or "0 MB" (also when the query fails).
std::string FreeSpaceText(IDiskSpace& disk, const std::string& root);
// The text for a byte count (the part that needs no platform).
std::string FreeSpaceTextOf(uint64_t bytes);

}  // namespace carrydeck
