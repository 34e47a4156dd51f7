// The codec of the launcher's text files: which bytes are UTF-8, how damaged UTF-8 reads,
// the mark, and when a save stays in the ANSI code page.
#include <gtest/gtest.h>

#include <algorithm>

#include "Fakes.h"
#include "common/TextCodec.h"

namespace carrydeck {
namespace {

const std::string kFffd = "\xEF\xBF\xBD";
// "Ελληνικά", "Русский", "日本語" and an emoji, in UTF-8.
const std::string kGreek = "\xCE\x95\xCE\xBB\xCE\xBB\xCE\xB7\xCE\xBD\xCE\xB9\xCE\xBA\xCE\xAC";
const std::string kRussian = "\xD0\xA0\xD1\x83\xD1\x81\xD1\x81\xD0\xBA\xD0\xB8\xD0\xB9";
const std::string kJapanese = "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E";
const std::string kEmoji = "\xF0\x9F\x98\x80";

// The scan takes the text in blocks: a high byte must be found in every place of a block,
// of the tail after the last block, and wherever the text starts in memory.
TEST(AsciiScan, TheFirstHighByteIsFoundAtEveryPlaceAndAlignment) {
  std::string buffer(16 + 200, 'a');
  for (size_t start = 0; start < 16; ++start)
    for (size_t size : {0, 1, 15, 16, 17, 63, 64, 65, 127, 128, 130, 200}) {
      const std::string_view text(buffer.data() + start, size);
      EXPECT_EQ(FirstNonAscii(text), size) << "plain ASCII, start " << start << " size " << size;
      for (size_t at = 0; at < size; ++at) {
        for (char high : {'\x80', '\xFF'}) {
          buffer[start + at] = high;
          if (at + 1 < size) buffer[start + size - 1] = '\xC3';  // a later one does not count
          ASSERT_EQ(FirstNonAscii(text), at) << "start " << start << " size " << size << " at " << at;
          std::fill(buffer.begin(), buffer.end(), 'a');
        }
      }
      buffer[start + size] = '\x80';  // just past the text
      EXPECT_EQ(FirstNonAscii(text), size) << "a byte past the end is not the text's";
      std::fill(buffer.begin(), buffer.end(), 'a');
    }
}

TEST(Utf8Validation, WellFormedTextOfEveryLengthIsValid) {
  EXPECT_TRUE(IsValidUtf8(""));
  EXPECT_TRUE(IsValidUtf8("plain\r\n"));
  EXPECT_TRUE(IsValidUtf8(kGreek + kRussian + kJapanese + kEmoji));
  EXPECT_TRUE(IsValidUtf8("\xED\x9F\xBF"));      // U+D7FF, just below the surrogates
  EXPECT_TRUE(IsValidUtf8("\xEE\x80\x80"));      // U+E000, just above them
  EXPECT_TRUE(IsValidUtf8("\xF4\x8F\xBF\xBF"));  // U+10FFFF, the last code point
}

TEST(Utf8Validation, OverlongSurrogateTooLargeCutAndStrayBytesAreNot) {
  EXPECT_FALSE(IsValidUtf8("\xC0\xAF"));          // overlong "/"
  EXPECT_FALSE(IsValidUtf8("\xE0\x80\xAF"));      // overlong, three bytes
  EXPECT_FALSE(IsValidUtf8("\xF0\x80\x80\xAF"));  // overlong, four bytes
  EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));      // a surrogate
  EXPECT_FALSE(IsValidUtf8("\xF4\x90\x80\x80"));  // above U+10FFFF
  EXPECT_FALSE(IsValidUtf8("\xF5\x80\x80\x80"));
  EXPECT_FALSE(IsValidUtf8("\xE6\x97"));  // cut at the end
  EXPECT_FALSE(IsValidUtf8("\x80"));      // a continuation on its own
  EXPECT_FALSE(IsValidUtf8("caf\xE9"));   // ANSI, not UTF-8
}

TEST(Utf8Repair, EachMaximalIllFormedPartBecomesOneReplacementCharacter) {
  size_t replaced = 99;
  EXPECT_EQ(RepairUtf8("ok " + kJapanese, &replaced), "ok " + kJapanese);
  EXPECT_EQ(replaced, 0u);
  EXPECT_EQ(RepairUtf8("caf\xE9!", &replaced), "caf" + kFffd + "!");
  EXPECT_EQ(replaced, 1u);
  // A cut three-byte sequence is one part; the byte that cut it starts anew.
  EXPECT_EQ(RepairUtf8("\xE6\x97"
                       "A",
                       &replaced),
            kFffd + "A");
  EXPECT_EQ(replaced, 1u);
  // Bytes that can start nothing are one part each.
  EXPECT_EQ(RepairUtf8("\xC0\xAF", &replaced), kFffd + kFffd);
  EXPECT_EQ(replaced, 2u);
  EXPECT_EQ(RepairUtf8("\xED\xA0\x80", &replaced), kFffd + kFffd + kFffd);
  EXPECT_EQ(replaced, 3u);
  EXPECT_EQ(RepairUtf8("\xF0\x9F\x98", &replaced), kFffd);
  EXPECT_EQ(replaced, 1u);
  EXPECT_TRUE(IsValidUtf8(RepairUtf8("\xFF\xFE\x80\xE0\xA0")));
}

