// The handle table and object-name replies, byte for byte, in both bitnesses' layouts.
#include <gtest/gtest.h>

#include "common/NtRecords.h"

namespace carrydeck {
namespace {

std::vector<uint8_t> Bytes(std::initializer_list<int> values) {
  std::vector<uint8_t> bytes;
  for (int v : values) bytes.push_back(static_cast<uint8_t>(v));
  return bytes;
}

TEST(HandleTable, ReadsThe16ByteRecordsOfA32BitProcess) {
  // Count 2; records at byte 4: pid, back-trace, type, attributes, handle, object, access.
  std::vector<uint8_t> table =
      Bytes({2,    0, 0,    0,    0x34, 0x12, 0x99, 0x99, 28,   0x02, 0x44, 0x00, 1, 2, 3, 4, 0x9F, 0x01,
             0x12, 0, 0xFF, 0xFF, 0,    0,    5,    0,    0x30, 0x01, 9,    9,    9, 9, 0, 0, 0,    0});
  std::vector<HandleEntry> entries = ParseHandleTable(table, kLayoutX86);
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].processId, 0x1234);
  EXPECT_EQ(entries[0].objectTypeIndex, 28);
  EXPECT_EQ(entries[0].handleValue, 0x44);
  EXPECT_EQ(entries[1].processId, 0xFFFF);
  EXPECT_EQ(entries[1].objectTypeIndex, 5);
  EXPECT_EQ(entries[1].handleValue, 0x130);
}

TEST(HandleTable, ReadsThe24ByteRecordsOfA64BitProcessAfterTheAlignedCount) {
  // The array is pointer-aligned: bytes 4 to 7 are padding, records start at byte 8.
  std::vector<uint8_t> table = Bytes({1, 0, 0, 0, 0xEE, 0xEE, 0xEE, 0xEE, 0x20, 0x0F, 0,    0, 37, 0, 0x8C, 0x00,
                                      1, 2, 3, 4, 5,    6,    7,    8,    0x9F, 0x01, 0x12, 0, 0,  0, 0,    0});
  std::vector<HandleEntry> entries = ParseHandleTable(table, kLayoutX64);
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].processId, 0x0F20);
  EXPECT_EQ(entries[0].objectTypeIndex, 37);
  EXPECT_EQ(entries[0].handleValue, 0x8C);
  // The same bytes read as 16-byte records would be a different table.
  EXPECT_NE(ParseHandleTable(table, kLayoutX86).at(0).processId, 0x0F20);
}

TEST(HandleTable, ReadsThe28ByteExtendedRecordsOfA32BitProcess) {
  // Count and a reserved field, then: object, pid, handle, access, back-trace, type,
  // attributes, reserved, each 32 bits but the two 16-bit fields.
  std::vector<uint8_t> table =
      Bytes({1,    0,    0,    0,    0xEE, 0xEE, 0xEE, 0xEE, 1,  2, 3, 4, 0x20, 0x0F, 0x01, 0x00, 0x8C, 0x02,
             0x00, 0x00, 0x9F, 0x01, 0x12, 0,    0x77, 0x77, 37, 0, 2, 0, 0,    0,    0xEE, 0xEE, 0xEE, 0xEE});
  std::vector<HandleEntry> entries = ParseHandleTable(table, kLayoutExtendedX86);
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].processId, 0x10F20u);  // beyond 16 bits, whole
  EXPECT_EQ(entries[0].objectTypeIndex, 37);
  EXPECT_EQ(entries[0].handleValue, 0x28Cu);
}

TEST(HandleTable, ReadsThe40ByteExtendedRecordsOfA64BitProcess) {
  std::vector<uint8_t> table(16 + 40 * 2, 0xEE);
  table[0] = 2;
  for (int i = 1; i < 8; ++i) table[i] = 0;
  auto put = [&](size_t at, uint64_t value, size_t width) {
    for (size_t i = 0; i < width; ++i) table[at + i] = static_cast<uint8_t>(value >> (8 * i));
  };
  for (size_t r = 0; r < 2; ++r) {
    const size_t at = 16 + r * 40;
    put(at + 8, 0x12345 + r, 8);      // pid
    put(at + 16, 0x1004 + 4 * r, 8);  // handle
    put(at + 30, 40 + r, 2);          // type index
  }
  std::vector<HandleEntry> entries = ParseHandleTable(table, kLayoutExtendedX64);
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[1].processId, 0x12346u);
  EXPECT_EQ(entries[1].handleValue, 0x1008u);
  EXPECT_EQ(entries[1].objectTypeIndex, 41);
  EXPECT_EQ(ExtendedOf(kLayoutX64).recordSize, 40u);
  EXPECT_EQ(ExtendedOf(kLayoutX86).recordSize, 28u);
}

