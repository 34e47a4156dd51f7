#include "MemoryListView.h"

namespace carrydeck {

std::string MemoryListView::ColumnText(int position) const {
  return position >= 1 && position <= ColumnCount() ? columns_[position - 1].text : std::string();
}

double MemoryListView::ColumnWidth(int position) const {
  return position >= 1 && position <= ColumnCount() ? columns_[position - 1].width : 0.0;
}

bool MemoryListView::SetColumnWidth(int position, double widthTwips) {
  if (position < 1 || position > ColumnCount() || widthTwips < 0) return false;
  columns_[position - 1].width = widthTwips;
  return true;
}

bool MemoryListView::SetWidthTwips(double twips) {
  if (!(twips >= 0)) return false;
  width_ = twips;
  return true;
}

bool MemoryListView::SetHeightTwips(double twips) {
  if (!(twips >= 0)) return false;
  height_ = twips;
  return true;
}

bool MemoryListView::SetFontSize(int points, std::string& error) {
  if (points <= 0 || points > kMaxFontPoints) {
    error = "Invalid property value";
    return false;
  }
  fontSize_ = points;
  return true;
}

bool MemoryListView::SetBackgroundPicture(const std::string& path, std::string& error) {
  if (!backgroundError.empty()) {
    error = backgroundError;
    return false;
  }
  background_ = path;
  return true;
}

void MemoryListView::ShowRows(const ICatalogueRows* rows) {
  rows_ = rows;
  OnCatalogueChanged(CatalogueChange{CatalogueChange::Kind::Reset});
}

void MemoryListView::OnCatalogueChanged(const CatalogueChange& change) {
  if (selected_) selected_ = change.RowAfter(*selected_);
  count_ = rows_ ? rows_->Count() : 0;
}

CatalogEntry MemoryListView::Row(size_t row) const {
  CatalogEntry shown;
  for (int j = 0; j < 4; ++j) shown.fields[static_cast<size_t>(j)] = rows_->Field(row, j);
  return shown;
}

std::vector<std::string> MemoryListView::Names() const {
  std::vector<std::string> names;
  for (size_t row = 0; row < count_; ++row) names.emplace_back(rows_->Field(row, kNameField));
  return names;
}

}  // namespace carrydeck
