// "Data.dat" in any script: ANSI as it always was while every entry fits the PC's code page,
// UTF-8 with the mark from the first entry that does not; damaged UTF-8 shown and kept.
#include <gtest/gtest.h>

#include "Fakes.h"
#include "MemoryListView.h"
#include "common/IniFile.h"
#include "launcher/Launcher.h"

namespace carrydeck {
namespace {

using testing::FakeDiskSpace;
using testing::FakeMainView;
using testing::MemoryFileSystem;

const std::string kMark = "\xEF\xBB\xBF";
const std::string kFffd = "\xEF\xBF\xBD";
const std::string kGreekFolder = "E:\\\xCE\x95\xCE\xBB\xCE\xBB\xCE\xB7\xCE\xBD\xCE\xB9\xCE\xBA\xCE\xAC\\";  // Ελληνικά

struct UnicodeCatalogue : ::testing::Test {
  MemoryFileSystem fs;
  FileProfile profile{fs};
  FakeDiskSpace disk;
  FakeMainView view;
  MemoryListView list;
  testing::CodePage1252 codePage;
  const std::string appPath = "E:\\";

  std::unique_ptr<Launcher> Start() {
    Platform platform{fs, profile, disk, FileVersion{1, 0, 0, 3}};
    platform.codePage = &codePage;
    auto form = std::make_unique<Launcher>(view, list, platform, appPath);
    form->OnLoad();
    return form;
  }
  std::string& Data() { return fs.files[appPath + "Data.dat"]; }
};

TEST_F(UnicodeCatalogue, AnAnsiCatalogueShowsItsLettersAndIsWrittenBackByteForByte) {
  // "Café", "Spiele", "E:\Bücher\€.exe", in code page 1252.
  const std::string ansi =
      "Caf\xE9\r\nSpiele\r\nE:\\B\xFC"
      "cher\\\x80.exe\r\n-x\r\n";
  Data() = ansi;
  auto form = Start();
  ASSERT_EQ(form->Catalogue().Count(), 1u);
  EXPECT_EQ(form->Catalogue().Entry(0).Name(), "Caf\xC3\xA9");
  EXPECT_EQ(form->Catalogue().Entry(0).TargetFile(),
            "E:\\B\xC3\xBC"
            "cher\\\xE2\x82\xAC.exe");
  form->OnColumnClick(1);
  form->OnCommand(Command::SaveSettings);
  EXPECT_EQ(Data(), ansi) << "loaded and saved unchanged, an ANSI catalogue stays identical";
}

TEST_F(UnicodeCatalogue, AnEntryOutsideTheCodePageMakesTheFileUtf8WithTheMarkFromThenOn) {
  Data() = "Caf\xE9\r\nTools\r\nE:\\c.exe\r\n\r\n";
  auto form = Start();
  form->Catalogue().Append({CatalogEntry{{"\xCE\x95", "Tools", kGreekFolder + "e.exe", "%dir%"}}});
  ASSERT_TRUE(form->SaveCatalogue());
  EXPECT_EQ(Data(), kMark + "Caf\xC3\xA9\r\nTools\r\nE:\\c.exe\r\n\r\n\xCE\x95\r\nTools\r\n" + kGreekFolder +
                        "e.exe\r\n%dir%\r\n");
  form->Catalogue().Remove(1);
  ASSERT_TRUE(form->SaveCatalogue());
  EXPECT_EQ(Data(), kMark + "Caf\xC3\xA9\r\nTools\r\nE:\\c.exe\r\n\r\n") << "once UTF-8, it stays UTF-8";

  // The next start reads the mark, and the file stays UTF-8 though every entry now fits.
  form.reset();
  form = Start();
  EXPECT_EQ(form->Catalogue().Entry(0).Name(), "Caf\xC3\xA9");
  form->OnCommand(Command::SaveSettings);
  EXPECT_EQ(Data(), kMark + "Caf\xC3\xA9\r\nTools\r\nE:\\c.exe\r\n\r\n");
}

TEST_F(UnicodeCatalogue, DamagedUtf8IsShownAsReplacementCharactersAndWrittenOnlyByAnEdit) {
  const std::string damaged = kMark + "Bad\xFF name\r\nTools\r\nE:\\\xE6\x97\r\n\r\nGood\r\nTools\r\nE:\\g.exe\r\n\r\n";
  Data() = damaged;
  auto form = Start();
  ASSERT_EQ(form->Catalogue().Count(), 2u);
  EXPECT_EQ(form->Catalogue().Entry(0).Name(), "Bad" + kFffd + " name");
  EXPECT_EQ(form->Catalogue().Entry(0).TargetFile(), "E:\\" + kFffd);
  EXPECT_EQ(view.status, "App data loaded (2 apps). Damaged text in Data.dat is shown as " + kFffd +
                             "; the file is written again only when an entry is added, edited or deleted.");
  form->OnColumnClick(1);
  form->OnColumnClick(1);
  form->OnCommand(Command::SaveSettings);
  form->OnCloseRequest();
  EXPECT_EQ(Data(), damaged) << "sorting and saving the settings leave the damaged file as it was";

  form = Start();
  form->Catalogue().Remove(1);
  ASSERT_TRUE(form->SaveCatalogue());  // the entry editor's save: an edit
  EXPECT_EQ(Data(), kMark + "Bad" + kFffd + " name\r\nTools\r\nE:\\" + kFffd + "\r\n\r\n");
}

TEST_F(UnicodeCatalogue, DeletingFromADamagedCatalogueWritesItButANoToTheQuestionDoesNot) {
  const std::string damaged = kMark + "A\xC0\r\nT\r\nE:\\a.exe\r\n\r\nB\r\nT\r\nE:\\b.exe\r\n\r\n";
  Data() = damaged;
  auto form = Start();
  list.SelectRow(1);
  view.answers = {mb::IdNo};
  form->OnCommand(Command::DeleteEntry);
  EXPECT_EQ(Data(), damaged);
  view.answers = {mb::IdYes};
  form->OnCommand(Command::DeleteEntry);
  EXPECT_EQ(Data(), kMark + "A" + kFffd + "\r\nT\r\nE:\\a.exe\r\n\r\n");
}

TEST_F(UnicodeCatalogue, AMarkWithNoEntriesIsAnEmptyUtf8Catalogue) {
  Data() = kMark;
  auto form = Start();
  EXPECT_EQ(form->Catalogue().Count(), 0u);
  EXPECT_EQ(view.status, "App data loaded (0 apps).");
  form->OnCommand(Command::SaveSettings);
  EXPECT_EQ(Data(), kMark) << "still UTF-8, still empty";
}

}  // namespace
}  // namespace carrydeck
