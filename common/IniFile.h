// Profile (INI) files: ReadIni and WriteIni over the platform's profile operations, and a
// portable implementation of those operations' semantics for builds without them.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "common/SystemPorts.h"

namespace carrydeck {

// The value of a key; a missing or empty value writes the default back and returns it.
std::string ReadIni(IProfile& profile, const std::string& section, const std::string& key, const std::string& file,
                    const std::string& defaultValue);
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

// What the platform's read of one key answers with a buffer of maxChars characters, worked
// out from the list of its section (IProfile::GetSection): the first entry of that name,
// case and spaces aside, its value without spaces at its ends and without the quotes around
// it; "" when there is none. nullopt when only the platform itself can tell: the first entry
// of that name has no "=", the buffer would cut the value, a name is not plain ASCII or has
// other white space at its ends.
std::optional<std::string> ProfileValueFromSection(const std::string& entries, const std::string& key, size_t maxChars);

// Answers a burst of reads (the start reads some fifteen settings, and the platform opens and
// checks the file again for each one) from one list of each section, asking the profile
// itself only what a list cannot tell. A write forgets the lists, so the reads after it see
// the file anew. Outside a burst every call goes straight through.
class ListingProfile : public IProfile {
 public:
  explicit ListingProfile(IProfile& profile) : profile_(profile) {}
  std::string Get(const std::string& section, const std::string& key, const std::string& file,
                  size_t maxChars) override;
  bool Put(const std::string& section, const std::string& key, const std::string& value,
           const std::string& file) override;
  std::optional<std::string> GetSection(const std::string& section, const std::string& file) override {
    return profile_.GetSection(section, file);
  }

  // Reads are answered from lists while one lives.
  class Burst {
   public:
    explicit Burst(ListingProfile& profile) : profile_(profile) { profile_.bursting_ = true; }
    ~Burst() {
      profile_.bursting_ = false;
      profile_.lists_.clear();
    }
    Burst(const Burst&) = delete;
    Burst& operator=(const Burst&) = delete;

   private:
    ListingProfile& profile_;
  };

 private:
  struct SectionList {
    std::string file, section;
    std::optional<std::string> entries;
  };
  IProfile& profile_;
  bool bursting_ = false;
  std::vector<SectionList> lists_;
};

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
