// General helpers shared by both programs: path shapes, drive relocation, placeholders.
// Portable: every function here is plain text work; the platform calls live in win32/.
#pragma once

#include <string>

namespace carrydeck {

// Folder of a program from the full path of its module, always ending in "\".
std::string AppPathFromModule(const std::string& modulePath);

// Drive root of a folder: E:\ or \\server\share\ (what GetDriveRoot answers for the program folder).
std::string DriveRootOf(const std::string& appPath);

bool IsUNCPath(const std::string& path);
// A drive's name as the system spells it: one letter and a colon, "E:". Nothing else is ever
// opened as a volume.
bool IsDriveName(const std::string& drive);
// A path the launcher can find again: from a drive root (E:\) or a share. A relative one
// would depend on whatever folder the last action left current.
bool IsRootedPath(const std::string& path);
// Splits an absolute path into its root ("E:\" with the letter upper-cased, "\\server\share\")
// and the rest. False for a relative path, "E:folder" (relative to E:'s current folder) and a
// share without server or share name.
bool SplitRoot(const std::string& path, std::string& root, std::string& rest);
std::string StripDriveRoot(const std::string& path);
std::string RelocatePath(const std::string& path, const std::string& driveRoot);
// The part up to and with the last "\"; "" when there is none.
std::string FolderOf(const std::string& path);
// The part after the last "\"; the whole path when there is none.
std::string FileNameOf(const std::string& path);
// The path with "\" appended unless it already ends in one.
std::string AddTrailingBackslash(const std::string& path);

// "%drive%" and "%dir%" (any letter case) filled in from the drive root and target folder.
std::string ExpandPlaceholders(const std::string& parameters, const std::string& folder, const std::string& driveRoot);

// The status-line form of a path: backslashes shown as " > ", leading parts cut to "..."
// until it is shorter than maximum (the file name is never cut).
std::string ShortenPathForDisplay(const std::string& path, int maximum);

// ASCII letter case only: the files are in the ANSI code page and the platform's own
// profile and path matching fold only these for our purposes.
std::string ToUpperAscii(std::string text);
std::string ToLowerAscii(std::string text);
bool EqualsNoCase(const std::string& a, const std::string& b);
std::string Trim(const std::string& text);

}  // namespace carrydeck
