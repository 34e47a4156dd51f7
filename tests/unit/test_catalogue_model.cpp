// The catalogue model: the stable sort over its row map, the entries that stay put while
// rows move, type-to-find over the rows as shown, and what it tells its listeners.
#include <gtest/gtest.h>

#include "launcher/CatalogueFile.h"
#include "launcher/CatalogueModel.h"

namespace carrydeck {
namespace {

CatalogEntry E(const char* name, const char* type) { return CatalogEntry{{name, type, "", ""}}; }

std::string Names(const CatalogueModel& catalogue) {
  std::string out;
  for (size_t i = 0; i < catalogue.Count(); ++i) out += (i > 0 ? "," : "") + std::string(catalogue.Field(i, 0));
  return out;
}

// Every change told, and one row followed through them as a list follows its selection.
struct Recorder : ICatalogueListener {
  std::vector<CatalogueChange::Kind> kinds;
  size_t lastRow = 0, lastCount = 0;
  std::optional<size_t> followed;
  void OnCatalogueChanged(const CatalogueChange& change) override {
    kinds.push_back(change.kind);
    lastRow = change.row;
    lastCount = change.count;
    if (followed) followed = change.RowAfter(*followed);
  }
};

TEST(CatalogueSort, SortingIsStableSoTwoSortsGroupByTheSecondKey) {
  CatalogueModel list;
  list.Append({E("b", "Tools"), E("a", "Games"), E("C", "Tools"), E("editor", "Tools"), E("Editor", "Games")});
  EXPECT_FALSE(list.Sorted());
  list.SetSorted(true);
  EXPECT_EQ(Names(list), "b,a,C,editor,Editor") << "no key yet: the file's order stays";
  list.SetSorted(false);
  list.SetOrder(SortOrder::Ascending);
  list.SetKey(0);
  EXPECT_EQ(Names(list), "b,a,C,editor,Editor") << "changing the key with sorting off must not move rows";
  list.SetSorted(true);
  EXPECT_EQ(Names(list), "a,b,C,editor,Editor") << "case ignored, equal keys keep their order";
  list.SetKey(1);
  EXPECT_EQ(Names(list), "a,Editor,b,C,editor");
  list.SetOrder(SortOrder::Descending);
  EXPECT_EQ(Names(list), "b,C,editor,a,Editor");
}

TEST(CatalogueSort, SelectionFollowsItsRowThroughSortsAndRemovals) {
  CatalogueModel list;
  Recorder selection;
  list.AddListener(&selection);
  list.Append({E("c", ""), E("a", ""), E("b", "")});
  EXPECT_EQ(selection.followed, std::nullopt);
  selection.followed = 0;
  list.SetKey(0);
  list.SetSorted(true);
  EXPECT_EQ(selection.followed, 2u);
  EXPECT_EQ(list.Entry(*selection.followed).Name(), "c");
  list.Remove(0);
  EXPECT_EQ(selection.followed, 1u);
  EXPECT_EQ(Names(list), "b,c");
  list.Remove(1);
  EXPECT_EQ(selection.followed, std::nullopt);
  selection.followed = 1;
  list.Clear();
  EXPECT_EQ(selection.followed, std::nullopt) << "nothing stands where it stood after a clear";
}

TEST(CatalogueSort, IconsTravelWithTheirRows) {
  CatalogueModel list;
  list.Append({E("b", ""), E("a", "")});
  EXPECT_EQ(list.Icon(0), -1);
  list.SetIcon(0, 7);
  list.SetKey(0);
  list.SetSorted(true);
  EXPECT_EQ(list.Icon(1), 7);
  EXPECT_EQ(list.Icon(0), -1);
}

TEST(CatalogueSort, BytesAboveAsciiCompareUnsigned) {
  CatalogueModel list;
  list.Append({E("\xe9t\xe9", ""), E("zoo", ""), E("Apple", "")});
  list.SetKey(0);
  list.SetSorted(true);
  EXPECT_EQ(Names(list), "Apple,zoo,\xe9t\xe9");
}

// The row map moves rows; the entries stay where they came, so a removal after a sort takes
// the entry shown in that row and every other row keeps its own entry and icon.
TEST(CatalogueRowMap, ARemovalAfterASortTakesTheEntryShownAndLeavesEveryOtherRowItsOwn) {
  CatalogueModel list;
  list.Append({E("d", "1"), E("b", "2"), E("a", "3"), E("c", "4")});
  for (size_t row = 0; row < 4; ++row) list.SetIcon(row, static_cast<int>(10 + row));  // d10 b11 a12 c13
  list.SetKey(0);
  list.SetSorted(true);
  ASSERT_EQ(Names(list), "a,b,c,d");
  list.Remove(1);  // b, the second entry to come
  EXPECT_EQ(Names(list), "a,c,d");
  EXPECT_EQ(list.Field(0, 1), "3");
  EXPECT_EQ(list.Field(1, 1), "4");
  EXPECT_EQ(list.Field(2, 1), "1");
  EXPECT_EQ(list.Icon(0), 12);
  EXPECT_EQ(list.Icon(1), 13);
  EXPECT_EQ(list.Icon(2), 10);
  list.Append({E("aa", "5")});
  EXPECT_EQ(Names(list), "a,c,d,aa") << "a new entry comes at the end, unsorted";
  list.SetSorted(true);
  EXPECT_EQ(Names(list), "a,aa,c,d");
  EXPECT_EQ(list.Entry(1), (CatalogEntry{{"aa", "5", "", ""}}));
  EXPECT_EQ(list.Target(1), "");
}

TEST(CatalogueChanges, ListenersHearEachChangeAndTheGenerationCountsOnlyWhereEntriesStand) {
  CatalogueModel list;
  Recorder heard, gone;
  list.AddListener(&heard);
  list.AddListener(&heard);  // once is enough
  list.AddListener(&gone);
  list.RemoveListener(&gone);
  using Kind = CatalogueChange::Kind;
  uint64_t generation = list.Generation();
  list.Append(std::vector<CatalogEntry>{});
  list.Append(PackRecords("", 4));
  EXPECT_TRUE(heard.kinds.empty()) << "adding nothing changes nothing";
  EXPECT_EQ(list.Generation(), generation);

  list.Append({E("b", ""), E("a", "")});
  list.Append(PackRecords("c\r\n\r\n\r\n\r\n", 4));
  list.SetIcon(2, 4);
  list.SetIconsToRows(1, 5);
  EXPECT_EQ(list.Icon(0), -1);
  EXPECT_EQ(list.Icon(1), 1);
  EXPECT_EQ(list.Icon(2), 2) << "the rows from the first on, as far as there are rows";
  EXPECT_EQ(heard.lastRow, 1u);
  EXPECT_EQ(heard.lastCount, 2u) << "one change for the rows set";
  EXPECT_EQ(list.Generation(), generation + 2) << "an icon moves no entry";
  list.SetSorted(true);
  EXPECT_EQ(list.Generation(), generation + 2) << "sorted without a key: nothing moved";
  list.SetKey(0);
  list.Remove(0);
  list.Clear();
  EXPECT_EQ(list.Generation(), generation + 5);
  EXPECT_EQ(heard.kinds, (std::vector<Kind>{Kind::Added, Kind::Added, Kind::Icon, Kind::Icon, Kind::Reordered,
                                            Kind::Removed, Kind::Reset}));
  EXPECT_TRUE(gone.kinds.empty());
}

TEST(CatalogueChanges, AChangeSaysWhereARowStandsAfterIt) {
  std::vector<uint32_t> rowNow = {2, 0, 1};
  CatalogueChange reordered{CatalogueChange::Kind::Reordered};
  reordered.rowNow = &rowNow;
  EXPECT_EQ(reordered.RowAfter(0), 2u);
  EXPECT_EQ(reordered.RowAfter(2), 1u);
  EXPECT_EQ(reordered.RowAfter(3), std::nullopt);
  CatalogueChange removed{CatalogueChange::Kind::Removed, 1};
  EXPECT_EQ(removed.RowAfter(0), 0u);
  EXPECT_EQ(removed.RowAfter(1), std::nullopt);
  EXPECT_EQ(removed.RowAfter(5), 4u);
  CatalogueChange added{CatalogueChange::Kind::Added, 3, 2};
  EXPECT_EQ(added.RowAfter(2), 2u);
  EXPECT_EQ((CatalogueChange{CatalogueChange::Kind::Icon, 1}.RowAfter(1)), 1u);
  EXPECT_EQ(CatalogueChange{}.RowAfter(0), std::nullopt);
}

// Type-to-find over the rows as shown: the list view asks it for the row to jump to.
struct TypeToFind : ::testing::Test {
  CatalogueModel rows;
  static constexpr size_t npos = ICatalogueRows::npos;
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
  CatalogueModel empty;
  EXPECT_EQ(empty.FindByNamePrefix("a", 0), npos);
  EXPECT_EQ(empty.FindByNamePrefix("a", 5), npos);
}

TEST_F(TypeToFind, SortedAndLoadedRowsAreSearchedInTheOrderShown) {
  rows.Append(PackRecords("Beryl\r\nT\r\n\r\n\r\nalto\r\nT\r\n\r\n\r\n", 4));
  EXPECT_EQ(rows.FindByNamePrefix("alt", 0), 5u);
  EXPECT_EQ(rows.FindByNamePrefix("ber", 0), 4u);
  rows.SetKey(0);
  rows.SetSorted(true);
  // Alpha, alpine, alto, Beryl, beta, Bravo
  EXPECT_EQ(rows.FindByNamePrefix("b", 0), 3u);
  EXPECT_EQ(rows.FindByNamePrefix("bet", 0), 4u);
  EXPECT_EQ(rows.FindByNamePrefix("al", 3), 0u);
  rows.Remove(0);
  EXPECT_EQ(rows.FindByNamePrefix("alp", 1), 0u);
}

// A loaded catalogue kept as the file's own text, beside entries added one by one.
CatalogEntry T(const char* name, const char* type) { return CatalogEntry{{name, type, "E:\\x.exe", ""}}; }

struct PackedCatalogue : ::testing::Test {
  CatalogueModel list;
  void Pack(const std::string& text) { list.Append(PackRecords(text, 4)); }
};

TEST_F(PackedCatalogue, RowsAndFieldsReadTheSameAsEntriesAddedOneByOne) {
  Pack("b\r\nTools\r\nE:\\b.exe\r\n-x\r\na\r\nGames\r\nE:\\a.exe\r\n\r\n");
  list.Append({T("c", "Tools")});
  Pack("d\r\nGames\r\nE:\\d.exe\r\n%drive%");
  ASSERT_EQ(list.Count(), 4u);
  EXPECT_EQ(Names(list), "b,a,c,d");
  EXPECT_EQ(list.Entry(0), (CatalogEntry{{"b", "Tools", "E:\\b.exe", "-x"}}));
  EXPECT_EQ(list.Entry(2), T("c", "Tools"));
  EXPECT_EQ(list.Entry(3).Parameters(), "%drive%");
  for (size_t i = 0; i < list.Count(); ++i)
    for (int j = 0; j < 4; ++j) EXPECT_EQ(list.Field(i, j), list.Entry(i).fields[static_cast<size_t>(j)]);
}

TEST_F(PackedCatalogue, AWholeRowStaysTheSameObjectThroughSortsAndRemovals) {
  Pack("b\r\nT\r\nE:\\b.exe\r\n\r\na\r\nT\r\nE:\\a.exe\r\n\r\nc\r\nT\r\nE:\\c.exe\r\n\r\n");
  const CatalogEntry& c = list.Entry(2);
  EXPECT_EQ(&list.Entry(2), &c) << "asked twice, made once";
  list.SetKey(0);
  list.SetSorted(true);
  EXPECT_EQ(Names(list), "a,b,c");
  list.Remove(0);
  EXPECT_EQ(&list.Entry(1), &c);
  EXPECT_EQ(c.Name(), "c");
}

TEST_F(PackedCatalogue, SortsStablyAndIconsTravelWithTheirRows) {
  Pack("b\r\nTools\r\n\r\n\r\na\r\nGames\r\n\r\n\r\nC\r\nTools\r\n\r\n\r\n");
  list.Append({T("editor", "Tools"), T("Editor", "Games")});
  list.SetIcon(0, 7);
  list.SetOrder(SortOrder::Ascending);
  list.SetKey(0);
  list.SetSorted(true);
  EXPECT_EQ(Names(list), "a,b,C,editor,Editor");
  EXPECT_EQ(list.Icon(1), 7);
  list.SetKey(1);
  EXPECT_EQ(Names(list), "a,Editor,b,C,editor");
  list.SetOrder(SortOrder::Descending);
  EXPECT_EQ(Names(list), "b,C,editor,a,Editor");
  EXPECT_EQ(list.Icon(0), 7);
}

TEST_F(PackedCatalogue, ClearingDropsPackedRowsAndANewLoadStartsAfresh) {
  Pack("a\r\nT\r\n\r\n\r\n");
  list.Clear();
  EXPECT_EQ(list.Count(), 0u);
  Pack("z\r\nT\r\n\r\n\r\n");
  EXPECT_EQ(Names(list), "z");
}

TEST_F(PackedCatalogue, SavedBytesFollowTheDisplayOrderAndPadAShortRecord) {
  Pack("b\r\nT\r\nE:\\b.exe\r\n\r\na\r\nT");
  list.SetKey(0);
  list.SetSorted(true);
  EXPECT_EQ(FormatRecords(list, 4), "a\r\nT\r\n\r\n\r\nb\r\nT\r\nE:\\b.exe\r\n\r\n");
}

}  // namespace
}  // namespace carrydeck
