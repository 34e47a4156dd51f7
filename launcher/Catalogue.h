// The catalogue's entries, one by one or packed as the file holds them, and the order they
// may be sorted in. The catalogue model keeps them; the catalogue file reads and writes them.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace carrydeck {

// The fields of an entry, in the order of the list's columns and of the file's lines.
constexpr int kNameField = 0;
constexpr int kTypeField = 1;
constexpr int kTargetField = 2;
constexpr int kParametersField = 3;
constexpr int kFieldCount = 4;

// One application of the catalogue: Name, Type, Target File, Command Line Parameters.
struct CatalogEntry {
  std::array<std::string, kFieldCount> fields;
  const std::string& Name() const { return fields[0]; }
  const std::string& Type() const { return fields[1]; }
  const std::string& TargetFile() const { return fields[2]; }
  const std::string& Parameters() const { return fields[3]; }
  bool operator==(const CatalogEntry& other) const { return fields == other.fields; }
};

// Many entries kept as one text, the way the catalogue file holds them: each field is a
// line of the text, `fieldsPerRecord` lines an entry. Loading a catalogue of any size is
// then two allocations instead of one per field.
struct PackedRows {
  std::string text;
  // Where each line ends: at its CR, or at the end of the text. A short last entry is
  // padded with lines that end, and so start, at the end of the text.
  std::vector<size_t> ends;
  int fieldsPerRecord = 0;

  size_t Count() const { return fieldsPerRecord > 0 ? ends.size() / static_cast<size_t>(fieldsPerRecord) : 0; }
  // Field j (0 to 3) of entry i (from 0); fields past fieldsPerRecord are empty.
  std::string_view Field(size_t i, int j) const;
  std::vector<CatalogEntry> Unpack() const;
};

enum class SortOrder { Ascending, Descending };

}  // namespace carrydeck
