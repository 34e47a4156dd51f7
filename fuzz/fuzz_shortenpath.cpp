// The status-line form of a path: it ends, it keeps the file name whole, and it is short
// enough or cannot be cut further; the result is that of cutting one leading part at a time.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzCheck.h"
#include "common/Paths.h"

using namespace carrydeck;

namespace {

// The rule step by step, one leading part per pass: slow, and plainly right.
std::string CutOnePartAtATime(const std::string& path, int maximum) {
  std::string s = path;
  if (s.size() >= 2 && s[0] == '\\' && s[1] == '\\') s.erase(0, 1);
  std::string shown;
  for (char c : s) shown += c == '\\' ? std::string(" > ") : std::string(1, c);
  while (static_cast<long long>(shown.size()) >= maximum) {
    const size_t p = shown.find(" > ");
    if (p == std::string::npos) break;
    shown = "..." + shown.substr(p + 1);
  }
  return shown;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  // The caller passes a status bar's width over 80: a 16-bit number, zero and below included.
  const int maximum = input.ConsumeIntegral<int16_t>();
  const std::string path = input.ConsumeRemainingBytesAsString();

  const std::string shown = ShortenPathForDisplay(path, maximum);
  FUZZ_CHECK(shown == CutOnePartAtATime(path, maximum));

  // A name with ">", which no file can have, may hold a separator of its own and be cut there.
  const size_t slash = path.rfind('\\');
  const size_t nameAt = slash == std::string::npos ? 0 : slash + 1;
  if (path.find('>', nameAt) == std::string::npos) {
    if (slash == std::string::npos)
      FUZZ_CHECK(shown == path);
    else  // cut or not, the last separator and the file name after it are there
      FUZZ_CHECK(fuzz::EndsWith(shown, "> " + path.substr(nameAt)));
  }
  FUZZ_CHECK(static_cast<long long>(shown.size()) < maximum || shown.find(" > ") == std::string::npos);
  return 0;
}
