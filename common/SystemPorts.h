// The system services the portable code asks for. Production implements them over
// Win32 (common/win32); tests implement them in memory and can make any step fail.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace carrydeck {

// One file being written. Each step can fail on its own (full stick, pulled stick).
class IWriteFile {
 public:
  virtual ~IWriteFile() = default;
  virtual bool Write(const std::string& bytes) = 0;
  virtual bool Flush() = 0;
  virtual bool Close() = 0;
};

// A file held open for reading: while its owner lives, others may read it (and start it) but
// nobody can write, replace, move or delete it.
class IHeldFile {
 public:
  virtual ~IHeldFile() = default;
  // The whole file, from its start; false when it cannot be read.
  virtual bool ReadAll(std::string& bytes) = 0;
};

class IFileSystem {
 public:
  virtual ~IFileSystem() = default;
  // An existing, visible, ordinary file (hidden, system, folders and patterns never match).
  virtual bool FileExists(const std::string& path) = 0;
  // A directory search for the path, folders included, finds an entry.
  virtual bool FolderExists(const std::string& path) = 0;
  // Anything at all is at the path: a file of any attributes (hidden, system) or a folder.
  virtual bool PathExists(const std::string& path) = 0;
  // The whole file into memory; false when it cannot be opened or read.
  virtual bool ReadAll(const std::string& path, std::string& bytes) = 0;
  // Creates or truncates; null when the file cannot be created.
  virtual std::unique_ptr<IWriteFile> CreateForWrite(const std::string& path) = 0;
  // Puts source in target's place, whether target exists or not; source is gone after.
  virtual bool Replace(const std::string& source, const std::string& target) = 0;
  virtual bool Delete(const std::string& path) = 0;
  // Takes the read-only mark off a file, other attributes kept; true when the file is there
  // and no longer read-only.
  virtual bool ClearReadOnly(const std::string& path) = 0;
  // Copies over an existing target.
  virtual bool CopyFile(const std::string& source, const std::string& target) = 0;
  // One folder level; false when it exists already or cannot be made.
  virtual bool CreateFolder(const std::string& path) = 0;
  // The platform's description of the last failure of this port, for reports.
  virtual std::string LastErrorDescription() = 0;
  // Takes the read-only, hidden and system marks off a file, other attributes kept; true
  // when the file is there (not a folder) and carries none of them now.
  virtual bool ClearMarks(const std::string& path) = 0;
  // Opens an existing file to read it and holds it as it is until the owner goes; null when
  // it is not there or cannot be held (someone has it open to write, move or delete it).
  virtual std::unique_ptr<IHeldFile> HoldForReading(const std::string& path) = 0;
};

// Profile (INI) file operations with the platform's semantics.
class IProfile {
 public:
  virtual ~IProfile() = default;
  // The value, spaces at both ends removed, at most maxChars - 1 characters; "" when missing.
  virtual std::string Get(const std::string& section, const std::string& key, const std::string& file,
                          size_t maxChars) = 0;
  virtual bool Put(const std::string& section, const std::string& key, const std::string& value,
                   const std::string& file) = 0;
  // Every entry of the first section of that name as the platform lists it ("key=value" or
  // "key", each followed by a NUL); nullopt when it cannot list the section whole.
  virtual std::optional<std::string> GetSection(const std::string& section, const std::string& file) {
    (void)section;
    (void)file;
    return std::nullopt;
  }
};

// Free space of a volume.
class IDiskSpace {
 public:
  virtual ~IDiskSpace() = default;
  // Bytes available to the calling user; nullopt on failure.
  virtual std::optional<uint64_t> FreeBytes(const std::string& root) = 0;
};

// Starting things and the process-wide state that goes with it.
class IShell {
 public:
  virtual ~IShell() = default;
  // The drive part ("E:") becomes the current drive.
  virtual bool ChangeDrive(const std::string& drive) = 0;
  virtual bool ChangeFolder(const std::string& folder) = 0;
  // Starts a file with its default action; the outcome is not examined.
  virtual void ShellOpen(const std::string& file, const std::string& folder, const std::string& parameters) = 0;
  // The program at this full path, never searched for, as a new process with the command
  // line and the working folder ("" keeps the launcher's), window shown normally and
  // activated; a console program gets a console window of its own.
  virtual bool StartProgram(const std::string& program, const std::string& commandLine, const std::string& folder) = 0;
  // The system's folder and the Windows folder, each ending in "\"; "" when unknown.
  virtual std::string SystemFolder() = 0;
  virtual std::string WindowsFolder() = 0;
  virtual std::string GetShortPath(const std::string& path) = 0;
  // Empties the clipboard and puts text on it.
  virtual bool SetClipboardText(const std::string& text) = 0;
  virtual bool GetClipboardText(std::string& text) = 0;
  // The platform's description of the last failure of this port.
  virtual std::string LastErrorDescription() = 0;
};

struct FileVersion {
  unsigned major = 0, minor = 0, build = 0, revision = 0;
};

}  // namespace carrydeck
