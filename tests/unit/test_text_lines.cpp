// The line rule of the launcher's files, held by one scan: where lines end, where the next
// starts, the lines themselves; and the scan's fast and portable paths against each other.
#include <gtest/gtest.h>

#include <random>

#include "common/TextLines.h"

namespace carrydeck {
namespace {

using Ends = std::vector<size_t>;
using Lines = std::vector<std::string>;

TEST(LineRule, CrLfOrALoneCrEndsALineAndALoneLfBelongsToIt) {
  EXPECT_EQ(LineEnds("ab\r\ncd\r\n"), (Ends{2, 6}));
  EXPECT_EQ(SplitLines("ab\r\ncd\r\n"), (Lines{"ab", "cd"}));
  EXPECT_EQ(LineEnds("ab\rcd\r"), (Ends{2, 5}));
  EXPECT_EQ(SplitLines("ab\rcd\r"), (Lines{"ab", "cd"}));
  EXPECT_EQ(LineEnds("a\nb\r\nc\n"), (Ends{3, 7}));
  EXPECT_EQ(SplitLines("a\nb\r\nc\n"), (Lines{"a\nb", "c\n"}));
  EXPECT_EQ(SplitLines("\r\r\n\r\n\n"), (Lines{"", "", "", "\n"})) << "only the LF right after a CR is the end's";
  EXPECT_EQ(LineEnds("\r\r\n\r\n\n"), (Ends{0, 1, 3, 6}));
}

TEST(LineRule, ALastLineWithoutAnEndCountsAndAnEmptyFileHasNoLines) {
  EXPECT_EQ(LineEnds("ab\r\ncd"), (Ends{2, 6}));
  EXPECT_EQ(SplitLines("ab\r\ncd"), (Lines{"ab", "cd"}));
  EXPECT_EQ(LineEnds("x"), (Ends{1}));
  EXPECT_EQ(LineEnds("\n"), (Ends{1}));
  EXPECT_EQ(SplitLines("\n"), (Lines{"\n"}));
  EXPECT_TRUE(LineEnds("").empty());
  EXPECT_TRUE(SplitLines("").empty());
}

TEST(LineRule, ACrAsTheLastByteEndsTheLastLineAndStartsNoOther) {
  EXPECT_EQ(LineEnds("ab\r"), (Ends{2}));
  EXPECT_EQ(SplitLines("ab\r"), (Lines{"ab"}));
  EXPECT_EQ(LineEnds("\r"), (Ends{0}));
  EXPECT_EQ(SplitLines("\r"), (Lines{""}));
  EXPECT_EQ(LineEnds("\r\n"), (Ends{0}));
  EXPECT_EQ(LineEnds(std::string("a\0\r", 3)), (Ends{2})) << "a NUL is a byte like any other";
}

TEST(LineRule, TheNextLineStartsPastTheCrAndItsLf) {
  EXPECT_EQ(NextLineStart("ab\r\ncd", 2), 4u);
  EXPECT_EQ(NextLineStart("ab\rcd", 2), 3u);
  EXPECT_EQ(NextLineStart("ab\r\n\ncd", 2), 4u) << "one LF only";
  EXPECT_EQ(NextLineStart("ab\r", 2), 3u);
  EXPECT_EQ(NextLineStart(std::string_view("ab\r\n", 3), 2), 3u) << "an LF past the text is not looked at";
  EXPECT_EQ(NextLineStart("ab", 2), 2u) << "a line ending at the end of the text";
  EXPECT_EQ(NextLineStart("ab", 7), 2u);
  EXPECT_EQ(NextLineStart("", 0), 0u);
}

// The rule applied a byte at a time, the way a reader of the files would.
Lines LinesOneByOne(const std::string& text) {
  Lines lines;
  std::string line;
  bool open = false;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r') {
      line += text[i];
      open = true;
      continue;
    }
    lines.push_back(line);
    line.clear();
    open = false;
    if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
  }
  if (open) lines.push_back(line);
  return lines;
}

