// Line-oriented text files of the launcher ("Data.dat", "Types.dat").
#pragma once

#include <string>
#include <vector>

namespace carrydeck {

// CR LF or a lone CR ends a line; a lone LF belongs to the line. A last line without an
// end still counts; an empty file has no lines.
std::vector<std::string> SplitLines(const std::string& bytes);

// Every line followed by CR LF.
std::string JoinLines(const std::vector<std::string>& lines);
void AppendLine(std::string& out, const std::string& line);

}  // namespace carrydeck
