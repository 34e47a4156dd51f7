// The encodings of the launcher's text files ("Data.dat", "Types.dat"): the PC's ANSI code
// page, as they always were, or UTF-8 after a byte order mark. Inside, text is UTF-8.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "common/Utf8.h"

namespace carrydeck {

// The PC's ANSI code page, converted to and from UTF-8.
class ICodePage {
 public:
  virtual ~ICodePage() = default;
  // The code page's bytes as UTF-8.
  virtual std::string ToUtf8(std::string_view ansi) = 0;
  // The text in the code page, only when every character converts there and back
  // unchanged; nullopt otherwise.
  virtual std::optional<std::string> FromUtf8(std::string_view utf8) = 0;
};

// ISO 8859-1: each byte is the character of the same number. The code page of a launcher
// given none (its logic tested on its own): every byte round-trips.
class Latin1CodePage : public ICodePage {
 public:
  std::string ToUtf8(std::string_view ansi) override;
  std::optional<std::string> FromUtf8(std::string_view utf8) override;
};

enum class TextEncoding { Ansi, Utf8 };

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";

// Where the first byte of 0x80 or above is; the text's size when it is plain ASCII.
size_t FirstNonAscii(std::string_view text);

// Well-formed UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF, no cut
// sequence.
bool IsValidUtf8(std::string_view text);

// The text with each ill-formed part (each maximal part of a sequence that could have
// begun well, or a single byte otherwise) replaced by U+FFFD; `replaced` counts them.
std::string RepairUtf8(std::string_view text, size_t* replaced = nullptr);

// The code point starting at `pos` of well-formed UTF-8, and where the next one starts.
char32_t NextCodePoint(std::string_view utf8, size_t& pos);

struct DecodedText {
  std::string utf8;
  TextEncoding encoding = TextEncoding::Ansi;
  size_t invalid = 0;  // ill-formed parts of a UTF-8 file, each now U+FFFD
};

// A file's bytes as text: after the mark UTF-8 (repaired), else the ANSI code page.
DecodedText DecodeText(std::string_view bytes, ICodePage& codePage);

struct EncodedText {
  std::string bytes;
  TextEncoding encoding = TextEncoding::Ansi;
};

// The bytes to write for the text: in the ANSI code page, byte for byte as before, when the
// file was ANSI (or is new) and the whole text converts there and back unchanged; otherwise
// the mark and UTF-8, and the file is UTF-8 from then on.
EncodedText EncodeText(std::string_view utf8, TextEncoding was, ICodePage& codePage);

// How a text file of the launcher is read and written: the PC's code page for its ANSI form,
// the encoding it was read in (and is written in next), and what was damaged in it.
struct TextForm {
  ICodePage* codePage = nullptr;  // none: Latin-1, each byte as itself
  TextEncoding encoding = TextEncoding::Ansi;
  size_t invalid = 0;  // ill-formed parts of the UTF-8 last read, now each U+FFFD
};

// The file's bytes as UTF-8 text, noting in `form` what it was read as.
std::string DecodeTextFile(std::string bytes, TextForm* form);
// The text as the file's bytes; `form` tells the encoding the file is in from then on.
std::string EncodeTextFile(const std::string& utf8, TextForm* form);

}  // namespace carrydeck
