#include <gtest/gtest.h>

#include "Fakes.h"
#include "MemoryListView.h"
#include "common/SafeSave.h"
#include "launcher/CatalogueFile.h"

namespace carrydeck {
namespace {

using testing::FakeMainView;
using testing::MemoryFileSystem;

const char kData[] = "E:\\Data.dat";

struct Catalogue : ::testing::Test {
  MemoryFileSystem fs;
  MemoryListView list;
  FakeMainView messages;

  void SetUp() override {
    for (const char* header : {"Name", "Type", "Target File", "Command Line Parameters"}) list.AddColumn(header, 1000);
  }
  size_t Load(const std::string& bytes) {
    fs.files[kData] = bytes;
    return LoadList(kData, list, fs, messages).count;
  }
  std::string Save() {
    EXPECT_TRUE(SaveList(kData, list, fs, messages));
    return fs.files[kData];
  }
};

TEST_F(Catalogue, EightLinesAreTwoEntriesWrittenBackByteForByte) {
  const std::string file =
      "Editor\r\nApplication\r\nE:\\Apps\\editor.exe\r\n\r\nGame\r\nGames\r\nE:\\g.exe\r\n-fast %drive%\r\n";
  EXPECT_EQ(Load(file), 2u);
  EXPECT_EQ(list.Row(1).Name(), "Editor");
  EXPECT_EQ(list.Row(1).Parameters(), "");
  EXPECT_EQ(list.Row(2).TargetFile(), "E:\\g.exe");
  EXPECT_EQ(list.Row(2).Parameters(), "-fast %drive%");
  EXPECT_EQ(Save(), file);
}

TEST_F(Catalogue, EmptyFileIsNoEntriesAndEmptyListIsZeroBytes) {
  EXPECT_EQ(Load(""), 0u);
  EXPECT_EQ(Save(), "");
}

TEST_F(Catalogue, ShortLastRecordIsFilledWithEmptyFields) {
  EXPECT_EQ(Load("a\r\nb\r\nc\r\nd\r\ne\r\nf\r\ng\r\nh\r\nNinth\r\n"), 3u);
  EXPECT_EQ(list.Row(3).Name(), "Ninth");
  EXPECT_EQ(list.Row(3).Type(), "");
  EXPECT_EQ(list.Row(3).Parameters(), "");
  EXPECT_EQ(Save(), "a\r\nb\r\nc\r\nd\r\ne\r\nf\r\ng\r\nh\r\nNinth\r\n\r\n\r\n\r\n");
}

TEST_F(Catalogue, TrailingBlankLineMakesOneMoreEmptyRecord) {
  EXPECT_EQ(Load("a\r\nb\r\nc\r\nd\r\n\r\n"), 2u);
  EXPECT_EQ(list.Row(2), CatalogEntry{});
}

TEST_F(Catalogue, LineEndsCrLfOrLoneCrAndLoneLfStaysInTheField) {
  EXPECT_EQ(Load("one\rtwo\nstill two\r\nthree\r\nfour"), 1u);
  EXPECT_EQ(list.Row(1).Name(), "one");
  EXPECT_EQ(list.Row(1).Type(), "two\nstill two");
  EXPECT_EQ(list.Row(1).TargetFile(), "three");
  EXPECT_EQ(list.Row(1).Parameters(), "four");  // last line without an end is whole
  EXPECT_EQ(Save(), "one\r\ntwo\nstill two\r\nthree\r\nfour\r\n");
}

TEST_F(Catalogue, LoadAppendsAfterRowsAlreadyThere) {
  Load("a\r\nb\r\nc\r\nd\r\n");
  EXPECT_EQ(LoadList(kData, list, fs, messages).count, 1u);
  EXPECT_EQ(list.RowCount(), 2u);
}

TEST_F(Catalogue, BinaryAndNulBytesSurviveTheNextSave) {
  std::string fields[4] = {std::string("a\0b", 3), "\xff\xfe\x01\x1a", std::string(1, '\0'), "\n\n"};
  std::string file;
  for (const std::string& f : fields) file += f + "\r\n";
  EXPECT_EQ(Load(file), 1u);
  EXPECT_EQ(list.Row(1).Name(), std::string("a\0b", 3));
  EXPECT_EQ(Save(), file);
}

TEST_F(Catalogue, TenMegabyteLineAndFortyThousandRecordsKeepEveryRecordInOrder) {
  std::string file = std::string(10 * 1024 * 1024, 'x') + "\r\nT\r\nE:\\x.exe\r\n\r\n";
  for (int i = 0; i < 40000; ++i)
    file += "Name " + std::to_string(i) + "\r\nType\r\nE:\\Apps\\" + std::to_string(i) + ".exe\r\n-p\r\n";
  EXPECT_EQ(Load(file), 40001u);
  EXPECT_EQ(list.Row(40001).Name(), "Name 39999");
  EXPECT_EQ(Save(), file);
}

TEST_F(Catalogue, ColumnsNotSetUpIsReportedAndNothingIsWritten) {
  MemoryListView bare;
  fs.files[kData] = "keep\r\n";
  EXPECT_EQ(LoadList(kData, bare, fs, messages).count, 0u);
  EXPECT_FALSE(SaveList(kData, bare, fs, messages));
  ASSERT_EQ(messages.messages.size(), 2u);
  EXPECT_EQ(messages.messages[0].text, "Error app data: ");
  EXPECT_EQ(messages.messages[1].text, "Error saving list : ");
  EXPECT_EQ(messages.messages[1].style, mb::OK | mb::IconStop);
  EXPECT_EQ(messages.messages[1].title, "Fenwright's Carrydeck");
  EXPECT_EQ(fs.files[kData], "keep\r\n");
}

TEST_F(Catalogue, UnreadableFileEndsTheLoadWithAReport) {
  fs.files[kData] = "a\r\nb\r\nc\r\nd\r\n";
  fs.unreadable.insert(kData);
  LoadResult r = LoadList(kData, list, fs, messages);
  EXPECT_EQ(r.count, 0u);
  EXPECT_TRUE(r.readFailed);
  ASSERT_EQ(messages.messages.size(), 1u);
  EXPECT_EQ(messages.messages[0].text, "Error app data: Access is denied.");
}

// Whatever step of a save fails, "Data.dat" is either the old file, whole, or the new one,
// complete; the rows in memory never change; no failure is shown.
TEST_F(Catalogue, SaveFailingAtAnyStepKeepsTheOldFileWhole) {
  const std::string old = "Old\r\nT\r\nE:\\old.exe\r\n\r\n";
  Load(old);
  list.AddRow(CatalogEntry{{"New", "T", "E:\\new.exe", "-x"}});
  const std::string fresh = old + "New\r\nT\r\nE:\\new.exe\r\n-x\r\n";
  for (SaveStep step :
       {SaveStep::Create, SaveStep::Write, SaveStep::Flush, SaveStep::Close, SaveStep::Seal, SaveStep::Replace}) {
    fs.files[kData] = old;
    fs.failOn.clear();
    fs.seen.clear();
    fs.failOn[step] = 1;
    EXPECT_FALSE(SaveList(kData, list, fs, messages)) << static_cast<int>(step);
    EXPECT_EQ(fs.files[kData], old) << static_cast<int>(step);
    EXPECT_EQ(list.RowCount(), 2u);
    EXPECT_EQ(fs.files.count(TempPathOf(kData)), 0u) << "temporary file left behind";
  }
  EXPECT_TRUE(messages.messages.empty());
  fs.failOn.clear();
  EXPECT_EQ(Save(), fresh);
}

}  // namespace
}  // namespace carrydeck
