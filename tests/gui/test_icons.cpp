// The list's icons on the real window: the shell's icons, the cache file on the stick, and
// what the list view shows.
#include <cstring>
#include <limits>

#include "GuiTest.h"
#include "common/win32/ErrorDescription.h"
#include "common/win32/Win32FileSystem.h"
#include "launcher/CatalogueModel.h"
#include "launcher/IconCacheFile.h"
#include "launcher/win32/resource.h"

namespace carrydeck::gui {
namespace {

// Image `index` of a real image list drawn over white, as the list view would draw it.
std::vector<uint32_t> DrawnOverWhite(HIMAGELIST images, int index) {
  BITMAPINFO info = {};
  info.bmiHeader = {sizeof info.bmiHeader, 16, -16, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  UniqueMemoryDc dc(CreateCompatibleDC(nullptr));
  UniqueGdi bitmap(CreateDIBSection(dc.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  HGDIOBJ old = SelectObject(dc.get(), bitmap.get());
  uint32_t* pixels = static_cast<uint32_t*>(bits);
  std::fill(pixels, pixels + 256, 0xFFFFFFFFu);
  ImageList_Draw(images, index, dc.get(), 0, 0, ILD_TRANSPARENT);
  GdiFlush();
  std::vector<uint32_t> out(pixels, pixels + 256);
  SelectObject(dc.get(), old);
  return out;
}

// The real list holds `image` at `index`: drawn over white it blends as its alpha says.
void ExpectDrawnLike(HIMAGELIST images, int index, const IconImage& image) {
  std::vector<uint32_t> drawn = DrawnOverWhite(images, index);
  for (size_t p = 0; p < kIconPixels; ++p) {
    const uint32_t px = image.pixels[p];
    const unsigned a = px >> 24;
    for (int ch = 0; ch < 3; ++ch) {
      const unsigned c = (px >> (8 * ch)) & 0xFF;
      const int expected = static_cast<int>((c * a + 255 * (255 - a) + 127) / 255);
      const int got = static_cast<int>((drawn[p] >> (8 * ch)) & 0xFF);
      ASSERT_NEAR(got, expected, 3) << "image " << index << " pixel " << p << " channel " << ch;
    }
  }
}

struct Icons : ::testing::Test {
  std::vector<MessageBoxRequest> boxes;
  std::unique_ptr<TestLauncher> window;

  void Open(const StickFolder& folder) {
    window.reset();
    Pump(nullptr, 10);
    boxes.clear();
    window = std::make_unique<TestLauncher>();
    window->SetMessageBoxHook([this](const MessageBoxRequest& r) {
      boxes.push_back(r);
      return IDOK;
    });
    ASSERT_TRUE(window->Create(folder.path(), SW_SHOWNORMAL));
    // The deferred icon pass runs from the first pump; give a slow machine a few more.
    for (int i = 0; i < 300 && StatusText(window->statusBar()).rfind("Icons ", 0) != 0 && boxes.empty(); ++i)
      Pump(window.get(), 30);
  }
  void TearDown() override {
    window.reset();
    Pump(nullptr, 10);
  }
  // Pumps until the pass under way has shown its last line, or a report.
  void WaitForIcons() {
    const size_t reported = boxes.size();
    for (int i = 0; i < 300 && Status().rfind("Icons ", 0) != 0 && boxes.size() == reported; ++i)
      Pump(window.get(), 30);
  }
  HWND list() { return window->list().hwnd(); }
  std::string Status() { return StatusText(window->statusBar()); }
  HIMAGELIST Shown(int which) { return ListView_GetImageList(list(), which); }
  int RowImage(int row) {
    LVITEMA item = {};
    item.mask = LVIF_IMAGE;
    item.iItem = row;
    SendMessageA(list(), LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    return item.iImage;
  }
  std::vector<IconImage> CacheOn(const StickFolder& stick) {
    std::vector<IconImage> images;
    EXPECT_EQ(DecodeImageList(stick.Read("imagelist.dat"), images), IconFileStatus::Ok);
    return images;
  }
};

const char kThreeEntries[] = "Notepad\r\nEditors\r\nC:\\windows\\notepad.exe\r\n\r\n";

void WriteThree(const StickFolder& stick) {
  stick.Write("readme.txt", "hello");
  stick.Write("Data.dat", std::string(kThreeEntries) + "Readme\r\nDocs\r\n" + stick.path() + "readme.txt\r\n\r\n" +
                              "Gone\r\nTools\r\n" + stick.path() + "gone.exe\r\n\r\n");
}

size_t Count(const IconImage& image, bool opaque) {
  size_t n = 0;
  for (uint32_t p : image.pixels) n += opaque ? (p >> 24) == 0xFF : (p >> 24) == 0;
  return n;
}

TEST_F(Icons, FirstStartRebuildsAndLeavesTheCacheTheNextStartLoadsIt) {
  StickFolder stick("icons_first");
  WriteThree(stick);
  Open(stick);
  EXPECT_EQ(Status(), "Icons rebuilt. 2 successful, 1 unsuccessful.");
  EXPECT_TRUE(boxes.empty());
  ASSERT_TRUE(stick.Has("imagelist.dat"));
  HIMAGELIST shown = Shown(LVSIL_SMALL);
  ASSERT_NE(shown, nullptr);
  EXPECT_EQ(Shown(LVSIL_NORMAL), shown);
  EXPECT_EQ(ImageList_GetImageCount(shown), 3);
  for (int row = 0; row < 3; ++row) EXPECT_EQ(RowImage(row), row);

  std::vector<IconImage> cached = CacheOn(stick);
  ASSERT_EQ(cached.size(), 3u);
  IconCanvas iconCanvas;
  ASSERT_TRUE(iconCanvas.Create());
  const IconImage notFound = LoadNotFoundPicture(iconCanvas);
  EXPECT_GT(Count(notFound, true), 0u);
  EXPECT_GT(Count(notFound, false), 0u) << "the not-found picture keeps its transparent parts";
  EXPECT_TRUE(cached[2] == notFound) << "the missing entry shows the not-found picture";
  EXPECT_FALSE(cached[0] == notFound) << "notepad.exe shows the shell's icon";
  EXPECT_GT(Count(cached[0], true), 0u);
  EXPECT_FALSE(cached[1] == notFound);

  const std::string firstCache = stick.Read("imagelist.dat");
  Open(stick);
  EXPECT_EQ(Status(), "Icons loaded (3).");
  EXPECT_TRUE(boxes.empty());
  shown = Shown(LVSIL_SMALL);
  ASSERT_NE(shown, nullptr);
  EXPECT_EQ(ImageList_GetImageCount(shown), 3);
  for (int row = 0; row < 3; ++row) EXPECT_EQ(RowImage(row), row);
  EXPECT_EQ(stick.Read("imagelist.dat"), firstCache) << "a load writes nothing";
  IconImage image;
  for (size_t i = 0; i < 3; ++i) {
    ASSERT_TRUE(window->imageList().Image(i, image));
    EXPECT_TRUE(image == cached[i]) << i;
  }
}

TEST_F(Icons, TheListDrawsTheLoadedImagesWithTheirTransparency) {
  StickFolder stick("icons_drawn");
  WriteThree(stick);
  Open(stick);
  Open(stick);
  ASSERT_EQ(Status(), "Icons loaded (3).");
  std::vector<IconImage> cached = CacheOn(stick);
  ASSERT_EQ(cached.size(), 3u);
  for (int i = 0; i < 3; ++i) ExpectDrawnLike(Shown(LVSIL_SMALL), i, cached[static_cast<size_t>(i)]);
}

TEST_F(Icons, IconsOffEmptiesTheListsIconsAndLeavesTheCacheUntouched) {
  StickFolder stick("icons_off");
  WriteThree(stick);
  Open(stick);
  ASSERT_EQ(Status(), "Icons rebuilt. 2 successful, 1 unsuccessful.");
  const std::string cache = stick.Read("imagelist.dat");
  WIN32_FILE_ATTRIBUTE_DATA before = {}, after = {};
  GetFileAttributesExA((stick.path() + "imagelist.dat").c_str(), GetFileExInfoStandard, &before);

  window->logic().CurrentSettings().SetIcons(false);
  window->logic().Icons().GetAllIcons();
  Pump(window.get());
  EXPECT_EQ(Shown(LVSIL_SMALL), nullptr);
  EXPECT_EQ(Shown(LVSIL_NORMAL), nullptr);
  EXPECT_EQ(window->imageList().Count(), 0u);
  EXPECT_EQ(ImageList_GetImageCount(window->imageList().handle()), 0);
  EXPECT_EQ(Status(), "Icons rebuilt. 2 successful, 1 unsuccessful.") << "the status line keeps its text";
  EXPECT_EQ(stick.Read("imagelist.dat"), cache);
  GetFileAttributesExA((stick.path() + "imagelist.dat").c_str(), GetFileExInfoStandard, &after);
  EXPECT_EQ(CompareFileTime(&before.ftLastWriteTime, &after.ftLastWriteTime), 0);
}

TEST_F(Icons, RebuildIconsWithNoCacheRebuilds) {
  StickFolder stick("icons_rebuild");
  WriteThree(stick);
  Open(stick);
  ASSERT_TRUE(DeleteFileA((stick.path() + "imagelist.dat").c_str()));
  SendMessageA(window->hwnd(), WM_COMMAND, static_cast<WPARAM>(Command::RebuildIcons), 0);
  WaitForIcons();
  EXPECT_EQ(Status(), "Icons rebuilt. 2 successful, 1 unsuccessful.");
  EXPECT_TRUE(boxes.empty());
  EXPECT_EQ(CacheOn(stick).size(), 3u);
  EXPECT_EQ(ImageList_GetImageCount(Shown(LVSIL_SMALL)), 3);
}

TEST_F(Icons, ADamagedCacheIsReportedAndRebuildIconsMendsIt) {
  StickFolder stick("icons_damaged");
  WriteThree(stick);
  Open(stick);
  std::string cache = stick.Read("imagelist.dat");
  stick.Write("imagelist.dat", cache.substr(0, cache.size() / 2));
  Open(stick);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "Error getting icons: The icon cache is damaged.");
  EXPECT_EQ(boxes[0].style, MB_OK | MB_ICONSTOP);
  EXPECT_EQ(Status(), "Loading saved icons . . .");
  SendMessageA(window->hwnd(), WM_COMMAND, static_cast<WPARAM>(Command::RebuildIcons), 0);
  WaitForIcons();
  EXPECT_EQ(Status(), "Icons rebuilt. 2 successful, 1 unsuccessful.");
  EXPECT_EQ(stick.Read("imagelist.dat").size(), cache.size());
}

// The worker extracts on its own thread while the window goes on; what it hands back fills
// the list, and the cache then saved is the one "Rebuild Icons" saves.
TEST_F(Icons, AnEditsPassRunsOnTheWorkerAndSavesWhatRebuildIconsSaves) {
  StickFolder stick("icons_edit");
  WriteThree(stick);
  stick.Write("second.txt", "again");
  Open(stick);
  ASSERT_EQ(Status(), "Icons rebuilt. 2 successful, 1 unsuccessful.");
  // As the entry editor adds an entry.
  window->logic().Catalogue().Append(
      std::vector<CatalogEntry>{CatalogEntry{{"Second", "Docs", stick.path() + "second.txt", ""}}});
  window->logic().RebuildIcons();
  EXPECT_EQ(Status(), "Rebuilding icons . . .") << "the new file is the worker's; the window is free";
  EXPECT_EQ(window->imageList().Count(), 3u) << "the rows before the new one keep their images";
  WaitForIcons();
  EXPECT_EQ(Status(), "Icons rebuilt. 3 successful, 1 unsuccessful.");
  EXPECT_TRUE(boxes.empty());
  EXPECT_EQ(ImageList_GetImageCount(Shown(LVSIL_SMALL)), 4);
  EXPECT_EQ(RowImage(3), 3);
  const std::string afterEdit = stick.Read("imagelist.dat");
  ASSERT_EQ(CacheOn(stick).size(), 4u);

  SendMessageA(window->hwnd(), WM_COMMAND, static_cast<WPARAM>(Command::RebuildIcons), 0);
  WaitForIcons();
  EXPECT_EQ(Status(), "Icons rebuilt. 3 successful, 1 unsuccessful.");
  EXPECT_TRUE(stick.Read("imagelist.dat") == afterEdit) << "byte for byte";
}

TEST_F(Icons, AnEntryStoredOnAnotherDriveTakesTheIconOfTheFileOnTheLaunchersDrive) {
  StickFolder stick("icons_reloc");
  stick.Write("tool.exe", "MZ");
  // F: is mapped, but holds no such file.
  stick.Write("Data.dat",
              "Tool\r\nT\r\nF:\\icons_reloc\\tool.exe\r\n\r\nGone\r\nT\r\nF:\\icons_reloc\\gone.exe\r\n\r\n");
  Open(stick);
  EXPECT_EQ(Status(), "Icons rebuilt. 1 successful, 1 unsuccessful.");
}

TEST_F(Icons, MoreRowsThanTheCacheHoldsRebuildsInTheSamePass) {
  StickFolder stick("icons_mismatch");
  WriteThree(stick);
  Open(stick);
  stick.Write("Data.dat", stick.Read("Data.dat") + "Notepad again\r\nEditors\r\nC:\\windows\\notepad.exe\r\n\r\n");
  Open(stick);
  EXPECT_EQ(Status(), "Icons rebuilt. 3 successful, 1 unsuccessful.");
  EXPECT_TRUE(boxes.empty());
  std::vector<IconImage> cached = CacheOn(stick);
  ASSERT_EQ(cached.size(), 4u);
  EXPECT_TRUE(cached[3] == cached[0]) << "two entries of one file, two equal images";
}

// ---- the adapters on their own

// The 16 x 16 image of an icon resource, straight from its bits (rows bottom-up, BGRA).
IconImage ResourceIcon(int id) {
  IconImage image;
  HMODULE module = GetModuleHandleA(nullptr);
  HRSRC group = FindResourceA(module, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(14) /* RT_GROUP_ICON */);
  if (!group) return image;
  PBYTE directory = static_cast<PBYTE>(LockResource(LoadResource(module, group)));
  int member = LookupIconIdFromDirectoryEx(directory, TRUE, 16, 16, LR_DEFAULTCOLOR);
  HRSRC icon = FindResourceA(module, MAKEINTRESOURCEA(member), MAKEINTRESOURCEA(3) /* RT_ICON */);
  if (!icon) return image;
  const BYTE* bits = static_cast<const BYTE*>(LockResource(LoadResource(module, icon)));
  const auto* header = reinterpret_cast<const BITMAPINFOHEADER*>(bits);
  if (header->biWidth != 16 || header->biBitCount != 32) return image;
  const auto* pixels = reinterpret_cast<const uint32_t*>(bits + header->biSize);
  for (size_t y = 0; y < 16; ++y)
    for (size_t x = 0; x < 16; ++x) {
      uint32_t p = pixels[(15 - y) * 16 + x];
      image.pixels[y * 16 + x] = (p >> 24) == 0 ? 0 : p;
    }
  return image;
}

TEST(IconAdapters, TheNotFoundPictureIsTheResourceIconPixelForPixel) {
  IconCanvas iconCanvas;
  ASSERT_TRUE(iconCanvas.Create());
  const IconImage expected = ResourceIcon(IDI_NOTFOUND);
  ASSERT_GT(Count(expected, true), 0u);
  const IconImage picture = LoadNotFoundPicture(iconCanvas);
  for (size_t i = 0; i < kIconPixels; ++i) EXPECT_EQ(picture.pixels[i], expected.pixels[i]) << "pixel " << i;
}

// A real list view to hang image lists on, and our image list on it.
struct ImageListOnAListView : ::testing::Test {
  HWND view = CreateWindowExA(0, WC_LISTVIEWA, "", WS_POPUP | LVS_REPORT | LVS_OWNERDATA, 0, 0, 200, 200, nullptr,
                              nullptr, GetModuleHandleA(nullptr), nullptr);
  Win32ImageList iml;
  ~ImageListOnAListView() override {
    if (view) DestroyWindow(view);
  }
  static IconImage Gradient(uint32_t rgb) {
    // Alpha from 0 to 255 across the image, the same colour throughout.
    IconImage image;
    for (size_t i = 0; i < kIconPixels; ++i) image.pixels[i] = i == 0 ? 0 : static_cast<uint32_t>(i) << 24 | rgb;
    return image;
  }
};

// Images holding every kind of pixel the cache can carry: opaque, clear with a colour left
// in it, partly clear, clear and black, mixed within each image; and images of one kind
// only, one of them clear throughout yet coloured. No two images alike.
std::vector<IconImage> EveryKindOfPixel(size_t n) {
  std::vector<IconImage> images(n);
  for (size_t i = 0; i < n; ++i)
    for (size_t p = 0; p < kIconPixels; ++p) {
      const uint32_t rgb = static_cast<uint32_t>((i * 0x10305 + p * 0x3711) & 0xFFFFFF) | 0x000101;
      const uint32_t partial = static_cast<uint32_t>(1 + (i * 7 + p * 3) % 254) << 24;
      const uint32_t kinds[] = {0xFF000000u | rgb, rgb, partial | rgb, 0};
      images[i].pixels[p] = kinds[(i + p) % 4];
    }
  const size_t n1 = std::min<size_t>(n, 5);
  for (size_t i = 1; i < n1; ++i)
    for (size_t p = 0; p < kIconPixels; ++p) {
      const uint32_t rgb = static_cast<uint32_t>((i * 0x402010 + p * 0x10101) & 0xFFFFFF) | 0x010000;
      const uint32_t one[] = {0, 0xFF000000u | rgb, rgb, 0, 0x80000000u | rgb};
      images[i].pixels[p] = one[i];  // 1 opaque, 2 clear yet coloured, 3 all zero, 4 half clear
    }
  return images;
}

TEST_F(ImageListOnAListView, ImagesGoInRowOrderOnlyAndComeBackAsAdded) {
  ASSERT_NE(view, nullptr);
  ASSERT_TRUE(iml.Create(view));
  ASSERT_TRUE(iml.Add(0, Gradient(0x204080)));
  EXPECT_FALSE(iml.Add(2, Gradient(0x204080)));
  EXPECT_EQ(iml.LastErrorDescription(), "Image 3 would not stand beside its row.");
  ASSERT_TRUE(iml.AddStrip({Gradient(0xFF0000), Gradient(0x00FF00), Gradient(0x0000FF)}));
  EXPECT_EQ(iml.Count(), 4u);
  EXPECT_EQ(ImageList_GetImageCount(iml.handle()), 4);
  IconImage image;
  ASSERT_TRUE(iml.Image(2, image));
  EXPECT_TRUE(image == Gradient(0x00FF00));
  EXPECT_FALSE(iml.Image(4, image));
  const uint32_t colours[] = {0x204080, 0xFF0000, 0x00FF00, 0x0000FF};
  for (int i = 0; i < 4; ++i) ExpectDrawnLike(iml.handle(), i, Gradient(colours[i]));

  // Shortened, as an edit's pass keeps the rows before the first one it changed: the first
  // images stay as they were, and the next one goes in after them.
  EXPECT_FALSE(iml.Truncate(5));
  ASSERT_TRUE(iml.Truncate(2));
  EXPECT_EQ(ImageList_GetImageCount(iml.handle()), 2);
  ASSERT_TRUE(iml.Add(2, Gradient(0x808000)));
  ASSERT_TRUE(iml.AddStrip({Gradient(0x0000FF)}));
  ASSERT_EQ(iml.Count(), 4u);
  const uint32_t after[] = {0x204080, 0xFF0000, 0x808000, 0x0000FF};
  for (size_t i = 0; i < 4; ++i) {
    ASSERT_TRUE(iml.Image(i, image));
    EXPECT_TRUE(image == Gradient(after[i])) << i;
    ExpectDrawnLike(iml.handle(), static_cast<int>(i), Gradient(after[i]));
  }

  EXPECT_FALSE(iml.Attached());
  iml.Attach();
  EXPECT_EQ(ListView_GetImageList(view, LVSIL_SMALL), iml.handle());
  EXPECT_EQ(ListView_GetImageList(view, LVSIL_NORMAL), iml.handle());
  iml.Detach();
  EXPECT_EQ(ListView_GetImageList(view, LVSIL_SMALL), nullptr);
  EXPECT_EQ(ListView_GetImageList(view, LVSIL_NORMAL), nullptr);
  iml.Clear();
  EXPECT_EQ(iml.Count(), 0u);
  EXPECT_EQ(ImageList_GetImageCount(iml.handle()), 0);
}

TEST_F(ImageListOnAListView, TheListViewGoingLeavesTheImageListToItsOwner) {
  ASSERT_TRUE(iml.Create(view));
  ASSERT_TRUE(iml.AddStrip({Gradient(0x102030), Gradient(0x405060)}));
  // One more goes on after the strip.
  ASSERT_TRUE(iml.Add(2, Gradient(0x708090)));
  IconImage image;
  ASSERT_TRUE(iml.Image(0, image));
  EXPECT_TRUE(image == Gradient(0x102030));
  ASSERT_TRUE(iml.Image(2, image));
  EXPECT_TRUE(image == Gradient(0x708090));
  iml.Attach();
  DestroyWindow(view);
  view = nullptr;
  EXPECT_EQ(ImageList_GetImageCount(iml.handle()), 3) << "the list view must not destroy what it only shows";
}

TEST_F(ImageListOnAListView, RoomForAllImagesIsAFreshListShownInPlaceOfTheOldOne) {
  ASSERT_TRUE(iml.Create(view));
  ASSERT_TRUE(iml.Add(0, Gradient(0x102030)));
  iml.Attach();
  const std::vector<IconImage> images = EveryKindOfPixel(3000);
  ASSERT_TRUE(iml.ClearWithRoomFor(images.size()));
  EXPECT_EQ(iml.Count(), 0u);
  EXPECT_TRUE(iml.Attached());
  EXPECT_EQ(ListView_GetImageList(view, LVSIL_SMALL), iml.handle()) << "the list view shows the new list";
  EXPECT_EQ(ListView_GetImageList(view, LVSIL_NORMAL), iml.handle());
  ASSERT_TRUE(iml.AddStrip({images.begin(), images.begin() + 1024}));
  ASSERT_TRUE(iml.AddStrip({images.begin() + 1024, images.end()}));
  EXPECT_EQ(ImageList_GetImageCount(iml.handle()), 3000);
  std::vector<IconImage> back(20);
  ASSERT_TRUE(iml.Images(2980, back.size(), back.data()));
  for (size_t i = 0; i < back.size(); ++i) EXPECT_TRUE(back[i] == images[2980 + i]) << i;
  EXPECT_FALSE(iml.Images(2980, 21, back.data())) << "past the last image";

  // No room for that many: the list stays, empty and still in use.
  EXPECT_FALSE(iml.ClearWithRoomFor(std::numeric_limits<size_t>::max() / 2));
  EXPECT_EQ(iml.LastErrorDescription(), ErrorDescription(ERROR_NOT_ENOUGH_MEMORY));
  EXPECT_EQ(iml.Count(), 0u);
  EXPECT_EQ(ListView_GetImageList(view, LVSIL_SMALL), iml.handle());
  ASSERT_TRUE(iml.Add(0, images[0]));
}

TEST_F(ImageListOnAListView, Pic16GivesBackWhatTheImageListDrawsAlphaIncluded) {
  ASSERT_TRUE(iml.Create(view));
  const IconImage original = Gradient(0xC08040);
  ASSERT_TRUE(iml.Add(0, original));
  IconCanvas iconCanvas;
  ASSERT_TRUE(iconCanvas.Create());
  const IconImage drawn =
      iconCanvas.Render([&](HDC dc) { ImageList_Draw(iml.handle(), 0, dc, 0, 0, ILD_TRANSPARENT); });
  for (size_t i = 0; i < kIconPixels; ++i) {
    const int alpha = static_cast<int>(original.pixels[i] >> 24);
    ASSERT_NEAR(static_cast<int>(drawn.pixels[i] >> 24), alpha, 2) << "pixel " << i;
    if (alpha < 64) continue;  // too faint to carry its colour back exactly
    for (int ch = 0; ch < 3; ++ch)
      EXPECT_NEAR(static_cast<int>((drawn.pixels[i] >> (8 * ch)) & 0xFF),
                  static_cast<int>((original.pixels[i] >> (8 * ch)) & 0xFF), 4)
          << "pixel " << i << " channel " << ch;
  }
}

TEST_F(ImageListOnAListView, TheCacheSavedFromTheListHoldsEveryPixelAsAddedAndLoadsBackTheSame) {
  ASSERT_TRUE(iml.Create(view));
  const std::vector<IconImage> images = EveryKindOfPixel(23);
  // One by one, then strips, then one more and a strip: images in several rows of the list's
  // bitmap, whichever way they came in.
  size_t next = 0;
  for (; next < 3; ++next) ASSERT_TRUE(iml.Add(next, images[next])) << next;
  ASSERT_TRUE(iml.AddStrip({images.begin() + 3, images.begin() + 12}));
  ASSERT_TRUE(iml.Add(12, images[12]));
  ASSERT_TRUE(iml.AddStrip({images.begin() + 13, images.end()}));
  ASSERT_EQ(iml.Count(), images.size());
  EXPECT_LE(iml.KeptAside(), 1u) << "the control holds the pixels: at most the image clear yet coloured is kept aside";
  for (size_t i = 0; i < images.size(); ++i) {
    IconImage image;
    ASSERT_TRUE(iml.Image(i, image)) << i;
    for (size_t p = 0; p < kIconPixels; ++p)
      ASSERT_EQ(image.pixels[p], images[i].pixels[p]) << "image " << i << " pixel " << p;
  }

  StickFolder stick("icons_exact");
  Win32FileSystem files;
  const std::string cache = stick.path() + "imagelist.dat";
  std::string error;
  ASSERT_TRUE(SaveImageList(iml, cache, files, error)) << error;
  EXPECT_EQ(stick.Read("imagelist.dat"), EncodeImageList(images)) << "the cache holds the images byte for byte";

  // Loaded into the real list and saved again: still the same bytes.
  CatalogueModel rows;
  rows.Append(std::vector<CatalogEntry>(images.size()));
  Win32BoundedRead reader;
  LoadedIcons loaded = LoadImageList(iml, cache, rows, files, reader);
  ASSERT_TRUE(loaded.ok) << loaded.error;
  ASSERT_EQ(loaded.count, static_cast<int64_t>(images.size()));
  EXPECT_EQ(ImageList_GetImageCount(iml.handle()), static_cast<int>(images.size()));
  EXPECT_EQ(ListView_GetImageList(view, LVSIL_SMALL), iml.handle());
  ASSERT_TRUE(SaveImageList(iml, stick.path() + "again.dat", files, error)) << error;
  EXPECT_EQ(stick.Read("again.dat"), EncodeImageList(images));
  for (int i : {0, 1, 4, 22}) ExpectDrawnLike(iml.handle(), i, images[static_cast<size_t>(i)]);
}

TEST(IconAdapters, TheReaderGivesTheFilePieceByPieceFromOneOpeningAndTellsTheWholeSize) {
  StickFolder stick("icons_read");
  std::string content(100, 'x');
  content[0] = 'A';
  content[10] = 'B';
  stick.Write("file.bin", content);
  const std::string file = stick.path() + "file.bin";
  Win32BoundedRead reader;
  std::string bytes;
  uint64_t size = 0;
  ASSERT_TRUE(reader.Open(file, size));
  EXPECT_EQ(size, 100u);
  ASSERT_TRUE(reader.Read(10, bytes));
  EXPECT_EQ(bytes, content.substr(0, 10));
  EXPECT_FALSE(DeleteFileA(file.c_str())) << "the file is held while it is read";
  ASSERT_TRUE(reader.Read(1000, bytes));
  EXPECT_EQ(bytes, content.substr(10)) << "no more than the file holds";
  ASSERT_TRUE(reader.Read(10, bytes));
  EXPECT_EQ(bytes, "") << "the end of the file";
  reader.Close();
  EXPECT_TRUE(DeleteFileA(file.c_str())) << "let go once closed";

  EXPECT_FALSE(reader.Open(stick.path() + "none.bin", size));
  EXPECT_EQ(reader.LastErrorDescription(), ErrorDescription(ERROR_FILE_NOT_FOUND));
  EXPECT_FALSE(reader.Read(10, bytes)) << "nothing is open";
}

TEST(IconAdapters, TheShellGivesAnIconForAnExecutableThoughItRefusesTheCombinedQueryUnderWine) {
  IconCanvas iconCanvas;
  ASSERT_TRUE(iconCanvas.Create());
  Win32ShellIcons shell(iconCanvas);
  std::optional<IconImage> icon = shell.FileIcon("C:\\windows\\notepad.exe");
  ASSERT_TRUE(icon.has_value());
  EXPECT_GT(Count(*icon, true), 0u);
  EXPECT_FALSE(shell.FileIcon("C:\\windows\\no such file.exe").has_value());
}

// ---- at another screen resolution

// One image of an icon: a frame `frame` pixels wide in `edge` around blue, all opaque.
struct FramedImage {
  int size;
  int frame;
  uint32_t edge;
};
constexpr uint32_t kInside = 0xFF0000FF;

uint32_t FramedPixel(int size, int frame, uint32_t edge, int x, int y) {
  const bool onFrame = x < frame || y < frame || x >= size - frame || y >= size - frame;
  return onFrame ? edge : kInside;
}

IconImage Framed16(int frame, uint32_t edge) {
  IconImage image;
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) image.pixels[static_cast<size_t>(y * 16 + x)] = FramedPixel(16, frame, edge, x, y);
  return image;
}

// An RT_ICON resource: the header, the pixels bottom-up, then an all-clear mask.
std::string IconResourceBytes(const FramedImage& image) {
  BITMAPINFOHEADER header = {};
  header.biSize = sizeof header;
  header.biWidth = image.size;
  header.biHeight = 2 * image.size;
  header.biPlanes = 1;
  header.biBitCount = 32;
  std::string bytes(reinterpret_cast<const char*>(&header), sizeof header);
  for (int y = image.size - 1; y >= 0; --y)
    for (int x = 0; x < image.size; ++x) {
      const uint32_t p = FramedPixel(image.size, image.frame, image.edge, x, y);
      bytes.append(reinterpret_cast<const char*>(&p), 4);
    }
  bytes.append(static_cast<size_t>((image.size + 31) / 32 * 4 * image.size), '\0');
  return bytes;
}

// A program (a copy of the probe) whose only icon holds the given images.
bool ProgramWithIcon(const std::string& path, const std::vector<FramedImage>& images) {
  if (!CopyFileA((TestBinFolder() + "probe.exe").c_str(), path.c_str(), FALSE)) return false;
  HANDLE update = BeginUpdateResourceA(path.c_str(), FALSE);
  if (!update) return false;
  const WORD neutral = MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL);
  // The group directory: reserved, type 1, count, then 14 bytes an image.
  std::string group;
  auto put16 = [&](WORD v) { group.append(reinterpret_cast<const char*>(&v), 2); };
  put16(0);
  put16(1);
  put16(static_cast<WORD>(images.size()));
  bool ok = true;
  for (size_t i = 0; i < images.size(); ++i) {
    std::string bytes = IconResourceBytes(images[i]);
    const WORD id = static_cast<WORD>(i + 1);
    ok = ok && UpdateResourceA(update, MAKEINTRESOURCEA(3) /* RT_ICON */, MAKEINTRESOURCEA(id), neutral, bytes.data(),
                               static_cast<DWORD>(bytes.size()));
    group += static_cast<char>(images[i].size);
    group += static_cast<char>(images[i].size);
    group += std::string(2, '\0');
    put16(1);
    put16(32);
    const DWORD size = static_cast<DWORD>(bytes.size());
    group.append(reinterpret_cast<const char*>(&size), 4);
    put16(id);
  }
  ok = ok && UpdateResourceA(update, MAKEINTRESOURCEA(14) /* RT_GROUP_ICON */, MAKEINTRESOURCEA(1), neutral,
                             group.data(), static_cast<DWORD>(group.size()));
  return EndUpdateResourceA(update, !ok) && ok;
}

// Sets the screen resolution Wine gives to programs started meanwhile, and puts the old
// setting back as soon as it may: every other test of the run needs 96 dots per inch.
class ScreenDpiForNewPrograms {
 public:
  explicit ScreenDpiForNewPrograms(DWORD dpi) {
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &key_,
                        nullptr) != ERROR_SUCCESS)
      return;
    DWORD type = 0, size = sizeof old_;
    hadValue_ =
        RegQueryValueExA(key_, kValue, nullptr, &type, reinterpret_cast<BYTE*>(&old_), &size) == ERROR_SUCCESS &&
        type == REG_DWORD;
    set_ = RegSetValueExA(key_, kValue, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi), sizeof dpi) == ERROR_SUCCESS;
  }
  ~ScreenDpiForNewPrograms() {
    Restore();
    if (key_) RegCloseKey(key_);
  }
  bool set() const { return set_; }
  void Restore() {
    if (!set_) return;
    if (hadValue_)
      RegSetValueExA(key_, kValue, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&old_), sizeof old_);
    else
      RegDeleteValueA(key_, kValue);
    set_ = false;
  }

 private:
  static constexpr const char* kKey = "Control Panel\\Desktop";
  static constexpr const char* kValue = "LogPixels";
  HKEY key_ = nullptr;
  DWORD old_ = 0;
  bool hadValue_ = false;
  bool set_ = false;
};

