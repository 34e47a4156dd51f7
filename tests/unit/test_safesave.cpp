#include <gtest/gtest.h>

#include "Fakes.h"
#include "common/SafeSave.h"

namespace carrydeck {
namespace {

using testing::MemoryFileSystem;

const std::string kPath = "E:\\Data.dat";

TEST(SafeSave, NewFileIsCreatedAndNoLeftOversRemain) {
  MemoryFileSystem fs;
  EXPECT_TRUE(SaveFileSafely(fs, kPath, "abc").ok());
  EXPECT_EQ(fs.files.size(), 1u);
  EXPECT_EQ(fs.files[kPath], "abc");
}

TEST(SafeSave, ReportsTheStepThatFailed) {
  MemoryFileSystem fs;
  fs.failOn[SaveStep::Flush] = 1;
  EXPECT_EQ(SaveFileSafely(fs, kPath, "abc").failedAt, SaveStep::Flush);
  EXPECT_EQ(fs.files.count(kPath), 0u);
}

TEST(SafeSave, RecoveryPromotesACompleteLeftOverWhenTheFileIsGone) {
  // A replace on FAT is delete + rename: the stick was pulled between the two.
  MemoryFileSystem fs;
  fs.files[SealedPathOf(kPath)] = "complete";
  RecoverSafeSave(fs, kPath);
  EXPECT_EQ(fs.files[kPath], "complete");
  EXPECT_EQ(fs.files.size(), 1u);
}

TEST(SafeSave, OnceTheFileWasReadItsLeftOversGoWhateverTheirMarks) {
  MemoryFileSystem fs;
  fs.files[kPath] = "old";
  fs.files[SealedPathOf(kPath)] = "newer";
  fs.hidden.insert(SealedPathOf(kPath));
  fs.files[TempPathOf(kPath)] = "half";
  fs.readOnlyFiles.insert(TempPathOf(kPath));
  DropSafeSaveLeftOvers(fs, kPath);
  EXPECT_EQ(fs.files[kPath], "old");
  EXPECT_EQ(fs.files.size(), 1u);
}

// A file hidden by malware or the user, one that cannot be read, a folder: whoever reads the
// file decides what it is, and a stray left-over must never take its place.
TEST(SafeSave, RecoveryTouchesNothingWhileAnythingIsAtThePath) {
  for (const char* what : {"visible", "hidden", "unreadable", "folder"}) {
    MemoryFileSystem fs;
    if (std::string(what) == "folder") {
      fs.folders.insert(kPath + "\\");
    } else {
      fs.files[kPath] = "old";
      if (std::string(what) == "hidden") fs.hidden.insert(kPath);
      if (std::string(what) == "unreadable") fs.unreadable.insert(kPath);
    }
    fs.files[SealedPathOf(kPath)] = "stray";
    fs.files[TempPathOf(kPath)] = "half";
    RecoverSafeSave(fs, kPath);
    EXPECT_EQ(fs.files[SealedPathOf(kPath)], "stray") << what;
    EXPECT_EQ(fs.files[TempPathOf(kPath)], "half") << what;
    EXPECT_EQ(fs.files.count(kPath), std::string(what) == "folder" ? 0u : 1u) << what;
    EXPECT_EQ(fs.files[kPath], std::string(what) == "folder" ? "" : "old") << what;
    EXPECT_EQ(fs.hidden.count(kPath), std::string(what) == "hidden" ? 1u : 0u) << what;
  }
}

// Left-overs are ours by name whatever marks they carry (a stick's files hidden wholesale,
// a copy made read-only): their marks go and they are replaced.
TEST(SafeSave, LeftOversOfAnyMarksNeverBlockASave) {
  for (const std::string& side : {TempPathOf(kPath), SealedPathOf(kPath)})
    for (const char* mark : {"hidden or system", "read-only"}) {
      MemoryFileSystem fs;
      fs.files[kPath] = "old";
      fs.files[side] = "left over";
      (std::string(mark) == "read-only" ? fs.readOnlyFiles : fs.hidden).insert(side);
      EXPECT_TRUE(SaveFileSafely(fs, kPath, "new").ok()) << side << ", " << mark;
      EXPECT_EQ(fs.files[kPath], "new") << side << ", " << mark;
      EXPECT_EQ(fs.files.size(), 1u) << side << ", " << mark;
    }
}

TEST(SafeSave, RecoveryTakesMarkedLeftOversAsOurs) {
  MemoryFileSystem fs;
  fs.files[SealedPathOf(kPath)] = "complete";
  fs.hidden.insert(SealedPathOf(kPath));
  fs.files[TempPathOf(kPath)] = "half";
  fs.readOnlyFiles.insert(TempPathOf(kPath));
  RecoverSafeSave(fs, kPath);
  EXPECT_EQ(fs.files[kPath], "complete");
  EXPECT_TRUE(fs.FileExists(kPath)) << "a visible file, as every save leaves it";
  EXPECT_EQ(fs.files.size(), 1u);
}

TEST(SafeSave, RecoveryNeverPromotesAHalfWrittenFile) {
  MemoryFileSystem fs;
  fs.files[TempPathOf(kPath)] = "half";
  RecoverSafeSave(fs, kPath);
  EXPECT_TRUE(fs.files.empty());
}

}  // namespace
}  // namespace carrydeck
