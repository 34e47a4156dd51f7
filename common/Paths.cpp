#include "common/Paths.h"

#include <cctype>

namespace carrydeck {

namespace {

// 1-based position of the first "\" at or after 1-based position from; 0 when none.
size_t FindBackslash(const std::string& s, size_t from) {
  if (from < 1) from = 1;
  if (from > s.size()) return 0;
  size_t p = s.find('\\', from - 1);
  return p == std::string::npos ? 0 : p + 1;
}

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Replaces every case-insensitive occurrence of token, scanning once from the left.
std::string ReplaceNoCase(const std::string& text, const std::string& token, const std::string& with) {
  std::string out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    bool match = i + token.size() <= text.size();
    for (size_t j = 0; match && j < token.size(); ++j) match = LowerAscii(text[i + j]) == LowerAscii(token[j]);
    if (match) {
      out += with;
      i += token.size();
    } else {
      out += text[i++];
    }
  }
  return out;
}

}  // namespace

std::string AppPathFromModule(const std::string& modulePath) {
  size_t slash = modulePath.rfind('\\');
  std::string folder = slash == std::string::npos ? std::string() : modulePath.substr(0, slash);
  // A program at a drive's top: the platform gives "E:\" for its folder, keep one backslash.
  if (folder.empty() || folder.back() != '\\') folder += '\\';
  return folder;
}

std::string DriveRootOf(const std::string& appPath) {
  if (IsUNCPath(appPath)) {
    size_t a = FindBackslash(appPath, 3);
    size_t b = a == 0 ? 0 : FindBackslash(appPath, a + 1);
    return b == 0 ? appPath : appPath.substr(0, b);
  }
  size_t a = FindBackslash(appPath, 3);
  return a == 0 ? appPath : appPath.substr(0, a);
}

bool IsUNCPath(const std::string& path) { return path.size() >= 2 && path[0] == '\\' && path[1] == '\\'; }

namespace {
bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
}  // namespace

bool IsDriveName(const std::string& drive) { return drive.size() == 2 && IsAsciiLetter(drive[0]) && drive[1] == ':'; }

bool IsRootedPath(const std::string& path) {
  return IsUNCPath(path) || (path.size() >= 3 && IsDriveName(path.substr(0, 2)) && path[2] == '\\');
}

bool SplitRoot(const std::string& path, std::string& root, std::string& rest) {
  if (IsUNCPath(path)) {
    size_t a = path.find('\\', 2);
    if (a == std::string::npos || a == 2) return false;  // no server name
    size_t b = path.find('\\', a + 1);
    std::string share = path.substr(a + 1, b == std::string::npos ? std::string::npos : b - a - 1);
    if (share.empty()) return false;
    root = path.substr(0, a + 1) + share + "\\";
    rest = b == std::string::npos ? std::string() : path.substr(b + 1);
    return true;
  }
  if (!IsDriveName(path.substr(0, 2)) || (path.size() > 2 && path[2] != '\\')) return false;
  root = ToUpperAscii(path.substr(0, 1)) + ":\\";
  rest = path.size() > 3 ? path.substr(3) : std::string();
  return true;
}

std::string StripDriveRoot(const std::string& path) {
  if (IsUNCPath(path)) {
    size_t a = FindBackslash(path, 3);
    size_t b = FindBackslash(path, a + 1);
    return path.substr(b);  // from position b + 1, 1-based
  }
  return path.size() <= 3 ? std::string() : path.substr(3);
}

std::string RelocatePath(const std::string& path, const std::string& driveRoot) {
  return driveRoot + StripDriveRoot(path);
}

std::string FolderOf(const std::string& path) {
  size_t slash = path.rfind('\\');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string FileNameOf(const std::string& path) {
  size_t slash = path.rfind('\\');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string AddTrailingBackslash(const std::string& path) {
  if (!path.empty() && path.back() == '\\') return path;
  return path + '\\';
}

std::string ExpandPlaceholders(const std::string& parameters, const std::string& folder, const std::string& driveRoot) {
  std::string drive = driveRoot.empty() ? driveRoot : driveRoot.substr(0, driveRoot.size() - 1);
  return ReplaceNoCase(ReplaceNoCase(parameters, "%drive%", drive), "%dir%", folder);
}

std::string ShortenPathForDisplay(const std::string& path, int maximum) {
  std::string s = path;
  if (IsUNCPath(s)) s.erase(0, 1);
  std::string shown;
  shown.reserve(s.size() * 2);
  for (char c : s) {
    if (c == '\\')
      shown += " > ";
    else
      shown += c;
  }
  // Each pass cuts up to the next separator to the right of the last cut (the dots and ">"
  // left in front never start one), so find the last cut needed and make only that one:
  // cutting pass by pass copies a long target once per folder and freezes the window.
  size_t cut = std::string::npos;
  size_t length = shown.size();
  size_t from = 0;
  while (static_cast<long long>(length) >= maximum) {
    size_t p = shown.find(" > ", from);
    if (p == std::string::npos) break;
    cut = p;
    length = 3 + shown.size() - (p + 1);
    from = p + 2;
  }
  // Keep the ">" of the separator right after the dots.
  return cut == std::string::npos ? shown : "..." + shown.substr(cut + 1);
}

std::string ToUpperAscii(std::string text) {
  for (char& c : text)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return text;
}

std::string ToLowerAscii(std::string text) {
  for (char& c : text) c = LowerAscii(c);
  return text;
}

bool EqualsNoCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  return true;
}

std::string Trim(const std::string& text) {
  size_t b = 0, e = text.size();
  while (b < e && (text[b] == ' ' || text[b] == '\t')) ++b;
  while (e > b && (text[e - 1] == ' ' || text[e - 1] == '\t')) --e;
  return text.substr(b, e - b);
}

}  // namespace carrydeck
