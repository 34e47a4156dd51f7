#include "common/win32/Win32Profile.h"

#include <vector>

#include "common/win32/WideText.h"

namespace carrydeck {

std::string Win32Profile::Get(const std::string& section, const std::string& key, const std::string& file,
                              size_t maxChars) {
  if (section.empty() || key.empty() || maxChars == 0) return std::string();
  std::vector<wchar_t> buffer(maxChars, L'\0');
  DWORD n = ::GetPrivateProfileStringW(Wide(section).c_str(), Wide(key).c_str(), L"", buffer.data(),
                                       static_cast<DWORD>(maxChars), Wide(file).c_str());
  return Utf8(std::wstring_view(buffer.data(), n));
}

bool Win32Profile::Put(const std::string& section, const std::string& key, const std::string& value,
                       const std::string& file) {
  if (section.empty() || key.empty()) return false;
  // A settings file the user made read-only stays as it is (not every system refuses this).
  DWORD attributes = ::GetFileAttributesW(Wide(file).c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) return false;
  return ::WritePrivateProfileStringW(Wide(section).c_str(), Wide(key).c_str(), Wide(value).c_str(),
                                     Wide(file).c_str()) != FALSE;
}

std::optional<std::string> Win32Profile::GetSection(const std::string& section, const std::string& file) {
  if (section.empty()) return std::nullopt;
  // Far more than any of our sections holds; a longer one is read key by key below.
  constexpr size_t kSectionChars = 8192;
  std::vector<wchar_t> buffer(kSectionChars, L'\0');
  DWORD n = ::GetPrivateProfileSectionW(Wide(section).c_str(), buffer.data(), static_cast<DWORD>(buffer.size()),
                                        Wide(file).c_str());
  // A list that filled the buffer may have been cut: the keys are then read one by one.
  if (n + 2 >= buffer.size()) return std::nullopt;
  return Utf8(std::wstring_view(buffer.data(), n));
}

}  // namespace carrydeck
