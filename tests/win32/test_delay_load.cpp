// The shell and COM functions looked up on first use behave as the system's own.
#include <gtest/gtest.h>
#include <windows.h>
#include <ocidl.h>
#include <olectl.h>
#include <shlobj.h>

#include <cctype>
#include <cstring>
#include <string>
#include <vector>

#include "common/win32/DelayLoad.h"
#include "common/win32/ProgramModule.h"

namespace carrydeck {
namespace {

TEST(DelayLoad, FindsTheSystemLibrarysFunctionAndNothingThatIsNotThere) {
  FARPROC found = late::SystemProc("shell32.dll", "SHGetFileInfoA");
  ASSERT_NE(found, nullptr);
  HMODULE shell = GetModuleHandleA("shell32.dll");
  ASSERT_NE(shell, nullptr);  // loaded by the lookup, and kept
  EXPECT_EQ(found, GetProcAddress(shell, "SHGetFileInfoA"));
  using Fn = DWORD_PTR(WINAPI*)(LPCSTR, DWORD, SHFILEINFOA*, UINT, UINT);
  EXPECT_EQ(reinterpret_cast<void*>(late::SystemFunction<Fn>("shell32.dll", "SHGetFileInfoA")),
            reinterpret_cast<void*>(found));
  EXPECT_EQ(late::SystemFunction<Fn>("carrydeck_no_such_library.dll", "SHGetFileInfoA"), nullptr);

  EXPECT_EQ(late::SystemProc("shell32.dll", "NoSuchFunctionAnywhere"), nullptr);
  EXPECT_EQ(late::SystemProc("carrydeck_no_such_library.dll", "SHGetFileInfoA"), nullptr);
}

TEST(DelayLoad, ShellCallsPassTheirArgumentsAndResultsThrough) {
  wchar_t windows[MAX_PATH] = {};
  ASSERT_GT(GetWindowsDirectoryW(windows, MAX_PATH), 0u);
  SHFILEINFOW info = {};
  ASSERT_NE(late::SHGetFileInfoW(windows, 0, &info, sizeof info, SHGFI_ATTRIBUTES), 0u);
  EXPECT_TRUE(info.dwAttributes & SFGAO_FOLDER);

  // A file that is not there: the system's failure code, at most 32.
  HINSTANCE result =
      late::ShellExecuteW(nullptr, L"open", L"Q:\\carrydeck\\no such program.exe", L"", L"Q:\\", SW_HIDE);
  EXPECT_LE(reinterpret_cast<INT_PTR>(result), 32);
}

TEST(DelayLoad, ComStreamsWork) {
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

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

std::string ModuleFolder(HMODULE module) {
  char path[MAX_PATH] = {};
  DWORD n = GetModuleFileNameA(module, path, MAX_PATH);
  std::string text(path, n);
  return Lower(text.substr(0, text.rfind('\\') + 1));
}

std::string SystemFolder() {
  char folder[MAX_PATH] = {};
  UINT n = GetSystemDirectoryA(folder, MAX_PATH);
  return Lower(std::string(folder, n) + "\\");
}

// "planted.dll" lies beside this program, where a load by bare name looks first; when
// loaded it leaves "planted.log" there.
struct PlantedLibrary : ::testing::Test {
  const std::string beside = GetAppPath();
  void SetUp() override {
    ASSERT_NE(GetFileAttributesA((beside + "planted.dll").c_str()), INVALID_FILE_ATTRIBUTES);
    DeleteFileA((beside + "planted.log").c_str());
  }
  void TearDown() override {
    HMODULE loaded = GetModuleHandleA("planted.dll");
    if (loaded) FreeLibrary(loaded);
    DeleteFileA((beside + "planted.log").c_str());
  }
  bool Ran() const { return GetFileAttributesA((beside + "planted.log").c_str()) != INVALID_FILE_ATTRIBUTES; }
};

TEST_F(PlantedLibrary, OnlyTheSystemFoldersCopyIsLoaded) {
  EXPECT_EQ(late::LoadSystemLibrary("planted.dll"), nullptr);
  EXPECT_FALSE(Ran());

  HMODULE system = late::LoadSystemLibrary("cfgmgr32.dll");
  ASSERT_NE(system, nullptr);
  EXPECT_EQ(ModuleFolder(system), SystemFolder());
  FreeLibrary(system);
  EXPECT_EQ(late::LoadSystemLibrary("carrydeck_no_such_library.dll"), nullptr);
}

// What both programs do first: from then on a bare name finds nothing beside the program,
// whoever asks for it.
TEST_F(PlantedLibrary, AfterTheRestrictionABareNameFindsOnlySystemLibraries) {
  late::RestrictLibrarySearch();
  HMODULE planted = LoadLibraryA("planted.dll");
  EXPECT_EQ(planted, nullptr);
  if (planted) FreeLibrary(planted);
  EXPECT_FALSE(Ran());
  HMODULE system = LoadLibraryA("cfgmgr32.dll");
  ASSERT_NE(system, nullptr) << "system libraries are still found by name";
  EXPECT_EQ(ModuleFolder(system), SystemFolder());
  FreeLibrary(system);
}

// Stand-ins for the system's two calls, as each system offers them: they note how they were
// called and answer as told.
struct SearchCallsSeen {
  std::vector<DWORD> defaultDirectories;
  std::vector<std::wstring> dllDirectories;
  bool defaultSucceeds = true, dllDirectorySucceeds = true;
};
SearchCallsSeen gSeen;
BOOL WINAPI SetDefaultDllDirectoriesSeen(DWORD flags) {
  gSeen.defaultDirectories.push_back(flags);
  return gSeen.defaultSucceeds;
}
BOOL WINAPI SetDllDirectorySeen(LPCWSTR folder) {
  gSeen.dllDirectories.push_back(folder ? folder : L"(null)");
  return gSeen.dllDirectorySucceeds;
}

// Windows 7 without its update has no SetDefaultDllDirectories: the current folder is then
// taken out of the search with an empty SetDllDirectory.
TEST(LibrarySearchRestriction, TheSystemFolderAloneWhereOfferedElseNoCurrentFolder) {
  const late::LibrarySearchCalls both{&SetDefaultDllDirectoriesSeen, &SetDllDirectorySeen};
  const late::LibrarySearchCalls withoutDefault{nullptr, &SetDllDirectorySeen};

  gSeen = {};
  EXPECT_EQ(late::RestrictLibrarySearch(both), late::LibrarySearch::SystemFolderOnly);
  EXPECT_EQ(gSeen.defaultDirectories, std::vector<DWORD>{LOAD_LIBRARY_SEARCH_SYSTEM32});
  EXPECT_TRUE(gSeen.dllDirectories.empty());

  gSeen = {};
  EXPECT_EQ(late::RestrictLibrarySearch(withoutDefault), late::LibrarySearch::NoCurrentFolder);
  EXPECT_EQ(gSeen.dllDirectories, std::vector<std::wstring>{L""});

  gSeen = {};
  gSeen.defaultSucceeds = false;  // offered, but refused
  EXPECT_EQ(late::RestrictLibrarySearch(both), late::LibrarySearch::NoCurrentFolder);
  EXPECT_EQ(gSeen.dllDirectories, std::vector<std::wstring>{L""});

  gSeen = {};
  gSeen.dllDirectorySucceeds = false;
  EXPECT_EQ(late::RestrictLibrarySearch(withoutDefault), late::LibrarySearch::Unchanged);
  EXPECT_EQ(late::RestrictLibrarySearch(late::LibrarySearchCalls{}), late::LibrarySearch::Unchanged);
}

// What both programs call: this system's own functions.
TEST(LibrarySearchRestriction, TheSystemsCallsAreItsOwn) {
  const late::LibrarySearchCalls calls = late::SystemLibrarySearchCalls();
  HMODULE kernel = GetModuleHandleA("kernel32.dll");
  EXPECT_EQ(reinterpret_cast<void*>(calls.setDefaultDllDirectories),
            reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories")));
  EXPECT_EQ(reinterpret_cast<void*>(calls.setDllDirectory),
            reinterpret_cast<void*>(GetProcAddress(kernel, "SetDllDirectoryW")));
}

}  // namespace
}  // namespace carrydeck
