// Prepares a benchmark stick folder: "Data.dat" with n entries and a matching icon cache
// "imagelist.dat", so the launcher starts with a warm cache.
//
//   make_stick <folder> <entries>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "PosixFileSystem.h"
#include "SampleCatalogue.h"
#include "common/SafeSave.h"
#include "launcher/IconCacheFile.h"

int main(int argc, char** argv) {
  using namespace carrydeck;
  if (argc != 3) {
    std::fprintf(stderr, "usage: make_stick <folder> <entries>\n");
    return 2;
  }
  const std::string folder = argv[1];
  const long count = std::atol(argv[2]);
  if (count < 0 || static_cast<size_t>(count) > bench::kMaxEntries) {
    std::fprintf(stderr, "make_stick: 0 to %zu entries\n", bench::kMaxEntries);
    return 2;
  }
  bench::PosixFileSystem fs;
  const size_t n = static_cast<size_t>(count);
  if (!SaveFileSafely(fs, folder + "/Data.dat", bench::SampleDataFile(n)).ok() ||
      !SaveFileSafely(fs, folder + "/imagelist.dat", EncodeImageList(bench::SampleIcons(n))).ok()) {
    std::fprintf(stderr, "make_stick: cannot write into %s: %s\n", folder.c_str(), fs.LastErrorDescription().c_str());
    return 1;
  }
  return 0;
}
