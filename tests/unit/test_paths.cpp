#include <gtest/gtest.h>

#include "common/Paths.h"

namespace carrydeck {
namespace {

TEST(Paths, AppPathKeepsExactlyOneTrailingBackslash) {
  EXPECT_EQ(AppPathFromModule("E:\\Menu.exe"), "E:\\");
  EXPECT_EQ(AppPathFromModule("E:\\Menu\\Menu.exe"), "E:\\Menu\\");
  EXPECT_EQ(AppPathFromModule("\\\\server\\share\\tools\\menu\\Menu.exe"), "\\\\server\\share\\tools\\menu\\");
}

TEST(Paths, DriveRootOfLetteredDrivesAndShares) {
  EXPECT_EQ(DriveRootOf("E:\\Apps\\Menu\\"), "E:\\");
  EXPECT_EQ(DriveRootOf("E:\\"), "E:\\");
  EXPECT_EQ(DriveRootOf("\\\\server\\share\\tools\\menu\\"), "\\\\server\\share\\");
  EXPECT_EQ(DriveRootOf("\\\\server\\share\\"), "\\\\server\\share\\");
}

TEST(Paths, IsUNCPathNeedsTwoBackslashes) {
  EXPECT_TRUE(IsUNCPath("\\\\server\\share"));
  EXPECT_FALSE(IsUNCPath("\\"));
  EXPECT_FALSE(IsUNCPath(""));
  EXPECT_FALSE(IsUNCPath("//server/share"));
  EXPECT_FALSE(IsUNCPath("E:\\Apps"));
}

TEST(Paths, StripDriveRootFollowsThePositionRules) {
  EXPECT_EQ(StripDriveRoot("E:\\Apps\\Tool\\tool.exe"), "Apps\\Tool\\tool.exe");
  EXPECT_EQ(StripDriveRoot("E:\\tool.exe"), "tool.exe");
  EXPECT_EQ(StripDriveRoot("\\\\server\\share\\Apps\\tool.exe"), "Apps\\tool.exe");
  EXPECT_EQ(StripDriveRoot("\\\\server\\share"), "\\\\server\\share");
  EXPECT_EQ(StripDriveRoot("\\\\server"), "\\server");
  EXPECT_EQ(StripDriveRoot("Apps\\tool.exe"), "s\\tool.exe");
  EXPECT_EQ(StripDriveRoot("E:\\"), "");
  EXPECT_EQ(StripDriveRoot("E:"), "");
}

TEST(Paths, RelocateSwapsTheRootInBothDirections) {
  EXPECT_EQ(RelocatePath("E:\\Apps\\Tool\\tool.exe", "F:\\"), "F:\\Apps\\Tool\\tool.exe");
  EXPECT_EQ(RelocatePath("E:\\Apps\\Tool\\tool.exe", "\\\\server\\share\\"), "\\\\server\\share\\Apps\\Tool\\tool.exe");
  EXPECT_EQ(RelocatePath("\\\\server\\share\\Apps\\tool.exe", "E:\\"), "E:\\Apps\\tool.exe");
}

TEST(Paths, FolderOfKeepsTheLastBackslash) {
  EXPECT_EQ(FolderOf("E:\\Apps\\tool.exe"), "E:\\Apps\\");
  EXPECT_EQ(FolderOf("tool.exe"), "");
  EXPECT_EQ(FolderOf("E:\\"), "E:\\");
  EXPECT_EQ(FolderOf("E:\\Apps\\"), "E:\\Apps\\");
  EXPECT_EQ(FolderOf(""), "");
}

TEST(Paths, AddTrailingBackslashAddsOnlyWhenMissing) {
  EXPECT_EQ(AddTrailingBackslash("E:\\Apps"), "E:\\Apps\\");
  EXPECT_EQ(AddTrailingBackslash("E:\\"), "E:\\");
  EXPECT_EQ(AddTrailingBackslash("\\\\server\\share"), "\\\\server\\share\\");
}

TEST(Paths, FileNameOfIsThePartAfterTheLastBackslash) {
  EXPECT_EQ(FileNameOf("E:\\Apps\\Editor\\editor.exe"), "editor.exe");
  EXPECT_EQ(FileNameOf("editor.exe"), "editor.exe");
  EXPECT_EQ(FileNameOf("E:\\Apps\\"), "");
  EXPECT_EQ(FileNameOf(""), "");
}

TEST(Paths, ADriveNameIsOneLetterAndAColon) {
  for (const char* name : {"E:", "a:", "Z:"}) EXPECT_TRUE(IsDriveName(name)) << name;
  for (const char* name : {"E", "E:\\", "\t\t", "@:", "[:", "`:", "{:", "\xC4:", ""}) EXPECT_FALSE(IsDriveName(name)) << name;
}

TEST(Paths, RootedPathsStartAtADriveRootOrAShare) {
  for (const char* path : {"E:\\", "e:\\x.exe", "\\\\server\\share\\x.exe"}) EXPECT_TRUE(IsRootedPath(path)) << path;
  for (const char* path : {"", "E:", "E:x.exe", "x.exe", "\\x.exe", "1:\\x.exe"}) EXPECT_FALSE(IsRootedPath(path)) << path;
  std::string root, rest;
  ASSERT_TRUE(SplitRoot("e:\\Apps\\x.exe", root, rest));
  EXPECT_EQ(root + "|" + rest, "E:\\|Apps\\x.exe");
  ASSERT_TRUE(SplitRoot("\\\\srv\\share\\Apps", root, rest));
  EXPECT_EQ(root + "|" + rest, "\\\\srv\\share\\|Apps");
  for (const char* path : {"E:x", "\\\\\\share", "\\\\srv\\\\x", "x"}) EXPECT_FALSE(SplitRoot(path, root, rest)) << path;
}

TEST(Placeholders, ExpandedInAnyLetterCaseOnceFromTheLeft) {
  EXPECT_EQ(ExpandPlaceholders("/data=%DRIVE%\\Docs /ini=%dir%tool.ini", "F:\\Apps\\Tool\\", "F:\\"),
            "/data=F:\\Docs /ini=F:\\Apps\\Tool\\tool.ini");
  EXPECT_EQ(ExpandPlaceholders("%drive%%drive%", "G:\\x\\", "G:\\"), "G:G:");
  EXPECT_EQ(ExpandPlaceholders("", "G:\\x\\", "G:\\"), "");
  EXPECT_EQ(ExpandPlaceholders("plain /q", "G:\\x\\", "G:\\"), "plain /q");
  EXPECT_EQ(ExpandPlaceholders("\"%Dir%\" %dir%\\a", "E:\\A\\", "E:\\"), "\"E:\\A\\\" E:\\A\\\\a");
  EXPECT_EQ(ExpandPlaceholders("%drive%", "", "\\\\server\\share\\"), "\\\\server\\share");
}

TEST(Placeholders, ReplacedTextIsNotScannedAgainAndLoneSignsStay) {
  // A folder that itself spells a placeholder must come out literally.
  EXPECT_EQ(ExpandPlaceholders("%dir%", "E:\\%drive%\\", "E:\\"), "E:\\%drive%\\");
  EXPECT_EQ(ExpandPlaceholders("%drive", "E:\\A\\", "E:\\"), "%drive");
  EXPECT_EQ(ExpandPlaceholders("100% %% %dir", "E:\\A\\", "E:\\"), "100% %% %dir");
  EXPECT_EQ(ExpandPlaceholders("%%drive%%", "E:\\A\\", "E:\\"), "%E:%");
}

TEST(Text, CaseAndTrimHelpers) {
  EXPECT_TRUE(EqualsNoCase("MAIN", "main"));
  EXPECT_FALSE(EqualsNoCase("MAIN", "mains"));
  EXPECT_EQ(Trim("  a b \t"), "a b");
  EXPECT_EQ(ToUpperAscii("Window Height"), "WINDOW HEIGHT");
}

TEST(ShortenPath, CutsLeadingPartsButNeverTheFileName) {
  EXPECT_EQ(ShortenPathForDisplay("E:\\Apps\\Editor\\editor.exe", 40), "E: > Apps > Editor > editor.exe");
  EXPECT_EQ(ShortenPathForDisplay("E:\\Apps\\Editor\\editor.exe", 31), "...> Editor > editor.exe");
  EXPECT_EQ(ShortenPathForDisplay("E:\\Apps\\Editor\\editor.exe", 20), "...> editor.exe");
  EXPECT_EQ(ShortenPathForDisplay("E:\\Apps\\Editor\\editor.exe", 0), "...> editor.exe");
  EXPECT_EQ(ShortenPathForDisplay("\\\\server\\share\\Apps\\tool.exe", 100), " > server > share > Apps > tool.exe");
  EXPECT_EQ(ShortenPathForDisplay("\\\\server\\share\\Apps\\tool.exe", 20), "...> tool.exe");
  EXPECT_EQ(ShortenPathForDisplay(std::string(500, 'n'), 10), std::string(500, 'n'));
  EXPECT_EQ(ShortenPathForDisplay("", 0), "");
  EXPECT_EQ(ShortenPathForDisplay("\\\\", 0), "...> ");
}

}  // namespace
}  // namespace carrydeck
