#include "common/TextCodec.h"

#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace carrydeck {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool IsAscii(std::string_view text) { return FirstNonAscii(text) == text.size(); }

// The length of the well-formed sequence at `pos`, or 0; `maximalPart` is how many of its
// bytes could still have begun a well-formed sequence (at least 1).
size_t SequenceAt(std::string_view text, size_t pos, size_t& maximalPart) {
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(pos);
  maximalPart = 1;
  if (lead < 0x80) return 1;
  size_t length;
  unsigned char low = 0x80, high = 0xBF;  // the range of the second byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;   // overlong
    if (lead == 0xED) high = 0x9F;  // surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;   // overlong
    if (lead == 0xF4) high = 0x8F;  // above U+10FFFF
  } else {
    return 0;
  }
  for (size_t i = 1; i < length; ++i) {
    if (pos + i >= text.size()) return 0;
    const unsigned char b = byte(pos + i);
    if (i == 1 ? (b < low || b > high) : (b < 0x80 || b > 0xBF)) return 0;
    maximalPart = i + 1;
  }
  return length;
}

}  // namespace

std::string Latin1CodePage::ToUtf8(std::string_view ansi) {
  // The ASCII before the first high byte is taken as it is, the rest converted in one pass.
  const size_t first = FirstNonAscii(ansi);
  std::string out;
  out.reserve(first == ansi.size() ? first : first + (ansi.size() - first) * 2);
  out.append(ansi.substr(0, first));
  for (size_t i = first; i < ansi.size(); ++i) {
    const auto c = static_cast<unsigned char>(ansi[i]);
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

std::optional<std::string> Latin1CodePage::FromUtf8(std::string_view utf8) {
  if (IsAscii(utf8)) return std::string(utf8);
  if (!IsValidUtf8(utf8)) return std::nullopt;
  std::string out;
  out.reserve(utf8.size());
  for (size_t pos = 0; pos < utf8.size();) {
    const char32_t c = NextCodePoint(utf8, pos);
    if (c > 0xFF) return std::nullopt;
    out += static_cast<char>(c);
  }
  return out;
}

size_t FirstNonAscii(std::string_view text) {
  const char* const data = text.data();
  const size_t size = text.size();
  size_t i = 0;
#if defined(__SSE2__)
  // Sixty-four bytes a step: loading a full catalogue has to stay near a plain read, and a
  // byte at a time took longer than the read itself. The high bit of every byte, or-ed.
  for (; size - i >= 64; i += 64) {
    const auto load = [&](size_t at) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i + at)); };
    const __m128i any = _mm_or_si128(_mm_or_si128(load(0), load(16)), _mm_or_si128(load(32), load(48)));
    if (_mm_movemask_epi8(any) != 0) break;  // the byte itself is found below
  }
#endif
  // Eight bytes a word, then byte by byte to the exact place.
  constexpr uint64_t kHighBits = 0x8080808080808080ULL;
  for (; size - i >= 8; i += 8) {
    uint64_t word;
    std::memcpy(&word, data + i, sizeof word);
    if (word & kHighBits) break;
  }
  for (; i < size; ++i)
    if (static_cast<unsigned char>(data[i]) >= 0x80) return i;
  return size;
}

bool IsValidUtf8(std::string_view text) {
  size_t maximalPart;
  for (size_t pos = 0; pos < text.size();) {
    if (static_cast<unsigned char>(text[pos]) < 0x80) {  // a run of ASCII at once
      pos += FirstNonAscii(text.substr(pos));
      continue;
    }
    const size_t length = SequenceAt(text, pos, maximalPart);
    if (length == 0) return false;
    pos += length;
  }
  return true;
}

