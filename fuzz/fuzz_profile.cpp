// The profile reader and writer: whatever a settings file holds, a value written is the value
// read back, other keys keep theirs, and ReadIni writes a default only where nothing was.
// Reads answered from a section's list are those of the single keys.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "Fakes.h"
#include "FuzzCheck.h"
#include "common/IniFile.h"
#include "common/Paths.h"
#include "common/TextLines.h"

using namespace carrydeck;

namespace {

const char kFile[] = "E:\\Settings.ini";

bool Has(const std::string& text, char c) { return text.find(c) != std::string::npos; }

// Names and values the program can write as one line of its own: a section name without
// "]", a key name that is not empty, holds no "=" and does not open like a section line, no
// line end anywhere.
bool Writable(const std::string& section, const std::string& key, const std::string& value) {
  const std::string k = Trim(key);
  return !Has(section, '\r') && !Has(section, ']') && !k.empty() && k[0] != '[' && !Has(key, '=') && !Has(key, '\r') &&
         !Has(value, '\r');
}

bool SameKey(const std::string& s1, const std::string& k1, const std::string& s2, const std::string& k2) {
  return EqualsNoCase(Trim(s1), Trim(s2)) && EqualsNoCase(Trim(k1), Trim(k2));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  const std::string section = input.ConsumeRandomLengthString(24);
  const std::string key = input.ConsumeRandomLengthString(24);
  const std::string value = input.ConsumeRandomLengthString(1200);
  const std::string otherSection = input.ConsumeRandomLengthString(24);
  const std::string otherKey = input.ConsumeRandomLengthString(24);
  const std::string content = input.ConsumeRemainingBytesAsString();

  // Reading: one line's value, trimmed.
  const std::string found = ProfileGet(content, section, key);
  FUZZ_CHECK(!Has(found, '\r'));
  FUZZ_CHECK(found == Trim(found));
  const std::string other = ProfileGet(content, otherSection, otherKey);

  if (Writable(section, key, value)) {
    const std::string written = ProfilePut(content, section, key, value);
    FUZZ_CHECK(ProfileGet(written, section, key) == Trim(value));
    if (!SameKey(section, key, otherSection, otherKey))
      FUZZ_CHECK(ProfileGet(written, otherSection, otherKey) == other);
    // Writing the same value again changes nothing.
    FUZZ_CHECK(ProfilePut(written, section, key, value) == written);
  }

  // ReadIni over the file: a value that is there comes back (cut to 749 characters) and the
  // file stays as it was; a missing one gives the default, written back for the next read.
  testing::MemoryFileSystem fs;
  FileProfile profile(fs);
  fs.files[kFile] = content;
  const std::string fallback = value.substr(0, 16);
  const std::string read = ReadIni(profile, section, key, kFile, fallback);
  if (section.empty() || key.empty()) {
    FUZZ_CHECK(read == fallback);
    FUZZ_CHECK(fs.files[kFile] == content);
  } else if (!found.empty()) {
    FUZZ_CHECK(read == found.substr(0, 749));
    FUZZ_CHECK(fs.files[kFile] == content);
  } else {
    FUZZ_CHECK(read == fallback);
    if (Writable(section, key, fallback)) {
      FUZZ_CHECK(ProfileGet(fs.files[kFile], section, key) == Trim(fallback));
      const std::string second = ReadIni(profile, section, key, kFile, fallback);
      FUZZ_CHECK(second == (Trim(fallback).empty() ? fallback : Trim(fallback)));
    }
  }
  FUZZ_CHECK(fs.files.size() == 1);

  // The same read from the list of its section: the single read's answer, but where the
  // value is in quotes (the platform takes them off, the portable profile does not) or the
  // file holds NULs (a list ends its entries with one).
  const bool quoted = found.size() >= 2 && (found[0] == '"' || found[0] == '\'') && found.back() == found[0];
  if (!quoted && content.find('\0') == std::string::npos) {
    testing::MemoryFileSystem listedFs;
    listedFs.files[kFile] = content;
    testing::ListingFileProfile platform(listedFs);
    ListingProfile listing(platform);
    ListingProfile::Burst burst(listing);
    auto same = [&](const std::string& s, const std::string& k) {
      const std::string single = platform.Get(s, k, kFile, 750);
      const std::string whole = ProfileGet(content, s, k);
      const bool inQuotes = whole.size() >= 2 && (whole[0] == '"' || whole[0] == '\'') && whole.back() == whole[0];
      FUZZ_CHECK(inQuotes || listing.Get(s, k, kFile, 750) == single);
    };
    same(section, key);
    same(otherSection, otherKey);
    // The names the file itself holds: its first sections and the keys of its first lines.
    std::vector<std::string> sections{section}, keys;
    for (const std::string& line : SplitLines(content)) {
      const std::string text = Trim(line);
      if (text.size() >= 2 && text[0] == '[' && text.find(']') != std::string::npos) {
        if (sections.size() < 3) sections.push_back(text.substr(1, text.find(']') - 1));
      } else if (!text.empty() && keys.size() < 8) {
        keys.push_back(text.substr(0, text.find('=')));
      }
    }
    for (const std::string& s : sections)
      for (const std::string& k : keys) same(s, k);
  }
  return 0;
}
