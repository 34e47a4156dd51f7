// The list contract over a real report-mode list view. Owner-data (virtual): the control
// asks for the texts it paints, and the list reads them from the rows it was given, so
// filling is O(1) per row and no text is kept here.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "common/SystemPorts.h"
#include "common/win32/DelayLoad.h"
#include "common/win32/Handle.h"
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

  void ShowRows(const ICatalogueRows* rows) override;
  size_t RowCount() const override { return count_; }
  void OnCatalogueChanged(const CatalogueChange& change) override;

  std::optional<size_t> SelectedRow() const override;
  void SelectRow(std::optional<size_t> row) override;

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
  // The control shows as many rows as there are now.
  void SyncCount();
  bool Resize(int width, int height);

  IFileSystem& files_;
  HWND hwnd_ = nullptr;
  mutable int dpi_ = 0;
  UniqueGdi font_;
  int fontPoints_ = 0;
  bool hasBackground_ = false;
  ComApartment com_;  // the picture decoder's, joined with the first picture
  const ICatalogueRows* rows_ = nullptr;
  size_t count_ = 0;
  std::vector<std::string> headers_;
};

}  // namespace carrydeck
