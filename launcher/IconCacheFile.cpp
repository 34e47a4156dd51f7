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

// The running CRC-32 of the file, fed piece after piece.
class Crc32 {
 public:
  void Add(const char* bytes, size_t length) {
    static const auto table = [] {
      std::array<uint32_t, 256> t{};
      for (uint32_t i = 0; i < 256; ++i) {
        uint32_t c = i;
        for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        t[i] = c;
      }
      return t;
    }();
    for (size_t i = 0; i < length; ++i)
      crc_ = table[(crc_ ^ static_cast<unsigned char>(bytes[i])) & 0xFF] ^ (crc_ >> 8);
  }
  uint32_t Value() const { return crc_ ^ 0xFFFFFFFFu; }

 private:
  uint32_t crc_ = 0xFFFFFFFFu;
};

void PutU32(std::string& out, uint32_t value) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

uint32_t GetU32(const char* bytes) {
  uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = (value << 8) | static_cast<unsigned char>(bytes[i]);
  return value;
}
uint32_t GetU32(const std::string& bytes, size_t at) { return GetU32(bytes.data() + at); }

void PutHeader(std::string& out, size_t count) {
  out.append(kMark, sizeof kMark);
  PutU32(out, kVersion);
  PutU32(out, 1);
  out.push_back(static_cast<char>(kNameLength));
  out.append(kValueName, kNameLength);
  PutU32(out, kIconSize);
  PutU32(out, kIconSize);
  PutU32(out, 32);
  PutU32(out, static_cast<uint32_t>(count));
  PutU32(out, static_cast<uint32_t>(count * kIconBytes));
}

void PutImage(std::string& out, const IconImage& image) {
  for (uint32_t pixel : image.pixels) PutU32(out, pixel);
}

// `images.size()` images from `bytes`, which holds exactly that many.
void GetImages(const char* bytes, std::vector<IconImage>& images) {
  for (IconImage& image : images)
    for (uint32_t& pixel : image.pixels) {
      pixel = GetU32(bytes);
      bytes += 4;
    }
}

void Seal(std::string& out) {
  Crc32 crc;
  crc.Add(out.data(), out.size());
  PutU32(out, crc.Value());
}

// The reader's file is let go on every way out of a load, so the file can be deleted.
class OpenedFile {
 public:
  explicit OpenedFile(IBoundedRead& reader) : reader_(reader) {}
  ~OpenedFile() { reader_.Close(); }
  OpenedFile(const OpenedFile&) = delete;
  OpenedFile& operator=(const OpenedFile&) = delete;

 private:
  IBoundedRead& reader_;
};

// How many images of the cache are read, decoded and added at once: the file is never
// held whole beside the image list, and a slice is only a megabyte.
constexpr size_t kSliceImages = 1024;

}  // namespace

std::string EncodeImageList(const std::vector<IconImage>& images) {
  std::string out;
  out.reserve(static_cast<size_t>(IconFileSize(images.size())));
  PutHeader(out, images.size());
  for (const IconImage& image : images) PutImage(out, image);
  Seal(out);
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
      head.compare(17, kNameLength, kValueName) != 0 || GetU32(head, 20) != kIconSize ||
      GetU32(head, 24) != kIconSize || GetU32(head, 28) != 32)
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
  Crc32 crc;
  crc.Add(bytes.data(), end);
  if (crc.Value() != GetU32(bytes, end)) return IconFileStatus::Damaged;
  images.resize(n);
  GetImages(bytes.data() + kIconFileHeader, images);
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
  // From the list into the file's bytes a slice at a time: the images are never all
  // copied out.
  std::string out;
  out.reserve(static_cast<size_t>(IconFileSize(n)));
  PutHeader(out, n);
  std::vector<IconImage> images(std::min(n, kSliceImages));
  for (size_t done = 0; done < n;) {
    const size_t slice = std::min(kSliceImages, n - done);
    if (!iml.Images(done, slice, images.data())) {
      error = iml.LastErrorDescription();
      return false;
    }
    for (size_t i = 0; i < slice; ++i) PutImage(out, images[i]);
    done += slice;
  }
  Seal(out);
  const SaveResult saved = SaveFileSafely(fs, file, out);
  if (!saved) {
    error = saved.error;
    return false;
  }
  return true;
}

