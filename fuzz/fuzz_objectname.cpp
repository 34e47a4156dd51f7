// An object-name reply in both layouts: the name is the UTF-16 text from its own offset up
// to the first NUL, the end of the reply or 255 characters, whichever comes first.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzCheck.h"
#include "common/NtRecords.h"

using namespace carrydeck;

namespace {

void Check(const std::vector<uint8_t>& reply, const RecordLayout& layout) {
  const std::u16string name = ObjectNameText(reply, layout);
  FUZZ_CHECK(name.size() <= kNameChars);
  for (size_t i = 0; i < name.size(); ++i) {
    const size_t at = layout.nameTextAt + 2 * i;
    FUZZ_CHECK(at + 1 < reply.size());
    FUZZ_CHECK(name[i] != 0);
    FUZZ_CHECK(name[i] == static_cast<char16_t>(reply[at] | reply[at + 1] << 8));
  }
  // Why it stopped: the limit, the end of the reply, or a NUL.
  const size_t next = layout.nameTextAt + 2 * name.size();
  if (name.size() < kNameChars && next + 1 < reply.size()) FUZZ_CHECK(reply[next] == 0 && reply[next + 1] == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::vector<uint8_t> reply(data, data + size);
  Check(reply, kLayoutX86);
  Check(reply, kLayoutX64);
  return 0;
}
