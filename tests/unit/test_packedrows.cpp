// A loaded catalogue kept as the file's own text: the fields the line scan yields, and rows
// that point into the text living beside rows added one by one.
#include <gtest/gtest.h>

#include <random>

#include "MemoryListView.h"
#include "common/TextLines.h"
#include "launcher/CatalogueFile.h"

namespace carrydeck {
namespace {

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

CatalogEntry E(const char* name, const char* type) { return CatalogEntry{{name, type, "E:\\x.exe", ""}}; }

std::string Names(const IListView& list) {
  std::string out;
  for (size_t i = 1; i <= list.RowCount(); ++i) out += (i > 1 ? "," : "") + std::string(list.Field(i, 0));
  return out;
}

struct PackedList : ::testing::Test {
  MemoryListView list;
  void Pack(const std::string& text) { list.AddPackedRows(PackRecords(text, 4)); }
};

TEST_F(PackedList, RowsAndFieldsReadTheSameAsEntriesAddedOneByOne) {
  Pack("b\r\nTools\r\nE:\\b.exe\r\n-x\r\na\r\nGames\r\nE:\\a.exe\r\n\r\n");
  list.AddRow(E("c", "Tools"));
  Pack("d\r\nGames\r\nE:\\d.exe\r\n%drive%");
  ASSERT_EQ(list.RowCount(), 4u);
  EXPECT_EQ(Names(list), "b,a,c,d");
  EXPECT_EQ(list.Row(1), (CatalogEntry{{"b", "Tools", "E:\\b.exe", "-x"}}));
  EXPECT_EQ(list.Row(3), E("c", "Tools"));
  EXPECT_EQ(list.Row(4).Parameters(), "%drive%");
  for (size_t i = 1; i <= list.RowCount(); ++i)
    for (int j = 0; j < 4; ++j) EXPECT_EQ(list.Field(i, j), list.Row(i).fields[static_cast<size_t>(j)]);
}

TEST_F(PackedList, AWholeRowStaysTheSameObjectThroughSortsAndRemovals) {
  Pack("b\r\nT\r\nE:\\b.exe\r\n\r\na\r\nT\r\nE:\\a.exe\r\n\r\nc\r\nT\r\nE:\\c.exe\r\n\r\n");
  const CatalogEntry& c = list.Row(3);
  EXPECT_EQ(&list.Row(3), &c) << "asked twice, made once";
  list.SetSortKey(0);
  list.SetSorted(true);
  EXPECT_EQ(Names(list), "a,b,c");
  list.RemoveRow(1);
  EXPECT_EQ(&list.Row(2), &c);
  EXPECT_EQ(c.Name(), "c");
}

TEST_F(PackedList, SortsStablyAndIconsTravelWithTheirRows) {
  Pack("b\r\nTools\r\n\r\n\r\na\r\nGames\r\n\r\n\r\nC\r\nTools\r\n\r\n\r\n");
  list.AddRows({E("editor", "Tools"), E("Editor", "Games")});
  list.SetRowIcon(1, 7);
  list.SetOrder(SortOrder::Ascending);
  list.SetSortKey(0);
  list.SetSorted(true);
  EXPECT_EQ(Names(list), "a,b,C,editor,Editor");
  EXPECT_EQ(list.RowIcon(2), 7);
  list.SetSortKey(1);
  EXPECT_EQ(Names(list), "a,Editor,b,C,editor");
  list.SetOrder(SortOrder::Descending);
  EXPECT_EQ(Names(list), "b,C,editor,a,Editor");
  EXPECT_EQ(list.RowIcon(1), 7);
}

TEST_F(PackedList, ClearingDropsPackedRowsAndANewLoadStartsAfresh) {
  Pack("a\r\nT\r\n\r\n\r\n");
  list.ClearRows();
  EXPECT_EQ(list.RowCount(), 0u);
  Pack("z\r\nT\r\n\r\n\r\n");
  EXPECT_EQ(Names(list), "z");
}

TEST_F(PackedList, SavedBytesFollowTheDisplayOrderAndPadAShortRecord) {
  for (const char* header : {"Name", "Type", "Target File", "Command Line Parameters"}) list.AddColumn(header, 1000);
  Pack("b\r\nT\r\nE:\\b.exe\r\n\r\na\r\nT");
  list.SetSortKey(0);
  list.SetSorted(true);
  EXPECT_EQ(FormatRecords(list, 4), "a\r\nT\r\n\r\n\r\nb\r\nT\r\nE:\\b.exe\r\n\r\n");
}

}  // namespace
}  // namespace carrydeck
