// The catalogue's entries as rows, with their sort state: the one copy of the catalogue.
// A list that shows the catalogue keeps its rows here: the Win32 list (owner-data: the
// control asks for the texts it paints) and the memory list of the tests.
// A loaded catalogue stays the file's own text and its rows point into it; a row becomes a
// CatalogEntry of its own only when someone asks for the whole row.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "launcher/Catalogue.h"

namespace carrydeck {

class CatalogueRows {
 public:
  size_t Count() const { return rows_.size(); }
  void Clear();
  void Append(std::vector<CatalogEntry>&& entries);
  void Append(PackedRows&& packed);
  void Remove(size_t index0);
  const CatalogEntry& At(size_t index0) const;
  // Field j (0 to 3) of a row, without making the row's own copy.
  std::string_view Field(size_t index0, int j) const;
  int Icon(size_t index0) const { return rows_[index0].icon; }
  void SetIcon(size_t index0, int image) { rows_[index0].icon = image; }

  bool Sorted() const { return sorted_; }
  int Key() const { return key_; }
  SortOrder Order() const { return order_; }
  // Each returns where the row that stood at index0 `follow` is now (for selection).
  size_t SetSorted(bool sorted, size_t follow);
  size_t SetKey(int key, size_t follow);
  size_t SetOrder(SortOrder order, size_t follow);

  // Type-to-find: the first row from index0 `start` on, wrapping round, whose name starts
  // with `typed`, letter case ignored as the sort ignores it; npos when none does or
  // nothing was typed.
  size_t FindByNamePrefix(std::string_view typed, size_t start) const;

  static const size_t npos = static_cast<size_t>(-1);
  static constexpr int kNoKey = -1;

 private:
  struct Row {
    uint32_t text = 0;  // which of texts_ a packed row points into
    int icon = -1;
    size_t first = 0;  // index of the entry in that text
    // The whole entry: always for a row added as one, made on demand for a packed row.
    mutable std::shared_ptr<const CatalogEntry> entry;
  };
  size_t Resort(size_t follow);

  std::vector<Row> rows_;
  std::vector<std::shared_ptr<const PackedRows>> texts_;
  bool sorted_ = false;
  int key_ = kNoKey;  // no column yet: the first click on any header sorts ascending
  SortOrder order_ = SortOrder::Ascending;
};

// Text order of the sort: letter case ignored, bytes compared unsigned.
int CompareNoCase(std::string_view a, std::string_view b);

}  // namespace carrydeck
