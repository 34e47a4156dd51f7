// Text at the Win32 boundary: inside, text is UTF-8 in std::string; the system's wide (W)
// functions take and give UTF-16. These convert, and nothing else does.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "common/TextCodec.h"

namespace carrydeck {

// UTF-8 as UTF-16; an ill-formed part becomes U+FFFD.
std::wstring Wide(std::string_view utf8);
// UTF-16 as UTF-8; a lone surrogate becomes U+FFFD.
std::string Utf8(std::wstring_view wide);
// A NUL-ended wide buffer (as the system fills one) as UTF-8.
std::string Utf8(const wchar_t* wide);

// The PC's ANSI code page (CP_ACP).
class Win32CodePage : public ICodePage {
 public:
  std::string ToUtf8(std::string_view ansi) override;
  std::optional<std::string> FromUtf8(std::string_view utf8) override;
};

}  // namespace carrydeck
