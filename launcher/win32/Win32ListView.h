// The list contract over a real report-mode list view. Owner-data (virtual): the rows live
// here and the control asks for the texts it paints, so filling is O(1) per row.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "common/SystemPorts.h"
#include "common/win32/DelayLoad.h"
#include "common/win32/Handle.h"
#include "launcher/CatalogueRows.h"
#include "launcher/ListView.h"

namespace carrydeck {

class Win32ListView : public IListView {
 public:
  // The background picture is read through files: the list never opens a path itself.
  explicit Win32ListView(IFileSystem& files) : files_(files) {}
  Win32ListView(const Win32ListView&) = delete;
  Win32ListView& operator=(const Win32ListView&) = delete;

  bool Create(HWND parent, int id);
  // Every paint from now on is drawn off screen first, so a repaint never flickers. Not for
  // the first paint of a new window: nothing was there to flicker, and the off-screen
  // picture is a fresh bitmap the size of the list at every paint.
  void BufferPaints();
  HWND hwnd() const { return hwnd_; }
  // Answers the control's own questions (texts, type-to-find); true when handled.
  bool OnNotify(const NMHDR* header, LRESULT& result);

  int ColumnCount() const override { return static_cast<int>(headers_.size()); }
  void ClearColumns() override;
  void AddColumn(const std::string& text, double widthTwips) override;
  std::string ColumnText(int position) const override;
  double ColumnWidth(int position) const override;
  bool SetColumnWidth(int position, double widthTwips) override;

  size_t RowCount() const override { return rows_.Count(); }
  void ClearRows() override;
  void AddRows(std::vector<CatalogEntry>&& entries) override;
  void AddPackedRows(PackedRows&& rows) override;
  void RemoveRow(size_t position) override;
  const CatalogEntry& Row(size_t position) const override { return rows_.At(position - 1); }
  std::string_view Field(size_t position, int j) const override { return rows_.Field(position - 1, j); }
  int RowIcon(size_t position) const override { return rows_.Icon(position - 1); }
  void SetRowIcon(size_t position, int image) override;

  size_t SelectedRow() const override;
  void SelectRow(size_t position) override;

  bool Sorted() const override { return rows_.Sorted(); }
  void SetSorted(bool sorted) override;
  int SortKey() const override { return rows_.Key(); }
  void SetSortKey(int column) override;
  SortOrder Order() const override { return rows_.Order(); }
  void SetOrder(SortOrder order) override;

  void SetSunkenBorder() override;
  bool GridLines() const override;
  void SetGridLines(bool on) override;
  double WidthTwips() const override;
  double HeightTwips() const override;
  bool SetWidthTwips(double twips) override;
  bool SetHeightTwips(double twips) override;
  bool SetFontSize(int points, std::string& error) override;
  int FontSize() const override { return fontPoints_; }
  bool SetBackgroundPicture(const std::string& path, std::string& error) override;
  void ClearBackgroundPicture() override;
  bool HasBackgroundPicture() const override;
  void Repaint() override;

  int Dpi() const;
  int TwipsToPixels(double twips) const;
  double PixelsToTwips(int pixels) const;

 private:
  void SyncCount();
  bool Resize(int width, int height);
  // selected: the row selected before (1-based, 0 for none); followedIndex0: where it went.
  void AfterReorder(size_t selected, size_t followedIndex0);

  IFileSystem& files_;
  HWND hwnd_ = nullptr;
  mutable int dpi_ = 0;
  UniqueGdi font_;
  int fontPoints_ = 0;
  bool hasBackground_ = false;
  ComApartment com_;  // the picture decoder's, joined with the first picture
  CatalogueRows rows_;
  std::vector<std::string> headers_;
};

}  // namespace carrydeck
