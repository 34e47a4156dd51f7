// What the launcher relies on from the list that shows the catalogue. The Win32 adapter
// keeps these promises over a real list view; MemoryListView keeps them for tests.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "launcher/Catalogue.h"

namespace carrydeck {

// Larger list fonts are refused: nothing that big fits a row.
constexpr int kMaxFontPoints = 2048;

class IListView {
 public:
  virtual ~IListView() = default;

  // Column headers, positions from 1, widths in twips.
  virtual int ColumnCount() const = 0;
  virtual void ClearColumns() = 0;
  virtual void AddColumn(const std::string& text, double widthTwips) = 0;
  virtual std::string ColumnText(int position) const = 0;
  virtual double ColumnWidth(int position) const = 0;
  virtual bool SetColumnWidth(int position, double widthTwips) = 0;

  // Rows, positions from 1, in the order shown. The list keeps the catalogue's entries
  // for the launcher: there is no other copy.
  virtual size_t RowCount() const = 0;
  virtual void ClearRows() = 0;
  virtual void AddRows(std::vector<CatalogEntry>&& entries) = 0;
  // The same for a whole catalogue at once; a list that keeps the text saves a copy per field.
  virtual void AddPackedRows(PackedRows&& rows) { AddRows(rows.Unpack()); }
  virtual void RemoveRow(size_t position) = 0;
  virtual const CatalogEntry& Row(size_t position) const = 0;
  // Field j (0: Name to 3: Parameters) of a row, without making a copy of the row.
  virtual std::string_view Field(size_t position, int j) const {
    return j >= 0 && j < 4 ? std::string_view(Row(position).fields[static_cast<size_t>(j)]) : std::string_view();
  }
  virtual int RowIcon(size_t position) const = 0;
  virtual void SetRowIcon(size_t position, int image) = 0;

  // The selected row, 0 when there is none.
  virtual size_t SelectedRow() const = 0;
  virtual void SelectRow(size_t position) = 0;

  // Sort state: changing key or order while sorted re-orders the rows at once, stably.
  virtual bool Sorted() const = 0;
  virtual void SetSorted(bool sorted) = 0;
  virtual int SortKey() const = 0;
  virtual void SetSortKey(int column) = 0;
  virtual SortOrder Order() const = 0;
  virtual void SetOrder(SortOrder order) = 0;

  // Looks. Setters that the control may refuse answer false.
  virtual void SetSunkenBorder() = 0;
  virtual bool GridLines() const = 0;
  virtual void SetGridLines(bool on) = 0;
  virtual double WidthTwips() const = 0;
  virtual double HeightTwips() const = 0;
  virtual bool SetWidthTwips(double twips) = 0;
  virtual bool SetHeightTwips(double twips) = 0;
  // The list font's size in points (the face stays); error gets the failure's description.
  virtual bool SetFontSize(int points, std::string& error) = 0;
  virtual int FontSize() const = 0;
  // A picture file shown tiled behind the rows; error gets the failure's description.
  virtual bool SetBackgroundPicture(const std::string& path, std::string& error) = 0;
  virtual void ClearBackgroundPicture() = 0;
  virtual bool HasBackgroundPicture() const = 0;
  virtual void Repaint() = 0;

  void AddRow(const CatalogEntry& entry) { AddRows(std::vector<CatalogEntry>{entry}); }
};

}  // namespace carrydeck
