// The system's handle table in both layouts: never a record beyond the bytes, whatever the
// count says, and each record's fields read from their own offsets.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "FuzzCheck.h"
#include "remover/NtRecords.h"

using namespace carrydeck::remove;

namespace {

uint16_t U16(const std::vector<uint8_t>& b, size_t at) { return static_cast<uint16_t>(b[at] | b[at + 1] << 8); }

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
    FUZZ_CHECK(entries[i].processId == U16(table, at));
    FUZZ_CHECK(entries[i].objectTypeIndex == table[at + 4]);
    FUZZ_CHECK(entries[i].handleValue == U16(table, at + 6));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::vector<uint8_t> table(data, data + size);
  Check(table, kLayoutX86);
  Check(table, kLayoutX64);
  return 0;
}
