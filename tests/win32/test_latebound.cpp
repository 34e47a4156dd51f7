// The shell and COM functions looked up on first use behave as the system's own.
#include <gtest/gtest.h>
#include <windows.h>
#include <ocidl.h>
#include <olectl.h>
#include <shlobj.h>

#include <cstring>

#include "LateBound.h"

namespace carrydeck {
namespace {

TEST(LateBound, FindsTheSystemLibrarysFunctionAndNothingThatIsNotThere) {
  FARPROC found = late::SystemProc("shell32.dll", "SHGetFileInfoA");
  ASSERT_NE(found, nullptr);
  HMODULE shell = GetModuleHandleA("shell32.dll");
  ASSERT_NE(shell, nullptr);  // loaded by the lookup, and kept
  EXPECT_EQ(found, GetProcAddress(shell, "SHGetFileInfoA"));

  EXPECT_EQ(late::SystemProc("shell32.dll", "NoSuchFunctionAnywhere"), nullptr);
  EXPECT_EQ(late::SystemProc("carrydeck_no_such_library.dll", "SHGetFileInfoA"), nullptr);
}

TEST(LateBound, ShellCallsPassTheirArgumentsAndResultsThrough) {
  char windows[MAX_PATH] = {};
  ASSERT_GT(GetWindowsDirectoryA(windows, MAX_PATH), 0u);
  SHFILEINFOA info = {};
  ASSERT_NE(late::SHGetFileInfoA(windows, 0, &info, sizeof info, SHGFI_ATTRIBUTES), 0u);
  EXPECT_TRUE(info.dwAttributes & SFGAO_FOLDER);

  // A file that is not there: the system's failure code, at most 32.
  HINSTANCE result = late::ShellExecuteA(nullptr, "open", "Q:\\carrydeck\\no such program.exe", "", "Q:\\", SW_HIDE);
  EXPECT_LE(reinterpret_cast<INT_PTR>(result), 32);
}

TEST(LateBound, ComStreamsWork) {
  HRESULT started = late::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  ASSERT_TRUE(SUCCEEDED(started));
  IStream* stream = reinterpret_cast<IStream*>(1);
  ASSERT_EQ(late::CreateStreamOnHGlobal(nullptr, TRUE, &stream), S_OK);
  ASSERT_NE(stream, nullptr);
  ULONG written = 0;
  EXPECT_EQ(stream->Write("Carrydeck", 9, &written), S_OK);
  EXPECT_EQ(written, 9u);
  LARGE_INTEGER start = {};
  stream->Seek(start, STREAM_SEEK_SET, nullptr);
  char back[16] = {};
  ULONG read = 0;
  EXPECT_EQ(stream->Read(back, sizeof back, &read), S_OK);
  EXPECT_EQ(std::string(back, read), "Carrydeck");
  stream->Release();

  // Bytes that are no picture: refused, and nothing handed out.
  ASSERT_EQ(late::CreateStreamOnHGlobal(nullptr, TRUE, &stream), S_OK);
  stream->Write("not a picture at all", 20, &written);
  stream->Seek(start, STREAM_SEEK_SET, nullptr);
  void* picture = reinterpret_cast<void*>(1);
  EXPECT_TRUE(FAILED(late::OleLoadPicture(stream, 20, FALSE, IID_IPicture, &picture)));
  EXPECT_EQ(picture, nullptr);
  stream->Release();
  late::CoUninitialize();
}

}  // namespace
}  // namespace carrydeck