TEST(HandleTable, ACountBeyondTheBytesYieldsOnlyWholeRecords) {
  std::vector<uint8_t> table(4 + 16 * 3 + 7, 0);
  table[0] = 0xFF;
  table[1] = 0xFF;
  table[2] = 0xFF;
  table[3] = 0xFF;
  EXPECT_EQ(ParseHandleTable(table, kLayoutX86).size(), 3u);
  EXPECT_TRUE(ParseHandleTable(Bytes({5, 0, 0}), kLayoutX86).empty());
  EXPECT_TRUE(ParseHandleTable({}, kLayoutX64).empty());
  EXPECT_TRUE(ParseHandleTable(Bytes({1, 0, 0, 0, 0, 0, 0, 0}), kLayoutX64).empty());
}

TEST(HandleTable, AnEmptyTableHasNoRecords) { EXPECT_TRUE(ParseHandleTable(Bytes({0, 0, 0, 0}), kLayoutX86).empty()); }

std::vector<uint8_t> NameReply(size_t textAt, const std::u16string& text, size_t size = 4096) {
  std::vector<uint8_t> reply(size, 0);
  for (size_t at = 0; at < textAt; ++at) reply[at] = 0xAB;
  for (size_t i = 0; i < text.size() && textAt + 2 * i + 1 < size; ++i) {
    reply[textAt + 2 * i] = static_cast<uint8_t>(text[i]);
    reply[textAt + 2 * i + 1] = static_cast<uint8_t>(text[i] >> 8);
  }
  return reply;
}

TEST(ObjectName, TextStartsAfterTheCountedStringOfEachBitness) {
  const std::u16string name = u"\\Device\\HarddiskVolume5\\Apps\\notes.txt";
  EXPECT_EQ(ObjectNameText(NameReply(8, name), kLayoutX86), name);
  EXPECT_EQ(ObjectNameText(NameReply(16, name), kLayoutX64), name);
  // Reading a 64-bit reply at byte 8 would take the pointer for text.
  EXPECT_NE(ObjectNameText(NameReply(16, name), kLayoutX86), name);
}

TEST(ObjectName, KeepsWideCharactersAndStopsAtTheNul) {
  std::u16string name = u"\\??\\E:\\M\u00FCller\u4E2D";
  std::vector<uint8_t> reply = NameReply(8, name + u'\0' + u"garbage");
  EXPECT_EQ(ObjectNameText(reply, kLayoutX86), name);
}

TEST(ObjectName, KeepsAtMost255Characters) {
  std::u16string name(300, u'a');
  EXPECT_EQ(ObjectNameText(NameReply(16, name), kLayoutX64), std::u16string(255, u'a'));
  EXPECT_EQ(ObjectNameText(NameReply(16, std::u16string(255, u'b')), kLayoutX64).size(), 255u);
}

TEST(ObjectName, NeverReadsPastTheReply) {
  // No NUL before the end, and an odd byte at the end.
  std::vector<uint8_t> reply = NameReply(8, u"abcd", 8 + 7);
  EXPECT_EQ(ObjectNameText(reply, kLayoutX86), u"abc");
  EXPECT_EQ(ObjectNameText(std::vector<uint8_t>(4, 0xAB), kLayoutX86), u"");
  EXPECT_EQ(ObjectNameText(NameReply(8, u""), kLayoutX86), u"");
}

TEST(StorageRecords, QueryIsTwelveZeroBytesAndTheDescriptorSaysItsSize) {
  EXPECT_EQ(PropertyQuery(), std::vector<uint8_t>(12, 0));
  std::vector<uint8_t> descriptor = DeviceDescriptorBuffer();
  ASSERT_EQ(descriptor.size(), 40u);
  EXPECT_EQ(ReadU32(descriptor, 4), 40u);
  descriptor[4] = 0;
  EXPECT_EQ(descriptor, std::vector<uint8_t>(40, 0));
}

TEST(StorageRecords, LittleEndianFieldsStayInsideTheBuffer) {
  std::vector<uint8_t> bytes(8, 0);
  WriteU32(bytes, 4, 0x11223344);
  EXPECT_EQ(bytes, Bytes({0, 0, 0, 0, 0x44, 0x33, 0x22, 0x11}));
  EXPECT_EQ(ReadU32(bytes, 4), 0x11223344u);
  WriteU32(bytes, 5, 0xFFFFFFFF);  // would run past the end: ignored
  EXPECT_EQ(ReadU32(bytes, 4), 0x11223344u);
  EXPECT_EQ(ReadU32(bytes, 5), 0u);
  EXPECT_EQ(ReadU32(bytes, 100), 0u);
}

}  // namespace
}  // namespace carrydeck