constexpr char kIconChildRole[] = "--shell-icon-child";

// What a child started at another resolution saw: the system's small-icon size and the
// launcher's picture of the program's icon.
struct ChildIcon {
  int smallSize = 0;
  IconImage image;
};

bool ShellIconAtDpi(const StickFolder& stick, const std::string& file, DWORD dpi, ChildIcon& seen) {
  const std::string event = "CarrydeckIconChild" + std::to_string(GetCurrentProcessId());
  UniqueKernelHandle started(CreateEventA(nullptr, TRUE, FALSE, event.c_str()));
  const std::string out = stick.path() + "child.out";
  DeleteFileA(out.c_str());  // an earlier child's answer must not pass for this one's
  std::string command =
      "\"" + TestBinFolder() + "gui_tests.exe\" " + kIconChildRole + " " + event + " \"" + file + "\" \"" + out + "\"";
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  {
    ScreenDpiForNewPrograms screen(dpi);
    if (!screen.set()) return false;
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
      return false;
    // The child tells when it has read the setting.
    HANDLE either[] = {started.get(), process.hProcess};
    WaitForMultipleObjects(2, either, FALSE, 30000);
  }
  UniqueKernelHandle child(process.hProcess);
  CloseHandle(process.hThread);
  if (WaitForSingleObject(child.get(), 60000) != WAIT_OBJECT_0) {
    TerminateProcess(child.get(), 1);
    return false;
  }
  DWORD code = 1;
  GetExitCodeProcess(child.get(), &code);
  const std::string bytes = stick.Read("child.out");
  if (code != 0 || bytes.size() != 4 + sizeof seen.image.pixels) return false;
  std::memcpy(&seen.smallSize, bytes.data(), 4);
  std::memcpy(seen.image.pixels.data(), bytes.data() + 4, sizeof seen.image.pixels);
  return true;
}

