// The icon cache "imagelist.dat": one named value "IMG" holding the list's images in row
// order. Layout, little-endian:
//
//   0   8  mark "CDKICON" 0x1A       20  4  image width, 16
//   8   4  format version, 1         24  4  image height, 16
//  12   4  named values, 1           28  4  bits per pixel, 32
//  16   1  name length, 3            32  4  image count n
//  17   3  "IMG"                     36  4  pixel bytes, n x 1024
//  40      pixels: image after image, rows top-down, each pixel B, G, R, A (straight alpha)
//  40 + n x 1024   4  CRC-32 of every byte before it
//
// Every length is checked against the file's size before anything is allocated.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/SystemPorts.h"
#include "launcher/IconPorts.h"
#include "launcher/CatalogueModel.h"

namespace carrydeck {

constexpr size_t kIconFileHeader = 40;
constexpr size_t kIconFileTrailer = 4;
constexpr size_t kIconBytes = kIconPixels * 4;
// Far beyond any catalogue a stick holds, and keeps every size well inside 32 bits.
constexpr size_t kMaxCachedIcons = size_t{1} << 18;

// The size of a cache file of n images.
constexpr uint64_t IconFileSize(size_t n) { return kIconFileHeader + uint64_t{n} * kIconBytes + kIconFileTrailer; }

enum class IconFileStatus { Ok, Foreign, Damaged };

std::string EncodeImageList(const std::vector<IconImage>& images);
// The header alone, against the size of the whole file: the image count it declares.
IconFileStatus ReadIconFileHeader(const std::string& head, uint64_t fileSize, size_t& count);
// The whole file: header, length and checksum, then the images.
IconFileStatus DecodeImageList(const std::string& bytes, std::vector<IconImage>& images);
// The text of the report for a file that was refused.
std::string DescribeIconFile(IconFileStatus status);

// Writes every image of the list to the file, taken from the list a slice at a time, through a
// temporary file, so a failed save keeps the old cache. False with the failure's
// description in `error`.
bool SaveImageList(const IImageList& iml, const std::string& file, IFileSystem& fs, std::string& error);

struct LoadedIcons {
  bool ok = false;    // false: `error` says why, and the caller reports it
  int64_t count = 0;  // images loaded, or -1: the file did not fit the list and was deleted
  std::string error;
};

// Fills `iml` from the file when it holds exactly one image per row of `catalogue`, giving each
// row its own image and attaching the list. The file is read and added a slice at a time,
// never held whole; one found damaged on the way (its checksum is checked last) leaves the
// image list empty and detached, as does a file with another count, which is deleted.
LoadedIcons LoadImageList(IImageList& iml, const std::string& file, CatalogueModel& catalogue, IFileSystem& fs,
                          IBoundedRead& reader);

}  // namespace carrydeck
