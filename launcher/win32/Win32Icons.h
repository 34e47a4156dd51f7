// The icon ports over Win32: `imageList` as a real image list given to the list view, the
// icon worker (a thread of its own, drawing the shell's small icons into its own
// `iconCanvas`), and `notFoundIcon` from the resources.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <atomic>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/win32/DelayLoad.h"
#include "common/win32/Handle.h"
#include "launcher/IconPorts.h"

namespace carrydeck {

struct ImageListTraits {
  static HIMAGELIST Invalid() noexcept { return nullptr; }
  static void Close(HIMAGELIST h) noexcept { ::ImageList_Destroy(h); }
};
using UniqueImageList = UniqueHandle<HIMAGELIST, ImageListTraits>;

// `iconCanvas`: a hidden surface of 32-bit pixels that icons are drawn on, 16 x 16 unless made
// for pictures of another size. What it gives is always a 16 x 16 image.
class IconCanvas {
 public:
  IconCanvas() = default;
  IconCanvas(const IconCanvas&) = delete;
  IconCanvas& operator=(const IconCanvas&) = delete;

  // Again to change the size.
  bool Create(int width = kIconSize, int height = kIconSize);
  HDC dc() const { return dc_.get(); }
  int width() const { return width_; }
  int height() const { return height_; }
  // What `draw` paints on the surface, with straight alpha, scaled to 16 x 16 when the
  // surface is of another size. It is drawn over black and over white: how far the two
  // differ tells each pixel's coverage, whether the icon carries an alpha channel or only
  // a mask.
  template <typename Draw>
  IconImage Render(Draw draw) {
    if (!bits_) return IconImage{};
    Fill(0xFF000000);
    draw(dc_.get());
    ::GdiFlush();
    std::vector<uint32_t> overBlack(bits_, bits_ + Pixels());
    Fill(0xFFFFFFFF);
    draw(dc_.get());
    ::GdiFlush();
    return Unblend(overBlack.data(), bits_);
  }

 private:
  size_t Pixels() const { return static_cast<size_t>(width_) * static_cast<size_t>(height_); }
  void Fill(uint32_t argb);
  IconImage Unblend(const uint32_t* overBlack, const uint32_t* overWhite) const;

  // In this order: the bitmap is put back out of the context before either goes.
  UniqueMemoryDc dc_;
  UniqueBitmap bitmap_;
  SelectedObject selected_;
  uint32_t* bits_ = nullptr;
  int width_ = 0;
  int height_ = 0;
};

// `imageList`: a 32-bit image list with masks, shared with the list view (never destroyed by
// it). The control alone holds the pixels: a save reads them back from it.
class Win32ImageList : public IImageList {
 public:
  bool Create(HWND listView);
  // A list made room for anew is another handle.
  HIMAGELIST handle() const { return list_.get(); }

  void Attach() override;
  void Detach() override;
  bool Attached() const override { return attached_; }
  void Clear() override;
  bool ClearWithRoomFor(size_t count) override;
  bool Truncate(size_t count) override;
  size_t Count() const override;
  bool Add(size_t index, const IconImage& image) override;
  bool AddStrip(const std::vector<IconImage>& images) override;
  bool Images(size_t first, size_t count, IconImage* images) const override;
  std::string LastErrorDescription() const override { return lastError_; }
  // How many images the control could not hold as added, kept here instead.
  size_t KeptAside() const { return keptAside_.size(); }

 private:
  // Into the control, after the images it holds.
  bool AddToControl(const IconImage* images, size_t count);
  // Images first .. first + count - 1 (from 0) as the control holds them, from one read of
  // the rows of its bitmap they lie in.
  bool ReadBack(size_t first, size_t count, IconImage* out) const;
  // Compares what the control made of the images just added without any alpha with what
  // was given: any it changed is kept aside, so the cache still gets it as it was added.
  bool KeepChangedAside(size_t first, const IconImage* images, size_t count);

