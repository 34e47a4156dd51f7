#include "common/IniFile.h"

#include <vector>

#include "common/Paths.h"
#include "common/SafeSave.h"
#include "common/TextLines.h"

namespace carrydeck {

namespace {

constexpr size_t kReadIniBuffer = 750;

bool IsSectionLine(const std::string& line, std::string& name) {
  std::string t = Trim(line);
  if (t.size() < 2 || t.front() != '[') return false;
  size_t close = t.find(']');
  if (close == std::string::npos) return false;
  name = Trim(t.substr(1, close - 1));
  return true;
}

bool IsKeyLine(const std::string& line, const std::string& key, std::string* value) {
  size_t eq = line.find('=');
  if (eq == std::string::npos) return false;
  if (!EqualsNoCase(Trim(line.substr(0, eq)), Trim(key))) return false;
  if (value) *value = Trim(line.substr(eq + 1));
  return true;
}

}  // namespace

std::string ReadIni(IProfile& profile, const std::string& section, const std::string& key, const std::string& file,
                    const std::string& defaultValue) {
  // Some Windows versions crash on an empty section or key name: never pass one on.
  if (section.empty() || key.empty()) return defaultValue;
  std::string result = profile.Get(section, ToLowerAscii(key), file, kReadIniBuffer);
  if (result.empty()) {
    profile.Put(section, ToUpperAscii(key), defaultValue, file);
    return defaultValue;
  }
  return result;
}

void WriteIni(IProfile& profile, const std::string& section, const std::string& key, const std::string& value,
              const std::string& file) {
  if (section.empty() || key.empty()) return;
  profile.Put(section, ToUpperAscii(key), value, file);
}

std::string ProfileGet(const std::string& content, const std::string& section, const std::string& key) {
  bool inSection = false;
  for (const std::string& line : SplitLines(content)) {
    std::string name;
    if (IsSectionLine(line, name)) {
      if (inSection) break;  // only the first section of that name counts
      inSection = EqualsNoCase(name, Trim(section));
      continue;
    }
    std::string value;
    if (inSection && IsKeyLine(line, key, &value)) return value;
  }
  return std::string();
}

std::string ProfilePut(const std::string& content, const std::string& section, const std::string& key,
                       const std::string& value) {
  std::vector<std::string> lines = SplitLines(content);
  // The platform stores the value without spaces at its ends; do the same.
  const std::string keyLine = key + "=" + Trim(value);
  size_t sectionAt = lines.size();
  size_t lastContent = 0;  // the last non-blank line of the section, where a new key goes
  for (size_t i = 0; i < lines.size(); ++i) {
    std::string name;
    if (IsSectionLine(lines[i], name)) {
      if (sectionAt != lines.size()) break;
      if (EqualsNoCase(name, Trim(section))) sectionAt = lastContent = i;
      continue;
    }
    if (sectionAt == lines.size()) continue;
    if (IsKeyLine(lines[i], key, nullptr)) {
      lines[i] = keyLine;
      return JoinLines(lines);
    }
    if (!Trim(lines[i]).empty()) lastContent = i;
  }
  if (sectionAt == lines.size()) {
    lines.push_back("[" + section + "]");
    lines.push_back(keyLine);
  } else {
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(lastContent + 1), keyLine);
  }
  return JoinLines(lines);
}

namespace {

bool PlainName(const std::string& name) {
  for (char c : name)
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}

// White space the platform may take off a name or value beyond the spaces and tabs we trim.
bool OtherSpaceAtAnEnd(const std::string& text) {
  auto other = [](char c) { return c == '\r' || c == '\n' || c == '\v' || c == '\f' || c == '\x1a'; };
  return !text.empty() && (other(text.front()) || other(text.back()));
}

}  // namespace

std::optional<std::string> ProfileValueFromSection(const std::string& entries, const std::string& key,
                                                   size_t maxChars) {
  const std::string wanted = Trim(key);
  if (maxChars < 2 || wanted.empty() || wanted.front() == ';' || wanted.find('=') != std::string::npos ||
      !PlainName(wanted))
    return std::nullopt;
  for (size_t at = 0; at < entries.size();) {
    size_t end = entries.find('\0', at);
    if (end == std::string::npos) end = entries.size();
    const std::string entry = entries.substr(at, end - at);
    at = end + 1;
    const size_t eq = entry.find('=');
    const std::string name = Trim(entry.substr(0, eq));
    // A name another code page could fold onto ours, or ends the platform trims otherwise.
    if (!PlainName(name) || OtherSpaceAtAnEnd(name)) return std::nullopt;
    if (!EqualsNoCase(name, wanted)) continue;
    if (eq == std::string::npos) return std::nullopt;
    std::string value = Trim(entry.substr(eq + 1));
    if (OtherSpaceAtAnEnd(value)) return std::nullopt;
    // Quotes around the whole value are not part of it.
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
      value = value.substr(1, value.size() - 2);
    // How a value the buffer cuts comes back is the platform's business.
    if (value.size() >= maxChars - 1) return std::nullopt;
    return value;
  }
  return std::string();
}

