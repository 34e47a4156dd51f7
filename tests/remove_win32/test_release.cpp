// Releasing the handles on a drive, for real: this test program holds files open on the
// mapped drive E:, on C: and on F:, and lets go of exactly what lies on the drive it names.
#include <gtest/gtest.h>
#include <windows.h>

#include "win32/WineSupport.h"
#include "common/Utf8.h"
#include "remover/OwnHandleRelease.h"
#include "remover/win32/Win32Remove.h"

namespace carrydeck::remove {
namespace {

using namespace wine;

class RealRelease : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(DriveMapped('E')) << "drive E: must be mapped (the test scripts do it)";
    stick_ = std::make_unique<TestFolder>("E:\\");
    inside_ = std::make_unique<TestFolder>("C:\\", "carrydeck_");
  }
  void TearDown() override {
    for (HANDLE h : held_)
      if (IsOpen(h)) CloseHandle(h);
    held_.clear();
    stick_.reset();
    inside_.reset();
    other_.reset();
  }
  HANDLE Hold(HANDLE handle) {
    EXPECT_NE(handle, INVALID_HANDLE_VALUE);
    held_.push_back(handle);
    return handle;
  }
  const std::string& Stick() const { return stick_->path(); }
  const std::string& Inside() const { return inside_->path(); }
  // A folder on F:, when the scripts mapped it too.
  const TestFolder* Other() {
    if (!other_ && DriveMapped('F')) other_ = std::make_unique<TestFolder>("F:\\");
    return other_.get();
  }

  Win32NativeHandles native;
  Win32Volumes volumes;
  OwnHandleRelease handles{native, volumes, nt::kNativeLayout};
  HandleInspector inspector{native, volumes, nt::kNativeLayout};

 private:
  std::unique_ptr<TestFolder> stick_, inside_, other_;
  std::vector<HANDLE> held_;
};

bool WriteWorks(HANDLE handle) {
  DWORD written = 0;
  return WriteFile(handle, "x", 1, &written, nullptr) && written == 1;
}