  HWND view_ = nullptr;
  UniqueImageList list_;
  bool attached_ = false;  // only this adapter gives the list view its image lists
  // By index (from 0). The control keeps an image without any alpha as a masked one, and
  // clears what lies under the mask: an image clear throughout yet coloured comes back
  // black. Such images are rare (the shell's icons never are), so few are ever here.
  std::map<size_t, IconImage> keptAside_;
  mutable std::string lastError_;  // a read back failing says why too
};

// The shell's small icon of a file: the two queries of the system image list, then a draw.
class Win32ShellIcons : public IShellIcons {
 public:
  explicit Win32ShellIcons(IconCanvas& iconCanvas);
  Win32ShellIcons(const Win32ShellIcons&) = delete;
  Win32ShellIcons& operator=(const Win32ShellIcons&) = delete;

  std::optional<IconImage> FileIcon(const std::string& path) override;

 private:
  DWORD_PTR Query(const std::string& path, UINT flags);
  // Where the icons of the system's small-icon list are drawn whole.
  IconCanvas& SurfaceFor(HIMAGELIST smallList);

  IconCanvas& iconCanvas_;
  // For small icons of another size than 16 x 16, made when the first one comes.
  IconCanvas atListSize_;
  // Reused by every query; only the icon index is read from it.
  SHFILEINFOW info_ = {};
  // Joined with the first question, not with the window: a start from a warm cache asks none.
  ComApartment com_;
};

class Win32BoundedRead : public IBoundedRead {
 public:
  bool Open(const std::string& path, uint64_t& size) override;
  bool Read(size_t count, std::string& bytes) override;
  void Close() override { file_.reset(); }
  std::string LastErrorDescription() override;

 private:
  UniqueFile file_;
  DWORD lastError_ = 0;
};

// Posted to the window when the icon worker has icons ready (IIconWorker::TakeFinished).
constexpr UINT WM_ICONSREADY = WM_APP + 4;

// Extracts icons on a thread of its own, in its own COM apartment, with its own file checks
// and drawing surface; what it finishes waits here for the window's thread, which it tells
// with WM_ICONSREADY. The thread starts with the first pass: a start from the cache has none.
class Win32IconWorker : public IIconWorker {
 public:
  Win32IconWorker() = default;
  ~Win32IconWorker() override { Stop(); }
  Win32IconWorker(const Win32IconWorker&) = delete;
  Win32IconWorker& operator=(const Win32IconWorker&) = delete;

  // The window told of finished icons.
  void SetWindow(HWND window) { window_ = window; }

  void Start(IconWork work) override;
  void Cancel() override;
  void Stop() override;
  std::vector<IconBatch> TakeFinished() override;

 private:
  static unsigned __stdcall ThreadMain(void* self) noexcept;
  void Run();
  // Hands a batch over, unless its pass was cancelled meanwhile.
  void Hand(IconBatch& batch);

  HWND window_ = nullptr;
  UniqueKernelHandle thread_;
  bool stopped_ = false;
  // Read by the thread between targets: the pass whose icons are still wanted (0: none).
  std::atomic<uint64_t> wanted_{0};
  // The rest under lock_.
  SRWLOCK lock_ = SRWLOCK_INIT;
  CONDITION_VARIABLE wake_ = CONDITION_VARIABLE_INIT;
  std::optional<IconWork> next_;
  bool quit_ = false;
  std::vector<IconBatch> finished_;
};

// The 16 x 16 not-found icon of the resources, as an image.
IconImage LoadNotFoundPicture(IconCanvas& iconCanvas);

// Everything the main window's icon pass is given, owned in one place.
class Win32Icons {
 public:
  Win32Icons();
  Win32Icons(const Win32Icons&) = delete;
  Win32Icons& operator=(const Win32Icons&) = delete;

  // After the list view exists.
  // After the list view exists; the worker tells `window` of finished icons.
  bool Create(HWND listView, HWND window);
  IconPorts* ports() { return ports_.get(); }
  Win32ImageList& imageList() { return imageList_; }
  Win32IconWorker& worker() { return worker_; }

 private:
  IconCanvas iconCanvas_;
  Win32ImageList imageList_;
  Win32IconWorker worker_;
  Win32BoundedRead reader_;
  std::unique_ptr<IconPorts> ports_;
};

}  // namespace carrydeck
