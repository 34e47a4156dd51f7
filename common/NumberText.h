// How numbers and Booleans are written to and read from the settings and hand-off files.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace carrydeck {

// Shortest decimal text of a single-precision value: at most seven significant digits,
// no exponent, no trailing zeros (913.3333, 2740, 3653.333).
std::string FormatSingle(double value);

// A decimal number with optional sign, fraction and exponent; spaces around are allowed. The
// decimal mark is a point or, as files written on such locales have it, a comma.
// Anything else (words, hex, empty text, inf/nan, a thousands separator) is refused.
std::optional<double> ParseNumber(const std::string& text);

// A number (non-zero is true) or the words True/False in any letter case.
std::optional<bool> ParseBoolean(const std::string& text);

// A 16-bit whole number, a fraction rounded half to even; out of range is refused.
std::optional<int16_t> ParseInteger16(const std::string& text);

// Round half to even at the whole number.
double RoundHalfEven(double value);

std::string FormatInteger(long long value);

}  // namespace carrydeck
