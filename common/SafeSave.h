// Saving a file so that a pulled stick or a full disk never costs the old one.
//
// The bytes go to "<file>.tmp", which is flushed and closed, then renamed to "<file>.new"
// (complete by construction), which then replaces the file. On FAT a replace is a delete
// plus a rename, so a crash can leave "<file>.new" alone: RecoverSafeSave promotes it.
#pragma once

#include <string>

#include "common/SystemPorts.h"

namespace carrydeck {

enum class SaveStep { None, Create, Write, Flush, Close, Seal, Replace };

struct SaveResult {
  SaveStep failedAt = SaveStep::None;
  bool ok() const { return failedAt == SaveStep::None; }
};

SaveResult SaveFileSafely(IFileSystem& fs, const std::string& path, const std::string& bytes);

// Start-up tidying for one file: a complete left-over with no file beside it becomes the
// file; any other left-over is removed.
void RecoverSafeSave(IFileSystem& fs, const std::string& path);

std::string TempPathOf(const std::string& path);
std::string SealedPathOf(const std::string& path);

}  // namespace carrydeck
