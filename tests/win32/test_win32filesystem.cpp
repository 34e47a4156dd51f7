// The file port against the real Win32 of Wine.
#include "Win32FilesTest.h"

#include "common/SafeSave.h"

namespace carrydeck {
namespace {

class Win32Files : public testing::Win32FilesTest {};

TEST_F(Win32Files, FileExistsOnlyForVisibleOrdinaryFiles) {
  Write("tool.exe", "x");
  Write("hidden.exe", "x", FILE_ATTRIBUTE_HIDDEN);
  Write("system.exe", "x", FILE_ATTRIBUTE_SYSTEM);
  Write("readonly.exe", "x", FILE_ATTRIBUTE_READONLY);
  CreateDirectoryA((dir + "Apps").c_str(), nullptr);
  EXPECT_TRUE(fs.FileExists(dir + "tool.exe"));
  EXPECT_TRUE(fs.FileExists(dir + "readonly.exe"));
  EXPECT_FALSE(fs.FileExists(dir + "hidden.exe"));
  EXPECT_FALSE(fs.FileExists(dir + "system.exe"));
  EXPECT_FALSE(fs.FileExists(dir + "Apps"));
  EXPECT_FALSE(fs.FileExists(dir + "*.exe"));
  EXPECT_FALSE(fs.FileExists(dir + "tool.ex?"));
  EXPECT_FALSE(fs.FileExists(dir + "missing.exe"));
  EXPECT_FALSE(fs.FileExists(""));
  EXPECT_FALSE(fs.FileExists("Q:\\nowhere\\tool.exe"));
  EXPECT_FALSE(fs.FileExists(dir + std::string(300, 'a') + ".exe"));
}

TEST_F(Win32Files, FolderExistsForFoldersWithTheirBackslash) {
  CreateDirectoryA((dir + "Apps").c_str(), nullptr);
  EXPECT_TRUE(fs.FolderExists(dir + "Apps\\"));
  EXPECT_TRUE(fs.FolderExists(dir + "Apps"));
  EXPECT_FALSE(fs.FolderExists(dir + "Gone\\"));
  EXPECT_FALSE(fs.FolderExists("Q:\\"));
  EXPECT_FALSE(fs.FolderExists(""));
}

// Held, a file is read whole as often as asked and others may still read it, but nobody
// writes, moves or deletes it until it is let go; a file somebody writes cannot be held.
TEST_F(Win32Files, AHeldFileIsKeptAsItIsUntilLetGo) {
  Write("tool.exe", "MZ tool");
  const std::string path = dir + "tool.exe";
  std::unique_ptr<IHeldFile> held = fs.HoldForReading(path);
  ASSERT_NE(held, nullptr);
  std::string bytes;
  EXPECT_TRUE(held->ReadAll(bytes));
  EXPECT_TRUE(held->ReadAll(bytes));
  EXPECT_EQ(bytes, "MZ tool") << "each read from the start";
  EXPECT_EQ(Read("tool.exe"), "MZ tool");
  EXPECT_EQ(fs.CreateForWrite(path), nullptr);
  EXPECT_FALSE(fs.Delete(path));
  EXPECT_FALSE(MoveFileA(path.c_str(), (dir + "moved.exe").c_str()));
  held.reset();
  EXPECT_TRUE(fs.Delete(path));

  Write("busy.exe", "x");
  HANDLE writer =
      CreateFileA((dir + "busy.exe").c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                  nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(writer, INVALID_HANDLE_VALUE);
  EXPECT_EQ(fs.HoldForReading(dir + "busy.exe"), nullptr);
  CloseHandle(writer);
  EXPECT_EQ(fs.HoldForReading(dir + "missing.exe"), nullptr);
}

TEST_F(Win32Files, SafeSaveCreatesThenReplacesWithoutLeftOvers) {
  std::string path = dir + "Data.dat";
  ASSERT_TRUE(SaveFileSafely(fs, path, "first\r\n").ok());
  EXPECT_EQ(Read("Data.dat"), "first\r\n");
  ASSERT_TRUE(SaveFileSafely(fs, path, std::string("second\0\r\n", 9)).ok());
  EXPECT_EQ(Read("Data.dat"), std::string("second\0\r\n", 9));
  EXPECT_FALSE(fs.FileExists(TempPathOf(path)));
  EXPECT_FALSE(fs.FileExists(SealedPathOf(path)));
}

TEST_F(Win32Files, SaveIntoAMissingFolderFailsAndReportsTheStep) {
  EXPECT_EQ(SaveFileSafely(fs, dir + "Gone\\Data.dat", "x").failedAt, SaveStep::Create);
}

TEST_F(Win32Files, ReadOnlyTargetKeepsItsBytes) {
  Write("Data.dat", "old", FILE_ATTRIBUTE_READONLY);
  EXPECT_FALSE(SaveFileSafely(fs, dir + "Data.dat", "new").ok());
  EXPECT_EQ(Read("Data.dat"), "old");
  EXPECT_FALSE(fs.FileExists(dir + "Data.dat.tmp"));
}

TEST_F(Win32Files, ClearReadOnlyTakesOffThatMarkAloneSoTheFileCanGo) {
  Write("Remove.exe", "old tool", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE);
  EXPECT_FALSE(fs.Delete(dir + "Remove.exe")) << "the platform keeps read-only files";
  ASSERT_TRUE(fs.ClearReadOnly(dir + "Remove.exe"));
  EXPECT_EQ(GetFileAttributesA((dir + "Remove.exe").c_str()) & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE),
            static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE));
  EXPECT_TRUE(fs.ClearReadOnly(dir + "Remove.exe")) << "nothing to take off";
  EXPECT_TRUE(fs.Delete(dir + "Remove.exe"));
  EXPECT_FALSE(fs.ClearReadOnly(dir + "Remove.exe")) << "gone";
  CreateDirectoryA((dir + "Apps").c_str(), nullptr);
  EXPECT_FALSE(fs.ClearReadOnly(dir + "Apps")) << "folders are not files";
}

TEST_F(Win32Files, ClearMarksTakesOffReadOnlyHiddenAndSystemAlone) {
  constexpr DWORD kMarks = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
  Write("Data.dat.new", "x", kMarks | FILE_ATTRIBUTE_ARCHIVE);
  ASSERT_TRUE(fs.ClearMarks(dir + "Data.dat.new"));
  EXPECT_EQ(GetFileAttributesA((dir + "Data.dat.new").c_str()) & (kMarks | FILE_ATTRIBUTE_ARCHIVE),
            static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE));
  Write("Data.dat.tmp", "x", FILE_ATTRIBUTE_HIDDEN);
  ASSERT_TRUE(fs.ClearMarks(dir + "Data.dat.tmp")) << "a file with no other attribute";
  EXPECT_TRUE(fs.FileExists(dir + "Data.dat.tmp"));
  EXPECT_TRUE(fs.ClearMarks(dir + "Data.dat.tmp")) << "nothing to take off";
  EXPECT_FALSE(fs.ClearMarks(dir + "missing.new"));
  CreateDirectoryA((dir + "Types.dat.new").c_str(), nullptr);
  SetFileAttributesA((dir + "Types.dat.new").c_str(), FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN);
  EXPECT_FALSE(fs.ClearMarks(dir + "Types.dat.new")) << "folders are not files";
  EXPECT_NE(GetFileAttributesA((dir + "Types.dat.new").c_str()) & FILE_ATTRIBUTE_HIDDEN, 0u);
}

