#include "common/win32/ErrorDescription.h"

#include "common/win32/Handle.h"
#include "common/win32/WideText.h"

namespace carrydeck {

std::string ErrorDescription(DWORD code) {
  wchar_t* text = nullptr;
  DWORD n =
      ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  UniqueLocal owned(text);
  std::string result = n && text ? Utf8(std::wstring_view(text, n)) : std::string();
  while (!result.empty() && (result.back() == '\r' || result.back() == '\n' || result.back() == ' ')) result.pop_back();
  if (result.empty()) result = "Error " + std::to_string(code);
  return result;
}

}  // namespace carrydeck
