// The list contract kept in memory: what the logic's tests run against.
#pragma once

#include <vector>

#include "launcher/CatalogueRows.h"
#include "launcher/ListView.h"

namespace carrydeck {

class MemoryListView : public IListView {
 public:
  int ColumnCount() const override { return static_cast<int>(columns_.size()); }
  void ClearColumns() override { columns_.clear(); }
  void AddColumn(const std::string& text, double widthTwips) override { columns_.push_back({text, widthTwips}); }
  std::string ColumnText(int position) const override;
  double ColumnWidth(int position) const override;
  bool SetColumnWidth(int position, double widthTwips) override;

  size_t RowCount() const override { return rows_.Count(); }
  void ClearRows() override;
  void AddRows(std::vector<CatalogEntry>&& entries) override { rows_.Append(std::move(entries)); }
  void AddPackedRows(PackedRows&& rows) override { rows_.Append(std::move(rows)); }
  void RemoveRow(size_t position) override;
  const CatalogEntry& Row(size_t position) const override { return rows_.At(position - 1); }
  std::string_view Field(size_t position, int j) const override { return rows_.Field(position - 1, j); }
  int RowIcon(size_t position) const override { return rows_.Icon(position - 1); }
  void SetRowIcon(size_t position, int image) override { rows_.SetIcon(position - 1, image); }

  size_t SelectedRow() const override { return selected_; }
  void SelectRow(size_t position) override { selected_ = position <= rows_.Count() ? position : 0; }

  bool Sorted() const override { return rows_.Sorted(); }
  void SetSorted(bool sorted) override { Follow(rows_.SetSorted(sorted, selected_ - 1)); }
  int SortKey() const override { return rows_.Key(); }
  void SetSortKey(int column) override { Follow(rows_.SetKey(column, selected_ - 1)); }
  SortOrder Order() const override { return rows_.Order(); }
  void SetOrder(SortOrder order) override { Follow(rows_.SetOrder(order, selected_ - 1)); }

  void SetSunkenBorder() override { sunken_ = true; }
  bool GridLines() const override { return gridLines_; }
  void SetGridLines(bool on) override { gridLines_ = on; }
  double WidthTwips() const override { return width_; }
  double HeightTwips() const override { return height_; }
  bool SetWidthTwips(double twips) override;
  bool SetHeightTwips(double twips) override;
  bool SetFontSize(int points, std::string& error) override;
  int FontSize() const override { return fontSize_; }
  bool SetBackgroundPicture(const std::string& path, std::string& error) override;
  void ClearBackgroundPicture() override { background_.clear(); }
  bool HasBackgroundPicture() const override { return !background_.empty(); }
  void Repaint() override { ++repaints_; }

  // Test controls.
  std::string backgroundError;  // when set, pictures fail to load with this description
  const std::string& background() const { return background_; }
  bool sunken() const { return sunken_; }
  int repaints() const { return repaints_; }

 private:
  struct Column {
    std::string text;
    double width;
  };
  void Follow(size_t index0) { selected_ = (selected_ == 0 || index0 == CatalogueRows::npos) ? 0 : index0 + 1; }

  std::vector<Column> columns_;
  CatalogueRows rows_;
  size_t selected_ = 0;
  bool sunken_ = false;
  bool gridLines_ = false;
  double width_ = 9000;
  double height_ = 4000;
  int fontSize_ = 8;
  std::string background_;
  int repaints_ = 0;
};

}  // namespace carrydeck
