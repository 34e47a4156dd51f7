#include "launcher/EntryActions.h"

#include <cctype>

#include "common/Paths.h"

namespace carrydeck {

namespace {

const char kAutoDriveChange[] = " - Auto Drive Change";
const char kNoSelection[] = "No entry is selected.";
// The console of every supported system.
const char kConsole[] = "cmd.exe";

}  // namespace

bool EntryActions::SelectedTarget(std::string& target, std::string* parameters, std::string& error) const {
  const std::optional<size_t> row = list_.SelectedRow();
  if (!row) {
    error = kNoSelection;
    return false;
  }
  target = ctx_.catalogue.Target(*row);
  if (parameters) *parameters = ctx_.catalogue.Field(*row, kParametersField);
  return true;
}

std::string EntryActions::FindEntryFile(const std::string& target, bool& relocated) const {
  relocated = false;
  if (target.empty() || !IsRootedPath(target)) return std::string();
  if (sys_.files.FileExists(target)) return target;
  const std::string moved = RelocatePath(target, ctx_.DriveRoot());
  if (!sys_.files.FileExists(moved)) return std::string();
  relocated = true;
  return moved;
}

// By its full path: a bare name would be looked for in the stick's folder and the current
// folder first, where anybody could have put a program of that name.
std::string EntryActions::ExplorerProgram() { return shell_.WindowsFolder() + "explorer.exe"; }

void EntryActions::CloseAfterRun() {
  ctx_.ending = true;
  view_.RemoveTrayIcon();
  view_.EndProgram();
}

void EntryActions::RunSelectedEntry() {
  std::string target, parameters, error;
  SelectedTarget(target, &parameters, error);
  bool relocated = false;
  const std::string path = FindEntryFile(target, relocated);
  if (path.empty()) {
    view_.MsgBox(
        "Error running " + target + " : " + error + "\r\nCheck the file exists at" + " the specified location.",
        mb::OK | mb::IconStop, kProgramTitle);
    view_.SetStatus("Error running " + target + " : " + error);
    return;
  }

  const std::string folder = FolderOf(path);
  if (!IsUNCPath(path)) shell_.ChangeDrive(path.substr(0, 2));
  shell_.ChangeFolder(folder);
  if (AfterRunIs(AfterRun::Minimize)) view_.SetState(WindowState::Minimized);
  shell_.ShellOpen(path, folder, ExpandPlaceholders(parameters, folder, ctx_.DriveRoot()));
  view_.SetStatus("Running " + path + (relocated ? kAutoDriveChange : ""));
  if (AfterRunIs(AfterRun::Close)) CloseAfterRun();
}

void EntryActions::BrowseEntryFolder() {
  std::string target, error;
  SelectedTarget(target, nullptr, error);
  const std::string folder = FolderOf(target);
  const std::string root = ctx_.DriveRoot();

  std::string commandLine, status;
  if (!folder.empty() && sys_.files.FolderExists(folder)) {
    commandLine = "explorer.exe /select," + target;
    status = "Browsing " + folder;
  } else if (!folder.empty() && sys_.files.FolderExists(RelocatePath(folder, root))) {
    commandLine = "explorer.exe /select," + root + StripDriveRoot(target);
    status = "Browsing " + root + StripDriveRoot(folder) + kAutoDriveChange;
  }
  if (!commandLine.empty()) {
    if (AfterRunIs(AfterRun::Minimize)) view_.SetState(WindowState::Minimized);
    if (shell_.StartProgram(ExplorerProgram(), commandLine, "")) {
      view_.SetStatus(status);
      if (AfterRunIs(AfterRun::Close)) CloseAfterRun();
      return;
    }
    error = shell_.LastErrorDescription();
  }
  view_.MsgBox(
      "Error browsing to the directory : " + error + "\r\nCheck the folder" + " exists at the specified location.",
      mb::OK | mb::IconStop, kProgramTitle);
  view_.SetStatus("Error browsing " + folder + " : " + error);
}

void EntryActions::BrowseDriveRoot() {
  const std::string root = ctx_.DriveRoot();
  if (AfterRunIs(AfterRun::Minimize)) view_.SetState(WindowState::Minimized);
  if (!shell_.StartProgram(ExplorerProgram(), "explorer.exe /e," + root, "")) {
    const std::string error = shell_.LastErrorDescription();
    view_.MsgBox("Error browsing to the directory : " + error, mb::OK | mb::IconStop, kProgramTitle);
    view_.SetStatus("Error browsing " + root + " : " + error);
    return;
  }
  view_.SetStatus("Browsing root directory " + root);
  if (AfterRunIs(AfterRun::Close)) CloseAfterRun();
}

void EntryActions::OpenCommandPrompt() {
  std::string target, error;
  SelectedTarget(target, nullptr, error);
  const std::string folder = FolderOf(target);
  const std::string root = ctx_.DriveRoot();

  std::string used;
  bool relocated = false;
  if (!folder.empty()) {
    if (sys_.files.FolderExists(folder)) {
      used = folder;
    } else if (sys_.files.FolderExists(RelocatePath(folder, root))) {
      used = RelocatePath(folder, root);
      relocated = true;
    }
  }
  if (used.empty()) {
    view_.MsgBox("Error opening cmd to " + folder + " : " + error, mb::OK | mb::IconStop, kProgramTitle);
    view_.SetStatus("Error opening " + std::string(kConsole) + " to " + folder + " : " + error);
    return;
  }
  if (IsUNCPath(used)) {
    view_.MsgBox(std::string("The selected folder is located on a network drive that is not mounted. To use this") +
                     " function (or any DOS based program) ensure a drive is mounted first!",
                 mb::OK | mb::IconStop, kProgramTitle);
    view_.SetStatus("Error opening " + std::string(kConsole) + " to " + folder + " : " + "Unmounted" +
                    " network drive detected.");
    return;
  }

  shell_.ChangeDrive(used.substr(0, 2));
  shell_.ChangeFolder(used);
  if (AfterRunIs(AfterRun::Minimize)) view_.SetState(WindowState::Minimized);
  // The folder is the console's working folder and never part of its command line: cmd
  // expands "%...%" (and "%CD%" is the folder's own name) before it honours any escape, so
  // a name such as "t&calc&%CD%" would run calc. From the system folder, never searched for.
  shell_.StartProgram(shell_.SystemFolder() + kConsole, std::string(kConsole) + " /k", used);
  view_.SetStatus("Command Prompt to " + used + (relocated ? kAutoDriveChange : ""));
  if (AfterRunIs(AfterRun::Close)) CloseAfterRun();
}

void EntryActions::CopyEntryPath() { CopyPath(false); }

void EntryActions::CopyShortPath() { CopyPath(true); }

void EntryActions::CopyPath(bool dosForm) {
  std::string target, error;
  SelectedTarget(target, nullptr, error);
  bool relocated = false;
  const std::string found = FindEntryFile(target, relocated);
  const std::string what = dosForm ? "DOS path" : "path";
  if (!found.empty()) {
    const std::string path = dosForm ? shell_.GetShortPath(found) : found;
    std::string readBack;
    // Read back, so the message shows what another program would paste.
    if (shell_.SetClipboardText(path) && shell_.GetClipboardText(readBack)) {
      std::string text = "Clipboard set to:\r\n" + readBack;
      if (dosForm && IsUNCPath(path))
        text += "\r\n\r\nWARNING: You must mount the drive for network folders to work correctly with a DOS program!";
      view_.MsgBox(text, mb::OK | mb::IconInformation, kProgramTitle);
      return;
    }
    error = shell_.LastErrorDescription();
  }
  view_.MsgBox("Error getting " + what + " : " + error + "\r\nCheck the path and file exist at the specified location.",
               mb::OK | mb::IconStop, kProgramTitle);
  view_.SetStatus("Error getting " + what + ": " + error);
}

void EntryActions::SetAfterRunMode(Command item) {
  AfterRun mode = AfterRun::Nothing;
  switch (item) {
    case Command::AfterRunDoNothing: mode = AfterRun::Nothing; break;
    case Command::AfterRunMinimize: mode = AfterRun::Minimize; break;
    case Command::AfterRunClose: mode = AfterRun::Close; break;
    default: return;
  }
  ctx_.settings.SetAfterRunMode(mode);
  ctx_.WriteSetting("Main", "OnRun", std::to_string(static_cast<int>(mode)));
}

}  // namespace carrydeck
