// The Windows version, asked once when the object is made.
#pragma once

#include <cstdint>
#include <string>

#include "common/SystemPorts.h"

namespace carrydeck {

class WindowsVersion {
 public:
  explicit WindowsVersion(IShell& shell) { QueryVersion(shell); }

  int32_t Build() const { return static_cast<int32_t>(record_.build); }
  int32_t Major() const { return static_cast<int32_t>(record_.major); }
  int32_t Minor() const { return static_cast<int32_t>(record_.minor); }
  // 0 Win32s, 1 Windows 95/98/Me, 2 NT family; anything else counts as 0.
  int32_t Version() const { return record_.platformId <= 2 ? static_cast<int32_t>(record_.platformId) : 0; }
  std::string Version2() const { return record_.servicePack; }

  // The query failed: the record is left as it was (empty) and this says why.
  bool failed() const { return failed_; }
  static constexpr const char* kError = "Error Getting Version Information";

 private:
  void QueryVersion(IShell& shell) {
    std::optional<OsVersionInfo> info = shell.QueryVersion();
    if (info)
      record_ = *info;
    else
      failed_ = true;
  }

  OsVersionInfo record_;
  bool failed_ = false;
};

}  // namespace carrydeck
