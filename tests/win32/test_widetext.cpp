// The text conversions at the Win32 boundary, against the real code pages of Wine (whose
// ANSI code page in the tests is 1252, like a Western PC's), and the adapters on such text.
#include <windows.h>

#include <gtest/gtest.h>

#include "Fakes.h"
#include "Win32FilesTest.h"
#include "common/win32/Win32DiskSpace.h"
#include "common/win32/Win32Profile.h"
#include "common/win32/Win32Shell.h"
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

namespace carrydeck {
namespace {

// The adapters of files, the profile, short paths and free space on a folder whose name
// the PC's code page (1252) cannot hold: every path goes through the wide calls whole.
class Win32AdaptersInAnyScript : public testing::Win32FilesTest {};

TEST_F(Win32AdaptersInAnyScript, FilesProfileShortPathAndFreeSpaceWorkOnAJapaneseFolder) {
  const std::string folder = dir + "日本語 Ελληνικά\\";
  ASSERT_TRUE(fs.CreateFolder(folder));
  EXPECT_TRUE(fs.FolderExists(folder));
  const std::string data = folder + "Данные.dat";
  auto file = fs.CreateForWrite(data + ".new");
  ASSERT_TRUE(file);
  ASSERT_TRUE(file->Write("\xEF\xBB\xBFx\r\n") && file->Close());
  ASSERT_TRUE(fs.Replace(data + ".new", data));
  EXPECT_TRUE(fs.FileExists(data));
  std::string bytes;
  ASSERT_TRUE(fs.ReadAll(data, bytes));
  EXPECT_EQ(bytes, "\xEF\xBB\xBFx\r\n");
  ASSERT_TRUE(fs.CopyFile(data, folder + "コピー.dat"));
  EXPECT_TRUE(fs.PathExists(folder + "コピー.dat"));
  EXPECT_TRUE(fs.Delete(folder + "コピー.dat"));
  EXPECT_FALSE(fs.PathExists(folder + "コピー.dat"));

  Win32Profile profile;
  ASSERT_TRUE(profile.Put("MAIN", "FONTSIZE", "12", folder + "Settings.ini"));
  EXPECT_EQ(profile.Get("MAIN", "FONTSIZE", folder + "Settings.ini", 100), "12");
  EXPECT_EQ(Read("日本語 Ελληνικά\\Settings.ini"), "[MAIN]\r\nFONTSIZE=12\r\n") << "numbers stay ANSI bytes";

  const std::string shortPath = GetShortPath(data);
  ASSERT_FALSE(shortPath.empty());
  std::string again;
  ASSERT_TRUE(fs.ReadAll(shortPath, again)) << shortPath;
  EXPECT_EQ(again, bytes) << "the short form names the same file";

  EXPECT_TRUE(Win32DiskSpace().FreeBytes(folder).has_value());
}

}  // namespace
}  // namespace carrydeck