TEST_F(RealRelease, ReleasesExactlyTheHandlesOnTheGivenDrive) {
  CreateDirectoryA((Stick() + "Apps").c_str(), nullptr);
  HANDLE notes = Hold(CreateForWrite(Stick() + "notes.txt"));
  HANDLE deep = Hold(CreateForWrite(Stick() + "Apps\\tool.ini"));
  HANDLE folder = Hold(OpenFolder(Stick() + "Apps"));
  HANDLE local = Hold(CreateForWrite(Inside() + "local.txt"));
  // On C:, but its path holds "e:": the drive is found anywhere in the name.
  CreateDirectoryA((Inside() + "drive e:").c_str(), nullptr);
  HANDLE lookalike = Hold(CreateForWrite(Inside() + "drive e:\\x.txt"));
  HANDLE onF = Other() ? Hold(CreateForWrite(Other()->path() + "f.txt")) : INVALID_HANDLE_VALUE;

  EXPECT_EQ(handles.ReleaseDriveHandles("E:", GetCurrentProcessId()), ReleaseResult::Released);

  EXPECT_FALSE(IsOpen(notes));
  EXPECT_FALSE(IsOpen(deep));
  EXPECT_FALSE(IsOpen(folder));
  EXPECT_FALSE(IsOpen(lookalike));
  EXPECT_TRUE(IsOpen(local));
  EXPECT_TRUE(WriteWorks(local));
  if (onF != INVALID_HANDLE_VALUE) {
    EXPECT_TRUE(WriteWorks(onF));
  }
  // Nothing was lost: the files are still there.
  EXPECT_NE(GetFileAttributesA((Stick() + "notes.txt").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_NE(GetFileAttributesA((Stick() + "Apps\\tool.ini").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(RealRelease, ALowerCaseDriveNameReleasesTheSame) {
  HANDLE notes = Hold(CreateForWrite(Stick() + "notes.txt"));
  HANDLE local = Hold(CreateForWrite(Inside() + "local.txt"));
  EXPECT_EQ(handles.ReleaseDriveHandles("e:", GetCurrentProcessId()), ReleaseResult::Released);
  EXPECT_FALSE(IsOpen(notes));
  EXPECT_TRUE(IsOpen(local));
}

// Files in folders named outside the PC's code page: their names still hold the drive.
TEST_F(RealRelease, HandlesInFoldersOfAnyScriptAreReleasedToo) {
  std::wstring stick(Stick().begin(), Stick().end());
  std::vector<HANDLE> files;
  for (const wchar_t* folder : {L"Ελληνικά", L"Русский", L"日本語"}) {
    const std::wstring path = stick + folder;
    ASSERT_TRUE(CreateDirectoryW(path.c_str(), nullptr));
    files.push_back(Hold(CreateFileW((path + L"\\ファイル.txt").c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                     CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr)));
  }
  HANDLE local = Hold(CreateForWrite(Inside() + "local.txt"));
  EXPECT_EQ(handles.ReleaseDriveHandles("E:", GetCurrentProcessId()), ReleaseResult::Released);
  for (HANDLE file : files) EXPECT_FALSE(IsOpen(file));
  EXPECT_TRUE(WriteWorks(local));
}

TEST_F(RealRelease, NothingOnTheDriveLeavesEveryHandleOpen) {
  HANDLE local = Hold(CreateForWrite(Inside() + "local.txt"));
  HANDLE stickFile = Hold(CreateForWrite(Stick() + "notes.txt"));
  EXPECT_EQ(handles.ReleaseDriveHandles("Q:", GetCurrentProcessId()), ReleaseResult::Released);
  EXPECT_TRUE(WriteWorks(local));
  EXPECT_TRUE(WriteWorks(stickFile));
}

TEST_F(RealRelease, AnotherProcessIdIsRefusedAndNothingIsClosed) {
  HANDLE notes = Hold(CreateForWrite(Stick() + "notes.txt"));
  EXPECT_EQ(handles.ReleaseDriveHandles("E:", GetCurrentProcessId() + 4), ReleaseResult::NotReleased);
  EXPECT_TRUE(WriteWorks(notes));
}

TEST_F(RealRelease, ObjectNamesBecomeDrivePaths) {
  HANDLE notes = Hold(CreateForWrite(Stick() + "notes.txt"));
  HANDLE local = Hold(CreateForWrite(Inside() + "local.txt"));
  std::string pipeName = "\\\\.\\pipe\\carrydeck_" + TestName();
  HANDLE pipe = Hold(CreateNamedPipeA(pipeName.c_str(), PIPE_ACCESS_DUPLEX, PIPE_TYPE_BYTE, 1, 64, 64, 0, nullptr));
  // Wine names files in the DOS-devices form rather than by volume device.
  std::vector<uint8_t> reply(kObjectNameReplyBytes, 0);
  ASSERT_TRUE(NtSuccess(native.QueryObjectName(reinterpret_cast<Handle>(notes), reply)));
  EXPECT_EQ(Utf16ToUtf8(ObjectNameText(reply, nt::kNativeLayout)), "\\??\\" + Stick() + "notes.txt");
  EXPECT_EQ(inspector.GetObjectDosPath(reinterpret_cast<Handle>(notes)), Stick() + "notes.txt");
  EXPECT_EQ(inspector.GetObjectDosPath(reinterpret_cast<Handle>(local)), Inside() + "local.txt");
  EXPECT_EQ(inspector.GetObjectDosPath(reinterpret_cast<Handle>(pipe)), "");
}

TEST_F(RealRelease, FileTypesComeBackFromTheShortLivedThread) {
  HANDLE notes = Hold(CreateForWrite(Stick() + "notes.txt"));
  HANDLE nul = Hold(CreateFileA("NUL", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  HANDLE readEnd = nullptr, writeEnd = nullptr;
  ASSERT_TRUE(CreatePipe(&readEnd, &writeEnd, nullptr, 0));
  Hold(readEnd);
  Hold(writeEnd);
  HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  EXPECT_EQ(inspector.GetHandleFileType(reinterpret_cast<Handle>(notes)), static_cast<uint32_t>(FILE_TYPE_DISK));
  EXPECT_EQ(inspector.GetHandleFileType(reinterpret_cast<Handle>(nul)), static_cast<uint32_t>(FILE_TYPE_CHAR));
  EXPECT_EQ(inspector.GetHandleFileType(reinterpret_cast<Handle>(readEnd)), static_cast<uint32_t>(FILE_TYPE_PIPE));
  EXPECT_EQ(inspector.GetHandleFileType(reinterpret_cast<Handle>(event)), static_cast<uint32_t>(FILE_TYPE_UNKNOWN));
  CloseHandle(event);
}

TEST_F(RealRelease, CloseHandleInProcessClosesOurHandle) {
  HANDLE notes = Hold(CreateForWrite(Stick() + "notes.txt"));
  HANDLE extra = nullptr;
  ASSERT_TRUE(
      DuplicateHandle(GetCurrentProcess(), notes, GetCurrentProcess(), &extra, 0, FALSE, DUPLICATE_SAME_ACCESS));
  EXPECT_TRUE(handles.CloseHandleInProcess(GetCurrentProcessId(), reinterpret_cast<Handle>(extra)));
  EXPECT_FALSE(IsOpen(extra));
  EXPECT_TRUE(WriteWorks(notes));
}

}  // namespace
}  // namespace carrydeck::remove
