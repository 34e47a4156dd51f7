// Inputs nobody means to give the launcher: what it does with them, and that it loses
// nothing. (The saves failing step by step are in test_fault_injection.cpp.)
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "Fakes.h"
#include "MemoryListView.h"
#include "common/IniFile.h"
#include "launcher/Launcher.h"
#include "launcher/TypesFile.h"

namespace carrydeck {
namespace {

using testing::FakeDiskSpace;
using testing::FakeMainView;
using testing::MemoryFileSystem;

struct BadInput : ::testing::Test {
  MemoryFileSystem fs;
  FileProfile profile{fs};
  FakeDiskSpace disk;
  FakeMainView view;
  MemoryListView list;
  const std::string app = "E:\\";
  std::unique_ptr<Launcher> form;

  Launcher& Start() {
    form = std::make_unique<Launcher>(view, list, Platform{fs, profile, disk, FileVersion{1, 0, 0, 3}}, app);
    form->OnLoad();
    return *form;
  }
  std::string Repeat(const std::string& part, size_t times) {
    std::string out;
    out.reserve(part.size() * times);
    for (size_t i = 0; i < times; ++i) out += part;
    return out;
  }
};

// A target of ten megabytes and five million folders: selecting it shows the tail that fits
// the status line, the file name whole, at once (the window does not freeze).
TEST_F(BadInput, TenMegabyteTargetOfMillionsOfFoldersShowsItsTailInTheStatusLine) {
  const std::string target = "E:\\" + Repeat("d\\", 5 * 1024 * 1024) + "x.exe";
  fs.files[app + "Data.dat"] = "Deep\r\nTools\r\n" + target + "\r\n\r\n";
  Start();
  ASSERT_EQ(list.RowCount(), 1u);
  list.SelectRow(0);
  form->OnListKeyUp();
  // A status bar 9000 twips wide takes 112 characters: 25 folders and the name fit.
  EXPECT_EQ(view.status, "...> " + Repeat("d > ", 25) + "x.exe");
  EXPECT_LT(view.status.size(), 112u);
}

TEST_F(BadInput, TypesFileOfATenMegabyteLineAndFortyThousandTypesKeepsEveryType) {
  const std::string path = app + "Types.dat";
  std::string file = std::string(10 * 1024 * 1024, 't') + "\r\n";
  for (int i = 0; i < 40000; ++i) file += "Type " + std::to_string(i) + "\r\n";
  fs.files[path] = file;
  ItemList types;
  ASSERT_TRUE(LoadComboFromFile(fs, path, types));
  ASSERT_EQ(types.ListCount(), 40001);
  EXPECT_EQ(types.List(0).size(), 10u * 1024 * 1024);
  EXPECT_EQ(types.List(40000), "Type 39999");
  ASSERT_TRUE(SaveComboToFile(fs, path, types));
  EXPECT_EQ(fs.files[path], file);
}

// A settings file that is not text at all: every key is missing, so the defaults apply and
// are added, and the bytes that were there stay.
TEST_F(BadInput, SettingsFileOfBinaryBytesGetsTheDefaultsAndKeepsItsBytes) {
  const std::string junk("MZ\x90\0\x03\0\0\0\x04\0\0\0\xff\xff\0\0\n\x1a[\0]=\xfe", 24);
  fs.files[app + "Settings.ini"] = junk;
  fs.files[app + "Data.dat"] = "";
  Start();
  EXPECT_TRUE(view.messages.empty());
  EXPECT_EQ(list.FontSize(), 8);
  EXPECT_TRUE(view.Checked(Command::ShowIcons));
  EXPECT_EQ(view.height, 5910);
  const std::string& ini = fs.files[app + "Settings.ini"];
  EXPECT_EQ(ini.compare(0, junk.size(), junk), 0) << "the old bytes come first, unchanged";
  EXPECT_EQ(ProfileGet(ini, "Main", "FontSize"), "8");
  EXPECT_EQ(ProfileGet(ini, "Headings", "4"), "3173.333");
}

// Keys written by hand with spaces, tabs and odd letter case are the same keys; a value
// that is only spaces counts as missing.
TEST_F(BadInput, SettingsKeysWithSpacesTabsAndOddCaseAreReadAsTheirKeys) {
  fs.files[app + "Settings.ini"] = "  [ mAiN ]  \r\n\tfOnTsIzE \t=\t 12 \r\nOnRun =   \r\nICONS=0\r\n";
  fs.files[app + "Data.dat"] = "";
  Start();
  EXPECT_TRUE(view.messages.empty());
  EXPECT_EQ(list.FontSize(), 12);
  EXPECT_TRUE(view.Checked(Command::Font12));
  EXPECT_FALSE(view.Checked(Command::ShowIcons));
  EXPECT_TRUE(view.Checked(Command::AfterRunDoNothing));
  EXPECT_EQ(ProfileGet(fs.files[app + "Settings.ini"], "Main", "OnRun"), "0") << "the empty value got its default";
}

}  // namespace
}  // namespace carrydeck