// The image in letters, for a failure: the frame colour, "." inside, " " clear, "?" anything else.
std::string Describe(const IconImage& image) {
  std::string rows;
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 16; ++x) {
      const uint32_t p = image.pixels[static_cast<size_t>(y * 16 + x)];
      const uint32_t rgb = p & 0xFFFFFF;
      rows += p == kInside        ? '.'
              : (p >> 24) == 0    ? ' '
              : (p >> 24) != 0xFF ? '?'
              : rgb == 0xFF0000   ? 'R'
              : rgb == 0x00FF00   ? 'G'
              : rgb == 0xFFFF00   ? 'Y'
                                  : '?';
    }
    rows += '\n';
  }
  return rows;
}

// Each size of the icon has a frame of its own colour: 2 pixels at 16, and at 20 and 24 as
// wide as 4 and 2 pixels at 16.
constexpr FramedImage kGreen16 = {16, 2, 0xFF00FF00};
constexpr FramedImage kYellow20 = {20, 5, 0xFFFFFF00};
constexpr FramedImage kRed24 = {24, 3, 0xFFFF0000};

// A document type of the test's own whose icon is the given program's: the shell then
// answers with a known icon (Wine's shell gives every program the same default icon).
class DocumentTypeWithIcon {
 public:
  explicit DocumentTypeWithIcon(const std::string& program) {
    const std::string icon = program + ",0";
    ok_ = SetDefault(kExtension, kType) && SetDefault(std::string(kType) + "\\DefaultIcon", icon);
  }
  ~DocumentTypeWithIcon() {
    RegDeleteTreeA(HKEY_CLASSES_ROOT, kExtension);
    RegDeleteTreeA(HKEY_CLASSES_ROOT, kType);
  }
  bool ok() const { return ok_; }
  static constexpr const char* kExtension = ".carrydeck-framed";

