// The running program's own module and the platform's error texts, against Wine.
#include <gtest/gtest.h>
#include <windows.h>

#include "common/win32/ErrorDescription.h"
#include "common/win32/ProgramModule.h"

namespace carrydeck {
namespace {

TEST(ProgramModule, AppPathEndsInABackslash) {
  std::string app = GetAppPath();
  ASSERT_FALSE(app.empty());
  EXPECT_EQ(app.back(), '\\');
}

TEST(ErrorDescription, IsThePlatformsTextWithoutLineEnd) {
  std::string text = ErrorDescription(ERROR_FILE_NOT_FOUND);
  ASSERT_FALSE(text.empty());
  EXPECT_NE(text.back(), '\n');
  EXPECT_NE(text.back(), '\r');
  EXPECT_EQ(ErrorDescription(0x2FFFFFFF), "Error 805306367");
}

}  // namespace
}  // namespace carrydeck
