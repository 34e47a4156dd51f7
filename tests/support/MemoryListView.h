// The list contract kept in memory: what the logic's tests run against. Like the real list,
// it holds no rows: it shows those it is given, and reads back what a row shows.
#pragma once

#include <string>
#include <vector>

#include "launcher/Catalogue.h"
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

  void ShowRows(const ICatalogueRows* rows) override;
  size_t RowCount() const override { return count_; }
  void OnCatalogueChanged(const CatalogueChange& change) override;
  std::optional<size_t> SelectedRow() const override { return selected_; }
  void SelectRow(std::optional<size_t> row) override { selected_ = row && *row < count_ ? row : std::nullopt; }

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
  // What row `row` shows: its four texts, as the real list would paint them, and its icon.
  CatalogEntry Row(size_t row) const;
  int RowIcon(size_t row) const { return rows_->Icon(row); }
  // The names shown, top to bottom.
  std::vector<std::string> Names() const;

 private:
  struct Column {
    std::string text;
    double width;
  };

  std::vector<Column> columns_;
  const ICatalogueRows* rows_ = nullptr;
  size_t count_ = 0;
  std::optional<size_t> selected_;
  bool sunken_ = false;
  bool gridLines_ = false;
  double width_ = 9000;
  double height_ = 4000;
  int fontSize_ = 8;
  std::string background_;
  int repaints_ = 0;
};

}  // namespace carrydeck
