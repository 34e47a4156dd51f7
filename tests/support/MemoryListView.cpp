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

void MemoryListView::ClearRows() {
  rows_.Clear();
  selected_ = 0;
}

void MemoryListView::RemoveRow(size_t position) {
  if (position < 1 || position > rows_.Count()) return;
  rows_.Remove(position - 1);
  if (selected_ == position)
    selected_ = 0;
  else if (selected_ > position)
    --selected_;
}

}  // namespace carrydeck
