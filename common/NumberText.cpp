#include "common/NumberText.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "common/Paths.h"

namespace carrydeck {

std::string FormatSingle(double value) {
  float single = static_cast<float>(value);
  if (!std::isfinite(single) || single == 0.0f) return "0";
  // Seven significant digits and their exponent, then laid out without an exponent.
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.6e", static_cast<double>(single));
  std::string text(buf);
  bool negative = text[0] == '-';
  if (negative) text.erase(0, 1);
  int exponent = std::atoi(text.c_str() + text.find('e') + 1);
  std::string digits = text.substr(0, 1) + text.substr(2, 6);
  std::string out;
  if (exponent >= 6) {
    out = digits + std::string(static_cast<size_t>(exponent - 6), '0');
  } else if (exponent >= 0) {
    out = digits.substr(0, static_cast<size_t>(exponent) + 1) + "." + digits.substr(static_cast<size_t>(exponent) + 1);
  } else {
    out = "0." + std::string(static_cast<size_t>(-exponent - 1), '0') + digits;
  }
  if (out.find('.') != std::string::npos) {
    while (out.back() == '0') out.pop_back();
    if (out.back() == '.') out.pop_back();
  }
  return negative ? "-" + out : out;
}

std::optional<double> ParseNumber(const std::string& raw) {
  std::string text = Trim(raw);
  if (text.empty() || text.size() > 400) return std::nullopt;
  size_t i = 0;
  if (text[i] == '+' || text[i] == '-') ++i;
  bool digits = false;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i, digits = true;
  if (i < text.size() && (text[i] == '.' || text[i] == ',')) {
    text[i] = '.';  // what strtod reads in the C locale
    ++i;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i, digits = true;
  }
  if (!digits) return std::nullopt;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    bool expDigits = false;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i, expDigits = true;
    if (!expDigits) return std::nullopt;
  }
  if (i != text.size()) return std::nullopt;
  errno = 0;
  double value = std::strtod(text.c_str(), nullptr);
  if (!std::isfinite(value)) return std::nullopt;
  return value;
}

std::optional<bool> ParseBoolean(const std::string& raw) {
  std::string text = Trim(raw);
  if (EqualsNoCase(text, "True")) return true;
  if (EqualsNoCase(text, "False")) return false;
  std::optional<double> number = ParseNumber(text);
  if (!number) return std::nullopt;
  return *number != 0.0;
}

double RoundHalfEven(double value) {
  double floor = std::floor(value);
  double diff = value - floor;
  if (diff > 0.5) return floor + 1;
  if (diff < 0.5) return floor;
  return std::fmod(floor, 2.0) == 0.0 ? floor : floor + 1;
}

std::optional<int16_t> ParseInteger16(const std::string& text) {
  std::optional<double> number = ParseNumber(text);
  if (!number) return std::nullopt;
  double rounded = RoundHalfEven(*number);
  if (rounded < -32768.0 || rounded > 32767.0) return std::nullopt;
  return static_cast<int16_t>(rounded);
}

std::string FormatInteger(long long value) { return std::to_string(value); }

}  // namespace carrydeck