std::string ListingProfile::Get(const std::string& section, const std::string& key, const std::string& file,
                                size_t maxChars) {
  // A name with spaces at its ends is trimmed by a read but perhaps not by a list.
  if (!bursting_ || section.empty() || Trim(section) != section) return profile_.Get(section, key, file, maxChars);
  auto list = lists_.begin();
  while (list != lists_.end() && !(list->file == file && EqualsNoCase(list->section, section))) ++list;
  if (list == lists_.end())
    list = lists_.insert(lists_.end(), SectionList{file, section, profile_.GetSection(section, file)});
  if (list->entries) {
    std::optional<std::string> value = ProfileValueFromSection(*list->entries, key, maxChars);
    if (value) return *value;
  }
  return profile_.Get(section, key, file, maxChars);
}

bool ListingProfile::Put(const std::string& section, const std::string& key, const std::string& value,
                         const std::string& file) {
  lists_.clear();
  return profile_.Put(section, key, value, file);
}

std::string SafeProfile::Target(const std::string& file) const {
  for (const Copy& copy : copies_)
    if (copy.file == file && !copy.refused) return TempPathOf(file);
  return file;
}

SafeProfile::Copy& SafeProfile::CopyOf(const std::string& file) {
  for (Copy& copy : copies_)
    if (copy.file == file) return copy;
  const std::string temp = TempPathOf(file);
  // A left-over copy is ours by name: its marks must not block this one.
  fs_.ClearMarks(temp);
  bool copied = false;
  if (fs_.FileExists(file)) {
    std::string bytes;
    std::unique_ptr<IWriteFile> out;
    if (fs_.ReadAll(file, bytes) && (out = fs_.CreateForWrite(temp))) {
      copied = out->Write(bytes);
      copied = out->Close() && copied;
      if (!copied) fs_.Delete(temp);
    }
  } else if (!fs_.PathExists(file)) {
    // No file yet: the profile operations make the copy as they would make the file.
    copied = !fs_.PathExists(temp) || (fs_.Delete(temp) && !fs_.PathExists(temp));
  }
  copies_.push_back(Copy{file, !copied});
  return copies_.back();
}

std::string SafeProfile::Get(const std::string& section, const std::string& key, const std::string& file,
                             size_t maxChars) {
  return profile_.Get(section, key, Target(file), maxChars);
}

std::optional<std::string> SafeProfile::GetSection(const std::string& section, const std::string& file) {
  return profile_.GetSection(section, Target(file));
}

bool SafeProfile::Put(const std::string& section, const std::string& key, const std::string& value,
                      const std::string& file) {
  Change change(*this);
  Copy& copy = CopyOf(file);
  if (copy.refused) return false;
  if (profile_.Put(section, key, value, TempPathOf(file))) return true;
  // The copy may be cut short now: none of this change's writes reach the file.
  copy.refused = true;
  fs_.Delete(TempPathOf(file));
  return false;
}

void SafeProfile::Commit() {
  std::vector<Copy> copies;
  copies.swap(copies_);
  for (const Copy& copy : copies) {
    if (copy.refused) continue;
    std::string bytes;
    // The copy is written again, as a save writes; a save that cannot even create it leaves
    // the copy behind.
    if (!fs_.ReadAll(TempPathOf(copy.file), bytes) || !SaveFileSafely(fs_, copy.file, bytes).ok())
      fs_.Delete(TempPathOf(copy.file));
  }
}

std::string FileProfile::Get(const std::string& section, const std::string& key, const std::string& file,
                             size_t maxChars) {
  std::string content;
  if (!fs_.ReadAll(file, content)) return std::string();
  std::string value = ProfileGet(content, section, key);
  if (maxChars == 0) return std::string();
  if (value.size() > maxChars - 1) value.resize(maxChars - 1);
  return value;
}

bool FileProfile::Put(const std::string& section, const std::string& key, const std::string& value,
                      const std::string& file) {
  std::string content;
  // A missing file is created; one that is there but cannot be read is not overwritten.
  if (!fs_.ReadAll(file, content) && fs_.PathExists(file)) return false;
  // In place, as the platform writes: a write that stops half-way leaves the file cut short.
  std::unique_ptr<IWriteFile> out = fs_.CreateForWrite(file);
  if (!out) return false;
  const bool written = out->Write(ProfilePut(content, section, key, value));
  return out->Close() && written;
}

}  // namespace carrydeck
