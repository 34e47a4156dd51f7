#include <gtest/gtest.h>

#include <optional>
#include <tuple>
#include <vector>

#include "Fakes.h"
#include "common/IniFile.h"

namespace carrydeck {
namespace {

using testing::ListingFileProfile;
using testing::MemoryFileSystem;

const char kFile[] = "E:\\Settings.ini";

// A section as the platform lists it: each entry followed by a NUL.
std::string List(std::initializer_list<std::string> entries) {
  std::string list;
  for (const std::string& entry : entries) list += entry + '\0';
  return list;
}

TEST(ProfileText, ReadsFirstKeyOfFirstSectionIgnoringCaseAndSpaces) {
  const std::string ini = "[main]\r\nICONS = 0 \r\nicons=1\r\n[Other]\r\nIcons=7\r\n[MAIN]\r\nFONTSIZE=9\r\n";
  EXPECT_EQ(ProfileGet(ini, "MAIN", "icons"), "0");
  EXPECT_EQ(ProfileGet(ini, "Main", "Icons"), "0");
  EXPECT_EQ(ProfileGet(ini, "Other", "icons"), "7");
  EXPECT_EQ(ProfileGet(ini, "Main", "FontSize"), "");  // only the first [main] counts
  EXPECT_EQ(ProfileGet(ini, "Missing", "icons"), "");
  EXPECT_EQ(ProfileGet("", "Main", "icons"), "");
}

TEST(ProfileText, WriteReplacesInPlaceAppendsToSectionOrFile) {
  std::string ini = ProfilePut("", "MAIN", "WINDOW HEIGHT", "5910");
  EXPECT_EQ(ini, "[MAIN]\r\nWINDOW HEIGHT=5910\r\n");
  ini = ProfilePut(ini, "Headings", "1", "913.3333");
  ini = ProfilePut(ini, "Main", "ICONS", "1");  // other spelling: same section, keeps [MAIN]
  EXPECT_EQ(ini, "[MAIN]\r\nWINDOW HEIGHT=5910\r\nICONS=1\r\n[Headings]\r\n1=913.3333\r\n");
  ini = ProfilePut(ini, "MAIN", "window height", "8000");
  EXPECT_EQ(ini, "[MAIN]\r\nwindow height=8000\r\nICONS=1\r\n[Headings]\r\n1=913.3333\r\n");
}

TEST(ProfileText, NewKeyGoesAfterTheLastLineOfItsSectionNotAfterBlankLines) {
  std::string ini = "[A]\r\nx=1\r\n\r\n[B]\r\ny=2\r\n";
  EXPECT_EQ(ProfilePut(ini, "A", "Z", "3"), "[A]\r\nx=1\r\nZ=3\r\n\r\n[B]\r\ny=2\r\n");
}

TEST(ReadIni, MissingOrEmptyValueWritesTheDefaultBackUpperCased) {
  MemoryFileSystem fs;
  FileProfile profile(fs);
  EXPECT_EQ(ReadIni(profile, "MAIN", "Window Height", kFile, "5910"), "5910");
  EXPECT_EQ(fs.files[kFile], "[MAIN]\r\nWINDOW HEIGHT=5910\r\n");

  fs.files[kFile] = "[Main]\r\nICONS=\r\nONRUN=   \r\n";
  EXPECT_EQ(ReadIni(profile, "Main", "Icons", kFile, "1"), "1");
  EXPECT_EQ(ReadIni(profile, "Main", "OnRun", kFile, "0"), "0");
  EXPECT_EQ(fs.files[kFile], "[Main]\r\nICONS=1\r\nONRUN=0\r\n");
}

TEST(ReadIni, PresentValueIsReturnedAndNothingIsWritten) {
  MemoryFileSystem fs;
  FileProfile profile(fs);
  fs.files[kFile] = "[main]\r\nfontsize=12\r\n";
  int before = fs.creates;
  EXPECT_EQ(ReadIni(profile, "Main", "FontSize", kFile, "8"), "12");
  EXPECT_EQ(ReadIni(profile, "MAIN", "FontSize", kFile, "8"), "12");
  EXPECT_EQ(fs.creates, before);
}

TEST(ReadIni, LongValuesComeBackCutTo749Characters) {
  MemoryFileSystem fs;
  FileProfile profile(fs);
  fs.files[kFile] = "[Main]\r\nX=" + std::string(10000, 'a') + "\r\n";
  EXPECT_EQ(ReadIni(profile, "Main", "X", kFile, "d"), std::string(749, 'a'));
}

TEST(ReadIni, EmptyNamesNeverReachTheProfile) {
  MemoryFileSystem fs;
  FileProfile profile(fs);
  EXPECT_EQ(ReadIni(profile, "", "Key", kFile, "d"), "d");
  EXPECT_EQ(ReadIni(profile, "Main", "", kFile, "d"), "d");
  WriteIni(profile, "", "Key", "v", kFile);
  WriteIni(profile, "Main", "", "v", kFile);
  EXPECT_EQ(fs.files.count(kFile), 0u);
}

TEST(WriteIni, ReadOnlyStickLosesNothingAndReportsNothing) {
  MemoryFileSystem fs;
  FileProfile profile(fs);
  fs.files[kFile] = "[Main]\r\nFONTSIZE=12\r\n";
  fs.failOn[SaveStep::Create] = 1;
  WriteIni(profile, "Main", "FontSize", "14", kFile);
  EXPECT_EQ(fs.files[kFile], "[Main]\r\nFONTSIZE=12\r\n");
  // A read that finds nothing still answers the default although the write-back fails.
  fs.failOn[SaveStep::Create] = 2;
  EXPECT_EQ(ReadIni(profile, "Main", "Icons", kFile, "1"), "1");
  EXPECT_EQ(fs.files[kFile], "[Main]\r\nFONTSIZE=12\r\n");
}

TEST(SectionList, FirstEntryOfTheNameAnswersWithoutRegardToCaseOrSpaces) {
  const std::string list = List({"WINDOW HEIGHT=5910", "  Icons  =  0  ", "icons=1", "Background=", "1=913.75"});
  EXPECT_EQ(ProfileValueFromSection(list, "window height", 750), "5910");
  EXPECT_EQ(ProfileValueFromSection(list, " ICONS ", 750), "0");
  EXPECT_EQ(ProfileValueFromSection(list, "background", 750), "");  // empty, and a later one would not count
  EXPECT_EQ(ProfileValueFromSection(List({"a=", "a=1"}), "a", 750), "");
  EXPECT_EQ(ProfileValueFromSection(list, "1", 750), "913.75");
  EXPECT_EQ(ProfileValueFromSection(List({"path=C:\\a=b"}), "path", 750), "C:\\a=b");
  // A key that is not there, or a section without entries (missing, or a missing file).
  EXPECT_EQ(ProfileValueFromSection(list, "fontsize", 750), "");
  EXPECT_EQ(ProfileValueFromSection("", "fontsize", 750), "");
}

TEST(SectionList, QuotesAroundTheWholeValueAreTakenOffAsBySingleReads) {
  const std::string list =
      List({"a=\"x y\"", "b='1'", "c=\" 2 \"", "d=\"\"", "e=\"", "f=\"3'", "g=\"a\"b\"", "h=x\"y\"", "i=  '4'  "});
  EXPECT_EQ(ProfileValueFromSection(list, "a", 750), "x y");
  EXPECT_EQ(ProfileValueFromSection(list, "b", 750), "1");
  EXPECT_EQ(ProfileValueFromSection(list, "c", 750), " 2 ");  // inside the quotes, spaces stay
  EXPECT_EQ(ProfileValueFromSection(list, "d", 750), "");
  EXPECT_EQ(ProfileValueFromSection(list, "e", 750), "\"");    // one quote is no pair
  EXPECT_EQ(ProfileValueFromSection(list, "f", 750), "\"3'");  // nor are two different ones
  EXPECT_EQ(ProfileValueFromSection(list, "g", 750), "a\"b");
  EXPECT_EQ(ProfileValueFromSection(list, "h", 750), "x\"y\"");
  EXPECT_EQ(ProfileValueFromSection(list, "i", 750), "4");
}

TEST(SectionList, WhatOnlyThePlatformCanTellIsLeftToIt) {
  // The buffer's cut: 749 characters are the most a 750-character buffer holds, and how a
  // cut quoted value comes back differs between platforms.
  const std::string longest(748, 'v');
  EXPECT_EQ(ProfileValueFromSection(List({"x=" + longest}), "x", 750), longest);
  EXPECT_EQ(ProfileValueFromSection(List({"x=\"" + longest + "\""}), "x", 750), longest);
  EXPECT_EQ(ProfileValueFromSection(List({"x=" + longest + "v"}), "x", 750), std::nullopt);
  EXPECT_EQ(ProfileValueFromSection(List({"x='" + longest + "v'"}), "x", 750), std::nullopt);
  EXPECT_EQ(ProfileValueFromSection(List({"x=" + std::string(10000, 'v')}), "x", 750), std::nullopt);
  EXPECT_EQ(ProfileValueFromSection(List({"x=12"}), "x", 3), std::nullopt);
  EXPECT_EQ(ProfileValueFromSection(List({"x=1"}), "x", 3), "1");
  EXPECT_EQ(ProfileValueFromSection(List({"x=1"}), "x", 1), std::nullopt);
  // A first entry of the name without "=".
  EXPECT_EQ(ProfileValueFromSection(List({"icons", "icons=1"}), "icons", 750), std::nullopt);
  EXPECT_EQ(ProfileValueFromSection(List({"icons=1", "icons"}), "icons", 750), "1");
  // Names outside ASCII may match ours in some code page: only before our entry they matter.
  EXPECT_EQ(ProfileValueFromSection(List({"\xFD"
                                          "cons=0",
                                          "icons=1"}),
                                    "icons", 750),
            std::nullopt);
  EXPECT_EQ(ProfileValueFromSection(List({"icons=1",
                                          "\xFD"
                                          "cons=0"}),
                                    "icons", 750),
            "1");
  EXPECT_EQ(ProfileValueFromSection(List({"a=\xE9t\xE9"}), "a", 750), "\xE9t\xE9");  // values may be anything
  EXPECT_EQ(ProfileValueFromSection(List({"a=1"}), "\xE9", 750), std::nullopt);
  // Names no list answers for, and white space other than spaces and tabs at an end.
  EXPECT_EQ(ProfileValueFromSection(List({";a=1"}), ";a", 750), std::nullopt);
  EXPECT_EQ(ProfileValueFromSection(List({"a=1"}), "a=1", 750), std::nullopt);
  EXPECT_EQ(ProfileValueFromSection(List({"a=1"}), " ", 750), std::nullopt);
  EXPECT_EQ(ProfileValueFromSection(List({"a=1\x1a"}), "a", 750), std::nullopt);
  EXPECT_EQ(ProfileValueFromSection(List({"\va=1", "b=2"}), "b", 750), std::nullopt);
}

// The profile's writes as the platform makes them, in place, one after the other.
std::string InPlace(const std::optional<std::string>& before,
                    const std::vector<std::tuple<std::string, std::string, std::string>>& writes) {
  MemoryFileSystem fs;
  if (before) fs.files[kFile] = *before;
  FileProfile profile(fs);
  for (const auto& [section, key, value] : writes) WriteIni(profile, section, key, value, kFile);
  return fs.files[kFile];
}

struct Saves : ::testing::Test {
  MemoryFileSystem fs;
  FileProfile platform{fs};
  SafeProfile profile{platform, fs};
  const std::string temp = TempPathOf(kFile);
  bool NoLeftOvers() { return fs.files.count(temp) + fs.files.count(SealedPathOf(kFile)) == 0; }
};

// A change's writes go to a copy, its reads come from it, and the file is made once at the
// end as the profile functions make it in place; a left-over copy of a save cut short has no
// part in it.
TEST_F(Saves, AChangeReachesTheFileInOneSaveWithThePlatformsOwnBytes) {
  fs.files[temp] = "[Junk]\r\nJUNK=1\r\n";
  {
    SafeProfile::Change change(profile);
    WriteIni(profile, "Main", "OnRun", "2", kFile);
    EXPECT_EQ(ReadIni(profile, "Main", "Icons", kFile, "1"), "1");  // missing: written back
    {
      SafeProfile::Change inner(profile);  // joins the change it is in
      WriteIni(profile, "Headings", "1", "913.3333", kFile);
    }
    EXPECT_EQ(fs.files.count(kFile), 0u) << "nothing reaches the file before the change ends";
    EXPECT_EQ(ReadIni(profile, "MAIN", "onrun", kFile, "0"), "2") << "reads see the change's writes";
  }
  EXPECT_EQ(fs.files[kFile],
            InPlace(std::nullopt, {{"Main", "ONRUN", "2"}, {"Main", "ICONS", "1"}, {"Headings", "1", "913.3333"}}));
  EXPECT_EQ(fs.seen[SaveStep::Replace], 1) << "one replace of the file";
  EXPECT_TRUE(NoLeftOvers());
}

// A marked copy left by someone is ours by name: it never blocks the settings, with or
// without a file to copy.
TEST_F(Saves, AMarkedLeftOverCopyNeverBlocksASave) {
  for (const bool fileThere : {false, true}) {
    for (const bool hiddenCopy : {false, true}) {
      SCOPED_TRACE(std::string(fileThere ? "file there" : "no file") + (hiddenCopy ? ", hidden copy" : ", read-only copy"));
      fs = MemoryFileSystem();
      if (fileThere) fs.files[kFile] = "[Main]\r\nFONTSIZE=12\r\n";
      fs.files[temp] = "[Junk]\r\nJUNK=1\r\n";
      (hiddenCopy ? fs.hidden : fs.readOnlyFiles).insert(temp);
      {
        SafeProfile::Change change(profile);
        WriteIni(profile, "Main", "OnRun", "2", kFile);
      }
      EXPECT_EQ(ProfileGet(fs.files[kFile], "Main", "OnRun"), "2");
      EXPECT_EQ(fs.files[kFile].find("JUNK"), std::string::npos);
      EXPECT_TRUE(NoLeftOvers());
    }
  }
}

// Hidden or system (as malware that hides a stick's files leaves it), not a file, unreadable,
// read-only: someone else's marks. The file is read as it is and keeps its bytes.
TEST_F(Saves, AMarkedUnreadableOrOddFileIsReadButKeepsItsBytes) {
  const std::string old = "[Main]\r\nFONTSIZE=12\r\n";
  auto refused = [&](const char* what, const char* fontSize) {
    SCOPED_TRACE(what);
    EXPECT_EQ(ReadIni(profile, "Main", "FontSize", kFile, "8"), fontSize);
    {
      SafeProfile::Change change(profile);
      WriteIni(profile, "Main", "FontSize", "14", kFile);
      EXPECT_EQ(ReadIni(profile, "Main", "Icons", kFile, "1"), "1");
    }
    if (fs.files.count(kFile)) {
      EXPECT_EQ(fs.files[kFile], old);
    }
    EXPECT_TRUE(NoLeftOvers());
  };
  fs.files[kFile] = old;
  fs.hidden.insert(kFile);
  refused("hidden or system", "12");
  EXPECT_EQ(fs.creates, 0) << "not even a copy";
  fs.hidden.clear();
  fs.unreadable.insert(kFile);
  refused("unreadable", "8");
  EXPECT_EQ(fs.creates, 0);
  fs.unreadable.clear();
  fs.readOnlyFiles.insert(kFile);
  refused("read-only", "12");
  fs.readOnlyFiles.clear();
  fs.files.erase(kFile);
  fs.folders.insert(std::string(kFile) + "\\");
  refused("a folder", "8");
  EXPECT_EQ(fs.files.count(kFile), 0u);
}

struct Listing : ::testing::Test {
  MemoryFileSystem fs;
  ListingFileProfile platform{fs};
  ListingProfile profile{platform};
};

TEST_F(Listing, ABurstListsEachSectionOnceWhateverItsSpelling) {
  fs.files[kFile] = "[MAIN]\r\nWINDOW HEIGHT=5910\r\nICONS=0\r\n[Headings]\r\n1=913.75\r\n";
  {
    ListingProfile::Burst burst(profile);
    EXPECT_EQ(ReadIni(profile, "MAIN", "Window Height", kFile, "1"), "5910");
    EXPECT_EQ(ReadIni(profile, "Main", "Icons", kFile, "1"), "0");
    EXPECT_EQ(ReadIni(profile, "main", "ICONS", kFile, "1"), "0");
    EXPECT_EQ(ReadIni(profile, "Headings", "1", kFile, "0"), "913.75");
    EXPECT_EQ(ReadIni(profile, "MAIN", "Window Height", "E:\\Other.ini", "7"), "7");  // another file, its own list
  }
  EXPECT_EQ(platform.lists, 3);
  EXPECT_EQ(platform.gets, 0);
  // The default went into the other file, nothing into ours.
  EXPECT_EQ(fs.files["E:\\Other.ini"], "[MAIN]\r\nWINDOW HEIGHT=7\r\n");
  EXPECT_EQ(fs.files[kFile], "[MAIN]\r\nWINDOW HEIGHT=5910\r\nICONS=0\r\n[Headings]\r\n1=913.75\r\n");
}

TEST_F(Listing, AWriteInABurstIsSeenByTheReadsAfterIt) {
  fs.files[kFile] = "[Main]\r\nICONS=0\r\n";
  ListingProfile::Burst burst(profile);
  EXPECT_EQ(ReadIni(profile, "Main", "OnRun", kFile, "0"), "0");  // missing: written back
  EXPECT_EQ(ReadIni(profile, "Main", "OnRun", kFile, "5"), "0");  // and read as written
  WriteIni(profile, "Main", "Icons", "1", kFile);
  EXPECT_EQ(ReadIni(profile, "Main", "Icons", kFile, "0"), "1");
  EXPECT_EQ(platform.lists, 3);
  EXPECT_EQ(platform.puts, 2);
  EXPECT_EQ(fs.files[kFile], "[Main]\r\nICONS=1\r\nONRUN=0\r\n");
}

TEST_F(Listing, OutsideABurstAndWhereAListCannotAnswerKeysAreReadOneByOne) {
  fs.files[kFile] = "[Main]\r\nIcons\r\nicons=0\r\nX=" + std::string(800, 'x') + "\r\nFontSize=12\r\n";
  EXPECT_EQ(ReadIni(profile, "Main", "FontSize", kFile, "8"), "12");
  EXPECT_EQ(platform.lists, 0);
  EXPECT_EQ(platform.gets, 1);
  {
    ListingProfile::Burst burst(profile);
    EXPECT_EQ(ReadIni(profile, "Main", "Icons", kFile, "1"), "0");  // the platform's own answer
    EXPECT_EQ(ReadIni(profile, "Main", "X", kFile, "d"), std::string(749, 'x'));
    EXPECT_EQ(ReadIni(profile, " Main ", "FontSize", kFile, "8"), "12");
    EXPECT_EQ(ReadIni(profile, "Main", "FontSize", kFile, "8"), "12");
  }
  EXPECT_EQ(platform.lists, 1);
  EXPECT_EQ(platform.gets, 4);
  EXPECT_EQ(ReadIni(profile, "Main", "FontSize", kFile, "8"), "12");  // the burst is over
  EXPECT_EQ(platform.lists, 1);
  EXPECT_EQ(platform.gets, 5);
  // A profile that cannot list a section answers every read itself.
  FileProfile plain(fs);
  ListingProfile over(plain);
  ListingProfile::Burst burst(over);
  EXPECT_EQ(ReadIni(over, "Main", "FontSize", kFile, "8"), "12");
}

}  // namespace
}  // namespace carrydeck
