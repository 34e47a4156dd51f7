// The list adapter's background picture: its bytes come through the file port the list is
// given, never from the path itself, and what cannot be read or decoded is reported.
#include <windows.h>  // first: the ports see the same CopyFile as the adapters

#include "Fakes.h"
#include "GuiTest.h"

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

}  // namespace
}  // namespace carrydeck::gui
