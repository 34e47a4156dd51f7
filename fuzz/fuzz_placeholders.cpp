// "%drive%" and "%dir%": replaced wherever the parameters spell them, in any letter case,
// and never again inside what they were replaced by.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzCheck.h"
#include "common/Paths.h"

using namespace carrydeck;

namespace {

bool Spells(const std::string& text, const std::string& token) {
  return ToLowerAscii(text).find(token) != std::string::npos;
}

std::string ReplaceAll(const std::string& text, char marker, const std::string& with) {
  std::string out;
  for (char c : text) {
    if (c == marker)
      out += with;
    else
      out += c;
  }
  return out;
}

std::string Without(const std::string& text, const std::string& chars) {
  std::string out;
  for (char c : text)
    if (chars.find(c) == std::string::npos) out += c;
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  const std::string folder = input.ConsumeRandomLengthString(300);
  const bool share = input.ConsumeBool();
  // The markers below stand for the folder and the drive, so neither may hold them.
  const std::string markers("\x01\x02", 2);
  const std::string server = Without(input.ConsumeRandomLengthString(20), "\\" + markers);
  const std::string shareName = Without(input.ConsumeRandomLengthString(20), "\\" + markers);
  char letter = input.ConsumeIntegral<char>();
  if (markers.find(letter) != std::string::npos) letter = 'E';
  const std::string root = share ? "\\\\" + server + "\\" + shareName + "\\" : std::string(1, letter) + ":\\";
  const std::string drive = root.substr(0, root.size() - 1);
  const std::string parameters = Without(input.ConsumeRemainingBytesAsString(), markers);

  const std::string expanded = ExpandPlaceholders(parameters, folder, root);
  if (parameters.find('%') == std::string::npos) FUZZ_CHECK(expanded == parameters);

  // With markers in place of the folder and the drive nothing is left to expand...
  const std::string marked = ExpandPlaceholders(parameters, "\x01", "\x02\\");
  FUZZ_CHECK(!Spells(marked, "%drive%") && !Spells(marked, "%dir%"));
  // ...and the folder is put in as it is, whatever it spells: it is never scanned again.
  const std::string folderMarked = ExpandPlaceholders(parameters, "\x01", root);
  FUZZ_CHECK(expanded == ReplaceAll(folderMarked, '\x01', folder));
  // The drive text is scanned for "%dir%" like the rest of the parameters, so only a drive
  // that does not spell one goes in unchanged.
  if (!Spells(drive, "%")) FUZZ_CHECK(expanded == ReplaceAll(ReplaceAll(marked, '\x02', drive), '\x01', folder));
  return 0;
}
