#include "launcher/Catalogue.h"

#include <algorithm>
#include <tuple>

#include "common/TextLines.h"

namespace carrydeck {

std::string_view PackedRows::Field(size_t i, int j) const {
  if (j < 0 || j >= fieldsPerRecord) return std::string_view();
  const size_t line = i * static_cast<size_t>(fieldsPerRecord) + static_cast<size_t>(j);
  const size_t start = line > 0 ? NextLineStart(text, ends[line - 1]) : 0;
  const size_t end = ends[line];
  return start < end ? std::string_view(text.data() + start, end - start) : std::string_view();
}

std::vector<CatalogEntry> PackedRows::Unpack() const {
  std::vector<CatalogEntry> entries(Count());
  const int fields =
      std::min(fieldsPerRecord, static_cast<int>(std::tuple_size<decltype(CatalogEntry::fields)>::value));
  for (size_t i = 0; i < entries.size(); ++i)
    for (int j = 0; j < fields; ++j) entries[i].fields[static_cast<size_t>(j)] = Field(i, j);
  return entries;
}

}  // namespace carrydeck
