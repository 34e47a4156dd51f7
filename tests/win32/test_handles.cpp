// The owners give back what they hold once, whichever way it went through moves and resets.
#include <gtest/gtest.h>
#include <windows.h>
#include <unknwn.h>

#include <utility>

#include "common/win32/Handle.h"

namespace carrydeck {
namespace {

// Counts its releases; never goes away by itself.
class Counted : public IUnknown {
 public:
  int releases = 0;
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** object) override {
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
  ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(++releases); }
};

TEST(Owners, AComPointerIsReleasedOnceWhereverItWent) {
  Counted first, second, kept;
  {
    UniqueCom<IUnknown> one(&first);
    UniqueCom<IUnknown> two(std::move(one));
    EXPECT_FALSE(one);
    UniqueCom<IUnknown> three;
    three = std::move(two);
    EXPECT_EQ(first.releases, 0) << "a move releases nothing";
    *three.put() = &second;
    EXPECT_EQ(first.releases, 1) << "what was held goes before a call fills the owner again";
    UniqueCom<IUnknown> given(&kept);
    EXPECT_EQ(given.release(), &kept);
  }
  EXPECT_EQ(first.releases, 1);
  EXPECT_EQ(second.releases, 1);
  EXPECT_EQ(kept.releases, 0) << "given away";
}

TEST(Owners, ASelectionIsUndoneOnceAtTheEndOfItsOwner) {
  UniqueMemoryDc dc(CreateCompatibleDC(nullptr));
  ASSERT_TRUE(dc);
  const HGDIOBJ original = GetCurrentObject(dc.get(), OBJ_BITMAP);
  UniqueBitmap bitmap(CreateCompatibleBitmap(dc.get(), 4, 4));
  ASSERT_TRUE(bitmap);
  {
    SelectedObject selected(dc.get(), bitmap.get());
    EXPECT_TRUE(selected);
    EXPECT_EQ(GetCurrentObject(dc.get(), OBJ_BITMAP), bitmap.get());
    SelectedObject moved;
    moved = std::move(selected);
    selected.reset();
    EXPECT_EQ(GetCurrentObject(dc.get(), OBJ_BITMAP), bitmap.get()) << "the moved-from owner undoes nothing";
  }
  EXPECT_EQ(GetCurrentObject(dc.get(), OBJ_BITMAP), original);
  EXPECT_FALSE(SelectedObject(dc.get(), nullptr)) << "nothing to select, nothing to undo";
}

TEST(Owners, GlobalMemoryIsUnlockedWithEachLockAndFreedWithItsOwner) {
  UniqueGlobal memory(GlobalAlloc(GMEM_MOVEABLE, 16));
  ASSERT_TRUE(memory);
  const HGLOBAL handle = memory.get();
  {
    LockedGlobal outer(handle);
    ASSERT_TRUE(outer);
    {
      LockedGlobal inner(handle);
      EXPECT_EQ(inner.get(), outer.get());
      EXPECT_EQ(GlobalFlags(handle) & GMEM_LOCKCOUNT, 2u);
    }
    EXPECT_EQ(GlobalFlags(handle) & GMEM_LOCKCOUNT, 1u);
  }
  EXPECT_EQ(GlobalFlags(handle) & GMEM_LOCKCOUNT, 0u);
  EXPECT_FALSE(LockedGlobal(nullptr));
  UniqueGlobal taken(memory.release());
  EXPECT_FALSE(memory);
  taken.reset();
  EXPECT_EQ(GlobalFlags(handle), static_cast<UINT>(GMEM_INVALID_HANDLE)) << "freed";
}

}  // namespace
}  // namespace carrydeck
