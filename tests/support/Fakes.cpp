#include "Fakes.h"

#include "common/Paths.h"
#include "common/TextLines.h"

namespace carrydeck::testing {

namespace {

class MemoryWriteFile : public IWriteFile {
 public:
  MemoryWriteFile(MemoryFileSystem& fs, std::string path) : fs_(fs), path_(std::move(path)) {}
  bool Write(const std::string& bytes) override {
    if (fs_.Fails(SaveStep::Write)) {
      // A full stick: part of the data made it.
      fs_.files[path_] += bytes.substr(0, bytes.size() / 2);
      return false;
    }
    fs_.files[path_] += bytes;
    return true;
  }
  bool Flush() override { return !fs_.Fails(SaveStep::Flush); }
  bool Close() override { return !fs_.Fails(SaveStep::Close); }

 private:
  MemoryFileSystem& fs_;
  std::string path_;
};

class MemoryHeldFile : public IHeldFile {
 public:
  MemoryHeldFile(MemoryFileSystem& fs, std::string path) : fs_(fs), path_(std::move(path)) { fs_.held.insert(path_); }
  ~MemoryHeldFile() override {
    auto it = fs_.held.find(path_);
    if (it != fs_.held.end()) fs_.held.erase(it);  // this hold only: others may hold it too
  }
  bool ReadAll(std::string& bytes) override {
    auto it = fs_.files.find(path_);
    if (it == fs_.files.end()) return false;
    bytes = it->second;
    if (fs_.afterRead) fs_.afterRead(path_);
    return true;
  }

 private:
  MemoryFileSystem& fs_;
  std::string path_;
};

}  // namespace

std::optional<std::string> ListingFileProfile::GetSection(const std::string& section, const std::string& file) {
  ++lists;
  std::string content, entries;
  fs_.ReadAll(file, content);
  bool inSection = false;
  for (const std::string& line : SplitLines(content)) {
    const std::string text = Trim(line);
    if (text.size() >= 2 && text.front() == '[' && text.find(']') != std::string::npos) {
      if (inSection) break;
      inSection = EqualsNoCase(Trim(text.substr(1, text.find(']') - 1)), Trim(section));
      continue;
    }
    if (!inSection || text.empty()) continue;
    const size_t eq = text.find('=');
    entries += eq == std::string::npos ? text : Trim(text.substr(0, eq)) + "=" + Trim(text.substr(eq + 1));
    entries += '\0';
  }
  return entries;
}

bool MemoryFileSystem::Fails(SaveStep step) {
  int n = ++seen[step];
  auto it = failOn.find(step);
  return it != failOn.end() && it->second == n;
}

bool MemoryFileSystem::FileExists(const std::string& path) {
  return files.count(path) && !hidden.count(path) && path.find_first_of("*?") == std::string::npos;
}

bool MemoryFileSystem::PathExists(const std::string& path) {
  return files.count(path) || folders.count(path) || folders.count(path + "\\");
}

bool MemoryFileSystem::FolderExists(const std::string& path) {
  if (folders.count(path)) return true;
  for (const auto& [name, bytes] : files)
    if (name.size() > path.size() && name.compare(0, path.size(), path) == 0) return true;
  return false;
}

bool MemoryFileSystem::ReadAll(const std::string& path, std::string& bytes) {
  auto it = files.find(path);
  if (it == files.end() || unreadable.count(path)) return false;
  bytes = it->second;
  if (afterRead) afterRead(path);
  return true;
}

std::unique_ptr<IWriteFile> MemoryFileSystem::CreateForWrite(const std::string& path) {
  ++creates;
  // Creating over a hidden or system file is refused, as the platform does (CREATE_ALWAYS).
  if (Fails(SaveStep::Create) || readOnly || readOnlyFiles.count(path) || hidden.count(path) || inUse.count(path) ||
      held.count(path))
    return nullptr;
  files[path].clear();
  return std::make_unique<MemoryWriteFile>(*this, path);
}

bool MemoryFileSystem::Replace(const std::string& source, const std::string& target) {
  // Sealing (tmp -> new) and replacing (new -> file) are both renames here.
  SaveStep step =
      source.size() > 4 && source.compare(source.size() - 4, 4, ".tmp") == 0 ? SaveStep::Seal : SaveStep::Replace;
  if (Fails(step) || readOnlyFiles.count(target) || inUse.count(target) || held.count(target) || held.count(source))
    return false;
  auto it = files.find(source);
  if (it == files.end()) return false;
  files[target] = it->second;
  files.erase(source);
  return true;
}

bool MemoryFileSystem::Delete(const std::string& path) {
  if (undeletable.count(path) || readOnlyFiles.count(path) || inUse.count(path) || held.count(path)) return false;
  return files.erase(path) > 0;
}

bool MemoryFileSystem::ClearReadOnly(const std::string& path) {
  if (!files.count(path)) return false;
  if (readOnlyFiles.count(path) && lockedAttributes.count(path)) return false;
  readOnlyFiles.erase(path);
  return true;
}

bool MemoryFileSystem::CopyFile(const std::string& source, const std::string& target) {
  auto it = files.find(source);
  if (it == files.end() || readOnlyFolders.count(target.substr(0, target.rfind('\\') + 1))) return false;
  if (readOnlyFiles.count(target) || inUse.count(target) || held.count(target)) return false;
  files[target] = it->second;
  return true;
}

bool MemoryFileSystem::CreateFolder(const std::string& path) {
  std::string folder = path.empty() || path.back() == '\\' ? path : path + "\\";
  if (cannotCreate.count(folder)) return false;
  return folders.insert(folder).second;
}

bool MemoryFileSystem::ClearMarks(const std::string& path) {
  if (!files.count(path)) return false;
  const bool marked = hidden.count(path) || readOnlyFiles.count(path);
  if (marked && lockedAttributes.count(path)) return false;
  hidden.erase(path);
  readOnlyFiles.erase(path);
  return true;
}

std::unique_ptr<IHeldFile> MemoryFileSystem::HoldForReading(const std::string& path) {
  if (!files.count(path) || unreadable.count(path)) return nullptr;
  return std::make_unique<MemoryHeldFile>(*this, path);
}

namespace {
constexpr char16_t k1252High[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
char32_t From1252(unsigned char b) { return b >= 0x80 && b < 0xA0 ? k1252High[b - 0x80] : b; }
}  // namespace

std::string CodePage1252::ToUtf8(std::string_view ansi) {
  ++conversions;
  std::string out;
  for (char c : ansi) AppendUtf8(out, From1252(static_cast<unsigned char>(c)));
  return out;
}

std::optional<std::string> CodePage1252::FromUtf8(std::string_view utf8) {
  ++conversions;
  if (!IsValidUtf8(utf8)) return std::nullopt;
  std::string out;
  for (size_t pos = 0; pos < utf8.size();) {
    const char32_t c = NextCodePoint(utf8, pos);
    int found = -1;
    for (int b = 0; b < 256 && found < 0; ++b)
      if (From1252(static_cast<unsigned char>(b)) == c) found = b;
    if (found < 0) return std::nullopt;
    out += static_cast<char>(found);
  }
  return out;
}

}  // namespace carrydeck::testing
