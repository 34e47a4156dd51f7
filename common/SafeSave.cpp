#include "common/SafeSave.h"

namespace carrydeck {

std::string TempPathOf(const std::string& path) { return path + ".tmp"; }
std::string SealedPathOf(const std::string& path) { return path + ".new"; }

SaveResult SaveFileSafely(IFileSystem& fs, const std::string& path, const std::string& bytes) {
  const std::string temp = TempPathOf(path);
  const std::string sealed = SealedPathOf(path);
  std::unique_ptr<IWriteFile> file = fs.CreateForWrite(temp);
  if (!file) return {SaveStep::Create};
  SaveStep failed = SaveStep::None;
  if (!file->Write(bytes))
    failed = SaveStep::Write;
  else if (!file->Flush())
    failed = SaveStep::Flush;
  bool closed = file->Close();
  if (failed == SaveStep::None && !closed) failed = SaveStep::Close;
  file.reset();
  if (failed == SaveStep::None && !fs.Replace(temp, sealed)) failed = SaveStep::Seal;
  if (failed != SaveStep::None) {
    fs.Delete(temp);
    return {failed};
  }
  if (!fs.Replace(sealed, path)) {
    // The old file may or may not still be there; the sealed copy is complete, so leave
    // it for RecoverSafeSave when the old one is gone, else drop it.
    if (fs.FileExists(path)) fs.Delete(sealed);
    return {SaveStep::Replace};
  }
  return {};
}

void RecoverSafeSave(IFileSystem& fs, const std::string& path) {
  const std::string temp = TempPathOf(path);
  const std::string sealed = SealedPathOf(path);
  if (fs.FileExists(temp)) fs.Delete(temp);
  if (!fs.FileExists(sealed)) return;
  if (fs.FileExists(path))
    fs.Delete(sealed);
  else
    fs.Replace(sealed, path);
}

}  // namespace carrydeck
