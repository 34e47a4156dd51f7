#include <gtest/gtest.h>

#include "common/NumberText.h"

namespace carrydeck {
namespace {

TEST(NumberText, SingleValuesAsShortestTextWithSevenDigits) {
  EXPECT_EQ(FormatSingle(10960.0 / 12), "913.3333");
  EXPECT_EQ(FormatSingle(10960.0 / 4), "2740");
  EXPECT_EQ(FormatSingle(10960.0 / 3), "3653.333");
  EXPECT_EQ(FormatSingle(10960.0 / 3 - 480), "3173.333");
  EXPECT_EQ(FormatSingle(12000.0 / 12), "1000");
  EXPECT_EQ(FormatSingle(12000.0 / 3 - 480), "3520");
  EXPECT_EQ(FormatSingle(0), "0");
  EXPECT_EQ(FormatSingle(-0.0), "0");
  EXPECT_EQ(FormatSingle(-12.5), "-12.5");
  EXPECT_EQ(FormatSingle(0.0001234567), "0.0001234567");
  EXPECT_EQ(FormatSingle(123456789), "123456800");
}

TEST(NumberText, WrittenNumbersReadBack) {
  for (double v : {913.3333, 2740.0, 3653.333, 0.5, -7.25, 1e6})
    EXPECT_FLOAT_EQ(static_cast<float>(*ParseNumber(FormatSingle(v))), static_cast<float>(v));
}

TEST(NumberText, NumbersAcceptedAndRefused) {
  EXPECT_EQ(*ParseNumber(" 5910 "), 5910);
  EXPECT_EQ(*ParseNumber("-3"), -3);
  EXPECT_EQ(*ParseNumber("+2.5"), 2.5);
  EXPECT_EQ(*ParseNumber("1e3"), 1000);
  EXPECT_EQ(*ParseNumber(".5"), 0.5);
  // As written on a locale whose decimal mark is a comma.
  EXPECT_EQ(*ParseNumber("913,3333"), 913.3333);
  EXPECT_EQ(*ParseNumber("-1,5e2"), -150);
  for (const char* bad : {"", " ", "abc", "12abc", "0x10", "1e", "1e999", "nan", "inf", "-", ".", ",", "1.2.3", "1,2,3",
                          "1,234.5", "1.234,5"})
    EXPECT_FALSE(ParseNumber(bad).has_value()) << bad;
  EXPECT_FALSE(ParseNumber(std::string(10000, '9')).has_value());
}

TEST(NumberText, BooleansAreNumbersOrTheWords) {
  EXPECT_TRUE(*ParseBoolean("1"));
  EXPECT_TRUE(*ParseBoolean("-1"));
  EXPECT_TRUE(*ParseBoolean("2.5"));
  EXPECT_FALSE(*ParseBoolean("0"));
  EXPECT_TRUE(*ParseBoolean("True"));
  EXPECT_TRUE(*ParseBoolean("TRUE"));
  EXPECT_FALSE(*ParseBoolean("false"));
  EXPECT_FALSE(ParseBoolean("yes").has_value());
  EXPECT_FALSE(ParseBoolean("").has_value());
}

TEST(NumberText, Integer16RoundsHalfToEvenAndRefusesOverflow) {
  EXPECT_EQ(*ParseInteger16("8"), 8);
  EXPECT_EQ(*ParseInteger16("10.5"), 10);
  EXPECT_EQ(*ParseInteger16("11.5"), 12);
  EXPECT_EQ(*ParseInteger16("-2.5"), -2);
  EXPECT_EQ(*ParseInteger16("12.4999"), 12);
  EXPECT_EQ(*ParseInteger16("32767"), 32767);
  EXPECT_FALSE(ParseInteger16("32768").has_value());
  EXPECT_FALSE(ParseInteger16("-32769").has_value());
  EXPECT_FALSE(ParseInteger16("99999999999").has_value());
  EXPECT_FALSE(ParseInteger16("eight").has_value());
}

}  // namespace
}  // namespace carrydeck
