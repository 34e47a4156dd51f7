#include "GuiTest.h"

#include <vector>

#include "common/win32/WideText.h"
#include "win32/FolderTree.h"

namespace carrydeck::gui {

using testing::RemoveTree;

void TestWindow::EndProgram() {
  if (seams_.end)
    seams_.end();
  else
    MainWindow::EndProgram();
}

int TestWindow::ShowMessageBox(HWND owner, const MessageBoxRequest& request) {
  return seams_.messageBox ? seams_.messageBox(request) : MainWindow::ShowMessageBox(owner, request);
}

void TestWindow::OnDialogOpened(HWND dialog) {
  if (seams_.dialogOpened) seams_.dialogOpened(dialog);
}

std::unique_ptr<MainWindow> TestLauncher::MakeWindow(IFileSystem& files) {
  return std::make_unique<TestWindow>(files, seams_);
}

void Pump(TestLauncher* launcher, DWORD ms) {
  DWORD end = GetTickCount() + ms;
  MSG msg;
  do {
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) continue;
      if (launcher && launcher->TranslateOwnKeys(msg)) continue;
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    Sleep(5);
  } while (static_cast<LONG>(end - GetTickCount()) > 0);
}

StickFolder::StickFolder(const std::string& name, char drive) : path_(std::string(1, drive) + ":\\" + name + "\\") {
  RemoveTree(path_);
  CreateDirectoryW(Wide(path_).c_str(), nullptr);
}

StickFolder::~StickFolder() {
  // Starting an entry makes its folder current; a current folder cannot be removed.
  SetCurrentDirectoryW(L"C:\\");
  RemoveTree(path_);
}

void StickFolder::Write(const std::string& name, const std::string& bytes) const {
  HANDLE h =
      CreateFileW(Wide(path_ + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE) << path_ + name;
  DWORD n = 0;
  WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &n, nullptr);
  CloseHandle(h);
}

std::string StickFolder::Read(const std::string& name) const {
  std::string bytes;
  Win32FileSystem fs;
  fs.ReadAll(path_ + name, bytes);
  return bytes;
}

bool StickFolder::Has(const std::string& name) const {
  return GetFileAttributesW(Wide(path_ + name).c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string ItemText(HWND list, int row, int column) {
  wchar_t buffer[1024] = {};
  LVITEMW item = {};
  item.iSubItem = column;
  item.pszText = buffer;
  item.cchTextMax = 1024;
  SendMessageW(list, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
  return Utf8(buffer);
}

std::string TestData(const std::string& name) {
  std::string path = std::string("Z:") + CARRYDECK_TEST_DATA + "/" + name;
  for (char& c : path)
    if (c == '/') c = '\\';
  return path;
}

std::string TestBinFolder() {
  char self[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  std::string path = self;
  return path.substr(0, path.rfind('\\') + 1);
}

bool WaitForFile(TestLauncher* launcher, const std::string& path, DWORD ms) {
  for (DWORD waited = 0; waited < ms; waited += 50) {
    if (GetFileAttributesW(Wide(path).c_str()) != INVALID_FILE_ATTRIBUTES) {
      Pump(launcher, 100);  // let the writer finish
      return true;
    }
    Pump(launcher, 50);
  }
  return false;
}

int ItemCount(HWND list) { return static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0)); }

std::string StatusText(HWND status) {
  LRESULT info = SendMessageW(status, SB_GETTEXTLENGTHW, 0, 0);
  std::vector<wchar_t> buffer(LOWORD(info) + 1, L'\0');
  SendMessageW(status, SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(buffer.data()));
  return Utf8(buffer.data());
}

}  // namespace carrydeck::gui

int main(int argc, char** argv) {
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES};
  InitCommonControlsEx(&controls);
  if (int exitCode = 0; carrydeck::gui::RunChildRole(argc, argv, exitCode)) return exitCode;
  if (int exitCode = 0; carrydeck::gui::RunSwapRole(argc, argv, exitCode)) return exitCode;
  ::testing::InitGoogleTest(&argc, argv);
  UINT type = GetDriveTypeA("E:\\");
  if (type != DRIVE_FIXED && type != DRIVE_REMOVABLE) {
    fprintf(stderr, "Drive E: is not mapped in this Wine prefix; run the suites through ./test.sh\n");
    return 2;
  }
  return RUN_ALL_TESTS();
}
