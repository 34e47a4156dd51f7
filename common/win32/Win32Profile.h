// The profile (INI) port over GetPrivateProfileStringW / WritePrivateProfileStringW /
// GetPrivateProfileSectionW.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "common/SystemPorts.h"

namespace carrydeck {

class Win32Profile : public IProfile {
 public:
  std::string Get(const std::string& section, const std::string& key, const std::string& file,
                  size_t maxChars) override;
  bool Put(const std::string& section, const std::string& key, const std::string& value,
           const std::string& file) override;
  std::optional<std::string> GetSection(const std::string& section, const std::string& file) override;
};

}  // namespace carrydeck
