// The profile port against the real Win32 of Wine, and against the portable profile.
#include "Win32FilesTest.h"

#include "common/IniFile.h"
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

TEST_F(Win32ProfileFiles, ProfileValuesLongerThanTheBufferAreCut) {
  Win32Profile platform;
  Write("long.ini", "[Main]\r\nX=" + std::string(2000, 'v') + "\r\n");
  EXPECT_EQ(ReadIni(platform, "Main", "X", dir + "long.ini", "d").size(), 749u);
}

}  // namespace
}  // namespace carrydeck
