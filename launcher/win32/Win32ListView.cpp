#include "launcher/win32/Win32ListView.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include <ocidl.h>
#include <olectl.h>

#include "common/win32/DelayLoad.h"
#include "common/win32/ErrorDescription.h"
#include "common/win32/WideText.h"
#include "launcher/win32/DialogParts.h"
#include "launcher/win32/Twips.h"

namespace carrydeck {

bool Win32ListView::Create(HWND parent, int id) {
  hwnd_ = ::CreateWindowExW(
      WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
      WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_OWNERDATA | LVS_SINGLESEL | LVS_SHOWSELALWAYS, 0, 0, 100,
      100, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ::GetModuleHandleW(nullptr), nullptr);
  if (!hwnd_) return false;
  ListView_SetExtendedListViewStyleEx(hwnd_, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
  return true;
}

void Win32ListView::BufferPaints() {
  ListView_SetExtendedListViewStyleEx(hwnd_, LVS_EX_DOUBLEBUFFER, LVS_EX_DOUBLEBUFFER);
  // The style changes no pixel: the repaint the list asks for would draw the same again.
  ::ValidateRect(hwnd_, nullptr);
}

int Win32ListView::Dpi() const {
  if (dpi_ == 0) dpi_ = ScreenDpi(hwnd_, LOGPIXELSX);
  return dpi_;
}

int Win32ListView::TwipsToPixels(double twips) const { return carrydeck::TwipsToPixels(twips, Dpi()); }

double Win32ListView::PixelsToTwips(int pixels) const { return carrydeck::PixelsToTwips(pixels, Dpi()); }

bool Win32ListView::OnNotify(const NMHDR* header, LRESULT& result) {
  if (header->hwndFrom != hwnd_) return false;
  switch (header->code) {
    case LVN_GETDISPINFOW: {
      LVITEMW& item = reinterpret_cast<NMLVDISPINFOW*>(const_cast<NMHDR*>(header))->item;
      // Asked while the control still counts rows that have gone: only the rows there are now.
      if (!rows_ || item.iItem < 0 || static_cast<size_t>(item.iItem) >= rows_->Count()) return true;
      if ((item.mask & LVIF_TEXT) && item.pszText && item.cchTextMax > 0) {
        const std::wstring text = Wide(rows_->Field(static_cast<size_t>(item.iItem), item.iSubItem));
        size_t n = std::min(text.size(), static_cast<size_t>(item.cchTextMax - 1));
        std::memcpy(item.pszText, text.data(), n * sizeof(wchar_t));
        item.pszText[n] = L'\0';
      }
      if (item.mask & LVIF_IMAGE) item.iImage = rows_->Icon(static_cast<size_t>(item.iItem));
      result = 0;
      return true;
    }
    case LVN_ODFINDITEMA:
    case LVN_ODFINDITEMW: {
      // Type-to-find; asked in UTF-16 of our window, in the code page by an ANSI one.
      const auto* find = reinterpret_cast<const NMLVFINDITEMA*>(header);
      result = -1;
      if (!(find->lvfi.flags & (LVFI_STRING | LVFI_PARTIAL)) || !find->lvfi.psz || !rows_ || rows_->Count() == 0)
        return true;
      const std::string typed = header->code == LVN_ODFINDITEMW
                                    ? Utf8(reinterpret_cast<const NMLVFINDITEMW*>(header)->lvfi.psz)
                                    : Win32CodePage().ToUtf8(find->lvfi.psz);
      if (typed.empty()) return true;
      const size_t found = rows_->FindByNamePrefix(typed, find->iStart < 0 ? 0 : static_cast<size_t>(find->iStart));
      if (found != ICatalogueRows::npos) result = static_cast<LRESULT>(found);
      return true;
    }
    default: return false;
  }
}

void Win32ListView::ClearColumns() {
  while (!headers_.empty()) {
    ListView_DeleteColumn(hwnd_, static_cast<int>(headers_.size()) - 1);
    headers_.pop_back();
  }
}

void Win32ListView::AddColumn(const std::string& text, double widthTwips) {
  std::wstring wide = Wide(text);
  LVCOLUMNW column = {};
  column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
  column.pszText = wide.data();
  column.cx = TwipsToPixels(widthTwips);
  column.iSubItem = static_cast<int>(headers_.size());
  ::SendMessageW(hwnd_, LVM_INSERTCOLUMNW, headers_.size(), reinterpret_cast<LPARAM>(&column));
  headers_.push_back(text);
}

std::string Win32ListView::ColumnText(int position) const {
  if (position < 1 || position > ColumnCount()) return std::string();
  wchar_t buffer[260] = {};
  LVCOLUMNW column = {};
  column.mask = LVCF_TEXT;
  column.pszText = buffer;
  column.cchTextMax = 260;
  ::SendMessageW(hwnd_, LVM_GETCOLUMNW, position - 1, reinterpret_cast<LPARAM>(&column));
  return Utf8(buffer);
}

double Win32ListView::ColumnWidth(int position) const {
  if (position < 1 || position > ColumnCount()) return 0;
  return PixelsToTwips(ListView_GetColumnWidth(hwnd_, position - 1));
}

bool Win32ListView::SetColumnWidth(int position, double widthTwips) {
  if (position < 1 || position > ColumnCount() || !(widthTwips >= 0) || widthTwips > 1e7) return false;
  const int pixels = TwipsToPixels(widthTwips);
  // The layout sets every width on every resize; an unchanged one costs the control nothing.
  if (ListView_GetColumnWidth(hwnd_, position - 1) == pixels) return true;
  return ListView_SetColumnWidth(hwnd_, position - 1, pixels) != FALSE;
}

void Win32ListView::SyncCount() {
  count_ = rows_ ? rows_->Count() : 0;
  ListView_SetItemCountEx(hwnd_, static_cast<int>(count_), LVSICF_NOSCROLL);
  ::InvalidateRect(hwnd_, nullptr, TRUE);
}

void Win32ListView::ShowRows(const ICatalogueRows* rows) {
  rows_ = rows;
  OnCatalogueChanged(CatalogueChange{CatalogueChange::Kind::Reset});
}

void Win32ListView::OnCatalogueChanged(const CatalogueChange& change) {
  switch (change.kind) {
    case CatalogueChange::Kind::Reset:
      ListView_SetItemState(hwnd_, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
      ListView_DeleteAllItems(hwnd_);
      SyncCount();
      break;
    case CatalogueChange::Kind::Added: SyncCount(); break;
    case CatalogueChange::Kind::Removed:
      // The control shifts its own selection state past the removed row.
      ListView_DeleteItem(hwnd_, static_cast<int>(change.row));
      SyncCount();
      break;
    case CatalogueChange::Kind::Reordered:
      // The selected row is followed to its new place; with none selected, only the view changes.
      if (const std::optional<size_t> selected = SelectedRow()) SelectRow(change.RowAfter(*selected));
      ::InvalidateRect(hwnd_, nullptr, TRUE);
      break;
    case CatalogueChange::Kind::Icon: {
      // Only the rows on screen: the control asks for each row it is told to redraw, and a
      // pass tells a thousand at once.
      const size_t top = static_cast<size_t>(std::max(0, ListView_GetTopIndex(hwnd_)));
      const size_t end = std::min(change.row + std::max<size_t>(change.count, 1),
                                  top + static_cast<size_t>(std::max(0, ListView_GetCountPerPage(hwnd_))) + 1);
      const size_t first = std::max(change.row, top);
      if (first < end) ListView_RedrawItems(hwnd_, static_cast<int>(first), static_cast<int>(end - 1));
    } break;
  }
}

std::optional<size_t> Win32ListView::SelectedRow() const {
  int index = ListView_GetNextItem(hwnd_, -1, LVNI_SELECTED);
  if (index < 0 || static_cast<size_t>(index) >= count_) return std::nullopt;
  return static_cast<size_t>(index);
}

void Win32ListView::SelectRow(std::optional<size_t> row) {
  ListView_SetItemState(hwnd_, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
  if (!row || *row >= count_) return;
  int index = static_cast<int>(*row);
  ListView_SetItemState(hwnd_, index, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  ListView_EnsureVisible(hwnd_, index, FALSE);
}

void Win32ListView::SetSunkenBorder() {
  LONG_PTR ex = ::GetWindowLongPtrW(hwnd_, GWL_EXSTYLE);
  ::SetWindowLongPtrW(hwnd_, GWL_EXSTYLE, ex | WS_EX_CLIENTEDGE);
  ::SetWindowPos(hwnd_, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
}

bool Win32ListView::GridLines() const { return (ListView_GetExtendedListViewStyle(hwnd_) & LVS_EX_GRIDLINES) != 0; }

void Win32ListView::SetGridLines(bool on) {
  ListView_SetExtendedListViewStyleEx(hwnd_, LVS_EX_GRIDLINES, on ? LVS_EX_GRIDLINES : 0);
}

double Win32ListView::WidthTwips() const {
  RECT r;
  return ::GetWindowRect(hwnd_, &r) ? PixelsToTwips(r.right - r.left) : 0.0;
}

double Win32ListView::HeightTwips() const {
  RECT r;
  return ::GetWindowRect(hwnd_, &r) ? PixelsToTwips(r.bottom - r.top) : 0.0;
}

// The list's outer size in pixels; an unchanged size is not set again.
bool Win32ListView::Resize(int width, int height) {
  RECT r;
  if (::GetWindowRect(hwnd_, &r) && r.right - r.left == width && r.bottom - r.top == height) return true;
  return ::SetWindowPos(hwnd_, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE) != FALSE;
}

bool Win32ListView::SetWidthTwips(double twips) {
  if (!UsableTwips(twips)) return false;
  RECT r;
  ::GetWindowRect(hwnd_, &r);
  return Resize(TwipsToPixels(twips), r.bottom - r.top);
}

bool Win32ListView::SetHeightTwips(double twips) {
  if (!UsableTwips(twips)) return false;
  RECT r;
  ::GetWindowRect(hwnd_, &r);
  return Resize(r.right - r.left, TwipsToPixels(twips));
}

bool Win32ListView::SetFontSize(int points, std::string& error) {
  if (points <= 0 || points > kMaxFontPoints) {
    error = "Invalid property value";
    return false;
  }
  // The same size again (the saved one, read at every start) would only make the list
  // measure and lay itself out anew.
  if (font_ && points == fontPoints_) return true;
  HFONT font = MakeFont("Verdana", points, false, ScreenDpi(hwnd_, LOGPIXELSY));
  if (!font) {
    error = ErrorDescription(::GetLastError());
    return false;
  }
  ::SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  font_.reset(font);  // the old font only goes once the list has the new one
  fontPoints_ = points;
  return true;
}

bool Win32ListView::SetBackgroundPicture(const std::string& path, std::string& error) {
  std::string bytes;
  if (!files_.ReadAll(path, bytes)) {
    error = files_.LastErrorDescription();
    return false;
  }
  if (bytes.empty() || bytes.size() > 64u * 1024 * 1024) {
    error = "Invalid picture";
    return false;
  }
  // The platform's own picture decoder: JPEG, GIF, BMP and friends, no library of ours.
  com_.Join();
  UniqueGlobal memory(::GlobalAlloc(GMEM_MOVEABLE, bytes.size()));
  {
    LockedGlobal data(memory.get());
    if (!data) {
      error = ErrorDescription(ERROR_NOT_ENOUGH_MEMORY);
      return false;
    }
    std::memcpy(data.get(), bytes.data(), bytes.size());
  }
  UniqueCom<IStream> stream;
  if (FAILED(late::CreateStreamOnHGlobal(memory.get(), TRUE, stream.put()))) {
    error = "Invalid picture";
    return false;
  }
  memory.release();  // the stream's now, freed with it
  UniqueCom<IPicture> picture;
  HRESULT hr =
      late::OleLoadPicture(stream.get(), static_cast<LONG>(bytes.size()), FALSE, IID_IPicture, picture.put_void());
  if (FAILED(hr) || !picture) {
    error = "Invalid picture";
    return false;
  }
  OLE_HANDLE handle = 0;
  SHORT type = PICTYPE_NONE;
  picture->get_Type(&type);
  picture->get_Handle(&handle);
  // The list takes the bitmap it is given and deletes it later: hand it its own copy.
  UniqueBitmap copy(type == PICTYPE_BITMAP
                        ? static_cast<HBITMAP>(::CopyImage(reinterpret_cast<HBITMAP>(static_cast<UINT_PTR>(handle)),
                                                           IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION))
                        : nullptr);
  if (!copy) {
    error = "Invalid picture";
    return false;
  }
  LVBKIMAGEW image = {};
  image.ulFlags = LVBKIF_SOURCE_HBITMAP | LVBKIF_STYLE_TILE;
  image.hbm = copy.get();
  if (!::SendMessageW(hwnd_, LVM_SETBKIMAGEW, 0, reinterpret_cast<LPARAM>(&image))) {
    error = "Invalid picture";
    return false;
  }
  copy.release();  // the list's now
  hasBackground_ = true;
  return true;
}

void Win32ListView::ClearBackgroundPicture() {
  LVBKIMAGEW image = {};
  image.ulFlags = LVBKIF_SOURCE_NONE;
  ::SendMessageW(hwnd_, LVM_SETBKIMAGEW, 0, reinterpret_cast<LPARAM>(&image));
  hasBackground_ = false;
}

bool Win32ListView::HasBackgroundPicture() const {
  LVBKIMAGEW image = {};
  // Not every list view answers this; then what it last accepted is the answer.
  if (!::SendMessageW(hwnd_, LVM_GETBKIMAGEW, 0, reinterpret_cast<LPARAM>(&image))) return hasBackground_;
  return (image.ulFlags & LVBKIF_SOURCE_MASK) != LVBKIF_SOURCE_NONE;
}

void Win32ListView::Repaint() {
  ::InvalidateRect(hwnd_, nullptr, TRUE);
  ::UpdateWindow(hwnd_);
}

}  // namespace carrydeck
