#include <gtest/gtest.h>

#include <random>

#include "Fakes.h"
#include "common/SafeSave.h"
#include "common/TextLines.h"
#include "launcher/CatalogueFile.h"
#include "launcher/CatalogueModel.h"

namespace carrydeck {
namespace {

using testing::FakeMainView;
using testing::MemoryFileSystem;

const char kData[] = "E:\\Data.dat";

// A record is as many lines as the list has columns: four.
constexpr int kColumns = 4;

struct Catalogue : ::testing::Test {
  MemoryFileSystem fs;
  CatalogueModel catalogue;
  FakeMainView messages;

  size_t Load(const std::string& bytes) {
    fs.files[kData] = bytes;
    return LoadList(kData, kColumns, catalogue, fs, messages).count;
  }
  std::string Save() {
    EXPECT_TRUE(SaveList(kData, kColumns, catalogue, fs, messages));
    return fs.files[kData];
  }
};

TEST_F(Catalogue, EightLinesAreTwoEntriesWrittenBackByteForByte) {
  const std::string file =
      "Editor\r\nApplication\r\nE:\\Apps\\editor.exe\r\n\r\nGame\r\nGames\r\nE:\\g.exe\r\n-fast %drive%\r\n";
  EXPECT_EQ(Load(file), 2u);
  EXPECT_EQ(catalogue.Entry(0).Name(), "Editor");
  EXPECT_EQ(catalogue.Entry(0).Parameters(), "");
  EXPECT_EQ(catalogue.Entry(1).TargetFile(), "E:\\g.exe");
  EXPECT_EQ(catalogue.Entry(1).Parameters(), "-fast %drive%");
  EXPECT_EQ(Save(), file);
}

TEST_F(Catalogue, EmptyFileIsNoEntriesAndEmptyListIsZeroBytes) {
  EXPECT_EQ(Load(""), 0u);
  EXPECT_EQ(Save(), "");
}

TEST_F(Catalogue, ShortLastRecordIsFilledWithEmptyFields) {
  EXPECT_EQ(Load("a\r\nb\r\nc\r\nd\r\ne\r\nf\r\ng\r\nh\r\nNinth\r\n"), 3u);
  EXPECT_EQ(catalogue.Entry(2).Name(), "Ninth");
  EXPECT_EQ(catalogue.Entry(2).Type(), "");
  EXPECT_EQ(catalogue.Entry(2).Parameters(), "");
  EXPECT_EQ(Save(), "a\r\nb\r\nc\r\nd\r\ne\r\nf\r\ng\r\nh\r\nNinth\r\n\r\n\r\n\r\n");
}

TEST_F(Catalogue, TrailingBlankLineMakesOneMoreEmptyRecord) {
  EXPECT_EQ(Load("a\r\nb\r\nc\r\nd\r\n\r\n"), 2u);
  EXPECT_EQ(catalogue.Entry(1), CatalogEntry{});
}

TEST_F(Catalogue, LineEndsCrLfOrLoneCrAndLoneLfStaysInTheField) {
  EXPECT_EQ(Load("one\rtwo\nstill two\r\nthree\r\nfour"), 1u);
  EXPECT_EQ(catalogue.Entry(0).Name(), "one");
  EXPECT_EQ(catalogue.Entry(0).Type(), "two\nstill two");
  EXPECT_EQ(catalogue.Entry(0).TargetFile(), "three");
  EXPECT_EQ(catalogue.Entry(0).Parameters(), "four");  // last line without an end is whole
  EXPECT_EQ(Save(), "one\r\ntwo\nstill two\r\nthree\r\nfour\r\n");
}

TEST_F(Catalogue, LoadAppendsAfterRowsAlreadyThere) {
  Load("a\r\nb\r\nc\r\nd\r\n");
  EXPECT_EQ(LoadList(kData, kColumns, catalogue, fs, messages).count, 1u);
  EXPECT_EQ(catalogue.Count(), 2u);
}

TEST_F(Catalogue, BinaryAndNulBytesSurviveTheNextSave) {
  std::string fields[4] = {std::string("a\0b", 3), "\xff\xfe\x01\x1a", std::string(1, '\0'), "\n\n"};
  std::string file;
  for (const std::string& f : fields) file += f + "\r\n";
  EXPECT_EQ(Load(file), 1u);
  EXPECT_EQ(catalogue.Entry(0).Name(), std::string("a\0b", 3));
  EXPECT_EQ(Save(), file);
}

TEST_F(Catalogue, TenMegabyteLineAndFortyThousandRecordsKeepEveryRecordInOrder) {
  std::string file = std::string(10 * 1024 * 1024, 'x') + "\r\nT\r\nE:\\x.exe\r\n\r\n";
  for (int i = 0; i < 40000; ++i)
    file += "Name " + std::to_string(i) + "\r\nType\r\nE:\\Apps\\" + std::to_string(i) + ".exe\r\n-p\r\n";
  EXPECT_EQ(Load(file), 40001u);
  EXPECT_EQ(catalogue.Entry(40000).Name(), "Name 39999");
  EXPECT_EQ(Save(), file);
}

TEST_F(Catalogue, ColumnsNotSetUpIsReportedAndNothingIsWritten) {
  fs.files[kData] = "keep\r\n";
  EXPECT_EQ(LoadList(kData, 0, catalogue, fs, messages).count, 0u);
  EXPECT_FALSE(SaveList(kData, 0, catalogue, fs, messages));
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
  LoadResult r = LoadList(kData, kColumns, catalogue, fs, messages);
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
  catalogue.Append({CatalogEntry{{"New", "T", "E:\\new.exe", "-x"}}});
  const std::string fresh = old + "New\r\nT\r\nE:\\new.exe\r\n-x\r\n";
  for (SaveStep step :
       {SaveStep::Create, SaveStep::Write, SaveStep::Flush, SaveStep::Close, SaveStep::Seal, SaveStep::Replace}) {
    fs.files[kData] = old;
    fs.failOn.clear();
    fs.seen.clear();
    fs.failOn[step] = 1;
    EXPECT_FALSE(SaveList(kData, kColumns, catalogue, fs, messages)) << static_cast<int>(step);
    EXPECT_EQ(fs.files[kData], old) << static_cast<int>(step);
    EXPECT_EQ(catalogue.Count(), 2u);
    EXPECT_EQ(fs.files.count(TempPathOf(kData)), 0u) << "temporary file left behind";
  }
  EXPECT_TRUE(messages.messages.empty());
  fs.failOn.clear();
  EXPECT_EQ(Save(), fresh);
}

// A loaded catalogue kept as the file's own text: the fields the line scan yields.
// The records read another way: the file's lines as the line reader splits them (CR LF or
// a lone CR ends a line), taken `fields` at a time, a short last record filled with empty
// fields.
std::vector<CatalogEntry> RecordsOfLines(const std::string& text, int fields) {
  const std::vector<std::string> lines = SplitLines(text);
  const size_t perRecord = static_cast<size_t>(fields);
  std::vector<CatalogEntry> records((lines.size() + perRecord - 1) / perRecord);
  for (size_t n = 0; n < lines.size(); ++n) records[n / perRecord].fields[n % perRecord] = lines[n];
  return records;
}

void ExpectRecordsOfLines(const std::string& text) {
  for (int fields = 1; fields <= 4; ++fields) {
    const std::vector<CatalogEntry> expected = RecordsOfLines(text, fields);
    const PackedRows packed = PackRecords(text, fields);
    ASSERT_EQ(packed.Count(), expected.size()) << fields << " fields of " << ::testing::PrintToString(text);
    for (size_t i = 0; i < expected.size(); ++i)
      for (int j = 0; j < 4; ++j)
        ASSERT_EQ(packed.Field(i, j), expected[i].fields[static_cast<size_t>(j)])
            << "record " << i << " field " << j << " of " << fields << " in " << ::testing::PrintToString(text);
    EXPECT_EQ(ParseRecords(text, fields), expected) << ::testing::PrintToString(text);
  }
}

TEST(PackedRecords, FieldsAreTheLinesAsTheRecordSplitGivesThem) {
  // A few by hand, so the line reader is held to the file's rules too.
  EXPECT_EQ(RecordsOfLines("one\rtwo\nstill two\r\nthree\r\nfour", 2),
            (std::vector<CatalogEntry>{{{"one", "two\nstill two", "", ""}}, {{"three", "four", "", ""}}}));
  EXPECT_EQ(RecordsOfLines("a\r\r\n\r\n", 4), (std::vector<CatalogEntry>{{{"a", "", "", ""}}}));
  EXPECT_TRUE(RecordsOfLines("", 4).empty());

  const std::string cases[] = {"",
                               "a",
                               "\n",
                               "a\r\n",
                               "a\r",
                               "a\r\r",
                               "\r\n\n",
                               "\r\n\r\n\r\n\r\n\r\n",
                               "one\rtwo\nstill two\r\nthree\r\nfour",
                               "a\r\nb\r\nc\r\nd\r\ne\r\nf\r\ng\r\nh\r\nNinth\r\n",
                               std::string("x\0y\r\n\0\r\n", 8)};
  for (const std::string& text : cases) ExpectRecordsOfLines(text);
  // Line ends at every place of the scan's steps, runs of them, and lone LFs between.
  std::mt19937 random(20261213);
  const char alphabet[] = {'\r', '\n', 'a', 'b', '\0', '\x8d'};
  for (int round = 0; round < 300; ++round) {
    std::string text(random() % 200, ' ');
    for (char& c : text) c = alphabet[random() % sizeof alphabet];
    ExpectRecordsOfLines(text);
  }
}

TEST(PackedRecords, ShortLastRecordAndTrailingEmptyLineGiveEmptyFields) {
  const PackedRows nine = PackRecords("a\r\nb\r\nc\r\nd\r\ne\r\nf\r\ng\r\nh\r\nNinth\r\n", 4);
  ASSERT_EQ(nine.Count(), 3u);
  EXPECT_EQ(nine.Field(2, 0), "Ninth");
  EXPECT_EQ(nine.Field(2, 1), "");
  EXPECT_EQ(nine.Field(2, 3), "");
  const PackedRows blank = PackRecords("a\r\nb\r\nc\r\nd\r\n\r\n", 4);
  ASSERT_EQ(blank.Count(), 2u);
  for (int j = 0; j < 4; ++j) EXPECT_EQ(blank.Field(1, j), "");
  EXPECT_EQ(PackRecords("a\r\nb\r\n", 0).Count(), 0u);
}

}  // namespace
}  // namespace carrydeck
