// The profile port against the real Win32 of Wine, and against the portable profile.
#include "Win32FilesTest.h"

#include <optional>
#include <string>
#include <vector>

#include "common/IniFile.h"
#include "common/SafeSave.h"
#include "common/win32/Win32Profile.h"

namespace carrydeck {
namespace {

class Win32ProfileFiles : public testing::Win32FilesTest {};

// The platform's profile functions and our portable ones must agree on what we rely on.
TEST_F(Win32ProfileFiles, PlatformProfileAgreesWithThePortableOne) {
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
TEST_F(Win32ProfileFiles, SectionListsAnswerEachKeyAsThePlatformsOwnRead) {
  const std::string v748(748, 'v'), v749(749, 'w');
  std::string big = "[Big]\r\n";
  for (int i = 0; i < 300; ++i) big += "key" + std::to_string(i) + "=" + std::string(40, 'b') + "\r\n";
  Write("odd.ini",
        "; a comment\r\n[Main]\r\n  Icons  =  0  \r\nicons=1\r\nQuoted=\"x y\"\r\nSingle='1'\r\n"
        "Spaced=\" 2 \"\r\nEmpty=\r\nEmptyQuotes=\"\"\r\nOneQuote=\"\r\nMixed=\"3'\r\nInner=\"a\"b\"\r\n"
        "Path=C:\\a=b\r\nTabbed=\t5\t\r\nNoValue\r\nNoValue=6\r\n;Comment=7\r\nL748=" +
            v748 +
            "\r\n"
            "L749=" +
            v749 + "\r\nQ748=\"" + v748 + "\"\r\nQ749=\"" + v749 + "\"\r\nQ750=\"" + v749 +
            "w\"\r\n"
            "\r\n[Headings]\r\n1=913.75\r\n1=1\r\n[MAIN]\r\nLater=8\r\n"
            "[Accents]\r\n\xE9t\xE9=9\r\nplain=\xE9\r\n[Long]\r\nLong=" +
            std::string(5000, 'z') + "\r\n" + big);
  const std::string file = dir + "odd.ini";
  const std::vector<std::pair<std::string, std::string>> answeredByTheList = {
      {"Main", "icons"},  {"MAIN", "ICONS"},       {"main", "quoted"},   {"Main", "single"}, {"Main", "spaced"},
      {"Main", "empty"},  {"Main", "emptyquotes"}, {"Main", "onequote"}, {"Main", "mixed"},  {"Main", "inner"},
      {"Main", "path"},   {"Main", "tabbed"},      {"Main", "l748"},     {"Main", "q748"},   {"Main", "later"},
      {"Main", "absent"}, {"Headings", "1"},       {"Missing", "x"}};
  const std::vector<std::pair<std::string, std::string>> leftToThePlatform = {
      {"Main", "novalue"}, {"Main", ";comment"}, {"Main", "l749"},     {"Main", "q749"},
      {"Main", "q750"},    {"Long", "long"},     {"Accents", "plain"}, {"Accents", "\xE9t\xE9"}};
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

// The settings file saved through a copy ends with exactly the bytes the profile functions
// give when they write it in place, whatever it held, one change or one write at a time, and
// nothing is left beside it.
TEST_F(Win32ProfileFiles, SavesThroughACopyEndWithTheBytesOfWritesInPlace) {
  const std::vector<std::optional<std::string>> starts = {
      std::nullopt,
      std::string(),
      std::string("[MAIN]\r\nWINDOW HEIGHT=5910\r\nWINDOW WIDTH=10960\r\n"),
      std::string("; mine\r\n[main]\r\n  FontSize = 12 \r\n\r\n\r\n[Other]\r\nx=1"),
      std::string("[Main]\nICONS=\nNoValue\n[Headings]\n1=1\n[MAIN]\nLATER=2\n"),
      std::string("\xEF\xBB\xBF[Main]\r\nICONS=0\r\n"),
      std::string("\xFF\xFE[\0M\0a\0i\0n\0]\0\r\0\n\0I\0C\0O\0N\0S\0=\0000\0\r\0\n\0", 30),
      std::string("[Main]\r\nPath=C:\\a=b\r\nQuoted=\"x y\"\r\n\xE9t\xE9=1\r\n[Headings]\r\n1=") +
          std::string(2000, '7') + "\r\n",
  };
  struct Key {
    const char *section, *name, *value;
  };
  const Key writes[] = {{"MAIN", "Window Height", "6000"}, {"Main", "Icons", "1"},      {"Headings", "1", "913.3333"},
                        {"main", "FontSize", "  14  "},    {"New Section", "Key", "v"}, {"Main", "OnRun", ""}};
  auto apply = [&](IProfile& profile, const std::string& file) {
    EXPECT_EQ(ReadIni(profile, "Main", "Gridlines", file, "1"), "1");
    for (const Key& key : writes) WriteIni(profile, key.section, key.name, key.value, file);
    EXPECT_EQ(ReadIni(profile, "MAIN", "icons", file, "0"), "1");
    EXPECT_EQ(ReadIni(profile, "Headings", "1", file, "0"), "913.3333");
  };
  Win32Profile platform;
  for (size_t i = 0; i < starts.size(); ++i) {
    SCOPED_TRACE("start " + std::to_string(i));
    for (const char* name : {"inplace.ini", "change.ini", "single.ini"})
      if (starts[i]) Write(name, *starts[i]);
    apply(platform, dir + "inplace.ini");
    SafeProfile saves(platform, fs);
    {
      SafeProfile::Change change(saves);
      apply(saves, dir + "change.ini");
    }
    apply(saves, dir + "single.ini");
    const std::string inPlace = Read("inplace.ini");
    EXPECT_EQ(Read("change.ini"), inPlace);
    EXPECT_EQ(Read("single.ini"), inPlace);
    for (const char* name : {"inplace.ini", "change.ini", "single.ini"}) {
      const std::string file = dir + name;
      EXPECT_FALSE(fs.PathExists(TempPathOf(file)) || fs.PathExists(SealedPathOf(file))) << name;
      DeleteFileA(file.c_str());
    }
  }
}

TEST_F(Win32ProfileFiles, ProfileValuesLongerThanTheBufferAreCut) {
  Win32Profile platform;
  Write("long.ini", "[Main]\r\nX=" + std::string(2000, 'v') + "\r\n");
  EXPECT_EQ(ReadIni(platform, "Main", "X", dir + "long.ini", "d").size(), 749u);
}

}  // namespace
}  // namespace carrydeck