namespace {

// The images of a file whose header fitted the list: read, checked against the checksum as
// they come and added a slice at a time. Anything wrong empties the list again, so nothing
// half-loaded is ever shown.
bool LoadImages(IImageList& iml, IBoundedRead& reader, const std::string& header, size_t count, std::string& error) {
  if (!iml.ClearWithRoomFor(count)) {
    error = iml.LastErrorDescription();
    return false;
  }
  Crc32 crc;
  crc.Add(header.data(), header.size());
  std::string bytes;
  std::vector<IconImage> images;
  for (size_t done = 0; done < count;) {
    const size_t slice = std::min(kSliceImages, count - done);
    if (!reader.Read(slice * kIconBytes, bytes)) {
      error = reader.LastErrorDescription();
      return false;
    }
    // The file shrank since it was opened.
    if (bytes.size() != slice * kIconBytes) {
      error = DescribeIconFile(IconFileStatus::Damaged);
      return false;
    }
    crc.Add(bytes.data(), bytes.size());
    images.resize(slice);
    GetImages(bytes.data(), images);
    if (!iml.AddStrip(images)) {
      error = iml.LastErrorDescription();
      return false;
    }
    done += slice;
  }
  if (!reader.Read(kIconFileTrailer, bytes)) {
    error = reader.LastErrorDescription();
    return false;
  }
  if (bytes.size() != kIconFileTrailer || GetU32(bytes, 0) != crc.Value()) {
    error = DescribeIconFile(IconFileStatus::Damaged);
    return false;
  }
  return true;
}

}  // namespace

namespace {

LoadedIcons LoadInto(IImageList& iml, const std::string& file, CatalogueModel& catalogue, IFileSystem& fs,
                     IBoundedRead& reader) {
  LoadedIcons result;
  if (!fs.FileExists(file)) {
    result.error = "File not found";
    return result;
  }
  const size_t rows = catalogue.Count();
  uint64_t size = 0;
  if (!reader.Open(file, size)) {
    result.error = reader.LastErrorDescription();
    return result;
  }
  OpenedFile opened(reader);
  // The header alone tells a cache of another count, or a damaged or foreign file; only a
  // file of exactly the size the rows need is read any further.
  std::string header;
  if (!reader.Read(kIconFileHeader, header)) {
    result.error = reader.LastErrorDescription();
    return result;
  }
  size_t count = 0;
  IconFileStatus status = ReadIconFileHeader(header, size, count);
  if (status != IconFileStatus::Ok) {
    result.error = DescribeIconFile(status);
    return result;
  }

  iml.Clear();
  if (count != rows) {
    reader.Close();  // an open file can't be deleted
    if (!fs.Delete(file)) {
      result.error = fs.LastErrorDescription();
      return result;
    }
    result.ok = true;
    result.count = -1;
    return result;
  }

  if (!LoadImages(iml, reader, header, count, result.error)) {
    iml.Clear();
    return result;
  }
  iml.Attach();
  // One change for the rows whose numbers differ: the list redraws what is on screen once.
  size_t first = 0, last = rows;
  while (first < rows && catalogue.Icon(first) == static_cast<int>(first)) ++first;
  while (last > first && catalogue.Icon(last - 1) == static_cast<int>(last - 1)) --last;
  if (first < last) catalogue.SetIconsToRows(first, last - first);
  result.ok = true;
  result.count = static_cast<int64_t>(count);
  return result;
}

}  // namespace

LoadedIcons LoadImageList(IImageList& iml, const std::string& file, CatalogueModel& catalogue, IFileSystem& fs,
                          IBoundedRead& reader) {
  LoadedIcons result = LoadInto(iml, file, catalogue, fs, reader);
  // Only a cache that filled the list leaves it shown; a shown list stays attached while its
  // images are replaced, as nothing is drawn before the load is over.
  if (!result.ok || result.count < 0) iml.Detach();
  return result;
}

}  // namespace carrydeck
