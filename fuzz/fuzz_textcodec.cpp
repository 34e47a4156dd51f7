// The text files' codec: any bytes decode to well-formed UTF-8 that encodes back to what
// was read, byte for byte, whenever nothing was damaged.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

#include "Fakes.h"
#include "FuzzCheck.h"
#include "common/TextCodec.h"

using namespace carrydeck;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  testing::CodePage1252 cp1252;
  Latin1CodePage latin1;
  for (ICodePage* cp : {static_cast<ICodePage*>(&cp1252), static_cast<ICodePage*>(&latin1)}) {
    const DecodedText decoded = DecodeText(bytes, *cp);
    FUZZ_CHECK(IsValidUtf8(decoded.utf8));
    const bool marked = fuzz::StartsWith(bytes, std::string(kUtf8Mark));
    FUZZ_CHECK((decoded.encoding == TextEncoding::Utf8) == marked);
    FUZZ_CHECK(marked || decoded.invalid == 0);
    // Line ends are where they were: the codec never makes or takes a CR or LF.
    const std::string body = marked ? bytes.substr(kUtf8Mark.size()) : bytes;
    for (char end : {'\r', '\n'})
      FUZZ_CHECK(std::count(body.begin(), body.end(), end) ==
                 std::count(decoded.utf8.begin(), decoded.utf8.end(), end));

    const EncodedText encoded = EncodeText(decoded.utf8, decoded.encoding, *cp);
    if (decoded.invalid == 0) FUZZ_CHECK(encoded.bytes == bytes);  // unchanged text, unchanged file
    FUZZ_CHECK(encoded.encoding == decoded.encoding);
    // Whatever was written reads back as the same text, in the encoding it was written in.
    const DecodedText again = DecodeText(encoded.bytes, *cp);
    FUZZ_CHECK(again.utf8 == decoded.utf8);
    FUZZ_CHECK(again.encoding == encoded.encoding);
    FUZZ_CHECK(again.invalid == 0);
  }
  // Repairing is the identity exactly on valid text, and repairs once for good.
  size_t replaced = 0;
  const std::string repaired = RepairUtf8(bytes, &replaced);
  FUZZ_CHECK(IsValidUtf8(bytes) == (replaced == 0));
  FUZZ_CHECK(replaced > 0 || repaired == bytes);
  FUZZ_CHECK(RepairUtf8(repaired) == repaired);
  FUZZ_CHECK(replaced <= bytes.size());
  return 0;
}
