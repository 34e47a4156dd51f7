// "Types.dat": every line becomes an item, as UTF-8 text, and a save writes them back in the
// encoding they were read in.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "Fakes.h"
#include "FuzzCheck.h"
#include "common/TextCodec.h"
#include "common/TextLines.h"
#include "launcher/TypesFile.h"

using namespace carrydeck;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string kTypes = "E:\\Types.dat";
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  testing::MemoryFileSystem fs;
  fs.files[kTypes] = bytes;

  testing::CodePage1252 cp;
  TextForm read{&cp};
  const std::string text = DecodeTextFile(bytes, &read);

  ItemList combo;
  TextForm form{&cp};
  FUZZ_CHECK(LoadComboFromFile(fs, kTypes, combo, &form));
  FUZZ_CHECK(combo.Items() == SplitLines(text));
  FUZZ_CHECK(form.encoding == read.encoding);
  FUZZ_CHECK(fs.files[kTypes] == bytes);  // reading never writes

  FUZZ_CHECK(SaveComboToFile(fs, kTypes, combo, &form));
  FUZZ_CHECK(fs.files.size() == 1);
  FUZZ_CHECK(form.encoding == read.encoding);
  FUZZ_CHECK(fs.files[kTypes] == EncodeText(JoinLines(combo.Items()), read.encoding, cp).bytes);

  // What was written reads back as the same items and writes the same bytes again.
  ItemList again;
  TextForm againForm{&cp};
  FUZZ_CHECK(LoadComboFromFile(fs, kTypes, again, &againForm));
  FUZZ_CHECK(again.Items() == combo.Items());
  FUZZ_CHECK(againForm.invalid == 0);
  const std::string saved = fs.files[kTypes];
  FUZZ_CHECK(SaveComboToFile(fs, kTypes, again, &againForm));
  FUZZ_CHECK(fs.files[kTypes] == saved);
  return 0;
}
