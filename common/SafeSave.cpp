#include "common/SafeSave.h"

namespace carrydeck {

namespace {

// A side file of ours goes whatever its marks; a folder of that name is not ours to remove.
void RemoveSideFile(IFileSystem& fs, const std::string& path) {
  if (fs.ClearMarks(path)) fs.Delete(path);
}

}  // namespace

std::string TempPathOf(const std::string& path) { return path + ".tmp"; }
std::string SealedPathOf(const std::string& path) { return path + ".new"; }

SaveResult SaveFileSafely(IFileSystem& fs, const std::string& path, const std::string& bytes) {
  const std::string temp = TempPathOf(path);
  const std::string sealed = SealedPathOf(path);
  // A hidden or system file can't be created over, nor a read-only one replaced.
  fs.ClearMarks(temp);
  fs.ClearMarks(sealed);
  std::unique_ptr<IWriteFile> file = fs.CreateForWrite(temp);
  if (!file) return {SaveStep::Create, fs.LastErrorDescription()};
  SaveStep failed = SaveStep::None;
  if (!file->Write(bytes))
    failed = SaveStep::Write;
  else if (!file->Flush())
    failed = SaveStep::Flush;
  std::string error = failed == SaveStep::None ? std::string() : fs.LastErrorDescription();
  bool closed = file->Close();
  if (failed == SaveStep::None && !closed) {
    failed = SaveStep::Close;
    error = fs.LastErrorDescription();
  }
  file.reset();
  if (failed == SaveStep::None && !fs.Replace(temp, sealed)) {
    failed = SaveStep::Seal;
    error = fs.LastErrorDescription();
  }
  if (failed != SaveStep::None) {
    fs.Delete(temp);
    return {failed, error};
  }
  if (!fs.Replace(sealed, path)) {
    error = fs.LastErrorDescription();
    // The old file may or may not still be there; the sealed copy is complete, so leave
    // it for RecoverSafeSave when the old one is gone, else drop it.
    if (fs.PathExists(path)) fs.Delete(sealed);
    return {SaveStep::Replace, error};
  }
  return {};
}

void RecoverSafeSave(IFileSystem& fs, const std::string& path) {
  if (fs.PathExists(path)) return;
  RemoveSideFile(fs, TempPathOf(path));
  const std::string sealed = SealedPathOf(path);
  if (fs.ClearMarks(sealed)) fs.Replace(sealed, path);
}

void DropSafeSaveLeftOvers(IFileSystem& fs, const std::string& path) {
  RemoveSideFile(fs, TempPathOf(path));
  RemoveSideFile(fs, SealedPathOf(path));
}

}  // namespace carrydeck
