// Pictures of another size made into 16 x 16 list images: the system's small icons at a
// screen resolution above 96 dots per inch.
#include <gtest/gtest.h>

#include <random>

#include "launcher/IconScale.h"

namespace carrydeck {
namespace {

constexpr uint32_t kBlack = 0xFF000000;
constexpr uint32_t kWhite = 0xFFFFFFFF;

uint32_t Grey(uint32_t level) { return 0xFF000000 | level << 16 | level << 8 | level; }

TEST(IconScale, A16x16PictureComesBackUnchanged) {
  std::mt19937 random(1307);
  std::vector<uint32_t> picture(kIconPixels);
  for (uint32_t& p : picture) {
    p = static_cast<uint32_t>(random());
    if ((p >> 24) == 0) p = 0;  // a fully transparent pixel is all zero in a list image
  }
  const IconImage image = ScaleToIcon(picture, 16, 16);
  for (size_t i = 0; i < kIconPixels; ++i) ASSERT_EQ(image.pixels[i], picture[i]) << i;
}

TEST(IconScale, EachListPixelIsTheMeanOfThePartOfThePictureItCovers) {
  // 24 pixels become 16: list pixel x covers picture pixels 1.5 x to 1.5 x + 1.5.
  std::vector<uint32_t> picture(24 * 24, kBlack);
  for (int y = 0; y < 24; ++y) {
    picture[static_cast<size_t>(y * 24 + 1)] = kWhite;   // half in list column 0, half in 1
    picture[static_cast<size_t>(y * 24 + 23)] = kWhite;  // the far edge: two thirds of column 15
  }
  const IconImage image = ScaleToIcon(picture, 24, 24);
  for (int y = 0; y < 16; ++y) {
    const size_t row = static_cast<size_t>(y * 16);
    EXPECT_EQ(image.pixels[row + 0], Grey(85)) << y;  // white over 8 of 24 sixteenths
    EXPECT_EQ(image.pixels[row + 1], Grey(85)) << y;
    for (size_t x = 2; x < 15; ++x) EXPECT_EQ(image.pixels[row + x], kBlack) << x << "," << y;
    EXPECT_EQ(image.pixels[row + 15], Grey(170)) << y;
  }
}

TEST(IconScale, TransparentPartsLendNoColourOnlyTheirShareOfCoverage) {
  // 32 to 16: each list pixel covers 2 x 2, one opaque red and three clear (of any colour).
  std::vector<uint32_t> picture(32 * 32, 0x0000FF00);
  for (int y = 0; y < 32; y += 2)
    for (int x = 0; x < 32; x += 2) picture[static_cast<size_t>(y * 32 + x)] = 0xFFFF0000;
  picture[0] = 0x80FF0000;  // half covered: the first list pixel has less coverage, same red
  const IconImage image = ScaleToIcon(picture, 32, 32);
  EXPECT_EQ(image.pixels[0], 0x20FF0000u);
  for (size_t i = 1; i < kIconPixels; ++i) ASSERT_EQ(image.pixels[i], 0x40FF0000u) << i;
  // All clear stays all zero.
  EXPECT_EQ(ScaleToIcon(std::vector<uint32_t>(20 * 20, 0x00FFFFFF), 20, 20), IconImage{});
}

TEST(IconScale, ASmallerPictureIsEnlargedAndAWrongSizeGivesAnEmptyImage) {
  std::vector<uint32_t> picture(8 * 8);
  for (size_t i = 0; i < picture.size(); ++i) picture[i] = 0xFF000000 | static_cast<uint32_t>(i);
  const IconImage image = ScaleToIcon(picture, 8, 8);
  for (size_t y = 0; y < 16; ++y)
    for (size_t x = 0; x < 16; ++x) ASSERT_EQ(image.pixels[y * 16 + x], picture[y / 2 * 8 + x / 2]) << x << "," << y;

  EXPECT_EQ(ScaleToIcon(picture, 8, 7), IconImage{});
  EXPECT_EQ(ScaleToIcon({}, 0, 0), IconImage{});
  EXPECT_EQ(ScaleToIcon(std::vector<uint32_t>(kMaxPictureSide + 1, kWhite), kMaxPictureSide + 1, 1), IconImage{});
  EXPECT_NE(ScaleToIcon(std::vector<uint32_t>(kMaxPictureSide, kWhite), kMaxPictureSide, 1), IconImage{});
}

}  // namespace
}  // namespace carrydeck
