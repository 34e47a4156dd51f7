#include "launcher/FreeSpaceText.h"

namespace carrydeck {

namespace {

// numerator / denominator rounded to a whole number, a half to the even neighbour.
uint64_t DivideHalfEven(uint64_t numerator, uint64_t denominator) {
  uint64_t q = numerator / denominator, r = numerator % denominator;
  uint64_t twice = r * 2;
  if (twice > denominator || (twice == denominator && (q % 2) == 1)) ++q;
  return q;
}

std::string Tenths(uint64_t tenths) {
  std::string text = std::to_string(tenths / 10);
  if (tenths % 10) text += "." + std::to_string(tenths % 10);
  return text;
}

}  // namespace

std::optional<uint64_t> FreeKiloBytes(IDiskSpace& disk, const std::string& root) {
  std::optional<uint64_t> bytes = disk.FreeBytes(root);
  if (!bytes) return std::nullopt;
  // Rounding b / 1024 to four places and then cutting can never carry: the fraction is at
  // most 1023/1024.
  return *bytes / 1024;
}

std::string FreeSpaceTextOf(uint64_t bytes) {
  const uint64_t k = bytes / 1024;
  if (k == 0) return "0 MB";
  // m = k / 1024 to four places, held as ten-thousandths (a fixed-point figure).
  const uint64_t m = DivideHalfEven(k * 625, 64);  // k * 10000 / 1024 without overflow
  if (m < 1024ull * 10000) return Tenths(DivideHalfEven(m, 1000)) + " MB";
  return Tenths(DivideHalfEven(m, 1024ull * 1000)) + " GB";
}

std::string FreeSpaceText(IDiskSpace& disk, const std::string& root) {
  std::optional<uint64_t> bytes = disk.FreeBytes(root);
  return bytes ? FreeSpaceTextOf(*bytes) : std::string("0 MB");
}

}  // namespace carrydeck
