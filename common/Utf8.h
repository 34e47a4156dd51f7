// Writing UTF-8, the text of both programs inside. Kept apart from the text files' codec so
// that the removal tool, which names handles' objects, takes in no more than this.
#pragma once

#include <string>
#include <string_view>

namespace carrydeck {

// One code point appended as UTF-8; a surrogate or a value beyond U+10FFFF becomes U+FFFD.
void AppendUtf8(std::string& out, char32_t codePoint);
// UTF-16 (as the system names objects) as UTF-8; a lone surrogate becomes U+FFFD.
std::string Utf16ToUtf8(std::u16string_view text);

}  // namespace carrydeck