 private:
  static bool SetDefault(const std::string& key, const std::string& value) {
    HKEY handle = nullptr;
    if (RegCreateKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &handle, nullptr) !=
        ERROR_SUCCESS)
      return false;
    const bool set = RegSetValueExA(handle, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                    static_cast<DWORD>(value.size() + 1)) == ERROR_SUCCESS;
    RegCloseKey(handle);
    return set;
  }
  static constexpr const char* kType = "Carrydeck.FramedTestDocument";
  bool ok_ = false;
};

// A document on the stick whose type shows the framed icon of 16 and 24 pixels.
struct FramedDocument {
  explicit FramedDocument(const StickFolder& stick) : program(stick.path() + "framed.exe"), type(program) {
    stick.Write("notes.carrydeck-framed", "notes");
    document = stick.path() + "notes.carrydeck-framed";
  }
  bool ok() { return ProgramWithIcon(program, {kGreen16, kYellow20, kRed24}) && type.ok(); }
  std::string program;
  DocumentTypeWithIcon type;
  std::string document;
};

TEST(IconsAtAnotherResolution, At96DpiTheShellsSmallIconIsDrawnAsItIs) {
  StickFolder stick("icons_dpi96");
  FramedDocument framed(stick);
  ASSERT_TRUE(framed.ok());
  IconCanvas iconCanvas;
  ASSERT_TRUE(iconCanvas.Create());
  Win32ShellIcons shell(iconCanvas);
  std::optional<IconImage> icon = shell.FileIcon(framed.document);
  ASSERT_TRUE(icon.has_value());
  EXPECT_TRUE(*icon == Framed16(2, 0xFF00FF00)) << Describe(*icon);
}

