#include "common/win32/Win32Profile.h"

#include <vector>

namespace carrydeck {

std::string Win32Profile::Get(const std::string& section, const std::string& key, const std::string& file,
                              size_t maxChars) {
  if (section.empty() || key.empty() || maxChars == 0) return std::string();
  std::vector<char> buffer(maxChars, '\0');
  DWORD n = ::GetPrivateProfileStringA(section.c_str(), key.c_str(), "", buffer.data(), static_cast<DWORD>(maxChars),
                                       file.c_str());
  return std::string(buffer.data(), n);
}

bool Win32Profile::Put(const std::string& section, const std::string& key, const std::string& value,
                       const std::string& file) {
  if (section.empty() || key.empty()) return false;
  // A settings file the user made read-only stays as it is (not every system refuses this).
  DWORD attributes = ::GetFileAttributesA(file.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) return false;
  return ::WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), file.c_str()) != FALSE;
}

std::optional<std::string> Win32Profile::GetSection(const std::string& section, const std::string& file) {
  if (section.empty()) return std::nullopt;
  // Far more than any of our sections holds; a longer one is read key by key below.
  constexpr size_t kSectionChars = 8192;
  std::vector<char> buffer(kSectionChars, '\0');
  DWORD n =
      ::GetPrivateProfileSectionA(section.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()), file.c_str());
  // A list that filled the buffer may have been cut: the keys are then read one by one.
  if (n + 2 >= buffer.size()) return std::nullopt;
  return std::string(buffer.data(), n);
}

}  // namespace carrydeck
