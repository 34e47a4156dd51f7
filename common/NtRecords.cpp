#include "common/NtRecords.h"

namespace carrydeck {

namespace {

uint16_t ReadU16(const std::vector<uint8_t>& bytes, size_t at) {
  return static_cast<uint16_t>(bytes[at] | (bytes[at + 1] << 8));
}

// A little-endian field of 1 to 8 bytes that lies within `bytes`.
uint64_t ReadField(const std::vector<uint8_t>& bytes, size_t at, size_t width) {
  uint64_t value = 0;
  for (size_t i = width; i-- > 0;) value = value << 8 | bytes[at + i];
  return value;
}

}  // namespace

uint32_t ReadU32(const std::vector<uint8_t>& bytes, size_t at) {
  if (at > bytes.size() || bytes.size() - at < 4) return 0;
  return static_cast<uint32_t>(bytes[at]) | static_cast<uint32_t>(bytes[at + 1]) << 8 |
         static_cast<uint32_t>(bytes[at + 2]) << 16 | static_cast<uint32_t>(bytes[at + 3]) << 24;
}

void WriteU32(std::vector<uint8_t>& bytes, size_t at, uint32_t value) {
  if (at > bytes.size() || bytes.size() - at < 4) return;
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

std::vector<HandleEntry> ParseHandleTable(const std::vector<uint8_t>& table, const RecordLayout& layout) {
  std::vector<HandleEntry> entries;
  if (table.size() < layout.recordsAt || layout.recordSize == 0) return entries;
  // The count comes from the system, but the bytes it answered with are what we can read.
  size_t fits = (table.size() - layout.recordsAt) / layout.recordSize;
  size_t count = ReadU32(table, 0);
  if (count > fits) count = fits;
  entries.reserve(count);
  for (size_t i = 0; i < count; ++i) {
    size_t at = layout.recordsAt + i * layout.recordSize;
    HandleEntry entry;
    entry.processId = ReadField(table, at + layout.processIdAt, layout.processIdBytes);
    entry.objectTypeIndex = static_cast<uint16_t>(ReadField(table, at + layout.typeIndexAt, layout.typeIndexBytes));
    entry.handleValue = ReadField(table, at + layout.handleAt, layout.handleBytes);
    entries.push_back(entry);
  }
  return entries;
}

std::u16string ObjectNameText(const std::vector<uint8_t>& reply, const RecordLayout& layout) {
  std::u16string text;
  for (size_t at = layout.nameTextAt; at + 1 < reply.size() && text.size() < kNameChars; at += 2) {
    char16_t c = ReadU16(reply, at);
    if (c == 0) break;
    text.push_back(c);
  }
  return text;
}

std::vector<uint8_t> PropertyQuery() { return std::vector<uint8_t>(kPropertyQuerySize, 0); }

std::vector<uint8_t> DeviceDescriptorBuffer() {
  std::vector<uint8_t> buffer(kDeviceDescriptorSize, 0);
  WriteU32(buffer, kDescriptorSizeAt, static_cast<uint32_t>(kDeviceDescriptorSize));
  return buffer;
}

}  // namespace carrydeck
