// The free-space port against the real Win32 of Wine.
#include <gtest/gtest.h>
#include <windows.h>

#include "common/win32/Win32DiskSpace.h"

namespace carrydeck {
namespace {

TEST(Win32DiskSpace, AnswersForADriveThatIsThereAndNotForOneThatIsNot) {
  Win32DiskSpace disk;
  EXPECT_TRUE(disk.FreeBytes("C:\\").has_value());
  EXPECT_FALSE(disk.FreeBytes("Q:\\").has_value());
}

}  // namespace
}  // namespace carrydeck