TEST(Utf8Repair, CodePointsDecodeAndEncodeBothWays) {
  const std::string text = "A\xC3\xA9" + kJapanese.substr(0, 3) + kEmoji;
  size_t pos = 0;
  EXPECT_EQ(NextCodePoint(text, pos), U'A');
  EXPECT_EQ(NextCodePoint(text, pos), U'\u00E9');
  EXPECT_EQ(NextCodePoint(text, pos), U'\u65E5');
  EXPECT_EQ(NextCodePoint(text, pos), U'\U0001F600');
  EXPECT_EQ(pos, text.size());
  std::string out;
  for (char32_t c : {U'A', U'\u00E9', U'\u65E5', U'\U0001F600'}) AppendUtf8(out, c);
  EXPECT_EQ(out, text);
  out.clear();
  AppendUtf8(out, 0xD800);
  AppendUtf8(out, 0x110000);
  EXPECT_EQ(out, kFffd + kFffd) << "no surrogate and nothing past U+10FFFF is ever written";
}

TEST(TextDecoding, WithoutTheMarkTheBytesAreTheAnsiCodePage) {
  testing::CodePage1252 cp;
  DecodedText d = DecodeText("caf\xE9 \x80\r\n", cp);
  EXPECT_EQ(d.encoding, TextEncoding::Ansi);
  EXPECT_EQ(d.utf8, "caf\xC3\xA9 \xE2\x82\xAC\r\n");
  EXPECT_EQ(d.invalid, 0u);
  // Valid UTF-8 without the mark is still ANSI, as every file before the mark was.
  d = DecodeText("\xC3\xA9", cp);
  EXPECT_EQ(d.encoding, TextEncoding::Ansi);
  EXPECT_EQ(d.utf8, "\xC3\x83\xC2\xA9");
}

TEST(TextDecoding, AfterTheMarkTheBytesAreUtf8AndDamageIsCounted) {
  testing::CodePage1252 cp;
  DecodedText d = DecodeText(std::string(kUtf8Mark) + kGreek + "\r\n", cp);
  EXPECT_EQ(d.encoding, TextEncoding::Utf8);
  EXPECT_EQ(d.utf8, kGreek + "\r\n") << "the mark is not text";
  EXPECT_EQ(d.invalid, 0u);
  d = DecodeText(std::string(kUtf8Mark) +
                     "a\xFF"
                     "b\r\n\xE6\x97",
                 cp);
  EXPECT_EQ(d.utf8, "a" + kFffd + "b\r\n" + kFffd);
  EXPECT_EQ(d.invalid, 2u);
  d = DecodeText(kUtf8Mark, cp);
  EXPECT_EQ(d.encoding, TextEncoding::Utf8);
  EXPECT_EQ(d.utf8, "") << "a mark alone is an empty UTF-8 file";
  d = DecodeText("\xEF\xBB", cp);
  EXPECT_EQ(d.encoding, TextEncoding::Ansi) << "half a mark is ANSI text";
}

TEST(TextEncoding, AnAnsiOrNewFileStaysAnsiWhileEveryCharacterRoundTrips) {
  testing::CodePage1252 cp;
  const std::string ansi = "caf\xE9 \x80\x81\r\n";
  const DecodedText d = DecodeText(ansi, cp);
  const EncodedText e = EncodeText(d.utf8, d.encoding, cp);
  EXPECT_EQ(e.encoding, TextEncoding::Ansi);
  EXPECT_EQ(e.bytes, ansi) << "loaded and saved unchanged, the file stays identical";
  EXPECT_EQ(EncodeText("Notepad\r\n", TextEncoding::Ansi, cp).bytes, "Notepad\r\n");
}

TEST(TextEncoding, ACharacterOutsideTheCodePageMakesTheFileUtf8WithTheMarkForGood) {
  testing::CodePage1252 cp;
  for (const std::string& foreign : {kGreek, kRussian, kJapanese, kEmoji}) {
    const EncodedText e = EncodeText("caf\xC3\xA9\r\n" + foreign + "\r\n", TextEncoding::Ansi, cp);
    EXPECT_EQ(e.encoding, TextEncoding::Utf8);
    EXPECT_EQ(e.bytes, std::string(kUtf8Mark) + "caf\xC3\xA9\r\n" + foreign + "\r\n");
  }
  const EncodedText stays = EncodeText("plain\r\n", TextEncoding::Utf8, cp);
  EXPECT_EQ(stays.encoding, TextEncoding::Utf8) << "once UTF-8, a file stays UTF-8";
  EXPECT_EQ(stays.bytes, std::string(kUtf8Mark) + "plain\r\n");
  EXPECT_EQ(EncodeText("", TextEncoding::Utf8, cp).bytes, kUtf8Mark);
  EXPECT_EQ(EncodeText("", TextEncoding::Ansi, cp).bytes, "");
}

TEST(TextEncoding, Latin1IsTheCodePageOfALauncherGivenNone) {
  Latin1CodePage cp;
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  const std::string utf8 = cp.ToUtf8(all);
  EXPECT_TRUE(IsValidUtf8(utf8));
  EXPECT_EQ(cp.FromUtf8(utf8), all);
  EXPECT_EQ(cp.FromUtf8(kGreek), std::nullopt);
  EXPECT_EQ(cp.FromUtf8("\xFF"), std::nullopt);
}

}  // namespace
}  // namespace carrydeck
