// Profile (INI) files: ReadIni and WriteIni over the platform's profile operations, reads
// from section lists, writes saved through a copy, and a portable implementation of those
// operations' semantics for builds without them.
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

// Profile writes that reach their file the way every other save does: the writes of a change
// go through the profile operations themselves into a copy of the file beside it (the save's
// temporary file), so the bytes are theirs, and the reads of that file come from the copy
// meanwhile; when the change ends, the copy replaces the file in one save (SaveFileSafely). A
// write outside a change is a change of its own. Nothing is copied until something is written.
//
// A file that is there but hidden, a system file, not a file or unreadable is read as it is
// and never written: someone else marked it, and a copy would not keep the marks. A write that
// fails drops the whole change; the file keeps its old bytes.
class SafeProfile : public IProfile {
 public:
  SafeProfile(IProfile& profile, IFileSystem& fs) : profile_(profile), fs_(fs) {}
  SafeProfile(const SafeProfile&) = delete;
  SafeProfile& operator=(const SafeProfile&) = delete;
  std::string Get(const std::string& section, const std::string& key, const std::string& file,
                  size_t maxChars) override;
  bool Put(const std::string& section, const std::string& key, const std::string& value,
           const std::string& file) override;
  std::optional<std::string> GetSection(const std::string& section, const std::string& file) override;

  // The writes made while one lives are one save; changes inside it join it.
  class Change {
   public:
    explicit Change(SafeProfile& profile) : profile_(profile) { ++profile_.changes_; }
    ~Change() {
      if (--profile_.changes_ == 0) profile_.Commit();
    }
    Change(const Change&) = delete;
    Change& operator=(const Change&) = delete;

   private:
    SafeProfile& profile_;
  };

 private:
  struct Copy {
    std::string file;
    bool refused;  // no copy: every write of this change to the file fails
  };
  Copy& CopyOf(const std::string& file);
  // The path the profile operations use for the file: its copy while one is open.
  std::string Target(const std::string& file) const;
  void Commit();

  IProfile& profile_;
  IFileSystem& fs_;
  int changes_ = 0;
  std::vector<Copy> copies_;  // the files written in this change
};

// IProfile over a file system, with the same semantics as the platform's operations; it
// writes in place, as they do.
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
