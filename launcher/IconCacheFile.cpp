#include "launcher/IconCacheFile.h"

#include <algorithm>
#include <cstring>

#include "common/SafeSave.h"

namespace carrydeck {

namespace {

constexpr char kMark[8] = {'C', 'D', 'K', 'I', 'C', 'O', 'N', '\x1A'};
constexpr uint32_t kVersion = 1;
constexpr char kValueName[] = "IMG";
constexpr size_t kNameLength = sizeof kValueName - 1;

uint32_t Crc32(const std::string& bytes, size_t length) {
  static const auto table = [] {
    std::array<uint32_t, 256> t{};
    for (uint32_t i = 0; i < 256; ++i) {
      uint32_t c = i;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[i] = c;
    }
    return t;
  }();
  uint32_t crc = 0xFFFFFFFFu;
  for (size_t i = 0; i < length; ++i) crc = table[(crc ^ static_cast<unsigned char>(bytes[i])) & 0xFF] ^ (crc >> 8);
  return crc ^ 0xFFFFFFFFu;
}

void PutU32(std::string& out, uint32_t value) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

uint32_t GetU32(const std::string& bytes, size_t at) {
  uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = (value << 8) | static_cast<unsigned char>(bytes[at + static_cast<size_t>(i)]);
  return value;
}

}  // namespace

std::string EncodeImageList(const std::vector<IconImage>& images) {
  std::string out;
  out.reserve(static_cast<size_t>(IconFileSize(images.size())));
  out.append(kMark, sizeof kMark);
  PutU32(out, kVersion);
  PutU32(out, 1);
  out.push_back(static_cast<char>(kNameLength));
  out.append(kValueName, kNameLength);
  PutU32(out, kIconSize);
  PutU32(out, kIconSize);
  PutU32(out, 32);
  PutU32(out, static_cast<uint32_t>(images.size()));
  PutU32(out, static_cast<uint32_t>(images.size() * kIconBytes));
  for (const IconImage& image : images)
    for (uint32_t pixel : image.pixels) PutU32(out, pixel);
  PutU32(out, Crc32(out, out.size()));
  return out;
}

IconFileStatus ReadIconFileHeader(const std::string& head, uint64_t fileSize, size_t& count) {
  count = 0;
  if (head.size() < sizeof kMark || std::memcmp(head.data(), kMark, sizeof kMark) != 0) {
    // Too short to carry the mark: a cut-off cache if what is there starts like one.
    size_t n = std::min(head.size(), sizeof kMark);
    return head.size() < sizeof kMark && std::memcmp(head.data(), kMark, n) == 0 ? IconFileStatus::Damaged
                                                                                  : IconFileStatus::Foreign;
  }
  if (head.size() < kIconFileHeader || fileSize < IconFileSize(0)) return IconFileStatus::Damaged;
  if (GetU32(head, 8) != kVersion || GetU32(head, 12) != 1 || static_cast<unsigned char>(head[16]) != kNameLength ||
      head.compare(17, kNameLength, kValueName) != 0 || GetU32(head, 20) != kIconSize || GetU32(head, 24) != kIconSize ||
      GetU32(head, 28) != 32)
    return IconFileStatus::Foreign;
  const uint32_t n = GetU32(head, 32);
  if (n > kMaxCachedIcons || GetU32(head, 36) != n * kIconBytes || fileSize != IconFileSize(n))
    return IconFileStatus::Damaged;
  count = n;
  return IconFileStatus::Ok;
}

IconFileStatus DecodeImageList(const std::string& bytes, std::vector<IconImage>& images) {
  images.clear();
  size_t n = 0;
  IconFileStatus status = ReadIconFileHeader(bytes, bytes.size(), n);
  if (status != IconFileStatus::Ok) return status;
  const size_t end = bytes.size() - kIconFileTrailer;
  if (Crc32(bytes, end) != GetU32(bytes, end)) return IconFileStatus::Damaged;
  images.resize(n);
  size_t at = kIconFileHeader;
  for (IconImage& image : images)
    for (uint32_t& pixel : image.pixels) {
      pixel = GetU32(bytes, at);
      at += 4;
    }
  return IconFileStatus::Ok;
}

std::string DescribeIconFile(IconFileStatus status) {
  switch (status) {
    case IconFileStatus::Foreign: return "The icon cache is not in a format this program can read.";
    case IconFileStatus::Damaged: return "The icon cache is damaged.";
    case IconFileStatus::Ok: break;
  }
  return std::string();
}

bool SaveImageList(const IImageList& iml, const std::string& file, IFileSystem& fs, std::string& error) {
  const size_t n = iml.Count();
  if (n > kMaxCachedIcons) {
    error = "Too many entries to keep their icons (at most " + std::to_string(kMaxCachedIcons) + ").";
    return false;
  }
  std::vector<IconImage> images(n);
  for (size_t i = 0; i < n; ++i) {
    if (!iml.Image(i + 1, images[i])) {
      error = iml.LastErrorDescription();
      return false;
    }
  }
  if (!SaveFileSafely(fs, file, EncodeImageList(images)).ok()) {
    error = fs.LastErrorDescription();
    return false;
  }
  return true;
}

LoadedIcons LoadImageList(IImageList& iml, const std::string& file, IListView& list, IFileSystem& fs,
                          IBoundedRead& reader) {
  LoadedIcons result;
  if (!fs.FileExists(file)) {
    result.error = "File not found";
    return result;
  }
  const size_t rows = list.RowCount();
  // Only a file of exactly this size can fit the list; the header of a bigger one is
  // enough to tell a cache of another count from a damaged file.
  const size_t limit = static_cast<size_t>(IconFileSize(std::min(rows, kMaxCachedIcons)));
  std::string bytes;
  uint64_t size = 0;
  if (!reader.ReadHead(file, limit, bytes, size)) {
    result.error = reader.LastErrorDescription();
    return result;
  }
  size_t count = 0;
  IconFileStatus status = ReadIconFileHeader(bytes, size, count);
  if (status != IconFileStatus::Ok) {
    result.error = DescribeIconFile(status);
    return result;
  }

  iml.Detach();
  iml.Clear();
  if (count != rows) {
    if (!fs.Delete(file)) {
      result.error = fs.LastErrorDescription();
      return result;
    }
    result.ok = true;
    result.count = -1;
    return result;
  }

  std::vector<IconImage> images;
  status = bytes.size() == size ? DecodeImageList(bytes, images) : IconFileStatus::Damaged;
  // The file's bytes are done with: a large cache is not held twice while the images go in.
  std::string().swap(bytes);
  if (status != IconFileStatus::Ok) {
    result.error = DescribeIconFile(status);
    return result;
  }
  if (!iml.AddStrip(std::move(images))) {
    result.error = iml.LastErrorDescription();
    return result;
  }
  iml.Attach();
  for (size_t i = 1; i <= rows; ++i)
    if (list.RowIcon(i) != static_cast<int>(i - 1)) list.SetRowIcon(i, static_cast<int>(i - 1));
  result.ok = true;
  result.count = static_cast<int64_t>(count);
  return result;
}

}  // namespace carrydeck