TEST_F(Win32Files, RecoveryPromotesTheSealedFile) {
  Write("Data.dat.new", "sealed");
  RecoverSafeSave(fs, dir + "Data.dat");
  EXPECT_EQ(Read("Data.dat"), "sealed");
  EXPECT_FALSE(fs.FileExists(dir + "Data.dat.new"));
}

// A hidden or system file is not loaded, nor is a folder: neither it nor the left-overs beside
// it are touched.
TEST_F(Win32Files, RecoveryLeavesWhateverIsAtThePathAndItsLeftOversAlone) {
  Write("Data.dat", "hidden", FILE_ATTRIBUTE_HIDDEN);
  Write("Types.dat", "system", FILE_ATTRIBUTE_SYSTEM);
  CreateDirectoryA((dir + "imagelist.dat").c_str(), nullptr);
  for (const std::string name : {"Data.dat", "Types.dat", "imagelist.dat"}) {
    Write(name + ".new", "stray " + name);
    RecoverSafeSave(fs, dir + name);
    EXPECT_EQ(Read(name + ".new"), "stray " + name);
  }
  EXPECT_EQ(Read("Data.dat"), "hidden");
  EXPECT_EQ(Read("Types.dat"), "system");
  EXPECT_EQ(GetFileAttributesA((dir + "Data.dat").c_str()) & FILE_ATTRIBUTE_HIDDEN,
            static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN));
  EXPECT_NE(GetFileAttributesA((dir + "imagelist.dat").c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u);
}

TEST_F(Win32Files, MarkedLeftOversNeverBlockASave) {
  Write("Data.dat", "old");
  Write("Data.dat.tmp", "half", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_READONLY);
  Write("Data.dat.new", "stray", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY);
  ASSERT_TRUE(SaveFileSafely(fs, dir + "Data.dat", "new").ok());
  EXPECT_EQ(Read("Data.dat"), "new");
  EXPECT_TRUE(fs.FileExists(dir + "Data.dat"));
  EXPECT_FALSE(fs.PathExists(dir + "Data.dat.tmp"));
  EXPECT_FALSE(fs.PathExists(dir + "Data.dat.new"));
}

TEST_F(Win32Files, ReadAllOfMissingFileFails) {
  std::string bytes = "junk";
  EXPECT_FALSE(fs.ReadAll(dir + "missing", bytes));
  EXPECT_FALSE(fs.LastErrorDescription().empty());
}

}  // namespace
}  // namespace carrydeck
