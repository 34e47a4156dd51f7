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

TEST(SafeSave, RecoveryDropsLeftOversBesideAnExistingFile) {
  MemoryFileSystem fs;
  fs.files[kPath] = "old";
  fs.files[SealedPathOf(kPath)] = "newer";
  fs.files[TempPathOf(kPath)] = "half";
  RecoverSafeSave(fs, kPath);
  EXPECT_EQ(fs.files[kPath], "old");
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
