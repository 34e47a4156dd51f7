// What every harness uses: a property check that turns a broken promise into a finding
// (libFuzzer keeps the input that caused it), and small text helpers for the checks.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

#define FUZZ_CHECK(condition)                                                  \
  do {                                                                         \
    if (!(condition)) ::carrydeck::fuzz::Fail(#condition, __FILE__, __LINE__); \
  } while (0)

namespace carrydeck::fuzz {

[[noreturn]] inline void Fail(const char* what, const char* file, int line) {
  std::fprintf(stderr, "\nProperty broken at %s:%d: %s\n", file, line, what);
  std::abort();
}

inline bool StartsWith(const std::string& text, const std::string& prefix) {
  return text.size() >= prefix.size() && text.compare(0, prefix.size(), prefix) == 0;
}

inline bool EndsWith(const std::string& text, const std::string& suffix) {
  return text.size() >= suffix.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

}  // namespace carrydeck::fuzz
