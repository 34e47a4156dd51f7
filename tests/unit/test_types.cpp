// "Types.dat" byte for byte, and the small helpers of the Add/Edit dialog.
#include <gtest/gtest.h>

#include "Fakes.h"
#include "common/SafeSave.h"
#include "launcher/TypesFile.h"

namespace carrydeck {
namespace {

using testing::MemoryFileSystem;

const std::string kTypes = "E:\\Carrydeck\\Types.dat";

std::vector<std::string> Items(const ItemList& list) { return list.Items(); }

ItemList Of(std::initializer_list<const char*> items) {
  ItemList list;
  for (const char* item : items) list.AddItem(item);
  return list;
}

TEST(TypesFile, LinesBecomeItemsInFileOrderWithRepeatsAndEmptyOnes) {
  MemoryFileSystem fs;
  fs.files[kTypes] = "Games\r\nTools\r\n\r\nGames\r\nOffice";  // the last line has no line end
  ItemList combo;
  combo.AddItem("already there");
  EXPECT_TRUE(LoadComboFromFile(fs, kTypes, combo));
  EXPECT_EQ(Items(combo), (std::vector<std::string>{"already there", "Games", "Tools", "", "Games", "Office"}));
}

TEST(TypesFile, LoneCrEndsALineButALoneLfBelongsToIt) {
  MemoryFileSystem fs;
  fs.files[kTypes] = "a\rb\nc\r\n";
  ItemList combo;
  LoadComboFromFile(fs, kTypes, combo);
  EXPECT_EQ(Items(combo), (std::vector<std::string>{"a", "b\nc"}));
}

TEST(TypesFile, MissingOrUnreadableFileAddsNothing) {
  MemoryFileSystem fs;
  ItemList combo;
  EXPECT_FALSE(LoadComboFromFile(fs, kTypes, combo));
  fs.files[kTypes] = "Games\r\n";
  fs.unreadable.insert(kTypes);
  EXPECT_FALSE(LoadComboFromFile(fs, kTypes, combo));
  EXPECT_EQ(combo.ListCount(), 0);
  EXPECT_EQ(fs.files[kTypes], "Games\r\n") << "reading never changes the file";
}

TEST(TypesFile, EveryItemIsWrittenWithCrLfAndAnEmptyListIsZeroBytes) {
  MemoryFileSystem fs;
  EXPECT_TRUE(SaveComboToFile(fs, kTypes, Of({"Games", "", "Games", "Tools"})));
  EXPECT_EQ(fs.files[kTypes], "Games\r\n\r\nGames\r\nTools\r\n");
  EXPECT_TRUE(SaveComboToFile(fs, kTypes, ItemList()));
  EXPECT_EQ(fs.files.count(kTypes), 1u);
  EXPECT_EQ(fs.files[kTypes], "");
  EXPECT_EQ(fs.files.size(), 1u) << "no temporary file is left behind";
}

TEST(TypesFile, LastLineWithoutLineEndGetsOneAtTheNextWrite) {
  MemoryFileSystem fs;
  fs.files[kTypes] = "Games\r\nTools";
  ItemList combo;
  LoadComboFromFile(fs, kTypes, combo);
  SaveComboToFile(fs, kTypes, combo);
  EXPECT_EQ(fs.files[kTypes], "Games\r\nTools\r\n");
}

TEST(TypesFile, BinaryContentGoesBackByteForByte) {
  MemoryFileSystem fs;
  const char raw[] = "MZ\x90\0\x03\r\n\xff\xfe\0\0\r\n\x01\n\x02\r\n";
  const std::string binary(raw, sizeof raw - 1);
  fs.files[kTypes] = binary;
  ItemList combo;
  LoadComboFromFile(fs, kTypes, combo);
  ASSERT_EQ(combo.ListCount(), 3);
  EXPECT_EQ(combo.List(0), std::string("MZ\xC2\x90\0\x03", 6)) << "inside, the item is UTF-8";
  SaveComboToFile(fs, kTypes, combo);
  EXPECT_EQ(fs.files[kTypes], binary);
}

TEST(TypesFile, AFailedWriteKeepsTheOldFileWhole) {
  for (SaveStep step :
       {SaveStep::Create, SaveStep::Write, SaveStep::Flush, SaveStep::Close, SaveStep::Seal, SaveStep::Replace}) {
    MemoryFileSystem fs;
    fs.files[kTypes] = "Games\r\nTools\r\n";
    fs.failOn[step] = 1;
    EXPECT_FALSE(SaveComboToFile(fs, kTypes, Of({"Games"}))) << static_cast<int>(step);
    EXPECT_EQ(fs.files[kTypes], "Games\r\nTools\r\n") << static_cast<int>(step);
  }
}

TEST(DialogHelpers, FindListIndexIgnoresCaseAndTakesTheLastMatch) {
  ItemList files = Of({"App.exe", "b.exe", "APP.EXE", "c.exe"});
  EXPECT_EQ(FindListIndex(files, "app.exe"), 2);
  EXPECT_EQ(FindListIndex(files, "B.EXE"), 1);
  EXPECT_EQ(FindListIndex(files, "d.exe"), -1);
  EXPECT_EQ(FindListIndex(files, "app"), -1) << "whole names only";
  EXPECT_EQ(FindListIndex(ItemList(), "app.exe"), -1);
  EXPECT_EQ(FindListIndex(ItemList(), ""), -1);
}

}  // namespace
}  // namespace carrydeck
