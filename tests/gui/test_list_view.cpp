// The list adapter: the rows it shows are the catalogue's, its count and selection following
// each change; its background picture's bytes come through the file port the list is given,
// never from the path itself, and what cannot be read or decoded is reported.
#include <windows.h>  // first: the ports see the same CopyFile as the adapters

#include "Fakes.h"
#include "GuiTest.h"
#include "launcher/CatalogueModel.h"

namespace carrydeck::gui {
namespace {

std::string FileBytes(const std::string& path) {
  std::string bytes;
  Win32FileSystem files;
  EXPECT_TRUE(files.ReadAll(path, bytes)) << path;
  return bytes;
}

struct ListOverMemoryFiles : ::testing::Test {
  testing::MemoryFileSystem files;
  HWND parent =
      CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 300, 200, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  Win32ListView list{files};
  const std::string picture = FileBytes(TestData("background.jpg"));

  void SetUp() override {
    ASSERT_NE(parent, nullptr);
    ASSERT_TRUE(list.Create(parent, 1));
  }
  ~ListOverMemoryFiles() override {
    if (parent) DestroyWindow(parent);
  }
};

TEST_F(ListOverMemoryFiles, ThePictureIsReadThroughThePortFromWhereOnlyThePortHasIt) {
  const std::string path = "Q:\\carrydeck\\nowhere\\background.jpg";
  files.files[path] = picture;
  std::string error;
  ASSERT_TRUE(list.SetBackgroundPicture(path, error)) << error;
  EXPECT_TRUE(list.HasBackgroundPicture());
  list.ClearBackgroundPicture();
  EXPECT_FALSE(list.HasBackgroundPicture());
}

TEST_F(ListOverMemoryFiles, AnUnreadableOrUndecodablePictureIsReportedAndTheListStaysPlain) {
  std::string error;
  files.unreadable.insert("E:\\background.jpg");
  files.files["E:\\background.jpg"] = picture;
  EXPECT_FALSE(list.SetBackgroundPicture("E:\\background.jpg", error));
  EXPECT_EQ(error, files.LastErrorDescription()) << "the port's own description of the failure";

  files.files["E:\\damaged.jpg"] = picture.substr(0, picture.size() / 3);
  files.files["E:\\empty.jpg"] = "";
  for (const char* path : {"E:\\damaged.jpg", "E:\\empty.jpg"}) {
    error.clear();
    EXPECT_FALSE(list.SetBackgroundPicture(path, error)) << path;
    EXPECT_EQ(error, "Invalid picture") << path;
  }
  EXPECT_FALSE(list.HasBackgroundPicture());
}

TEST_F(ListOverMemoryFiles, TheCountAndTheSelectionFollowTheCatalogueThroughSortsAndRemovals) {
  CatalogueModel catalogue;
  catalogue.AddListener(&list);
  list.ShowRows(&catalogue);
  catalogue.Append({CatalogEntry{{"c", "", "", ""}}, CatalogEntry{{"a", "", "", ""}}, CatalogEntry{{"b", "", "", ""}}});
  EXPECT_EQ(ListView_GetItemCount(list.hwnd()), 3);
  EXPECT_EQ(list.SelectedRow(), std::nullopt);
  list.SelectRow(0);
  catalogue.SetKey(kNameField);
  catalogue.SetSorted(true);
  EXPECT_EQ(list.SelectedRow(), 2u) << "c, sorted last";
  catalogue.Remove(0);
  EXPECT_EQ(list.SelectedRow(), 1u) << "a row above it went";
  EXPECT_EQ(ListView_GetItemCount(list.hwnd()), 2);
  catalogue.Remove(1);
  EXPECT_EQ(list.SelectedRow(), std::nullopt) << "its own row went";
  list.SelectRow(0);
  list.SelectRow(1);
  EXPECT_EQ(list.SelectedRow(), std::nullopt) << "a row past the end selects none";
  list.SelectRow(0);
  catalogue.Clear();
  EXPECT_EQ(ListView_GetItemCount(list.hwnd()), 0);
  EXPECT_EQ(list.SelectedRow(), std::nullopt);
}

}  // namespace
}  // namespace carrydeck::gui
