#include "launcher/CatalogueFile.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "common/SafeSave.h"
#include "launcher/ListView.h"

namespace carrydeck {

namespace {

int FieldsOf(const IListView& list) {
  return std::min(list.ColumnCount(), static_cast<int>(std::tuple_size<decltype(CatalogEntry::fields)>::value));
}

static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "the line scan reads words low byte first");

// The CR bytes of an 8-byte word: the top bit of each set, nothing else. Per byte, with no
// carry into the next: only a byte of zero (a CR before the XOR) keeps its top bit clear.
inline uint64_t CrBytes(uint64_t word) {
  const uint64_t x = word ^ 0x0D0D0D0D0D0D0D0Dull;
  const uint64_t low7 = 0x7F7F7F7F7F7F7F7Full;
  return ~(((x & low7) + low7) | x | low7);
}

inline size_t ByteOfLowestBit(uint64_t bits) {
  // A set top bit stands in for "none", so an empty word costs no jump.
  return static_cast<size_t>(__builtin_ctzll(bits | (uint64_t{1} << 63))) >> 3;
}

// The CRs of the bytes a wide scan left over, after the n already found.
std::vector<size_t> FinishCrPositions(const char* data, size_t size, size_t i, std::vector<size_t>& ends, size_t n) {
  for (; i < size; ++i)
    if (data[i] == '\r') {
      if (n == ends.size()) ends.resize(n + 1);
      ends[n++] = i;
    }
  ends.resize(n);
  return std::move(ends);
}

}  // namespace

namespace detail {

// The place of every CR, eight bytes at a time and without a jump per line: a catalogue
// has a line end every twenty-odd bytes, too often for a call or a mispredicted branch each.
std::vector<size_t> CrPositionsByWords(const std::string& text) {
  const char* const data = text.data();
  const size_t size = text.size();
  std::vector<size_t> ends(size / 16 + 16);
  size_t n = 0, i = 0;
  for (; size - i >= 8; i += 8) {
    if (ends.size() - n < 8) ends.resize(ends.size() * 2);
    uint64_t word;
    std::memcpy(&word, data + i, 8);
    uint64_t crs = CrBytes(word);
    // One in the low bit of each CR byte, summed by the multiply into the top byte.
    const size_t count = static_cast<size_t>(((crs >> 7) * 0x0101010101010101ull) >> 56);
    size_t* out = ends.data() + n;
    // Two places are written whether or not they are there; the count says which stay.
    out[0] = i + ByteOfLowestBit(crs);
    crs &= crs - 1;
    out[1] = i + ByteOfLowestBit(crs);
    crs &= crs - 1;
    for (size_t k = 2; k < count; ++k) {
      out[k] = i + ByteOfLowestBit(crs);
      crs &= crs - 1;
    }
    n += count;
  }
  return FinishCrPositions(data, size, i, ends, n);
}

std::vector<size_t> CrPositions(const std::string& text) {
#if defined(__SSE2__)
  // Sixty-four bytes a step: one bit per byte from four compares, then the same unrolled
  // writes as above.
  const char* const data = text.data();
  const size_t size = text.size();
  std::vector<size_t> ends(size / 16 + 64);
  const __m128i cr = _mm_set1_epi8('\r');
  size_t n = 0, i = 0;
  for (; size - i >= 64; i += 64) {
    if (ends.size() - n < 64) ends.resize(ends.size() * 2);
    const auto bits = [&](size_t at) {
      const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i + at));
      return static_cast<uint64_t>(static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(chunk, cr))));
    };
    uint64_t crs = bits(0) | bits(16) << 16 | bits(32) << 32 | bits(48) << 48;
    const size_t count = static_cast<size_t>(__builtin_popcountll(crs));
    size_t* out = ends.data() + n;
    for (size_t k = 0; k < 4; ++k) {
      out[k] = i + static_cast<size_t>(__builtin_ctzll(crs | (uint64_t{1} << 63)));
      crs &= crs - 1;
    }
    for (size_t k = 4; k < count; ++k) {
      out[k] = i + static_cast<size_t>(__builtin_ctzll(crs));
      crs &= crs - 1;
    }
    n += count;
  }
  return FinishCrPositions(data, size, i, ends, n);
#else
  return CrPositionsByWords(text);
#endif
}

}  // namespace detail

PackedRows PackRecords(std::string bytes, int fieldsPerRecord) {
  PackedRows packed;
  if (fieldsPerRecord <= 0) return packed;
  packed.fieldsPerRecord = fieldsPerRecord;
  packed.ends = detail::CrPositions(bytes);
  // What follows the last CR, but for that CR's LF, is one more line.
  size_t tail = 0;
  if (!packed.ends.empty()) {
    const size_t cr = packed.ends.back();
    tail = cr + (bytes[cr + 1] == '\n' ? 2 : 1);
  }
  if (tail < bytes.size()) packed.ends.push_back(bytes.size());
  // A short last record gets empty fields.
  const size_t perRecord = static_cast<size_t>(fieldsPerRecord);
  packed.ends.resize((packed.ends.size() + perRecord - 1) / perRecord * perRecord, bytes.size());
  packed.text = std::move(bytes);
  return packed;
}

std::vector<CatalogEntry> ParseRecords(const std::string& bytes, int fieldsPerRecord) {
  return PackRecords(bytes, fieldsPerRecord).Unpack();
}

std::string FormatRecords(const IListView& list, int fieldsPerRecord) {
  const size_t rows = list.RowCount();
  size_t total = 0;
  for (size_t i = 1; i <= rows; ++i)
    for (int j = 0; j < fieldsPerRecord; ++j) total += list.Field(i, j).size() + 2;
  std::string out;
  out.reserve(total);
  for (size_t i = 1; i <= rows; ++i)
    for (int j = 0; j < fieldsPerRecord; ++j) {
      out += list.Field(i, j);
      out += "\r\n";
    }
  return out;
}

LoadResult LoadList(const std::string& path, IListView& list, IFileSystem& fs, IMessages& messages) {
  LoadResult result;
  const int fields = FieldsOf(list);
  if (fields <= 0) {
    messages.MsgBox("Error app data: ", mb::OK | mb::IconStop, kProgramTitle);
    return result;
  }
  std::string bytes;
  if (!fs.ReadAll(path, bytes)) {
    result.readFailed = true;
    messages.MsgBox("Error app data: " + fs.LastErrorDescription(), mb::OK | mb::IconStop, kProgramTitle);
    return result;
  }
  // The file's bytes become the rows' text: no copy per field.
  PackedRows records = PackRecords(std::move(bytes), fields);
  result.count = records.Count();
  list.AddPackedRows(std::move(records));
  return result;
}

bool SaveList(const std::string& path, const IListView& list, IFileSystem& fs, IMessages& messages) {
  const int fields = FieldsOf(list);
  if (fields <= 0) {
    messages.MsgBox("Error saving list : ", mb::OK | mb::IconStop, kProgramTitle);
    return false;
  }
  // Failures from here on are silent: the old file stays whole and the rows are untouched.
  return SaveFileSafely(fs, path, FormatRecords(list, fields)).ok();
}

}  // namespace carrydeck
