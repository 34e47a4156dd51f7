// The system's handle table in every layout: never a record beyond the bytes, whatever the
// count says, and each record's fields read from their own offsets.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "FuzzCheck.h"
#include "common/NtRecords.h"

using namespace carrydeck;

namespace {

uint64_t Field(const std::vector<uint8_t>& b, size_t at, size_t width) {
  uint64_t value = 0;
  for (size_t i = 0; i < width; ++i) value |= static_cast<uint64_t>(b[at + i]) << (8 * i);
  return value;
}

void Check(const std::vector<uint8_t>& table, const RecordLayout& layout) {
  const std::vector<HandleEntry> entries = ParseHandleTable(table, layout);
  size_t expected = 0;
  if (table.size() >= layout.recordsAt && table.size() >= 4) {
    const size_t declared = static_cast<size_t>(table[0]) | static_cast<size_t>(table[1]) << 8 |
                            static_cast<size_t>(table[2]) << 16 | static_cast<size_t>(table[3]) << 24;
    const size_t fits = (table.size() - layout.recordsAt) / layout.recordSize;
    expected = declared < fits ? declared : fits;
  }
  FUZZ_CHECK(entries.size() == expected);
  for (size_t i = 0; i < entries.size(); ++i) {
    const size_t at = layout.recordsAt + i * layout.recordSize;
    FUZZ_CHECK(at + layout.recordSize <= table.size());
    FUZZ_CHECK(entries[i].processId == Field(table, at + layout.processIdAt, layout.processIdBytes));
    FUZZ_CHECK(entries[i].objectTypeIndex == Field(table, at + layout.typeIndexAt, layout.typeIndexBytes));
    FUZZ_CHECK(entries[i].handleValue == Field(table, at + layout.handleAt, layout.handleBytes));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::vector<uint8_t> table(data, data + size);
  Check(table, kLayoutX86);
  Check(table, kLayoutX64);
  Check(table, kLayoutExtendedX86);
  Check(table, kLayoutExtendedX64);
  return 0;
}
