#include "common/win32/ErrorDescription.h"

#include "common/win32/Handle.h"

namespace carrydeck {

std::string ErrorDescription(DWORD code) {
  char* text = nullptr;
  DWORD n =
      ::FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
  UniqueLocal owned(text);
  std::string result = n && text ? std::string(text, n) : std::string();
  while (!result.empty() && (result.back() == '\r' || result.back() == '\n' || result.back() == ' ')) result.pop_back();
  if (result.empty()) result = "Error " + std::to_string(code);
  return result;
}

}  // namespace carrydeck
