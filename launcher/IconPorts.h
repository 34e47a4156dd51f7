// What the icon pass needs from the window and the system: the list's image list, the
// shell's icon of a file, the worker that extracts icons away from the window's thread, and
// reads of the cache file that the file itself can't inflate.
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

// `imageList`: image i belongs to row i of the list, both from 0.
class IImageList {
 public:
  virtual ~IImageList() = default;
  // Given to the list as both its large- and small-icon image list, or taken away (none).
  virtual void Attach() = 0;
  virtual void Detach() = 0;
  virtual bool Attached() const = 0;
  virtual void Clear() = 0;
  // Empties the list and makes room for `count` images at once: a list filled by the
  // thousand then never grows by copies of itself. False, the list empty, when there is no
  // memory for it.
  virtual bool ClearWithRoomFor(size_t count) = 0;
  // Keeps the first `count` images and lets the rest go: an edit's pass keeps the images of
  // the rows before the first one it changed. False when that can't be done.
  virtual bool Truncate(size_t count) = 0;
  virtual size_t Count() const = 0;
  // Adds image `index`. Images are added in row order, so anything but Count() is refused:
  // an image must never land beside its row.
  virtual bool Add(size_t index, const IconImage& image) = 0;
  // Appends the images at once (one strip): the cache is loaded a slice at a time.
  virtual bool AddStrip(const std::vector<IconImage>& images) = 0;
  // The `count` images from `first` on, as they were added.
  virtual bool Images(size_t first, size_t count, IconImage* images) const = 0;
  bool Image(size_t index, IconImage& image) const { return Images(index, 1, &image); }
  // Why the last Add, AddStrip, ClearWithRoomFor or Truncate failed, for the report.
  virtual std::string LastErrorDescription() const = 0;
};

// The shell's small icon of a file, drawn 16 x 16.
class IShellIcons {
 public:
  virtual ~IShellIcons() = default;
  // nullopt when the shell has no information for the file.
  virtual std::optional<IconImage> FileIcon(const std::string& path) = 0;
};

// Reads a file a piece at a time, from one opening: a cache file can never make us
// allocate more than the piece asked for, whatever its size.
class IBoundedRead {
 public:
  virtual ~IBoundedRead() = default;
  // Opens the file for the reads that follow (closing any other) and tells its whole size;
  // false when it can't be opened.
  virtual bool Open(const std::string& path, uint64_t& size) = 0;
  // The next `count` bytes of the open file into `bytes`, fewer only where the file ends.
  virtual bool Read(size_t count, std::string& bytes) = 0;
  // Lets the file go, so it can be deleted or replaced.
  virtual void Close() = 0;
  virtual std::string LastErrorDescription() = 0;
};

// One pass's work for the icon worker: targets as stored, each looked for as it is and then on
// the launcher's own drive (`driveRoot`).
struct IconWork {
  uint64_t pass = 0;
  std::vector<std::string> targets;
  std::string driveRoot;
};

// The icons of targets[first] on of a pass, in order; none where the file was found nowhere
// or the shell knows nothing of it.
struct IconBatch {
  uint64_t pass = 0;
  size_t first = 0;
  std::vector<std::optional<IconImage>> icons;
};

// Extracts icons on a thread of its own and hands them back to the window's thread in
// batches. Each call comes from the window's thread.
class IIconWorker {
 public:
  virtual ~IIconWorker() = default;
  // Starts a pass; the one before it is cancelled.
  virtual void Start(IconWork work) = 0;
  // The pass under way, if any, is cancelled: the worker stops at its next target.
  virtual void Cancel() = 0;
  // Cancels and ends the worker, returning once it has let go of everything it used; no pass
  // starts after this.
  virtual void Stop() = 0;
  // The batches finished since the last call, oldest first. The worker tells the window when
  // there are some; batches of a cancelled pass may still come and are the caller's to drop.
  virtual std::vector<IconBatch> TakeFinished() = 0;
};

// The icon ports the main window's logic is given.
struct IconPorts {
  IImageList& imageList;
  IIconWorker& worker;
  IBoundedRead& reader;
  // `notFoundIcon`: the picture of an entry whose file can't be found.
  IconImage notFoundIcon;
};

}  // namespace carrydeck
