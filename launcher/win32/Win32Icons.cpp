#include "launcher/win32/Win32Icons.h"

#include <objbase.h>
#include <process.h>

#include <algorithm>
#include <iterator>
#include <new>
#include <stdexcept>

#include "common/win32/DelayLoad.h"
#include "common/win32/ErrorDescription.h"
#include "common/win32/WideText.h"
#include "common/win32/Win32FileSystem.h"
#include "launcher/IconPass.h"
#include "launcher/IconScale.h"
#include "launcher/win32/resource.h"

namespace carrydeck {

namespace {

// The two shell queries: the small one gives the system's small-icon image list.
constexpr UINT kSmallQuery =
    SHGFI_SYSICONINDEX | SHGFI_EXETYPE | SHGFI_TYPENAME | SHGFI_DISPLAYNAME | SHGFI_SHELLICONSIZE | SHGFI_SMALLICON;
constexpr UINT kLargeQuery = kSmallQuery & ~static_cast<UINT>(SHGFI_SMALLICON);
static_assert(kSmallQuery == 0x6605 && kLargeQuery == 0x6604, "the shell queries of the icon pass");

BITMAPINFO TopDownInfo(int width, int height) {
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  return info;
}

}  // namespace

// ---- iconCanvas

bool IconCanvas::Create(int width, int height) {
  selected_.reset();
  bits_ = nullptr;
  bitmap_.reset();
  dc_.reset();
  width_ = height_ = 0;
  if (width <= 0 || height <= 0 || width > kMaxPictureSide || height > kMaxPictureSide) return false;
  dc_.reset(::CreateCompatibleDC(nullptr));
  if (!dc_) return false;
  BITMAPINFO info = TopDownInfo(width, height);
  void* bits = nullptr;
  bitmap_.reset(::CreateDIBSection(dc_.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!bitmap_ || !bits) return false;
  selected_ = SelectedObject(dc_.get(), bitmap_.get());
  bits_ = static_cast<uint32_t*>(bits);
  width_ = width;
  height_ = height;
  return true;
}

void IconCanvas::Fill(uint32_t argb) {
  ::GdiFlush();
  std::fill(bits_, bits_ + Pixels(), argb);
}

IconImage IconCanvas::Unblend(const uint32_t* overBlack, const uint32_t* overWhite) const {
  const bool listSize = width_ == kIconSize && height_ == kIconSize;
  IconImage image;
  std::vector<uint32_t> picture(listSize ? 0 : Pixels());
  uint32_t* out = listSize ? image.pixels.data() : picture.data();
  for (size_t i = 0; i < Pixels(); ++i) {
    // Over black a channel is c * a, over white c * a + 255 * (1 - a).
    int black[3], gap = 0;
    for (int ch = 0; ch < 3; ++ch) {
      black[ch] = static_cast<int>((overBlack[i] >> (8 * ch)) & 0xFF);
      int white = static_cast<int>((overWhite[i] >> (8 * ch)) & 0xFF);
      gap += std::max(0, white - black[ch]);
    }
    const int alpha = 255 - std::min(255, (gap + 1) / 3);
    if (alpha == 0) continue;  // fully transparent: all zero
    uint32_t pixel = static_cast<uint32_t>(alpha) << 24;
    for (int ch = 0; ch < 3; ++ch)
      pixel |= static_cast<uint32_t>(std::min(255, (black[ch] * 255 + alpha / 2) / alpha)) << (8 * ch);
    out[i] = pixel;
  }
  return listSize ? image : ScaleToIcon(picture, width_, height_);
}

// ---- imageList

namespace {

constexpr UINT kImageListFlags = ILC_COLOR32 | ILC_MASK;
// The control grows its bitmap by a fixed step and copies it each time: a big step keeps
// a rebuild of a long list from spending its time copying.
constexpr int kImageListGrowth = 1024;
constexpr char kNotReadBack[] = "The icons could not be read back from the image list.";
// Far more images than a list holds; keeps every width and index inside an int.
constexpr size_t kMaxImages = static_cast<size_t>(INT_MAX / kIconSize);

}  // namespace

bool Win32ImageList::Create(HWND listView) {
  view_ = listView;
  // The list must not destroy the image list with itself: it belongs to us.
  LONG_PTR style = ::GetWindowLongPtrW(view_, GWL_STYLE);
  ::SetWindowLongPtrW(view_, GWL_STYLE, style | LVS_SHAREIMAGELISTS);
  list_.reset(::ImageList_Create(kIconSize, kIconSize, kImageListFlags, 0, kImageListGrowth));
  return static_cast<bool>(list_);
}

void Win32ImageList::Attach() {
  // A rebuild attaches after every entry: giving the list again would only cost messages
  // and make the control lay itself out anew.
  if (attached_) return;
  ListView_SetImageList(view_, list_.get(), LVSIL_SMALL);
  ListView_SetImageList(view_, list_.get(), LVSIL_NORMAL);
  attached_ = true;
}

void Win32ImageList::Detach() {
  ListView_SetImageList(view_, nullptr, LVSIL_SMALL);
  ListView_SetImageList(view_, nullptr, LVSIL_NORMAL);
  attached_ = false;
}

void Win32ImageList::Clear() {
  if (list_) ::ImageList_Remove(list_.get(), -1);
  keptAside_.clear();
}

bool Win32ImageList::ClearWithRoomFor(size_t count) {
  Clear();
  lastError_ = ErrorDescription(ERROR_NOT_ENOUGH_MEMORY);
  if (count > kMaxImages) return false;
  // A list made with room for them all: one that grew as they came would copy its bitmap
  // at every step, and hold the old one beside the new while it does.
  UniqueImageList fresh(
      ::ImageList_Create(kIconSize, kIconSize, kImageListFlags, static_cast<int>(count), kImageListGrowth));
  if (!fresh) return false;
  if (attached_) {
    ListView_SetImageList(view_, fresh.get(), LVSIL_SMALL);
    ListView_SetImageList(view_, fresh.get(), LVSIL_NORMAL);
  }
  list_ = std::move(fresh);
  return true;
}

bool Win32ImageList::Truncate(size_t count) {
  lastError_ = "The image list could not be shortened.";
  if (count > Count()) return false;
  if (count == Count()) return true;
  if (!::ImageList_SetImageCount(list_.get(), static_cast<UINT>(count)) || Count() != count) return false;
  keptAside_.erase(keptAside_.lower_bound(count), keptAside_.end());
  return true;
}

size_t Win32ImageList::Count() const {
  return list_ ? static_cast<size_t>(std::max(0, ::ImageList_GetImageCount(list_.get()))) : 0;
}

bool Win32ImageList::Add(size_t index, const IconImage& image) {
  const size_t first = Count();
  if (index != first) {
    lastError_ = "Image " + std::to_string(index + 1) + " would not stand beside its row.";
    return false;
  }
  return AddToControl(&image, 1) && KeepChangedAside(first, &image, 1);
}

bool Win32ImageList::AddStrip(const std::vector<IconImage>& images) {
  if (images.empty()) return true;
  const size_t first = Count();
  return AddToControl(images.data(), images.size()) && KeepChangedAside(first, images.data(), images.size());
}

bool Win32ImageList::AddToControl(const IconImage* images, size_t count) {
  lastError_ = ErrorDescription(ERROR_NOT_ENOUGH_MEMORY);
  if (!list_ || count > kMaxImages - Count()) return false;
  try {
    // One strip, image after image from left to right, and its mask: set where a pixel is
    // fully transparent, for images that carry no alpha at all.
    const int width = static_cast<int>(count) * kIconSize;
    BITMAPINFO info = TopDownInfo(width, kIconSize);
    void* bits = nullptr;
    UniqueGdi strip(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!strip || !bits) return false;
    const size_t maskRow = static_cast<size_t>(width) / 8;  // a multiple of 2: rows stay word-aligned
    std::vector<unsigned char> mask(maskRow * kIconSize, 0);
    uint32_t* out = static_cast<uint32_t*>(bits);
    for (size_t n = 0; n < count; ++n)
      for (int y = 0; y < kIconSize; ++y)
        for (int x = 0; x < kIconSize; ++x) {
          const uint32_t pixel = images[n].pixels[static_cast<size_t>(y * kIconSize + x)];
          const size_t column = n * kIconSize + static_cast<size_t>(x);
          out[static_cast<size_t>(y) * static_cast<size_t>(width) + column] = pixel;
          if ((pixel >> 24) == 0) mask[static_cast<size_t>(y) * maskRow + column / 8] |= 0x80 >> (column % 8);
        }
    UniqueGdi maskBitmap(::CreateBitmap(width, kIconSize, 1, 1, mask.data()));
    if (!maskBitmap) return false;
    const size_t first = Count();
    int index = ::ImageList_Add(list_.get(), static_cast<HBITMAP>(strip.get()), static_cast<HBITMAP>(maskBitmap.get()));
    if (index < 0 || static_cast<size_t>(index) != first || Count() != first + count) {
      lastError_ = "The icons could not be added to the image list.";
      return false;
    }
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

bool Win32ImageList::ReadBack(size_t first, size_t count, IconImage* out) const {
  if (count == 0) return true;
  if (!list_ || first + count > Count()) return false;
  try {
    std::vector<RECT> places(count);
    HBITMAP bitmap = nullptr;
    for (size_t n = 0; n < count; ++n) {
      IMAGEINFO image = {};
      if (!::ImageList_GetImageInfo(list_.get(), static_cast<int>(first + n), &image)) return false;
      places[n] = image.rcImage;
      bitmap = image.hbmImage;
    }
    BITMAP size = {};
    if (!::GetObjectW(bitmap, sizeof size, &size)) return false;
    // The rows of the bitmap that hold the images, read from the bottom up: scan lines of
    // a bottom-up picture are counted from its bottom, whatever the bitmap itself.
    LONG top = size.bmHeight, bottom = 0;
    for (const RECT& place : places) {
      if (place.left < 0 || place.right - place.left != kIconSize || place.right > size.bmWidth || place.top < 0 ||
          place.bottom - place.top != kIconSize || place.bottom > size.bmHeight)
        return false;
      top = std::min(top, place.top);
      bottom = std::max(bottom, place.bottom);
    }
    BITMAPINFO info = TopDownInfo(size.bmWidth, size.bmHeight);
    info.bmiHeader.biHeight = size.bmHeight;
    const size_t width = static_cast<size_t>(size.bmWidth);
    std::vector<uint32_t> rows(width * static_cast<size_t>(bottom - top));
    UniqueMemoryDc dc(::CreateCompatibleDC(nullptr));
    if (!dc || ::GetDIBits(dc.get(), bitmap, static_cast<UINT>(size.bmHeight - bottom), static_cast<UINT>(bottom - top),
                           rows.data(), &info, DIB_RGB_COLORS) != bottom - top)
      return false;
    for (size_t n = 0; n < count; ++n)
      for (int y = 0; y < kIconSize; ++y) {
        const size_t row = static_cast<size_t>(bottom - 1 - (places[n].top + y));
        const uint32_t* from = rows.data() + row * width + static_cast<size_t>(places[n].left);
        std::copy(from, from + kIconSize, out[n].pixels.begin() + y * kIconSize);
      }
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

bool Win32ImageList::KeepChangedAside(size_t first, const IconImage* images, size_t count) {
  // An image with alpha anywhere is kept as given: only those without any can have changed,
  // and reading back just the span they lie in spares a read of every image.
  auto withoutAlpha = [](const IconImage& image) {
    return std::none_of(image.pixels.begin(), image.pixels.end(), [](uint32_t pixel) { return (pixel >> 24) != 0; });
  };
  const IconImage* const end = images + count;
  const IconImage* const from = std::find_if(images, end, withoutAlpha);
  if (from == end) return true;
  const IconImage* const to =
      std::find_if(std::make_reverse_iterator(end), std::make_reverse_iterator(from), withoutAlpha).base();
  try {
    const size_t skipped = static_cast<size_t>(from - images), span = static_cast<size_t>(to - from);
    std::vector<IconImage> held(span);
    if (!ReadBack(first + skipped, span, held.data())) {
      lastError_ = kNotReadBack;
      return false;
    }
    for (size_t n = 0; n < span; ++n)
      if (held[n] != from[n]) keptAside_.emplace(first + skipped + n, from[n]);
    return true;
  } catch (const std::bad_alloc&) {
    lastError_ = ErrorDescription(ERROR_NOT_ENOUGH_MEMORY);
    return false;
  }
}

bool Win32ImageList::Images(size_t first, size_t count, IconImage* images) const {
  lastError_ = kNotReadBack;
  if (count > Count() || first > Count() - count || !ReadBack(first, count, images)) return false;
  // The few the control changed, as they were added.
  for (auto aside = keptAside_.lower_bound(first); aside != keptAside_.end() && aside->first < first + count; ++aside)
    images[aside->first - first] = aside->second;
  return true;
}

// ---- the shell's icons

Win32ShellIcons::Win32ShellIcons(IconCanvas& iconCanvas) : iconCanvas_(iconCanvas) {}

DWORD_PTR Win32ShellIcons::Query(const std::string& path, UINT flags) {
  // The shell's file information may go through COM.
  com_.Join();
  const std::wstring widePath = Wide(path);
  DWORD_PTR result = late::SHGetFileInfoW(widePath.c_str(), 0, &info_, sizeof info_, flags);
  // SHGFI_EXETYPE is documented as a question of its own; a shell that holds to that
  // refuses the combined query, so ask it again without.
  if (!result)
    result = late::SHGetFileInfoW(widePath.c_str(), 0, &info_, sizeof info_, flags & ~static_cast<UINT>(SHGFI_EXETYPE));
  return result;
}

IconCanvas& Win32ShellIcons::SurfaceFor(HIMAGELIST smallList) {
  // The system's small icons are 16 x 16 at 96 dots per inch only: a program aware of the
  // screen's resolution (ours, by its manifest) gets them at 20 or 24 pixels at 120 or 144,
  // and drawn on 16 x 16 they would be cut.
  int cx = 0, cy = 0;
  if (!smallList || !::ImageList_GetIconSize(smallList, &cx, &cy) || (cx == kIconSize && cy == kIconSize))
    return iconCanvas_;
  if (atListSize_.width() == cx && atListSize_.height() == cy) return atListSize_;
  return atListSize_.Create(cx, cy) ? atListSize_ : iconCanvas_;
}

std::optional<IconImage> Win32ShellIcons::FileIcon(const std::string& path) {
  HIMAGELIST smallList = reinterpret_cast<HIMAGELIST>(Query(path, kSmallQuery));
  if (!Query(path, kLargeQuery)) return std::nullopt;
  // Without the small list nothing is drawn, and the empty surface is the image.
  return SurfaceFor(smallList).Render([&](HDC dc) {
    if (smallList) ::ImageList_Draw(smallList, info_.iIcon, dc, 0, 0, ILD_TRANSPARENT);
  });
}

// ---- bounded read

bool Win32BoundedRead::Open(const std::string& path, uint64_t& size) {
  file_.reset(::CreateFileW(Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file_) {
    lastError_ = ::GetLastError();
    return false;
  }
  LARGE_INTEGER whole;
  if (!::GetFileSizeEx(file_.get(), &whole) || whole.QuadPart < 0) {
    lastError_ = ::GetLastError();
    file_.reset();
    return false;
  }
  size = static_cast<uint64_t>(whole.QuadPart);
  return true;
}

bool Win32BoundedRead::Read(size_t count, std::string& bytes) {
  bytes.clear();
  if (!file_) {
    lastError_ = ERROR_INVALID_HANDLE;
    return false;
  }
  try {
    bytes.resize(count);
  } catch (const std::bad_alloc&) {
    lastError_ = ERROR_NOT_ENOUGH_MEMORY;
    return false;
  } catch (const std::length_error&) {
    lastError_ = ERROR_NOT_ENOUGH_MEMORY;
    return false;
  }
  // Fewer bytes where the file ends, or shrank meanwhile: the caller's checks refuse them.
  if (!ReadInto(file_.get(), bytes)) {
    lastError_ = ::GetLastError();
    bytes.clear();
    return false;
  }
  return true;
}

std::string Win32BoundedRead::LastErrorDescription() { return ErrorDescription(lastError_); }

// ---- the icon worker

namespace {

// Icons handed to the window at a time: the list fills as they come without a message per
// icon.
constexpr size_t kIconBatch = 32;

}  // namespace

void Win32IconWorker::Start(IconWork work) {
  if (stopped_) return;
  if (!thread_) {
    thread_.reset(
        reinterpret_cast<HANDLE>(::_beginthreadex(nullptr, 0, &Win32IconWorker::ThreadMain, this, 0, nullptr)));
    if (!thread_) return;
  }
  ::AcquireSRWLockExclusive(&lock_);
  wanted_ = work.pass;
  next_ = std::move(work);
  finished_.clear();  // of the pass before: nobody wants them any more
  ::ReleaseSRWLockExclusive(&lock_);
  ::WakeConditionVariable(&wake_);
}

void Win32IconWorker::Cancel() {
  ::AcquireSRWLockExclusive(&lock_);
  wanted_ = 0;
  next_.reset();
  finished_.clear();
  ::ReleaseSRWLockExclusive(&lock_);
}

void Win32IconWorker::Stop() {
  stopped_ = true;
  if (!thread_) return;
  ::AcquireSRWLockExclusive(&lock_);
  wanted_ = 0;
  next_.reset();
  quit_ = true;
  ::ReleaseSRWLockExclusive(&lock_);
  ::WakeConditionVariable(&wake_);
  // At most the icon being drawn is finished first.
  ::WaitForSingleObject(thread_.get(), INFINITE);
  thread_.reset();
  finished_.clear();
}

std::vector<IconBatch> Win32IconWorker::TakeFinished() {
  std::vector<IconBatch> taken;
  ::AcquireSRWLockExclusive(&lock_);
  taken.swap(finished_);
  ::ReleaseSRWLockExclusive(&lock_);
  return taken;
}

unsigned __stdcall Win32IconWorker::ThreadMain(void* self) noexcept {
  try {
    static_cast<Win32IconWorker*>(self)->Run();
  } catch (...) {
    // No memory even for the thread's own surface: passes stay unanswered, the window as it is.
  }
  return 0;
}

void Win32IconWorker::Hand(IconBatch& batch) {
  ::AcquireSRWLockExclusive(&lock_);
  const bool wanted = wanted_ == batch.pass;
  if (wanted) finished_.push_back(std::move(batch));
  ::ReleaseSRWLockExclusive(&lock_);
  if (wanted && window_) ::PostMessageW(window_, WM_ICONSREADY, 0, 0);
}

void Win32IconWorker::Run() {
  // All of it this thread's own: the shell's icons come through COM, which the shell's
  // object joins this thread to (apartment-threaded) with its first question.
  IconCanvas iconCanvas;
  iconCanvas.Create();
  Win32ShellIcons shell(iconCanvas);
  Win32FileSystem files;
  for (;;) {
    IconWork work;
    ::AcquireSRWLockExclusive(&lock_);
    while (!quit_ && !next_) ::SleepConditionVariableSRW(&wake_, &lock_, INFINITE, 0);
    if (quit_) {
      ::ReleaseSRWLockExclusive(&lock_);
      return;
    }
    work = std::move(*next_);
    next_.reset();
    ::ReleaseSRWLockExclusive(&lock_);

    IconBatch batch;
    batch.pass = work.pass;
    for (size_t i = 0; i < work.targets.size() && wanted_ == work.pass; ++i) {
      try {
        if (batch.icons.empty()) batch.first = i;
        std::optional<IconImage> icon;
        try {
          icon = FindTargetIcon(work.targets[i], work.driveRoot, files, shell);
        } catch (const std::bad_alloc&) {
          // Shown as not found, as a file the shell knows nothing of.
        }
        batch.icons.push_back(std::move(icon));
        if (batch.icons.size() == kIconBatch || i + 1 == work.targets.size()) {
          Hand(batch);
          batch.icons.clear();
        }
      } catch (const std::bad_alloc&) {
        // Nothing more of this pass can be handed over: it stays unfinished, and the next
        // pass starts afresh.
        break;
      }
    }
  }
}

// ---- notFoundIcon

IconImage LoadNotFoundPicture(IconCanvas& iconCanvas) {
  UniqueIcon icon(static_cast<HICON>(
      ::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_NOTFOUND), IMAGE_ICON, kIconSize, kIconSize, 0)));
  if (!icon) return IconImage{};
  return iconCanvas.Render(
      [&](HDC dc) { ::DrawIconEx(dc, 0, 0, icon.get(), kIconSize, kIconSize, 0, nullptr, DI_NORMAL); });
}

// ---- all together

Win32Icons::Win32Icons() = default;

bool Win32Icons::Create(HWND listView, HWND window) {
  iconCanvas_.Create();
  if (!imageList_.Create(listView)) return false;
  worker_.SetWindow(window);
  ports_ = std::make_unique<IconPorts>(IconPorts{imageList_, worker_, reader_, LoadNotFoundPicture(iconCanvas_)});
  return true;
}

}  // namespace carrydeck
