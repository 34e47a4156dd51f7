#include "common/TextLines.h"

namespace carrydeck {

std::vector<std::string> SplitLines(const std::string& bytes) {
  std::vector<std::string> lines;
  size_t start = 0;
  const size_t n = bytes.size();
  for (size_t i = 0; i < n; ++i) {
    if (bytes[i] != '\r') continue;
    lines.emplace_back(bytes, start, i - start);
    if (i + 1 < n && bytes[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < n) lines.emplace_back(bytes, start, n - start);
  return lines;
}

void AppendLine(std::string& out, const std::string& line) {
  out += line;
  out += "\r\n";
}

std::string JoinLines(const std::vector<std::string>& lines) {
  size_t total = 0;
  for (const std::string& line : lines) total += line.size() + 2;
  std::string out;
  out.reserve(total);
  for (const std::string& line : lines) AppendLine(out, line);
  return out;
}

}  // namespace carrydeck
