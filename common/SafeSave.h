// Saving a file so that a pulled stick or a full disk never costs the old one.
//
// The bytes go to "<file>.tmp", which is flushed and closed, then renamed to "<file>.new"
// (complete by construction), which then replaces the file. On FAT a replace is a delete
// plus a rename, so a crash can leave "<file>.new" alone: RecoverSafeSave promotes it.
// Both side files are ours by name: whatever marks they carry (read-only, hidden, system),
// they are taken off rather than let block a save.
#pragma once

#include <string>

#include "common/SystemPorts.h"

namespace carrydeck {

enum class SaveStep { None, Create, Write, Flush, Close, Seal, Replace };

struct SaveResult {
  SaveStep failedAt = SaveStep::None;
  // The platform's description of the failure, taken at the step that failed.
  std::string error;
  bool ok() const { return failedAt == SaveStep::None; }
  explicit operator bool() const { return ok(); }
};

SaveResult SaveFileSafely(IFileSystem& fs, const std::string& path, const std::string& bytes);

// Before the file is read: when nothing at all is at the path, a complete left-over becomes
// the file and a half-written one goes. Anything there (hidden, system, unreadable, a
// folder) is left as it is, left-overs and all: only its reader knows whether it was loaded.
void RecoverSafeSave(IFileSystem& fs, const std::string& path);

// Once the file was read: what a save cut short left beside it is stale, and goes.
void DropSafeSaveLeftOvers(IFileSystem& fs, const std::string& path);

std::string TempPathOf(const std::string& path);
std::string SealedPathOf(const std::string& path);

}  // namespace carrydeck