std::string RepairUtf8(std::string_view text, size_t* replaced) {
  size_t count = 0;
  std::string out;
  size_t maximalPart;
  size_t copied = 0;  // text before this is in out
  for (size_t pos = 0; pos < text.size();) {
    if (static_cast<unsigned char>(text[pos]) < 0x80) {  // a run of ASCII at once
      pos += FirstNonAscii(text.substr(pos));
      continue;
    }
    const size_t length = SequenceAt(text, pos, maximalPart);
    if (length > 0) {
      pos += length;
      continue;
    }
    if (count == 0) out.reserve(text.size() + 2);
    out.append(text.substr(copied, pos - copied));
    AppendUtf8(out, kReplacement);
    ++count;
    pos += maximalPart;
    copied = pos;
  }
  if (replaced) *replaced = count;
  if (count == 0) return std::string(text);
  out.append(text.substr(copied));
  return out;
}

char32_t NextCodePoint(std::string_view utf8, size_t& pos) {
  const auto byte = [&](size_t i) { return static_cast<char32_t>(static_cast<unsigned char>(utf8[i])); };
  const char32_t lead = byte(pos);
  size_t maximalPart;
  const size_t length = SequenceAt(utf8, pos, maximalPart);
  if (length == 0) {
    pos += maximalPart;
    return kReplacement;
  }
  char32_t c = length == 1 ? lead : length == 2 ? (lead & 0x1F) : length == 3 ? (lead & 0x0F) : (lead & 0x07);
  for (size_t i = 1; i < length; ++i) c = (c << 6) | (byte(pos + i) & 0x3F);
  pos += length;
  return c;
}

DecodedText DecodeText(std::string_view bytes, ICodePage& codePage) {
  DecodedText decoded;
  if (bytes.substr(0, kUtf8Mark.size()) == kUtf8Mark) {
    decoded.encoding = TextEncoding::Utf8;
    decoded.utf8 = RepairUtf8(bytes.substr(kUtf8Mark.size()), &decoded.invalid);
  } else {
    // Most catalogues are plain ASCII, which every ANSI code page holds as it is.
    decoded.utf8 = IsAscii(bytes) ? std::string(bytes) : codePage.ToUtf8(bytes);
  }
  return decoded;
}

EncodedText EncodeText(std::string_view utf8, TextEncoding was, ICodePage& codePage) {
  if (was == TextEncoding::Ansi) {
    if (IsAscii(utf8)) return {std::string(utf8), TextEncoding::Ansi};
    if (std::optional<std::string> ansi = codePage.FromUtf8(utf8)) return {std::move(*ansi), TextEncoding::Ansi};
  }
  EncodedText encoded{std::string(kUtf8Mark), TextEncoding::Utf8};
  // Text that came in damaged goes out with U+FFFD where it was damaged, never as bytes
  // another reader would take differently.
  encoded.bytes += RepairUtf8(utf8);
  return encoded;
}

std::string DecodeTextFile(std::string bytes, TextForm* form) {
  // Plain ASCII without the mark is its own UTF-8: the bytes become the text, no copy made.
  if (IsAscii(bytes)) {
    if (form) *form = TextForm{form->codePage, TextEncoding::Ansi, 0};
    return bytes;
  }
  // So is well-formed UTF-8 after the mark, once the mark is gone.
  const std::string_view text = bytes;
  if (text.substr(0, kUtf8Mark.size()) == kUtf8Mark && IsValidUtf8(text.substr(kUtf8Mark.size()))) {
    if (form) *form = TextForm{form->codePage, TextEncoding::Utf8, 0};
    bytes.erase(0, kUtf8Mark.size());
    return bytes;
  }
  Latin1CodePage latin1;
  DecodedText decoded = DecodeText(bytes, form && form->codePage ? *form->codePage : latin1);
  if (form) {
    form->encoding = decoded.encoding;
    form->invalid = decoded.invalid;
  }
  return std::move(decoded.utf8);
}

std::string EncodeTextFile(const std::string& utf8, TextForm* form) {
  Latin1CodePage latin1;
  EncodedText encoded =
      EncodeText(utf8, form ? form->encoding : TextEncoding::Ansi, form && form->codePage ? *form->codePage : latin1);
  if (form) form->encoding = encoded.encoding;
  return std::move(encoded.bytes);
}

}  // namespace carrydeck
