#include "common/win32/WideText.h"

#include <windows.h>

#include <climits>

namespace carrydeck {

namespace {

std::wstring ToWide(UINT codePage, DWORD flags, std::string_view bytes, bool* failed = nullptr) {
  if (bytes.empty() || bytes.size() > INT_MAX) return std::wstring();
  const int in = static_cast<int>(bytes.size());
  const int n = MultiByteToWideChar(codePage, flags, bytes.data(), in, nullptr, 0);
  if (n <= 0) {
    if (failed) *failed = true;
    return std::wstring();
  }
  std::wstring wide(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(codePage, flags, bytes.data(), in, wide.data(), n);
  return wide;
}

std::string FromWide(UINT codePage, DWORD flags, std::wstring_view wide, BOOL* usedDefault = nullptr) {
  if (wide.empty() || wide.size() > INT_MAX) return std::string();
  const int in = static_cast<int>(wide.size());
  const int n = WideCharToMultiByte(codePage, flags, wide.data(), in, nullptr, 0, nullptr, usedDefault);
  if (n <= 0) return std::string();
  std::string bytes(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(codePage, flags, wide.data(), in, bytes.data(), n, nullptr, usedDefault);
  return bytes;
}

}  // namespace

std::wstring Wide(std::string_view utf8) { return ToWide(CP_UTF8, 0, utf8); }

std::string Utf8(std::wstring_view wide) { return FromWide(CP_UTF8, 0, wide); }

std::string Utf8(const wchar_t* wide) { return wide ? Utf8(std::wstring_view(wide)) : std::string(); }

std::string Win32CodePage::ToUtf8(std::string_view ansi) { return Utf8(ToWide(CP_ACP, 0, ansi)); }

std::optional<std::string> Win32CodePage::FromUtf8(std::string_view utf8) {
  if (utf8.empty()) return std::string();
  bool failed = false;
  const std::wstring wide = ToWide(CP_UTF8, MB_ERR_INVALID_CHARS, utf8, &failed);
  if (failed) return std::nullopt;
  BOOL usedDefault = FALSE;
  std::string ansi = FromWide(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, &usedDefault);
  // A character the code page lacks, or one it holds only as something else, keeps the text
  // out of it.
  if (usedDefault || ansi.empty() || ToWide(CP_ACP, 0, ansi) != wide) return std::nullopt;
  return ansi;
}

}  // namespace carrydeck
