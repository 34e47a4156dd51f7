#include "common/win32/ProgramModule.h"

#include <cstring>
#include <vector>

#include "common/Paths.h"
#include "common/win32/WideText.h"

namespace carrydeck {

std::string GetAppPath() {
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    DWORD n = ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return std::string();
    if (n < buffer.size()) return AppPathFromModule(Utf8(std::wstring_view(buffer.data(), n)));
    buffer.resize(buffer.size() * 2);
    if (buffer.size() > 65536) return std::string();
  }
}

FileVersion GetModuleFileVersion() {
  FileVersion version;
  HRSRC info = ::FindResourceW(nullptr, MAKEINTRESOURCEW(VS_VERSION_INFO), MAKEINTRESOURCEW(16) /* RT_VERSION */);
  if (!info) return version;
  HGLOBAL loaded = ::LoadResource(nullptr, info);
  const auto* data = static_cast<const BYTE*>(loaded ? ::LockResource(loaded) : nullptr);
  DWORD size = ::SizeofResource(nullptr, info);
  // VS_VERSIONINFO: three WORDs, the key L"VS_VERSION_INFO\0", padding to 32 bits, then the
  // fixed record. Reading the resource directly spares a dependency on version.dll.
  constexpr size_t kFixedAt = 40;
  if (!data || size < kFixedAt + sizeof(VS_FIXEDFILEINFO)) return version;
  VS_FIXEDFILEINFO fixed;
  std::memcpy(&fixed, data + kFixedAt, sizeof fixed);
  if (fixed.dwSignature != VS_FFI_SIGNATURE) return version;
  version.major = HIWORD(fixed.dwFileVersionMS);
  version.minor = LOWORD(fixed.dwFileVersionMS);
  version.build = HIWORD(fixed.dwFileVersionLS);
  version.revision = LOWORD(fixed.dwFileVersionLS);
  return version;
}

}  // namespace carrydeck
