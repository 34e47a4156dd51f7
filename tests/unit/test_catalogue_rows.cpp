#include <gtest/gtest.h>

#include "MemoryListView.h"
#include "launcher/CatalogueFile.h"
#include "launcher/CatalogueRows.h"

namespace carrydeck {
namespace {

CatalogEntry E(const char* name, const char* type) { return CatalogEntry{{name, type, "", ""}}; }

std::string Names(const IListView& list) {
  std::string out;
  for (size_t i = 1; i <= list.RowCount(); ++i) out += (i > 1 ? "," : "") + list.Row(i).Name();
  return out;
}

TEST(ListContract, SortingIsStableSoTwoSortsGroupByTheSecondKey) {
  MemoryListView list;
  list.AddRows({E("b", "Tools"), E("a", "Games"), E("C", "Tools"), E("editor", "Tools"), E("Editor", "Games")});
  EXPECT_FALSE(list.Sorted());
  list.SetSorted(true);
  EXPECT_EQ(Names(list), "b,a,C,editor,Editor") << "no key yet: the file's order stays";
  list.SetSorted(false);
  list.SetOrder(SortOrder::Ascending);
  list.SetSortKey(0);
  EXPECT_EQ(Names(list), "b,a,C,editor,Editor") << "changing the key with sorting off must not move rows";
  list.SetSorted(true);
  EXPECT_EQ(Names(list), "a,b,C,editor,Editor") << "case ignored, equal keys keep their order";
  list.SetSortKey(1);
  EXPECT_EQ(Names(list), "a,Editor,b,C,editor");
  list.SetOrder(SortOrder::Descending);
  EXPECT_EQ(Names(list), "b,C,editor,a,Editor");
}

TEST(ListContract, SelectionFollowsItsRowThroughSortsAndRemovals) {
  MemoryListView list;
  list.AddRows({E("c", ""), E("a", ""), E("b", "")});
  EXPECT_EQ(list.SelectedRow(), 0u);
  list.SelectRow(1);
  list.SetSortKey(0);
  list.SetSorted(true);
  EXPECT_EQ(list.SelectedRow(), 3u);
  EXPECT_EQ(list.Row(list.SelectedRow()).Name(), "c");
  list.RemoveRow(1);
  EXPECT_EQ(list.SelectedRow(), 2u);
  EXPECT_EQ(Names(list), "b,c");
  list.RemoveRow(2);
  EXPECT_EQ(list.SelectedRow(), 0u);
  list.SelectRow(5);
  EXPECT_EQ(list.SelectedRow(), 0u);
}

TEST(ListContract, IconsTravelWithTheirRows) {
  MemoryListView list;
  list.AddRows({E("b", ""), E("a", "")});
  EXPECT_EQ(list.RowIcon(1), -1);
  list.SetRowIcon(1, 7);
  list.SetSortKey(0);
  list.SetSorted(true);
  EXPECT_EQ(list.RowIcon(2), 7);
  EXPECT_EQ(list.RowIcon(1), -1);
}

TEST(ListContract, BytesAboveAsciiCompareUnsigned) {
  MemoryListView list;
  list.AddRows({E("\xe9t\xe9", ""), E("zoo", ""), E("Apple", "")});
  list.SetSortKey(0);
  list.SetSorted(true);
  EXPECT_EQ(Names(list), "Apple,zoo,\xe9t\xe9");
}

// Type-to-find over the rows as shown: the list view asks it for the row to jump to.
struct TypeToFind : ::testing::Test {
  CatalogueRows rows;
  static constexpr size_t npos = CatalogueRows::npos;
  void SetUp() override { rows.Append({E("Alpha", ""), E("beta", ""), E("Bravo", ""), E("alpine", "")}); }
};

TEST_F(TypeToFind, SearchStartsAtTheGivenRowAndWrapsRound) {
  EXPECT_EQ(rows.FindByNamePrefix("al", 0), 0u);
  EXPECT_EQ(rows.FindByNamePrefix("al", 1), 3u);
  EXPECT_EQ(rows.FindByNamePrefix("al", 3), 3u) << "the start row itself counts";
  EXPECT_EQ(rows.FindByNamePrefix("b", 3), 1u) << "past the last row the search goes on from the first";
  EXPECT_EQ(rows.FindByNamePrefix("Alpha", 1), 0u);
  EXPECT_EQ(rows.FindByNamePrefix("b", 6), 2u) << "a start past the end wraps round too";
}

TEST_F(TypeToFind, LetterCaseIsIgnoredOnlyForAsciiLetters) {
  EXPECT_EQ(rows.FindByNamePrefix("BR", 0), 2u);
  EXPECT_EQ(rows.FindByNamePrefix("aLPi", 0), 3u);
  rows.Append({E("\xe9t\xe9", ""), E("[x", "")});
  EXPECT_EQ(rows.FindByNamePrefix("\xe9T", 0), 4u);
  EXPECT_EQ(rows.FindByNamePrefix("\xc9", 0), npos) << "bytes above ASCII are compared as they are";
  EXPECT_EQ(rows.FindByNamePrefix("{", 0), npos) << "'[' is not the upper case of '{'";
  EXPECT_EQ(rows.FindByNamePrefix("[", 0), 5u);
}

TEST_F(TypeToFind, NothingTypedNoMatchOrNoRowsFindNothing) {
  EXPECT_EQ(rows.FindByNamePrefix("", 0), npos);
  EXPECT_EQ(rows.FindByNamePrefix("c", 0), npos);
  EXPECT_EQ(rows.FindByNamePrefix("Alphabet", 0), npos) << "a name shorter than the typed text";
  EXPECT_EQ(rows.FindByNamePrefix("lpha", 0), npos) << "only the start of a name counts";
  CatalogueRows empty;
  EXPECT_EQ(empty.FindByNamePrefix("a", 0), npos);
  EXPECT_EQ(empty.FindByNamePrefix("a", 5), npos);
}

TEST_F(TypeToFind, SortedAndLoadedRowsAreSearchedInTheOrderShown) {
  rows.Append(PackRecords("Beryl\r\nT\r\n\r\n\r\nalto\r\nT\r\n\r\n\r\n", 4));
  EXPECT_EQ(rows.FindByNamePrefix("alt", 0), 5u);
  EXPECT_EQ(rows.FindByNamePrefix("ber", 0), 4u);
  rows.SetKey(0, npos);
  rows.SetSorted(true, npos);
  // Alpha, alpine, alto, Beryl, beta, Bravo
  EXPECT_EQ(rows.FindByNamePrefix("b", 0), 3u);
  EXPECT_EQ(rows.FindByNamePrefix("bet", 0), 4u);
  EXPECT_EQ(rows.FindByNamePrefix("al", 3), 0u);
  rows.Remove(0);
  EXPECT_EQ(rows.FindByNamePrefix("alp", 1), 0u);
}

}  // namespace
}  // namespace carrydeck
