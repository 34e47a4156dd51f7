// What the launcher hands the removal tool at exit, named once for both programs: the tool is
// copied off the stick to a fixed folder on C: (it cannot eject the drive it runs from), and
// the stick's drive root goes to a small profile file beside it. The profile functions ignore
// the case of sections and keys, and the file system that of names.
#pragma once

namespace carrydeck {

// Where the hand-off happens; created when missing.
inline constexpr char kHandOffFolder[] = "c:\\temp";
// The launcher leaves the stick's drive and folder for these before it starts the tool,
// so that nothing of its own keeps the stick in use.
inline constexpr char kHandOffDrive[] = "c:";
inline constexpr char kHandOffDriveRoot[] = "c:\\";
// The tool beside the launcher on the stick, and its copy that is started.
inline constexpr char kRemovalToolName[] = "Remove.exe";
inline constexpr char kHandOffTool[] = "c:\\temp\\Remove.exe";
// The hand-off file: section "Drive", key "Letter", the drive root as its value ("E:\").
inline constexpr char kHandOffFile[] = "c:\\temp\\carrydeck.ini";
inline constexpr char kHandOffSection[] = "Drive";
inline constexpr char kHandOffKey[] = "Letter";

}  // namespace carrydeck
