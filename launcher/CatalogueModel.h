// The catalogue in memory: its entries in the order they came, and the row map that says
// which entry each row of the list shows, in the order of the last sort. The launcher owns
// it; the catalogue file loads and saves it; the list is a view of it and is told of every
// change. Rows count from 0.
//
// A loaded catalogue stays the file's own text and its entries point into it; an entry
// becomes a CatalogEntry of its own only when someone asks for the whole entry.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "launcher/Catalogue.h"
#include "launcher/CatalogueRows.h"

namespace carrydeck {

class CatalogueModel : public ICatalogueRows {
 public:
  CatalogueModel() = default;
  CatalogueModel(const CatalogueModel&) = delete;
  CatalogueModel& operator=(const CatalogueModel&) = delete;

  // ICatalogueRows
  size_t Count() const override { return rows_.size(); }
  std::string_view Field(size_t row, int j) const override;
  int Icon(size_t row) const override { return entries_[rows_[row]].icon; }
  size_t FindByNamePrefix(std::string_view typed, size_t start) const override;

  // The file a row's entry starts.
  std::string_view Target(size_t row) const { return Field(row, kTargetField); }
  // The whole entry of a row: the same object for as long as the entry is there.
  const CatalogEntry& Entry(size_t row) const;
  void SetIcon(size_t row, int image);
  // Rows first .. first + count - 1 each show the image of their own number, told as one
  // change: a pass fills the image list in row order, a strip at a time.
  void SetIconsToRows(size_t first, size_t count);

  void Clear();
  // New entries come at the end, unsorted, as the file or the editor gives them.
  void Append(std::vector<CatalogEntry>&& entries);
  void Append(PackedRows&& packed);
  void Remove(size_t row);

  // Sort state: changing key or order while sorted re-orders the rows at once, stably.
  bool Sorted() const { return sorted_; }
  int Key() const { return key_; }
  SortOrder Order() const { return order_; }
  void SetSorted(bool sorted);
  void SetKey(int key);
  void SetOrder(SortOrder order);

  // Counts the changes of which entry stands in which row (not of icons): work done for
  // the rows as they stood is still good when the count has not moved.
  uint64_t Generation() const { return generation_; }
  void AddListener(ICatalogueListener* listener);
  void RemoveListener(ICatalogueListener* listener);

  static constexpr int kNoKey = -1;

 private:
  struct Stored {
    uint32_t text = 0;  // which of texts_ a packed entry points into
    int icon = -1;
    size_t first = 0;  // index of the entry in that text
    // The whole entry: always for one added as one, made on demand for a packed one.
    mutable std::unique_ptr<const CatalogEntry> whole;
  };
  void Resort();
  void Tell(const CatalogueChange& change);

  std::vector<Stored> entries_;  // in the order they came
  std::vector<uint32_t> rows_;   // row -> index into entries_
  std::vector<std::unique_ptr<const PackedRows>> texts_;
  bool sorted_ = false;
  int key_ = kNoKey;  // no column yet: the first click on any header sorts ascending
  SortOrder order_ = SortOrder::Ascending;
  uint64_t generation_ = 0;
  std::vector<ICatalogueListener*> listeners_;
};

// Text order of the sort: letter case ignored, bytes compared unsigned.
int CompareNoCase(std::string_view a, std::string_view b);

}  // namespace carrydeck
