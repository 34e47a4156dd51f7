// The value forms of the settings: numbers written by FormatSingle read back as the same
// single-precision value (to its seven digits) and write the same text again; any text is
// either refused or read as what its digits say.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "FuzzCheck.h"
#include "common/NumberText.h"
#include "common/Paths.h"

using namespace carrydeck;

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Plain decimal: an optional minus, digits, an optional fraction without trailing zeros;
// no exponent, at most seven significant digits.
void CheckWrittenForm(const std::string& text) {
  FUZZ_CHECK(!text.empty());
  FUZZ_CHECK(text != "-0");
  const size_t first = text[0] == '-' ? 1 : 0;
  const size_t point = text.find('.');
  std::string digits;
  for (size_t k = first; k < text.size(); ++k) {
    if (k == point) continue;
    FUZZ_CHECK(IsDigit(text[k]));
    digits += text[k];
  }
  FUZZ_CHECK(!digits.empty());
  if (point != std::string::npos) {
    FUZZ_CHECK(point > first && point + 1 < text.size());
    FUZZ_CHECK(text.back() != '0');
  } else {
    // Whole-number digits beyond the seventh are zeros standing in for the exponent.
    while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
  }
  digits.erase(0, std::min(digits.find_first_not_of('0'), digits.size()));
  FUZZ_CHECK(digits.size() <= 7);
}

void CheckRoundTrip(double value) {
  const float single = static_cast<float>(value);
  const std::string text = FormatSingle(value);
  CheckWrittenForm(text);
  const std::optional<double> read = ParseNumber(text);
  FUZZ_CHECK(read.has_value());
  if (!std::isfinite(single)) {
    FUZZ_CHECK(text == "0");
    return;
  }
  // Seven significant digits: within half a unit of the seventh digit, and a little for the
  // rounding of the single itself.
  const double tolerance = std::fabs(static_cast<double>(single)) * 5.1e-7 + 1e-45;
  FUZZ_CHECK(std::fabs(*read - static_cast<double>(single)) <= tolerance);
  // Where a single resolves every seventh digit (below 2^23, above 1/64), a stored width
  // that is read and written again keeps its text; elsewhere it settles after one round.
  const std::string again = FormatSingle(*read);
  const float magnitude = std::fabs(single);
  if (magnitude < 8388608.0f && magnitude > 0.015625f) FUZZ_CHECK(again == text);
  FUZZ_CHECK(FormatSingle(*ParseNumber(again)) == again);
}

// What ParseNumber accepts is exactly a decimal number, spaces around allowed, its decimal
// mark a point or a comma; both marks read alike.
void CheckReading(const std::string& raw) {
  const std::optional<double> number = ParseNumber(raw);
  const std::string text = Trim(raw);
  if (number) {
    FUZZ_CHECK(std::isfinite(*number));
    FUZZ_CHECK(!text.empty());
    for (char c : text) FUZZ_CHECK(IsDigit(c) || c == '+' || c == '-' || c == '.' || c == ',' || c == 'e' || c == 'E');
    FUZZ_CHECK(text.find('.') == std::string::npos || text.find(',') == std::string::npos);
    std::string pointed = raw;
    for (char& c : pointed)
      if (c == ',') c = '.';
    FUZZ_CHECK(ParseNumber(pointed) == number);
    CheckRoundTrip(*number);
  }

  const std::optional<bool> boolean = ParseBoolean(raw);
  if (EqualsNoCase(text, "True") || EqualsNoCase(text, "False"))
    FUZZ_CHECK(boolean.has_value() && *boolean == EqualsNoCase(text, "True"));
  else
    FUZZ_CHECK(boolean.has_value() == number.has_value() && (!number || *boolean == (*number != 0.0)));

  const std::optional<int16_t> whole = ParseInteger16(raw);
  if (!number) {
    FUZZ_CHECK(!whole.has_value());
  } else {
    const double rounded = RoundHalfEven(*number);
    FUZZ_CHECK(whole.has_value() == (rounded >= -32768.0 && rounded <= 32767.0));
    if (whole) {
      FUZZ_CHECK(static_cast<double>(*whole) == rounded);
      FUZZ_CHECK(std::fabs(*number - rounded) <= 0.5);
      // A tie goes to the even neighbour.
      if (std::fabs(*number - rounded) == 0.5) FUZZ_CHECK(*whole % 2 == 0);
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  double value = 0;
  const std::vector<uint8_t> raw = input.ConsumeBytes<uint8_t>(sizeof value);
  if (raw.size() == sizeof value) std::memcpy(&value, raw.data(), sizeof value);
  CheckRoundTrip(value);
  // Column widths are quotients of a window width: those reach every digit pattern too.
  const int width = input.ConsumeIntegralInRange<int>(0, 100000);
  const int divisor = input.ConsumeIntegralInRange<int>(1, 16);
  CheckRoundTrip(static_cast<double>(width) / divisor);
  CheckRoundTrip(static_cast<double>(width) / divisor - 480);
  CheckReading(input.ConsumeRemainingBytesAsString());
  return 0;
}