TEST(LineRule, RandomTextsSplitAsAByteByByteReadingDoes) {
  std::mt19937 random(20261213);
  const char alphabet[] = {'\r', '\n', 'a', 'b', '\0', '\x8d'};
  for (int round = 0; round < 500; ++round) {
    std::string text(random() % 300, ' ');
    for (char& c : text) c = alphabet[random() % sizeof alphabet];
    const Lines expected = LinesOneByOne(text);
    ASSERT_EQ(SplitLines(text), expected) << ::testing::PrintToString(text);
    const Ends ends = LineEnds(text);
    ASSERT_EQ(ends.size(), expected.size()) << ::testing::PrintToString(text);
    size_t start = 0;
    for (size_t n = 0; n < ends.size(); ++n) {
      ASSERT_EQ(text.substr(start, ends[n] - start), expected[n])
          << "line " << n << " of " << ::testing::PrintToString(text);
      start = NextLineStart(text, ends[n]);
    }
    EXPECT_EQ(start, text.size()) << "nothing after the last line";
  }
}

Ends CrsOneByOne(const std::string& text) {
  Ends crs;
  for (size_t i = 0; i < text.size(); ++i)
    if (text[i] == '\r') crs.push_back(i);
  return crs;
}

// The scan runs with vector compares on x86-64 and with the byte search elsewhere (the
// 32-bit release): both are held to a byte-by-byte scan here.
void ExpectBothScansFind(const std::string& text, const std::string& what) {
  const Ends expected = CrsOneByOne(text);
  EXPECT_EQ(detail::CrPositions(text), expected) << what;
  EXPECT_EQ(detail::CrPositionsBySearch(text), expected) << what;
}

TEST(LineScan, FindsEveryCrAtEveryPlaceOfAWordOrBlock) {
  ExpectBothScansFind("", "empty");
  for (size_t length : {1u, 7u, 8u, 9u, 15u, 16u, 17u, 63u, 64u, 65u, 127u, 128u, 129u, 200u})
    for (size_t at = 0; at < length; ++at) {
      std::string text(length, 'x');
      text[at] = '\r';
      ExpectBothScansFind(text, "one CR at " + std::to_string(at) + " of " + std::to_string(length));
    }
}

TEST(LineScan, RunsOfCrsLongerThanAStepAreAllFound) {
  ExpectBothScansFind(std::string(64, '\r'), "a block of CRs");
  ExpectBothScansFind(std::string(300, '\r'), "many blocks of CRs");
  std::string empties;
  for (int i = 0; i < 100; ++i) empties += "\r\n";
  ExpectBothScansFind(empties, "empty lines");
}

TEST(LineScan, BytesThatDifferFromCrInOneBitAreNotCrs) {
  // 0x8D has the CR's low bits; 0x0C, 0x0E, 0x0F, 0x4D, 0x1D, 0x05 and NUL differ in one.
  std::string text;
  for (int i = 0; i < 20; ++i) text += std::string("\x8d\x0c\x0e\x0f\x4d\x1d\x05", 7) + std::string(1, '\0');
  ExpectBothScansFind(text, "near misses");
  text[37] = '\r';
  ExpectBothScansFind(text, "near misses and one CR");
}

TEST(LineScan, RandomTextsAgreeWithAByteByByteScan) {
  std::mt19937 random(20261207);
  const char alphabet[] = {'\r', '\n', 'a', '\x8d', '\0', '\xff', ' '};
  for (int round = 0; round < 300; ++round) {
    std::string text(random() % 400, ' ');
    for (char& c : text) c = alphabet[random() % sizeof alphabet];
    ExpectBothScansFind(text, "round " + std::to_string(round));
  }
}

TEST(LineScan, ACatalogueOfManyLinesIsScannedWhole) {
  // More lines than the scan first makes room for, so it has to grow its list.
  std::string text;
  for (int i = 0; i < 5000; ++i) text += i % 7 ? "\r\n" : "abc\r";
  ExpectBothScansFind(text, "5000 short lines");
  EXPECT_EQ(LineEnds(text).size(), 5000u);
}

}  // namespace
}  // namespace carrydeck
