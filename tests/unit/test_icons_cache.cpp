// The icon cache file: its bytes, its round trip, and every way a file can be wrong.
#include <gtest/gtest.h>

#include <random>

#include "Fakes.h"
#include "launcher/CatalogueModel.h"
#include "launcher/IconCacheFile.h"

namespace carrydeck {
namespace {

using testing::FakeImageList;
using testing::MemoryFileReader;
using testing::MemoryFileSystem;

// Images whose every pixel differs, alpha included, so a swapped byte or image shows.
std::vector<IconImage> Sample(size_t n) {
  std::vector<IconImage> images(n);
  for (size_t i = 0; i < n; ++i)
    for (size_t p = 0; p < kIconPixels; ++p)
      images[i].pixels[p] =
          static_cast<uint32_t>(((p * 7 + i * 13) & 0xFF) << 24 | (i & 0xFF) << 16 | p << 8 | (p ^ 0x5A));
  return images;
}

uint32_t U32At(const std::string& bytes, size_t at) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<unsigned char>(bytes[at + static_cast<size_t>(i)]);
  return v;
}

void PutU32At(std::string& bytes, size_t at, uint32_t v) {
  for (size_t i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>(v >> (8 * i));
}

TEST(IconCacheFormat, HeaderNamedValueAndPixelBytesAreLaidOutAsDocumented) {
  std::vector<IconImage> images = Sample(2);
  images[0].pixels[0] = 0x80FF4010;  // A=80 R=FF G=40 B=10
  std::string file = EncodeImageList(images);
  ASSERT_EQ(file.size(), 40u + 2 * 1024 + 4);
  EXPECT_EQ(file.substr(0, 8), std::string("CDKICON\x1A"));
  EXPECT_EQ(U32At(file, 8), 1u) << "format version";
  EXPECT_EQ(U32At(file, 12), 1u) << "one named value";
  EXPECT_EQ(file[16], 3);
  EXPECT_EQ(file.substr(17, 3), "IMG");
  EXPECT_EQ(U32At(file, 20), 16u);
  EXPECT_EQ(U32At(file, 24), 16u);
  EXPECT_EQ(U32At(file, 28), 32u);
  EXPECT_EQ(U32At(file, 32), 2u);
  EXPECT_EQ(U32At(file, 36), 2048u);
  EXPECT_EQ(file.substr(40, 4), std::string("\x10\x40\xFF\x80", 4)) << "B, G, R, A";
  EXPECT_EQ(U32At(file, 40 + 1024), images[1].pixels[0]) << "the second image follows the first whole";
}

TEST(IconCacheFormat, RoundTripIsPixelForPixel) {
  for (size_t n : {size_t{0}, size_t{1}, size_t{3}, size_t{300}}) {
    std::vector<IconImage> images = Sample(n);
    std::vector<IconImage> back;
    ASSERT_EQ(DecodeImageList(EncodeImageList(images), back), IconFileStatus::Ok) << n;
    EXPECT_TRUE(back == images) << n;
  }
}

TEST(IconCacheFormat, EveryTruncationIsRefused) {
  const std::string file = EncodeImageList(Sample(3));
  for (size_t length = 0; length < file.size(); ++length) {
    std::vector<IconImage> back;
    std::string cut = file.substr(0, length);
    EXPECT_EQ(DecodeImageList(cut, back), IconFileStatus::Damaged) << length;
    EXPECT_TRUE(back.empty());
    size_t count = 99;
    EXPECT_NE(ReadIconFileHeader(cut, cut.size(), count), IconFileStatus::Ok) << length;
  }
  std::vector<IconImage> back;
  EXPECT_EQ(DecodeImageList(file + "x", back), IconFileStatus::Damaged) << "trailing bytes";
}

TEST(IconCacheFormat, RandomDamageIsRefused) {
  const std::string file = EncodeImageList(Sample(4));
  std::mt19937 random(20040611);
  for (int trial = 0; trial < 3000; ++trial) {
    std::string damaged = file;
    int changes = 1 + trial % 4;
    for (int c = 0; c < changes; ++c) {
      size_t at = random() % damaged.size();
      damaged[at] = static_cast<char>(damaged[at] ^ (1 + random() % 255));
    }
    std::vector<IconImage> back;
    EXPECT_NE(DecodeImageList(damaged, back), IconFileStatus::Ok) << "trial " << trial;
  }
}

TEST(IconCacheFormat, HostileLengthsAreRefusedFromTheHeaderAlone) {
  std::string file = EncodeImageList(Sample(1));
  size_t count = 0;
  struct Case {
    uint32_t count, length;
  };
  // Counts that would overflow 32-bit sizes, or lengths that disagree with the count.
  for (Case c : {Case{0xFFFFFFFF, 0xFFFFFC00}, Case{0x00400000, 0}, Case{0x7FFFFFFF, 0xFFFFFC00}, Case{1, 1023},
                 Case{2, 2048}, Case{(1u << 18) + 1, ((1u << 18) + 1) * 1024}}) {
    std::string hostile = file;
    PutU32At(hostile, 32, c.count);
    PutU32At(hostile, 36, c.length);
    EXPECT_EQ(ReadIconFileHeader(hostile, hostile.size(), count), IconFileStatus::Damaged) << c.count;
    // Even a file as long as its header claims is refused past the ceiling.
    EXPECT_EQ(ReadIconFileHeader(hostile, IconFileSize(c.count), count),
              c.count == 2 ? IconFileStatus::Ok : IconFileStatus::Damaged)
        << c.count;
  }
}

TEST(IconCacheFormat, ForeignFilesAreToldApartFromDamagedOnes) {
  size_t count = 0;
  const std::string good = EncodeImageList(Sample(1));
  EXPECT_EQ(ReadIconFileHeader("Notepad\r\nEditors\r\n", 18, count), IconFileStatus::Foreign);
  EXPECT_EQ(ReadIconFileHeader(std::string("BM\x36\0\0\0", 6), 6, count), IconFileStatus::Foreign);
  EXPECT_EQ(ReadIconFileHeader("CDKI", 4, count), IconFileStatus::Damaged) << "the start of a cache, cut off";
  auto changed = [&](size_t at, char value) {
    std::string file = good;
    file[at] = value;
    return ReadIconFileHeader(file, file.size(), count);
  };
  EXPECT_EQ(changed(8, 2), IconFileStatus::Foreign) << "a later format version";
  EXPECT_EQ(changed(12, 2), IconFileStatus::Foreign) << "two named values";
  EXPECT_EQ(changed(19, 'X'), IconFileStatus::Foreign) << "a value not named IMG";
  EXPECT_EQ(changed(20, 32), IconFileStatus::Foreign) << "32 x 32 images";
  EXPECT_EQ(changed(28, 24), IconFileStatus::Foreign) << "24-bit pixels";
  EXPECT_EQ(DescribeIconFile(IconFileStatus::Foreign), "The icon cache is not in a format this program can read.");
  EXPECT_EQ(DescribeIconFile(IconFileStatus::Damaged), "The icon cache is damaged.");
}

struct IconCacheFile : ::testing::Test {
  MemoryFileSystem fs;
  MemoryFileReader reader{fs};
  FakeImageList iml;
  CatalogueModel catalogue;
  const std::string path = "E:\\Carrydeck\\imagelist.dat";

  void Rows(size_t n) {
    for (size_t i = 0; i < n; ++i) catalogue.Append({CatalogEntry{{"App " + std::to_string(i), "T", "E:\\x.exe", ""}}});
  }
  LoadedIcons Load() { return LoadImageList(iml, path, catalogue, fs, reader); }
};

TEST_F(IconCacheFile, ALoadThatFitsTakesOneReadAndOneStripAndGivesEachRowItsImage) {
  Rows(3);
  fs.files[path] = EncodeImageList(Sample(3));
  iml.images = Sample(1);  // whatever was there goes
  LoadedIcons loaded = Load();
  ASSERT_TRUE(loaded.ok) << loaded.error;
  EXPECT_EQ(loaded.count, 3);
  EXPECT_TRUE(iml.images == Sample(3));
  EXPECT_EQ(reader.opens, 1);
  EXPECT_EQ(reader.bytesRead, IconFileSize(3)) << "the file once, never more than three rows need";
  EXPECT_FALSE(reader.open());
  EXPECT_EQ(iml.strips, 1);
  EXPECT_EQ(iml.adds, 0);
  EXPECT_TRUE(iml.attached);
  for (size_t row = 0; row < 3; ++row) EXPECT_EQ(catalogue.Icon(row), static_cast<int>(row));
  EXPECT_TRUE(fs.files.count(path));
}

TEST_F(IconCacheFile, AListShownWithImagesStaysShownThroughALoadThatFits) {
  // Taking the images away from the list and giving them back makes it lay its rows out
  // twice; a cache that fits just replaces the images.
  Rows(3);
  fs.files[path] = EncodeImageList(Sample(3));
  iml.images = Sample(2);
  iml.attached = true;
  LoadedIcons loaded = Load();
  ASSERT_TRUE(loaded.ok) << loaded.error;
  EXPECT_EQ(loaded.count, 3);
  EXPECT_TRUE(iml.images == Sample(3));
  EXPECT_TRUE(iml.attached);
  EXPECT_EQ(iml.detaches, 0);
}

// More images than one slice holds: 1,024 and 1,024 and 452.
constexpr size_t kManyImages = 2500;

TEST_F(IconCacheFile, ALargeCacheGoesInASliceAtATimeIntoAListMadeRoomForOnce) {
  Rows(kManyImages);
  const std::vector<IconImage> images = Sample(kManyImages);
  fs.files[path] = EncodeImageList(images);
  LoadedIcons loaded = Load();
  ASSERT_TRUE(loaded.ok) << loaded.error;
  EXPECT_EQ(loaded.count, static_cast<int64_t>(kManyImages));
  EXPECT_TRUE(iml.images == images);
  EXPECT_EQ(iml.roomsMade, 1);
  EXPECT_EQ(iml.room, kManyImages) << "room for every image before the first goes in";
  EXPECT_EQ(iml.strips, 3);
  EXPECT_EQ(reader.opens, 1);
  EXPECT_EQ(reader.bytesRead, IconFileSize(kManyImages)) << "every byte once";
  EXPECT_LE(reader.largestRead, 1024 * kIconBytes) << "never more than a slice at once";
  EXPECT_FALSE(reader.open());
  EXPECT_TRUE(iml.attached);
  EXPECT_EQ(catalogue.Icon(kManyImages - 1), static_cast<int>(kManyImages - 1));
}

TEST_F(IconCacheFile, DamageFoundOnlyAfterTheImagesWentInLeavesTheListEmptyAndDetached) {
  Rows(kManyImages);
  const std::string good = EncodeImageList(Sample(kManyImages));
  // A pixel of the first slice and of the last, and the checksum itself: each shows only
  // when the checksum is compared, after the last slice.
  for (size_t at : {kIconFileHeader + 5, good.size() - kIconFileTrailer - 3, good.size() - 1}) {
    iml = FakeImageList();
    iml.images = Sample(1);  // what an earlier pass showed
    iml.attached = true;
    fs.files[path] = good;
    fs.files[path][at] ^= 0x10;
    LoadedIcons loaded = Load();
    EXPECT_FALSE(loaded.ok) << at;
    EXPECT_EQ(loaded.error, "The icon cache is damaged.") << at;
    EXPECT_EQ(iml.strips, 3) << at << ": found late";
    EXPECT_TRUE(iml.images.empty()) << at << ": nothing half-loaded";
    EXPECT_FALSE(iml.attached) << at;
    EXPECT_EQ(catalogue.Icon(0), -1) << at;
    EXPECT_EQ(catalogue.Icon(kManyImages - 1), -1) << at;
    EXPECT_EQ(fs.files[path].size(), good.size()) << at << ": left for Rebuild Icons";
    EXPECT_FALSE(reader.open()) << at;
  }
}

TEST_F(IconCacheFile, AFailureMidLoadLeavesNothingHalfLoadedAndSaysWhy) {
  Rows(kManyImages);
  fs.files[path] = EncodeImageList(Sample(kManyImages));
  auto expectNothingShown = [&](const LoadedIcons& loaded, const std::string& error, const char* what) {
    EXPECT_FALSE(loaded.ok) << what;
    EXPECT_EQ(loaded.error, error) << what;
    EXPECT_TRUE(iml.images.empty()) << what;
    EXPECT_FALSE(iml.attached) << what;
    EXPECT_EQ(catalogue.Icon(0), -1) << what;
    EXPECT_FALSE(reader.open()) << what;
    EXPECT_TRUE(fs.files.count(path)) << what;
  };

  reader.failAtRead = 3;  // the header, the first slice, then the second fails
  expectNothingShown(Load(), "The process cannot access the file.", "a read");
  EXPECT_EQ(iml.strips, 1);
  reader.failAtRead = 0;

  iml = FakeImageList();
  iml.failAtStrip = 2;
  expectNothingShown(Load(), "Not enough memory resources are available.", "a strip");

  iml = FakeImageList();
  iml.failRoom = true;
  expectNothingShown(Load(), "Not enough memory resources are available.", "the room");
  EXPECT_EQ(iml.strips, 0);
}

TEST_F(IconCacheFile, ACountOtherThanTheRowsDeletesTheFileAndLeavesTheListEmptyAndDetached) {
  for (size_t images : {size_t{2}, size_t{5}}) {
    Rows(3 - catalogue.Count());
    fs.files[path] = EncodeImageList(Sample(images));
    iml.images = Sample(1);
    iml.attached = true;
    LoadedIcons loaded = Load();
    ASSERT_TRUE(loaded.ok) << loaded.error;
    EXPECT_EQ(loaded.count, -1) << images;
    EXPECT_FALSE(fs.files.count(path)) << images;
    EXPECT_TRUE(iml.images.empty());
    EXPECT_FALSE(iml.attached);
    EXPECT_EQ(catalogue.Icon(0), -1);
  }
  EXPECT_EQ(reader.bytesRead, kIconFileHeader) << "a bigger file is judged by its header";
}

TEST_F(IconCacheFile, AMismatchThatCannotBeDeletedIsAnError) {
  Rows(2);
  fs.files[path] = EncodeImageList(Sample(1));
  fs.undeletable.insert(path);
  LoadedIcons loaded = Load();
  EXPECT_FALSE(loaded.ok);
  EXPECT_EQ(loaded.error, "Access is denied.");
}

TEST_F(IconCacheFile, FailuresComeBackWithTheirDescriptionAndLeaveTheFile) {
  Rows(3);
  LoadedIcons loaded = Load();
  EXPECT_FALSE(loaded.ok);
  EXPECT_EQ(loaded.error, "File not found");

  fs.files[path] = EncodeImageList(Sample(3));
  fs.unreadable.insert(path);
  loaded = Load();
  EXPECT_FALSE(loaded.ok);
  EXPECT_EQ(loaded.error, "The process cannot access the file.");
  fs.unreadable.clear();

  iml.failStrip = true;
  loaded = Load();
  EXPECT_FALSE(loaded.ok);
  EXPECT_EQ(loaded.error, "Not enough memory resources are available.");
  iml.failStrip = false;

  fs.files[path][100] ^= 1;
  loaded = Load();
  EXPECT_FALSE(loaded.ok);
  EXPECT_EQ(loaded.error, "The icon cache is damaged.");
  EXPECT_TRUE(fs.files.count(path)) << "a damaged cache stays until Rebuild Icons";
}

TEST_F(IconCacheFile, EveryTruncatedFileOnDiskIsReportedNeverLoaded) {
  Rows(2);
  const std::string good = EncodeImageList(Sample(2));
  for (size_t length = 0; length < good.size(); length += (length < 64 ? 1 : 97)) {
    fs.files[path] = good.substr(0, length);
    LoadedIcons loaded = Load();
    EXPECT_FALSE(loaded.ok) << length;
    EXPECT_EQ(loaded.error.empty(), false) << length;
    EXPECT_EQ(iml.strips, 0) << length;
  }
}

TEST_F(IconCacheFile, SaveThenLoadGivesBackTheSameImages) {
  Rows(4);
  iml.images = Sample(4);
  std::string error;
  ASSERT_TRUE(SaveImageList(iml, path, fs, error)) << error;
  EXPECT_EQ(fs.files[path], EncodeImageList(Sample(4)));
  EXPECT_FALSE(fs.files.count(TempPathOf(path)));
  iml.images.clear();
  LoadedIcons loaded = Load();
  ASSERT_TRUE(loaded.ok);
  EXPECT_TRUE(iml.images == Sample(4));
}

TEST_F(IconCacheFile, AFailedSaveKeepsTheOldFileAndSaysWhy) {
  fs.files[path] = "old";
  iml.images = Sample(2);
  for (SaveStep step : {SaveStep::Create, SaveStep::Write, SaveStep::Flush, SaveStep::Replace}) {
    fs.failOn.clear();
    fs.seen.clear();
    fs.failOn[step] = 1;
    std::string error;
    EXPECT_FALSE(SaveImageList(iml, path, fs, error));
    EXPECT_EQ(error, "Access is denied.");
    EXPECT_EQ(fs.files[path], "old") << static_cast<int>(step);
  }
}

}  // namespace
}  // namespace carrydeck
