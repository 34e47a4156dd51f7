// "imagelist.dat": any bytes are either refused, with the file left alone, or accepted as
// exactly what the program itself would have written; a file of another image count is
// deleted; no read goes beyond what the list in front of it can use.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "Fakes.h"
#include "FuzzCheck.h"
#include "launcher/CatalogueModel.h"
#include "launcher/IconCacheFile.h"

using namespace carrydeck;

namespace {

const char kCache[] = "E:\\imagelist.dat";

// The checksum over everything before it, so the fuzzer can reach the fields behind it.
uint32_t Crc32(const std::string& bytes, size_t length) {
  uint32_t crc = 0xFFFFFFFFu;
  for (size_t i = 0; i < length; ++i) {
    crc ^= static_cast<unsigned char>(bytes[i]);
    for (int k = 0; k < 8; ++k) crc = (crc & 1) ? 0xEDB88320u ^ (crc >> 1) : crc >> 1;
  }
  return crc ^ 0xFFFFFFFFu;
}

void SealChecksum(std::string& bytes) {
  if (bytes.size() < kIconFileTrailer) return;
  const size_t end = bytes.size() - kIconFileTrailer;
  const uint32_t crc = Crc32(bytes, end);
  for (size_t i = 0; i < 4; ++i) bytes[end + i] = static_cast<char>((crc >> (8 * i)) & 0xFF);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  const bool seal = input.ConsumeBool();
  const size_t rows = input.ConsumeIntegralInRange<size_t>(0, 4);
  std::string bytes = input.ConsumeRemainingBytesAsString();
  if (seal) SealChecksum(bytes);

  // The format alone: accepted means canonical, refused means nothing comes out.
  std::vector<IconImage> images;
  const IconFileStatus status = DecodeImageList(bytes, images);
  size_t declared = 0;
  const IconFileStatus header = ReadIconFileHeader(bytes, bytes.size(), declared);
  if (status == IconFileStatus::Ok) {
    FUZZ_CHECK(EncodeImageList(images) == bytes);
    FUZZ_CHECK(header == IconFileStatus::Ok && declared == images.size());
  } else {
    FUZZ_CHECK(images.empty());
    FUZZ_CHECK(!DescribeIconFile(status).empty());
    if (header != IconFileStatus::Ok) FUZZ_CHECK(status == header);
  }

  // The load into a list of `rows` rows, through a read with a ceiling.
  testing::MemoryFileSystem fs;
  fs.files[kCache] = bytes;
  testing::MemoryFileReader reader(fs);
  testing::FakeImageList iml;
  iml.images.push_back(testing::SolidIcon(0xFF00FF00u));  // what an earlier pass left
  iml.attached = true;
  CatalogueModel catalogue;
  std::vector<CatalogEntry> entries(rows);
  catalogue.Append(std::move(entries));

  const LoadedIcons loaded = LoadImageList(iml, kCache, catalogue, fs, reader);
  FUZZ_CHECK(reader.bytesRead <= IconFileSize(rows));
  FUZZ_CHECK(!reader.open());
  if (!loaded.ok) {
    FUZZ_CHECK(!loaded.error.empty());
    FUZZ_CHECK(fs.files.count(kCache) == 1 && fs.files[kCache] == bytes);
    FUZZ_CHECK(!(status == IconFileStatus::Ok && images.size() == rows));
  } else if (loaded.count < 0) {
    FUZZ_CHECK(loaded.count == -1);
    FUZZ_CHECK(fs.files.count(kCache) == 0);
    FUZZ_CHECK(iml.images.empty() && !iml.attached);
    FUZZ_CHECK(header == IconFileStatus::Ok && declared != rows);
  } else {
    FUZZ_CHECK(status == IconFileStatus::Ok);
    FUZZ_CHECK(static_cast<size_t>(loaded.count) == rows);
    FUZZ_CHECK(iml.images == images);
    FUZZ_CHECK(iml.attached);
    for (size_t i = 0; i < rows; ++i) FUZZ_CHECK(catalogue.Icon(i) == static_cast<int>(i));
  }

  // Any images survive a save and a load pixel for pixel.
  std::vector<IconImage> drawn((bytes.size() / 64) % 5);
  for (size_t i = 0; i < drawn.size(); ++i)
    for (size_t p = 0; p < kIconPixels; ++p)
      drawn[i].pixels[p] =
          static_cast<uint32_t>(static_cast<unsigned char>(bytes[(i * kIconPixels + p) % bytes.size()])) * 0x01010101u;
  std::vector<IconImage> back;
  FUZZ_CHECK(DecodeImageList(EncodeImageList(drawn), back) == IconFileStatus::Ok);
  FUZZ_CHECK(back == drawn);
  return 0;
}
