#include "ListRows.h"

#include <algorithm>
#include <numeric>

namespace carrydeck {

int CompareNoCase(const std::string& a, const std::string& b) {
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
    if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y - 'A' + 'a');
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

void ListRows::Clear() {
  rows_.clear();
  icons_.clear();
}

void ListRows::Append(std::vector<CatalogEntry>&& entries) {
  if (rows_.empty()) {
    rows_ = std::move(entries);
  } else {
    rows_.reserve(rows_.size() + entries.size());
    for (CatalogEntry& e : entries) rows_.push_back(std::move(e));
  }
  icons_.resize(rows_.size(), -1);
}

void ListRows::Remove(size_t index0) {
  if (index0 >= rows_.size()) return;
  rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(index0));
  icons_.erase(icons_.begin() + static_cast<std::ptrdiff_t>(index0));
}

size_t ListRows::SetSorted(bool sorted, size_t follow) {
  sorted_ = sorted;
  return sorted_ ? Resort(follow) : follow;
}

size_t ListRows::SetKey(int key, size_t follow) {
  key_ = key < 0 ? 0 : (key > 3 ? 3 : key);
  return sorted_ ? Resort(follow) : follow;
}

size_t ListRows::SetOrder(SortOrder order, size_t follow) {
  order_ = order;
  return sorted_ ? Resort(follow) : follow;
}

size_t ListRows::Resort(size_t follow) {
  if (key_ == kNoKey) return follow;
  std::vector<size_t> order(rows_.size());
  std::iota(order.begin(), order.end(), size_t{0});
  const int key = key_;
  const bool descending = order_ == SortOrder::Descending;
  std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
    int c = CompareNoCase(rows_[a].fields[key], rows_[b].fields[key]);
    return descending ? c > 0 : c < 0;
  });
  std::vector<CatalogEntry> rows;
  std::vector<int> icons;
  rows.reserve(rows_.size());
  icons.reserve(icons_.size());
  size_t followed = npos;
  for (size_t i = 0; i < order.size(); ++i) {
    if (order[i] == follow) followed = i;
    rows.push_back(std::move(rows_[order[i]]));
    icons.push_back(icons_[order[i]]);
  }
  rows_ = std::move(rows);
  icons_ = std::move(icons);
  return followed;
}

}  // namespace carrydeck
