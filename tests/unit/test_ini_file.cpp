#include <gtest/gtest.h>

#include "Fakes.h"
#include "common/IniFile.h"

namespace carrydeck {
namespace {

using testing::MemoryFileSystem;

const char kFile[] = "E:\\Settings.ini";

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

}  // namespace
}  // namespace carrydeck
