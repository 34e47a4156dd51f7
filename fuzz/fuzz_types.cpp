// "Types.dat": every line becomes an item, byte for byte, and a save writes them back.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "Fakes.h"
#include "FuzzCheck.h"
#include "common/TextLines.h"
#include "launcher/TypesFile.h"

using namespace carrydeck;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string kTypes = "E:\\Types.dat";
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  testing::MemoryFileSystem fs;
  fs.files[kTypes] = bytes;

  ItemList combo;
  FUZZ_CHECK(LoadComboFromFile(fs, kTypes, combo));
  FUZZ_CHECK(combo.Items() == SplitLines(bytes));
  FUZZ_CHECK(fs.files[kTypes] == bytes);  // reading never writes

  FUZZ_CHECK(SaveComboToFile(fs, kTypes, combo));
  FUZZ_CHECK(fs.files.size() == 1);
  FUZZ_CHECK(fs.files[kTypes] == JoinLines(combo.Items()));

  // What was written reads back as the same items and writes the same bytes again.
  ItemList again;
  FUZZ_CHECK(LoadComboFromFile(fs, kTypes, again));
  FUZZ_CHECK(again.Items() == combo.Items());
  const std::string saved = fs.files[kTypes];
  FUZZ_CHECK(SaveComboToFile(fs, kTypes, again));
  FUZZ_CHECK(fs.files[kTypes] == saved);
  return 0;
}
