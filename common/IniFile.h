// Profile (INI) files: ReadIni and WriteIni over the platform's profile operations, and a
// portable implementation of those operations' semantics for builds without them.
#pragma once

#include <string>

#include "common/SystemPorts.h"

namespace carrydeck {

// The value of a key; a missing or empty value writes the default back and returns it.
std::string ReadIni(IProfile& profile, const std::string& section, const std::string& key,
                    const std::string& file, const std::string& defaultValue);
// Stores one key, its name upper-cased; failures are not reported.
void WriteIni(IProfile& profile, const std::string& section, const std::string& key, const std::string& value,
              const std::string& file);

// The profile semantics on file contents: first matching key of the first matching section,
// names without regard to case, value trimmed; "" when missing.
std::string ProfileGet(const std::string& content, const std::string& section, const std::string& key);
// Replaces in place, adds a missing key at the end of its section and a missing section at
// the end of the file.
std::string ProfilePut(const std::string& content, const std::string& section, const std::string& key,
                       const std::string& value);

// IProfile over a file system, with the same semantics as the platform's operations.
class FileProfile : public IProfile {
 public:
  explicit FileProfile(IFileSystem& fs) : fs_(fs) {}
  std::string Get(const std::string& section, const std::string& key, const std::string& file,
                  size_t maxChars) override;
  bool Put(const std::string& section, const std::string& key, const std::string& value,
           const std::string& file) override;

 private:
  IFileSystem& fs_;
};

}  // namespace carrydeck
