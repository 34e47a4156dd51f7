#include <gtest/gtest.h>

#include "Fakes.h"
#include "launcher/FreeSpaceText.h"

namespace carrydeck {
namespace {

using testing::FakeDiskSpace;

TEST(FreeSpace, TextsOnBothSidesOfTheGigabyteBoundary) {
  EXPECT_EQ(FreeSpaceTextOf(0), "0 MB");
  EXPECT_EQ(FreeSpaceTextOf(1023), "0 MB");  // less than a kilobyte
  EXPECT_EQ(FreeSpaceTextOf(1536ull * 1024), "1.5 MB");
  EXPECT_EQ(FreeSpaceTextOf(500ull * 1024 * 1024), "500 MB");
  EXPECT_EQ(FreeSpaceTextOf(1023ull * 1024 * 1024), "1023 MB");
  EXPECT_EQ(FreeSpaceTextOf(1024ull * 1024 * 1024), "1 GB");
  EXPECT_EQ(FreeSpaceTextOf(3973ull * 1024 * 1024), "3.9 GB");  // 3.8798 GB
  EXPECT_EQ(FreeSpaceTextOf(8000000000ull), "7.5 GB");          // 7812500 KB, above 4 GB exactly
  EXPECT_EQ(FreeSpaceTextOf(1ull << 50), "1048576 GB");
  EXPECT_EQ(FreeSpaceTextOf(~0ull), "17179869184 GB");
}

TEST(FreeSpace, OneDecimalRoundsHalfToEven) {
  // 3.65 MB and 3.75 MB exactly: 3737.6 KB and 3840 KB.
  EXPECT_EQ(FreeSpaceTextOf(3840ull * 1024), "3.8 MB");  // 3.75 -> 3.8
  // 3.65 MB: k = 3737.6 -> 3737 KB, m = 3.6494 -> 3.6.
  EXPECT_EQ(FreeSpaceTextOf(static_cast<uint64_t>(3.65 * 1024 * 1024)), "3.6 MB");
  // 2.25 GB exactly rounds to the even 2.2, 2.75 GB to 2.8.
  EXPECT_EQ(FreeSpaceTextOf(2304ull * 1024 * 1024), "2.2 GB");
  EXPECT_EQ(FreeSpaceTextOf(2816ull * 1024 * 1024), "2.8 GB");
}

TEST(FreeSpace, TheVolumesFreeBytesAndAFailureShowsZero) {
  FakeDiskSpace disk;
  disk.bytes = 1536ull * 1024;
  EXPECT_EQ(FreeSpaceText(disk, "E:\\"), "1.5 MB");
  disk.bytes = 999ull * 1024 * 1024 * 1024;
  EXPECT_EQ(FreeSpaceText(disk, "\\\\server\\share\\"), "999 GB");  // 64-bit: no overflow
  EXPECT_EQ(disk.roots.back(), "\\\\server\\share\\");
  disk.bytes.reset();
  EXPECT_EQ(FreeSpaceText(disk, "Q:\\"), "0 MB");
  EXPECT_FALSE(FreeKiloBytes(disk, "Q:\\").has_value());
  disk.bytes = 8000000000ull;
  EXPECT_EQ(*FreeKiloBytes(disk, "E:\\"), 7812500u);
}

}  // namespace
}  // namespace carrydeck
