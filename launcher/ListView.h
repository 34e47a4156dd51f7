// What the launcher relies on from the list that shows the catalogue: columns, looks, and
// a view of the catalogue's rows, which it is given and never keeps. The Win32 adapter keeps
// these promises over a real list view; MemoryListView keeps them for tests.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "launcher/CatalogueRows.h"

namespace carrydeck {

// Larger list fonts are refused: nothing that big fits a row.
constexpr int kMaxFontPoints = 2048;

class IListView : public ICatalogueListener {
 public:
  virtual ~IListView() = default;

  // Column headers, positions from 1, widths in twips.
  virtual int ColumnCount() const = 0;
  virtual void ClearColumns() = 0;
  virtual void AddColumn(const std::string& text, double widthTwips) = 0;
  virtual std::string ColumnText(int position) const = 0;
  virtual double ColumnWidth(int position) const = 0;
  virtual bool SetColumnWidth(int position, double widthTwips) = 0;

  // The rows it shows: the catalogue's, read through `rows` as they are painted; the list
  // holds none of them. The launcher gives it its rows and tells it of every change
  // (OnCatalogueChanged), after which the count, the selection and the rows drawn follow.
  virtual void ShowRows(const ICatalogueRows* rows) = 0;
  virtual size_t RowCount() const = 0;

  // The selected row; none when no row is. A row past the end selects none.
  virtual std::optional<size_t> SelectedRow() const = 0;
  virtual void SelectRow(std::optional<size_t> row) = 0;

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
};

}  // namespace carrydeck
