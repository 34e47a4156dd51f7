// The free-space port against the real Win32 of Wine.
#include <gtest/gtest.h>
#include <windows.h>

#include "common/win32/Win32DiskSpace.h"

namespace carrydeck {
namespace {

TEST(Win32DiskSpace, BothFormsAnswerForADriveThatIsThereAndNotForOneThatIsNot) {
  Win32DiskSpace disk;
  EXPECT_TRUE(disk.HasDiskFreeSpaceEx());
  EXPECT_TRUE(disk.FreeBytesEx("C:\\").has_value());
  EXPECT_TRUE(disk.FreeBytesLegacy("C:\\").has_value());
  EXPECT_FALSE(disk.FreeBytesEx("Q:\\").has_value());
}

}  // namespace
}  // namespace carrydeck
