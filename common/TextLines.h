// Line-oriented text files of the launcher ("Data.dat", "Types.dat") and the INI text.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace carrydeck {

// The line rule of every such file: CR LF or a lone CR ends a line; a lone LF belongs to
// the line. A last line without an end still counts; an empty file has no lines.

// Where each line of the text ends: at its CR, or at the end of the text for a last line
// without one.
std::vector<size_t> LineEnds(std::string_view text);
// Where the line after the one ending at `end` starts: past its CR and that CR's LF; the
// end of the text for a line that ends there.
size_t NextLineStart(std::string_view text, size_t end);

// The lines themselves, without their ends.
std::vector<std::string> SplitLines(const std::string& bytes);

// Every line followed by CR LF.
std::string JoinLines(const std::vector<std::string>& lines);
void AppendLine(std::string& out, const std::string& line);

namespace detail {
// Where the CRs of a text are: with the processor's vector compares where the build has
// them, else with the C library's byte search (the 32-bit release); both must agree.
std::vector<size_t> CrPositions(std::string_view text);
std::vector<size_t> CrPositionsBySearch(std::string_view text);
}  // namespace detail

}  // namespace carrydeck
