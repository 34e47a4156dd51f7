// The text conversions at the Win32 boundary, against the real code pages of Wine (whose
// ANSI code page in the tests is 1252, like a Western PC's).
#include <windows.h>

#include <gtest/gtest.h>

#include "Fakes.h"
#include "common/win32/WideText.h"

namespace carrydeck {
namespace {

const std::string kGreek = "\xCE\x95\xCE\xBB\xCE\xBB\xCE\xB7\xCE\xBD\xCE\xB9\xCE\xBA\xCE\xAC";
const std::string kJapanese = "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E";
const std::string kEmoji = "\xF0\x9F\x98\x80";

TEST(WideText, Utf8AndUtf16ConvertBothWaysAndDamageBecomesTheReplacementCharacter) {
  EXPECT_EQ(Wide(""), L"");
  EXPECT_EQ(Wide("E:\\" + kJapanese), L"E:\\\u65E5\u672C\u8A9E");
  EXPECT_EQ(Wide(kEmoji), std::wstring(L"\xD83D\xDE00")) << "outside the first plane: a surrogate pair";
  EXPECT_EQ(Utf8(Wide(kGreek + kJapanese + kEmoji)), kGreek + kJapanese + kEmoji);
  EXPECT_EQ(Utf8(std::wstring(L"a\xD800"
                              L"b")),
            "a\xEF\xBF\xBD"
            "b");
  EXPECT_EQ(Wide("a\xFF"
                 "b"),
            L"a\xFFFD"
            L"b");
  const wchar_t buffer[] = L"Caf\u00E9\0tail";
  EXPECT_EQ(Utf8(buffer), "Caf\xC3\xA9") << "a system buffer ends at its NUL";
}

TEST(WideText, TheSystemAnsiCodePageAgreesWithTheCodePageOfTheLogicTests) {
  ASSERT_EQ(GetACP(), 1252u) << "the Wine tests run with the Western code page";
  Win32CodePage real;
  testing::CodePage1252 fake;
  std::string every;
  for (int b = 1; b < 256; ++b) every += static_cast<char>(b);
  EXPECT_EQ(real.ToUtf8(every), fake.ToUtf8(every));
  const std::string utf8 = real.ToUtf8(every);
  EXPECT_EQ(real.FromUtf8(utf8), every) << "every byte of the code page comes back as it was";
  for (const std::string& foreign : {kGreek, kJapanese, kEmoji, std::string("\xC3\xA9\xE2\x80\xA6") + kGreek}) {
    EXPECT_EQ(real.FromUtf8(foreign), std::nullopt) << foreign;
    EXPECT_EQ(fake.FromUtf8(foreign), std::nullopt) << foreign;
  }
  // A best fit ("ā" shown as "a") is no round trip.
  EXPECT_EQ(real.FromUtf8("\xC4\x81"), std::nullopt);
  EXPECT_EQ(real.FromUtf8("\xFF"), std::nullopt) << "damaged UTF-8 has no ANSI form";
  EXPECT_EQ(real.FromUtf8(""), std::string());
}

}  // namespace
}  // namespace carrydeck
