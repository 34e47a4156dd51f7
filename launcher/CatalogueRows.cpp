#include "launcher/CatalogueRows.h"

#include <algorithm>
#include <numeric>

namespace carrydeck {

int CompareNoCase(std::string_view a, std::string_view b) {
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
    if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y - 'A' + 'a');
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

void CatalogueRows::Clear() {
  rows_.clear();
  texts_.clear();
}

void CatalogueRows::Append(std::vector<CatalogEntry>&& entries) {
  rows_.reserve(rows_.size() + entries.size());
  for (CatalogEntry& e : entries) {
    Row row;
    row.entry = std::make_shared<const CatalogEntry>(std::move(e));
    rows_.push_back(std::move(row));
  }
}

void CatalogueRows::Append(PackedRows&& packed) {
  const size_t count = packed.Count();
  if (count == 0) return;
  const auto text = static_cast<uint32_t>(texts_.size());
  texts_.push_back(std::make_shared<const PackedRows>(std::move(packed)));
  const size_t at = rows_.size();
  rows_.resize(at + count);
  for (size_t i = 0; i < count; ++i) {
    rows_[at + i].text = text;
    rows_[at + i].first = i;
  }
}

void CatalogueRows::Remove(size_t index0) {
  if (index0 >= rows_.size()) return;
  rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(index0));
}

std::string_view CatalogueRows::Field(size_t index0, int j) const {
  const Row& row = rows_[index0];
  if (row.entry)
    return j >= 0 && j < 4 ? std::string_view(row.entry->fields[static_cast<size_t>(j)]) : std::string_view();
  return texts_[row.text]->Field(row.first, j);
}

const CatalogEntry& CatalogueRows::At(size_t index0) const {
  const Row& row = rows_[index0];
  if (!row.entry) {
    auto entry = std::make_shared<CatalogEntry>();
    for (int j = 0; j < 4; ++j) entry->fields[static_cast<size_t>(j)] = Field(index0, j);
    row.entry = std::move(entry);
  }
  return *row.entry;
}

size_t CatalogueRows::FindByNamePrefix(std::string_view typed, size_t start) const {
  const size_t n = rows_.size();
  if (typed.empty() || n == 0) return npos;
  start %= n;
  for (size_t k = 0; k < n; ++k) {
    const size_t i = (start + k) % n;
    const std::string_view name = Field(i, 0);
    if (name.size() >= typed.size() && CompareNoCase(name.substr(0, typed.size()), typed) == 0) return i;
  }
  return npos;
}

size_t CatalogueRows::SetSorted(bool sorted, size_t follow) {
  sorted_ = sorted;
  return sorted_ ? Resort(follow) : follow;
}

size_t CatalogueRows::SetKey(int key, size_t follow) {
  key_ = key < 0 ? 0 : (key > 3 ? 3 : key);
  return sorted_ ? Resort(follow) : follow;
}

size_t CatalogueRows::SetOrder(SortOrder order, size_t follow) {
  order_ = order;
  return sorted_ ? Resort(follow) : follow;
}

size_t CatalogueRows::Resort(size_t follow) {
  if (key_ == kNoKey) return follow;
  std::vector<size_t> order(rows_.size());
  std::iota(order.begin(), order.end(), size_t{0});
  const int key = key_;
  const bool descending = order_ == SortOrder::Descending;
  std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
    int c = CompareNoCase(Field(a, key), Field(b, key));
    return descending ? c > 0 : c < 0;
  });
  std::vector<Row> rows;
  rows.reserve(rows_.size());
  size_t followed = npos;
  for (size_t i = 0; i < order.size(); ++i) {
    if (order[i] == follow) followed = i;
    rows.push_back(std::move(rows_[order[i]]));
  }
  rows_ = std::move(rows);
  return followed;
}

}  // namespace carrydeck