TEST(IconsAtAnotherResolution, AtHigherDpiTheShellsLargerSmallIconIsScaledWholeInto16x16) {
  StickFolder stick("icons_dpi_high");
  FramedDocument framed(stick);
  ASSERT_TRUE(framed.ok());
  const struct {
    DWORD dpi;
    int smallSize;
    IconImage expected;  // the image of that size, its frame scaled on every side, the far ones too
  } cases[] = {{120, 20, Framed16(4, kYellow20.edge)}, {144, 24, Framed16(2, kRed24.edge)}};
  for (const auto& c : cases) {
    ChildIcon seen;
    ASSERT_TRUE(ShellIconAtDpi(stick, framed.document, c.dpi, seen)) << c.dpi;
    ASSERT_EQ(seen.smallSize, c.smallSize) << "the child must see the system's small icons at " << c.dpi << " dpi";
    EXPECT_TRUE(seen.image == c.expected) << c.dpi << " dpi:\n" << Describe(seen.image);
  }
}

}  // namespace

// The child's side: the shell's icon of a program, drawn by the launcher's adapter, with
// the system's small-icon size, into a file.
bool RunChildRole(int argc, char** argv, int& exitCode) {
  if (argc != 5 || std::string(argv[1]) != kIconChildRole) return false;
  exitCode = 1;
  // The resolution is read once, with the first look at the system's measures: the parent
  // may put its setting back from here on.
  GetSystemMetrics(SM_CXSMICON);
  if (HANDLE started = OpenEventA(EVENT_MODIFY_STATE, FALSE, argv[2])) {
    SetEvent(started);
    CloseHandle(started);
  }
  SHFILEINFOA info = {};
  HIMAGELIST system = reinterpret_cast<HIMAGELIST>(
      SHGetFileInfoA(argv[3], 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
  int cx = 0, cy = 0;
  if (!system || !ImageList_GetIconSize(system, &cx, &cy)) return true;
  IconCanvas iconCanvas;
  if (!iconCanvas.Create()) return true;
  Win32ShellIcons shell(iconCanvas);
  std::optional<IconImage> icon = shell.FileIcon(argv[3]);
  if (!icon) return true;
  std::string bytes(reinterpret_cast<const char*>(&cx), 4);
  bytes.append(reinterpret_cast<const char*>(icon->pixels.data()), sizeof icon->pixels);
  HANDLE out = CreateFileA(argv[4], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (out == INVALID_HANDLE_VALUE) return true;
  DWORD written = 0;
  if (WriteFile(out, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) && written == bytes.size())
    exitCode = 0;
  CloseHandle(out);
  return true;
}

}  // namespace carrydeck::gui
