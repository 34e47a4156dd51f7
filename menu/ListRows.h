// Row storage of the list: the one copy of the catalogue, with its sort state. Both the
// Win32 list (owner-data: the control asks for texts) and the memory list keep rows here.
#pragma once

#include <vector>

#include "ListView.h"

namespace carrydeck {

class ListRows {
 public:
  size_t Count() const { return rows_.size(); }
  void Clear();
  void Append(std::vector<CatalogEntry>&& entries);
  void Remove(size_t index0);
  const CatalogEntry& At(size_t index0) const { return rows_[index0]; }
  int Icon(size_t index0) const { return icons_[index0]; }
  void SetIcon(size_t index0, int image) { icons_[index0] = image; }

  bool Sorted() const { return sorted_; }
  int Key() const { return key_; }
  SortOrder Order() const { return order_; }
  // Each returns where the row that stood at index0 `follow` is now (for selection).
  size_t SetSorted(bool sorted, size_t follow);
  size_t SetKey(int key, size_t follow);
  size_t SetOrder(SortOrder order, size_t follow);

  static const size_t npos = static_cast<size_t>(-1);
  static constexpr int kNoKey = -1;

 private:
  size_t Resort(size_t follow);

  std::vector<CatalogEntry> rows_;
  std::vector<int> icons_;
  bool sorted_ = false;
  int key_ = kNoKey;  // no column yet: the first click on any header sorts ascending
  SortOrder order_ = SortOrder::Ascending;
};

// Text order of the sort: letter case ignored, bytes compared unsigned.
int CompareNoCase(const std::string& a, const std::string& b);

}  // namespace carrydeck
