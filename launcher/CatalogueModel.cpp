#include "launcher/CatalogueModel.h"

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

std::optional<size_t> CatalogueChange::RowAfter(size_t before) const {
  switch (kind) {
    case Kind::Reset: return std::nullopt;
    case Kind::Removed:
      if (before == row) return std::nullopt;
      return before > row ? before - 1 : before;
    case Kind::Reordered:
      if (!rowNow || before >= rowNow->size()) return std::nullopt;
      return (*rowNow)[before];
    default: return before;
  }
}

void CatalogueModel::AddListener(ICatalogueListener* listener) {
  if (listener && std::find(listeners_.begin(), listeners_.end(), listener) == listeners_.end())
    listeners_.push_back(listener);
}

void CatalogueModel::RemoveListener(ICatalogueListener* listener) {
  listeners_.erase(std::remove(listeners_.begin(), listeners_.end(), listener), listeners_.end());
}

void CatalogueModel::Tell(const CatalogueChange& change) {
  if (change.kind != CatalogueChange::Kind::Icon) ++generation_;
  for (ICatalogueListener* listener : listeners_) listener->OnCatalogueChanged(change);
}

void CatalogueModel::Clear() {
  rows_.clear();
  entries_.clear();
  texts_.clear();
  Tell({CatalogueChange::Kind::Reset});
}

void CatalogueModel::Append(std::vector<CatalogEntry>&& entries) {
  if (entries.empty()) return;
  const size_t at = rows_.size();
  entries_.reserve(entries_.size() + entries.size());
  rows_.reserve(rows_.size() + entries.size());
  for (CatalogEntry& e : entries) {
    Stored stored;
    stored.whole = std::make_unique<const CatalogEntry>(std::move(e));
    rows_.push_back(static_cast<uint32_t>(entries_.size()));
    entries_.push_back(std::move(stored));
  }
  Tell({CatalogueChange::Kind::Added, at, entries.size()});
}

void CatalogueModel::Append(PackedRows&& packed) {
  const size_t count = packed.Count();
  if (count == 0) return;
  const auto text = static_cast<uint32_t>(texts_.size());
  texts_.push_back(std::make_unique<const PackedRows>(std::move(packed)));
  // Two allocations for the whole load: the entries and the row map.
  const size_t first = entries_.size();
  entries_.resize(first + count);
  for (size_t i = 0; i < count; ++i) {
    entries_[first + i].text = text;
    entries_[first + i].first = i;
  }
  const size_t at = rows_.size();
  rows_.resize(at + count);
  std::iota(rows_.begin() + static_cast<std::ptrdiff_t>(at), rows_.end(), static_cast<uint32_t>(first));
  Tell({CatalogueChange::Kind::Added, at, count});
}

void CatalogueModel::Remove(size_t row) {
  if (row >= rows_.size()) return;
  const uint32_t gone = rows_[row];
  entries_.erase(entries_.begin() + gone);
  rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(row));
  for (uint32_t& entry : rows_)
    if (entry > gone) --entry;
  Tell({CatalogueChange::Kind::Removed, row});
}

std::string_view CatalogueModel::Field(size_t row, int j) const {
  const Stored& entry = entries_[rows_[row]];
  if (entry.whole)
    return j >= 0 && j < kFieldCount ? std::string_view(entry.whole->fields[static_cast<size_t>(j)]) : std::string_view();
  return texts_[entry.text]->Field(entry.first, j);
}

const CatalogEntry& CatalogueModel::Entry(size_t row) const {
  const Stored& entry = entries_[rows_[row]];
  if (!entry.whole) {
    auto whole = std::make_unique<CatalogEntry>();
    for (int j = 0; j < kFieldCount; ++j) whole->fields[static_cast<size_t>(j)] = Field(row, j);
    entry.whole = std::move(whole);
  }
  return *entry.whole;
}

void CatalogueModel::SetIcon(size_t row, int image) {
  entries_[rows_[row]].icon = image;
  Tell({CatalogueChange::Kind::Icon, row, 1});
}

void CatalogueModel::SetIconsToRows(size_t first, size_t count) {
  if (first >= rows_.size() || count == 0) return;
  count = std::min(count, rows_.size() - first);
  for (size_t row = first; row < first + count; ++row) entries_[rows_[row]].icon = static_cast<int>(row);
  Tell({CatalogueChange::Kind::Icon, first, count});
}

size_t CatalogueModel::FindByNamePrefix(std::string_view typed, size_t start) const {
  const size_t n = rows_.size();
  if (typed.empty() || n == 0) return npos;
  start %= n;
  for (size_t k = 0; k < n; ++k) {
    const size_t i = (start + k) % n;
    const std::string_view name = Field(i, kNameField);
    if (name.size() >= typed.size() && CompareNoCase(name.substr(0, typed.size()), typed) == 0) return i;
  }
  return npos;
}

void CatalogueModel::SetSorted(bool sorted) {
  sorted_ = sorted;
  if (sorted_) Resort();
}

void CatalogueModel::SetKey(int key) {
  key_ = key < 0 ? 0 : (key >= kFieldCount ? kFieldCount - 1 : key);
  if (sorted_) Resort();
}

void CatalogueModel::SetOrder(SortOrder order) {
  order_ = order;
  if (sorted_) Resort();
}

void CatalogueModel::Resort() {
  if (key_ == kNoKey) return;
  // The rows as they stand, sorted stably: rows with equal keys keep their order.
  std::vector<uint32_t> before(rows_.size());
  std::iota(before.begin(), before.end(), uint32_t{0});
  const int key = key_;
  const bool descending = order_ == SortOrder::Descending;
  std::stable_sort(before.begin(), before.end(), [&](uint32_t a, uint32_t b) {
    int c = CompareNoCase(Field(a, key), Field(b, key));
    return descending ? c > 0 : c < 0;
  });
  std::vector<uint32_t> rows(rows_.size());
  std::vector<uint32_t> rowNow(rows_.size());
  for (size_t now = 0; now < before.size(); ++now) {
    rows[now] = rows_[before[now]];
    rowNow[before[now]] = static_cast<uint32_t>(now);
  }
  rows_ = std::move(rows);
  CatalogueChange change{CatalogueChange::Kind::Reordered};
  change.rowNow = &rowNow;
  Tell(change);
}

}  // namespace carrydeck
