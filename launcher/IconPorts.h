// What the icon pass needs from the window and the system: the list's image list, the
// shell's icon of a file, and a read of the cache file that the file itself can't inflate.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace carrydeck {

constexpr int kIconSize = 16;
constexpr size_t kIconPixels = static_cast<size_t>(kIconSize) * kIconSize;

// One list image: 16 rows of 16 pixels, top row first, each 0xAARRGGBB with straight
// (not premultiplied) alpha, so transparency survives any background.
struct IconImage {
  std::array<uint32_t, kIconPixels> pixels{};
  bool operator==(const IconImage& other) const { return pixels == other.pixels; }
  bool operator!=(const IconImage& other) const { return !(*this == other); }
};

// `imageList`: image i (from 1) belongs to row i of the list.
class IImageList {
 public:
  virtual ~IImageList() = default;
  // Given to the list as both its large- and small-icon image list, or taken away (none).
  virtual void Attach() = 0;
  virtual void Detach() = 0;
  virtual bool Attached() const = 0;
  virtual void Clear() = 0;
  virtual size_t Count() const = 0;
  // Adds one image at `position` (from 1). Images are added in row order, so anything but
  // Count() + 1 is refused: an image must never land beside its row.
  virtual bool Add(size_t position, const IconImage& image) = 0;
  // Appends all images at once (one strip), for loading the cache. The list keeps the images
  // it is given: a cache of thousands of icons is not copied once more.
  virtual bool AddStrip(std::vector<IconImage>&& images) = 0;
  // The image at `position` (from 1) as it was added.
  virtual bool Image(size_t position, IconImage& image) const = 0;
  // Why the last Add or AddStrip failed, for the report.
  virtual std::string LastErrorDescription() const = 0;
};

// The shell's small icon of a file, drawn 16 x 16.
class IShellIcons {
 public:
  virtual ~IShellIcons() = default;
  // nullopt when the shell has no information for the file.
  virtual std::optional<IconImage> FileIcon(const std::string& path) = 0;
};

// Reads the start of a file with a ceiling: a cache file can never make us allocate more
// than the list in front of us needs, whatever its size.
class IBoundedRead {
 public:
  virtual ~IBoundedRead() = default;
  // At most `limit` bytes from the start of the file into `bytes`, and the whole file's
  // size into `size`, from one opening of the file; false when it can't be opened or read.
  virtual bool ReadHead(const std::string& path, size_t limit, std::string& bytes, uint64_t& size) = 0;
  virtual std::string LastErrorDescription() = 0;
};

// The icon ports the main window's logic is given.
struct IconPorts {
  IImageList& imageList;
  IShellIcons& shell;
  IBoundedRead& reader;
  // `notFoundIcon`: the picture of an entry whose file can't be found.
  IconImage notFoundIcon;
};

}  // namespace carrydeck
