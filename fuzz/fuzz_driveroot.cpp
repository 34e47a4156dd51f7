// Drive roots and relocation: the root of a path is its own beginning, stripping leaves its
// end, relocating puts the given root in front, and relocating twice is relocating once.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzCheck.h"
#include "common/Paths.h"

using namespace carrydeck;

namespace {

std::string Without(const std::string& text, char c) {
  std::string out;
  for (char k : text)
    if (k != c) out += k;
  return out;
}

// A drive root of either shape: E:\ (any two characters but two backslashes before the
// backslash) or \\server\share\.
std::string Root(FuzzedDataProvider& input) {
  if (input.ConsumeBool()) {
    std::string root = input.ConsumeBytesAsString(2);
    root.resize(2, ':');
    if (root == "\\\\") root[1] = ':';
    return root + "\\";
  }
  const std::string server = Without(input.ConsumeRandomLengthString(16), '\\');
  const std::string share = Without(input.ConsumeRandomLengthString(16), '\\');
  return "\\\\" + server + "\\" + share + "\\";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  const std::string first = Root(input);
  const std::string second = Root(input);
  const std::string rest = input.ConsumeRandomLengthString(300);
  const std::string path = input.ConsumeRemainingBytesAsString();

  // Any stored path.
  const std::string stripped = StripDriveRoot(path);
  FUZZ_CHECK(fuzz::EndsWith(path, stripped));
  FUZZ_CHECK(RelocatePath(path, second) == second + stripped);
  FUZZ_CHECK(fuzz::StartsWith(path, DriveRootOf(path)));

  // A path on a root.
  const std::string stored = first + rest;
  FUZZ_CHECK(DriveRootOf(stored) == first);
  FUZZ_CHECK(StripDriveRoot(stored) == rest);
  FUZZ_CHECK(DriveRootOf(stored) + StripDriveRoot(stored) == stored);
  const std::string moved = RelocatePath(stored, second);
  FUZZ_CHECK(DriveRootOf(moved) == second);
  FUZZ_CHECK(RelocatePath(moved, first) == stored);
  FUZZ_CHECK(RelocatePath(RelocatePath(path, first), second) == RelocatePath(path, second));

  // The launcher's own root, from the path of its program: a beginning of its folder that
  // ends in a backslash.
  const std::string appPath = AppPathFromModule(path);
  FUZZ_CHECK(!appPath.empty() && appPath.back() == '\\');
  const std::string driveRoot = DriveRootOf(appPath);
  FUZZ_CHECK(fuzz::StartsWith(appPath, driveRoot));
  FUZZ_CHECK(!driveRoot.empty() && driveRoot.back() == '\\');
  return 0;
}
