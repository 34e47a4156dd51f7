// The Win32 adapters of the system ports against the real Win32 of Wine.
#include <gtest/gtest.h>
#include <windows.h>

#include "common/IniFile.h"
#include "common/SafeSave.h"
#include "common/win32/Win32System.h"

namespace carrydeck {
namespace {

class Win32Files : public ::testing::Test {
 protected:
  std::string dir;
  Win32FileSystem fs;

  void SetUp() override {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    dir = std::string(temp) + "carrydeck_" + ::testing::UnitTest::GetInstance()->current_test_info()->name() + "_" +
          std::to_string(GetCurrentProcessId()) + "\\";
    CreateDirectoryA(dir.c_str(), nullptr);
  }
  void TearDown() override {
    WIN32_FIND_DATAA found;
    HANDLE h = FindFirstFileA((dir + "*").c_str(), &found);
    if (h != INVALID_HANDLE_VALUE) {
      do {
        std::string path = dir + found.cFileName;
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
          RemoveDirectoryA(path.c_str());
        else
          DeleteFileA(path.c_str());
      } while (FindNextFileA(h, &found));
      FindClose(h);
    }
    RemoveDirectoryA(dir.c_str());
  }
  void Write(const std::string& name, const std::string& bytes, DWORD attributes = FILE_ATTRIBUTE_NORMAL) {
    HANDLE h = CreateFileA((dir + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    DWORD n = 0;
    WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &n, nullptr);
    CloseHandle(h);
    SetFileAttributesA((dir + name).c_str(), attributes);
  }
  std::string Read(const std::string& name) {
    std::string bytes;
    EXPECT_TRUE(fs.ReadAll(dir + name, bytes)) << name;
    return bytes;
  }
};

TEST_F(Win32Files, FileExistsOnlyForVisibleOrdinaryFiles) {
  Write("tool.exe", "x");
  Write("hidden.exe", "x", FILE_ATTRIBUTE_HIDDEN);
  Write("system.exe", "x", FILE_ATTRIBUTE_SYSTEM);
  Write("readonly.exe", "x", FILE_ATTRIBUTE_READONLY);
  CreateDirectoryA((dir + "Apps").c_str(), nullptr);
  EXPECT_TRUE(fs.FileExists(dir + "tool.exe"));
  EXPECT_TRUE(fs.FileExists(dir + "readonly.exe"));
  EXPECT_FALSE(fs.FileExists(dir + "hidden.exe"));
  EXPECT_FALSE(fs.FileExists(dir + "system.exe"));
  EXPECT_FALSE(fs.FileExists(dir + "Apps"));
  EXPECT_FALSE(fs.FileExists(dir + "*.exe"));
  EXPECT_FALSE(fs.FileExists(dir + "tool.ex?"));
  EXPECT_FALSE(fs.FileExists(dir + "missing.exe"));
  EXPECT_FALSE(fs.FileExists(""));
  EXPECT_FALSE(fs.FileExists("Q:\\nowhere\\tool.exe"));
  EXPECT_FALSE(fs.FileExists(dir + std::string(300, 'a') + ".exe"));
}

TEST_F(Win32Files, FolderExistsForFoldersWithTheirBackslash) {
  CreateDirectoryA((dir + "Apps").c_str(), nullptr);
  EXPECT_TRUE(fs.FolderExists(dir + "Apps\\"));
  EXPECT_TRUE(fs.FolderExists(dir + "Apps"));
  EXPECT_FALSE(fs.FolderExists(dir + "Gone\\"));
  EXPECT_FALSE(fs.FolderExists("Q:\\"));
  EXPECT_FALSE(fs.FolderExists(""));
}

TEST_F(Win32Files, SafeSaveCreatesThenReplacesWithoutLeftOvers) {
  std::string path = dir + "Data.dat";
  ASSERT_TRUE(SaveFileSafely(fs, path, "first\r\n").ok());
  EXPECT_EQ(Read("Data.dat"), "first\r\n");
  ASSERT_TRUE(SaveFileSafely(fs, path, std::string("second\0\r\n", 9)).ok());
  EXPECT_EQ(Read("Data.dat"), std::string("second\0\r\n", 9));
  EXPECT_FALSE(fs.FileExists(TempPathOf(path)));
  EXPECT_FALSE(fs.FileExists(SealedPathOf(path)));
}

TEST_F(Win32Files, SaveIntoAMissingFolderFailsAndReportsTheStep) {
  EXPECT_EQ(SaveFileSafely(fs, dir + "Gone\\Data.dat", "x").failedAt, SaveStep::Create);
}

TEST_F(Win32Files, ReadOnlyTargetKeepsItsBytes) {
  Write("Data.dat", "old", FILE_ATTRIBUTE_READONLY);
  EXPECT_FALSE(SaveFileSafely(fs, dir + "Data.dat", "new").ok());
  EXPECT_EQ(Read("Data.dat"), "old");
  EXPECT_FALSE(fs.FileExists(dir + "Data.dat.tmp"));
}

TEST_F(Win32Files, ClearReadOnlyTakesOffThatMarkAloneSoTheFileCanGo) {
  Write("Remove.exe", "old tool", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE);
  EXPECT_FALSE(fs.Delete(dir + "Remove.exe")) << "the platform keeps read-only files";
  ASSERT_TRUE(fs.ClearReadOnly(dir + "Remove.exe"));
  EXPECT_EQ(GetFileAttributesA((dir + "Remove.exe").c_str()) & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE),
            static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE));
  EXPECT_TRUE(fs.ClearReadOnly(dir + "Remove.exe")) << "nothing to take off";
  EXPECT_TRUE(fs.Delete(dir + "Remove.exe"));
  EXPECT_FALSE(fs.ClearReadOnly(dir + "Remove.exe")) << "gone";
  CreateDirectoryA((dir + "Apps").c_str(), nullptr);
  EXPECT_FALSE(fs.ClearReadOnly(dir + "Apps")) << "folders are not files";
}

TEST_F(Win32Files, RecoveryPromotesTheSealedFile) {
  Write("Data.dat.new", "sealed");
  RecoverSafeSave(fs, dir + "Data.dat");
  EXPECT_EQ(Read("Data.dat"), "sealed");
  EXPECT_FALSE(fs.FileExists(dir + "Data.dat.new"));
}

TEST_F(Win32Files, ReadAllOfMissingFileFails) {
  std::string bytes = "junk";
  EXPECT_FALSE(fs.ReadAll(dir + "missing", bytes));
  EXPECT_FALSE(fs.LastErrorDescription().empty());
}

// The platform's profile functions and our portable ones must agree on what we rely on.
TEST_F(Win32Files, PlatformProfileAgreesWithThePortableOne) {
  Win32Profile platform;
  FileProfile portable(fs);
  const std::string a = dir + "a.ini", b = dir + "b.ini";
  for (const std::string& file : {a, b}) {
    IProfile& p = file == a ? static_cast<IProfile&>(platform) : portable;
    EXPECT_EQ(ReadIni(p, "MAIN", "Window Height", file, "5910"), "5910");
    EXPECT_EQ(ReadIni(p, "MAIN", "Window Width", file, "10960"), "10960");
    WriteIni(p, "Main", "Icons", "0", file);
    WriteIni(p, "Headings", "1", "913.3333", file);
    WriteIni(p, "main", "FontSize", "  14  ", file);
    EXPECT_EQ(ReadIni(p, "Main", "Window Height", file, "x"), "5910");
    EXPECT_EQ(ReadIni(p, "MAIN", "icons", file, "1"), "0");
    EXPECT_EQ(ReadIni(p, "Main", "FontSize", file, "8"), "14");
    EXPECT_EQ(ReadIni(p, "Headings", "1", file, "0"), "913.3333");
    WriteIni(p, "Main", "OnRun", "", file);
    EXPECT_EQ(ReadIni(p, "Main", "OnRun", file, "0"), "0");
  }
  // Same keys, same sections, same order (blank lines aside).
  auto lines = [&](const std::string& name) {
    std::string text = Read(name), out;
    for (char c : text)
      if (c != '\r') out += c;
    std::string compact;
    for (size_t i = 0; i < out.size(); ++i)
      if (!(out[i] == '\n' && (i == 0 || out[i - 1] == '\n'))) compact += out[i];
    return compact;
  };
  EXPECT_EQ(lines("a.ini"), lines("b.ini"));
  EXPECT_NE(lines("a.ini").find("[MAIN]\nWINDOW HEIGHT=5910\nWINDOW WIDTH=10960\nICONS=0\n"), std::string::npos)
      << lines("a.ini");
}

// A read answered from its section's list must be what the platform's own read of that key
// answers, whatever the file holds; the list answers the plain keys itself.
TEST_F(Win32Files, SectionListsAnswerEachKeyAsThePlatformsOwnRead) {
  const std::string v748(748, 'v'), v749(749, 'w');
  std::string big = "[Big]\r\n";
  for (int i = 0; i < 300; ++i) big += "key" + std::to_string(i) + "=" + std::string(40, 'b') + "\r\n";
  Write("odd.ini", "; a comment\r\n[Main]\r\n  Icons  =  0  \r\nicons=1\r\nQuoted=\"x y\"\r\nSingle='1'\r\n"
                   "Spaced=\" 2 \"\r\nEmpty=\r\nEmptyQuotes=\"\"\r\nOneQuote=\"\r\nMixed=\"3'\r\nInner=\"a\"b\"\r\n"
                   "Path=C:\\a=b\r\nTabbed=\t5\t\r\nNoValue\r\nNoValue=6\r\n;Comment=7\r\nL748=" + v748 + "\r\n"
                   "L749=" + v749 + "\r\nQ748=\"" + v748 + "\"\r\nQ749=\"" + v749 + "\"\r\nQ750=\"" + v749 + "w\"\r\n"
                   "\r\n[Headings]\r\n1=913.75\r\n1=1\r\n[MAIN]\r\nLater=8\r\n"
                   "[Accents]\r\n\xE9t\xE9=9\r\nplain=\xE9\r\n[Long]\r\nLong=" + std::string(5000, 'z') + "\r\n" + big);
  const std::string file = dir + "odd.ini";
  const std::vector<std::pair<std::string, std::string>> answeredByTheList = {
      {"Main", "icons"}, {"MAIN", "ICONS"}, {"main", "quoted"}, {"Main", "single"}, {"Main", "spaced"},
      {"Main", "empty"}, {"Main", "emptyquotes"}, {"Main", "onequote"}, {"Main", "mixed"}, {"Main", "inner"},
      {"Main", "path"}, {"Main", "tabbed"}, {"Main", "l748"}, {"Main", "q748"}, {"Main", "later"},
      {"Main", "absent"}, {"Headings", "1"}, {"Missing", "x"}};
  const std::vector<std::pair<std::string, std::string>> leftToThePlatform = {
      {"Main", "novalue"}, {"Main", ";comment"}, {"Main", "l749"}, {"Main", "q749"}, {"Main", "q750"},
      {"Long", "long"}, {"Accents", "plain"}, {"Accents", "\xE9t\xE9"}};
  Win32Profile platform;
  for (const auto& [section, key] : answeredByTheList) {
    SCOPED_TRACE(section + " " + key);
    const std::optional<std::string> list = platform.GetSection(section, file);
    ASSERT_TRUE(list);
    EXPECT_EQ(ProfileValueFromSection(*list, key, 750), platform.Get(section, key, file, 750));
  }
  for (const auto& [section, key] : leftToThePlatform) {
    SCOPED_TRACE(section + " " + key);
    EXPECT_EQ(ProfileValueFromSection(platform.GetSection(section, file).value(), key, 750), std::nullopt);
  }
  EXPECT_EQ(platform.GetSection("Big", file), std::nullopt) << "a list the buffer cannot hold";
  EXPECT_EQ(platform.GetSection("Main", dir + "none.ini"), std::string());

  ListingProfile listing(platform);
  ListingProfile::Burst burst(listing);
  for (const auto& reads : {answeredByTheList, leftToThePlatform,
                            std::vector<std::pair<std::string, std::string>>{{"Big", "key299"}, {" Main ", "icons"}}}) {
    for (const auto& [section, key] : reads) {
      SCOPED_TRACE(section + " " + key);
      EXPECT_EQ(listing.Get(section, key, file, 750), platform.Get(section, key, file, 750));
    }
  }
  EXPECT_EQ(listing.Get("Main", "icons", dir + "none.ini", 750), "");
}

TEST_F(Win32Files, ProfileValuesLongerThanTheBufferAreCut) {
  Win32Profile platform;
  Write("long.ini", "[Main]\r\nX=" + std::string(2000, 'v') + "\r\n");
  EXPECT_EQ(ReadIni(platform, "Main", "X", dir + "long.ini", "d").size(), 749u);
}

TEST(Win32Helpers, AppPathEndsInABackslashAndShortPathOfMissingIsEmpty) {
  std::string app = GetAppPath();
  ASSERT_FALSE(app.empty());
  EXPECT_EQ(app.back(), '\\');
  EXPECT_EQ(GetShortPath("C:\\no\\such\\file.exe"), "");
  EXPECT_FALSE(GetShortPath("C:\\windows\\system32\\notepad.exe").empty());
}

TEST(Win32Helpers, DiskSpaceQueries) {
  Win32DiskSpace disk;
  EXPECT_TRUE(disk.HasDiskFreeSpaceEx());
  EXPECT_TRUE(disk.FreeBytesEx("C:\\").has_value());
  EXPECT_TRUE(disk.FreeBytesLegacy("C:\\").has_value());
  EXPECT_FALSE(disk.FreeBytesEx("Q:\\").has_value());
}

TEST(Win32Helpers, ErrorDescriptionIsThePlatformsTextWithoutLineEnd) {
  std::string text = ErrorDescription(ERROR_FILE_NOT_FOUND);
  ASSERT_FALSE(text.empty());
  EXPECT_NE(text.back(), '\n');
  EXPECT_NE(text.back(), '\r');
  EXPECT_EQ(ErrorDescription(0x2FFFFFFF), "Error 805306367");
}

}  // namespace
}  // namespace carrydeck
