#include <gtest/gtest.h>

#include "MemoryListView.h"

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

}  // namespace
}  // namespace carrydeck
