// The byte layouts of what the system hands back: the handle table, an object-name reply
// and the storage records. Little-endian, parsed from bytes so that both bitnesses' layouts
// can be read (and tested) on any machine.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace carrydeck {

// Where the pointer-sized fields put things: the record array follows the count at pointer
// alignment, each record holds the object's address, and an object-name reply starts with a
// counted string whose last field is a pointer. The fields a search reads sit at the same
// place in both bitnesses' classic records; the extended records hold them pointer-wide.
struct RecordLayout {
  size_t recordsAt;
  size_t recordSize;
  size_t nameTextAt;
  size_t processIdAt = 0;
  size_t processIdBytes = 2;
  size_t typeIndexAt = 4;
  size_t typeIndexBytes = 1;
  size_t handleAt = 6;
  size_t handleBytes = 2;
};
// The classic table (16-bit process ids and handle values).
inline constexpr RecordLayout kLayoutX86{4, 16, 8};
inline constexpr RecordLayout kLayoutX64{8, 24, 16};
// The extended table: full process ids and handle values, and a 32-bit caller on 64-bit
// Windows gets every process's records converted to its own layout.
inline constexpr RecordLayout kLayoutExtendedX86{8, 28, 8, 4, 4, 18, 2, 8, 4};
inline constexpr RecordLayout kLayoutExtendedX64{16, 40, 16, 8, 8, 30, 2, 16, 8};

// The extended layout of the same bitness as a classic one.
constexpr RecordLayout ExtendedOf(const RecordLayout& classic) {
  return classic.nameTextAt == kLayoutX86.nameTextAt ? kLayoutExtendedX86 : kLayoutExtendedX64;
}

// The fields of a handle-table record that the searches use. A classic record's 16-bit
// fields come as stored: an id that does not fit there never matches one that does.
struct HandleEntry {
  uint64_t processId = 0;
  uint16_t objectTypeIndex = 0;
  uint64_t handleValue = 0;
};

// The records in table order. A count larger than the bytes hold yields only the records
// that are there.
std::vector<HandleEntry> ParseHandleTable(const std::vector<uint8_t>& table, const RecordLayout& layout);

// At most this many characters of an object name are kept.
inline constexpr size_t kNameChars = 255;
// The name text of an object-name reply, up to its NUL, at most kNameChars characters.
std::u16string ObjectNameText(const std::vector<uint8_t>& reply, const RecordLayout& layout);

// Storage records (the same on both bitnesses).
inline constexpr size_t kPropertyQuerySize = 12;
inline constexpr size_t kDeviceDescriptorSize = 40;
inline constexpr size_t kDescriptorSizeAt = 4;
inline constexpr size_t kBusTypeAt = 28;
inline constexpr size_t kDeviceNumberSize = 12;
inline constexpr size_t kDeviceNumberAt = 4;

uint32_t ReadU32(const std::vector<uint8_t>& bytes, size_t at);
void WriteU32(std::vector<uint8_t>& bytes, size_t at, uint32_t value);

// The standard device property query: all zero.
std::vector<uint8_t> PropertyQuery();
// A zero-filled descriptor buffer whose size field says how large it is.
std::vector<uint8_t> DeviceDescriptorBuffer();

}  // namespace carrydeck
