// The Add/Edit dialog as its logic (EntryEditor) sees it: the controls, and the folder listing
// behind its drive, folder and file lists. The Win32 dialog implements both over real
// controls and the file system; tests implement them in memory. And the logic as the dialog
// sees it (IEntryEditor), so the windows never depend on the logic's class.
#pragma once

#include <string>
#include <vector>

#include "launcher/Messages.h"

namespace carrydeck {

// One line of the folder list: the drive root and each folder down to the open one are
// shown open, the open folder's subfolders closed below it.
struct FolderRow {
  std::string text;
  std::string path;  // where opening the row goes
  int level = 0;
  bool open = false;
};

class IEntryEditorView : public IMessages {
 public:
  virtual void SetCaption(const std::string& text) = 0;

  virtual std::string NameText() const = 0;
  virtual void SetNameText(const std::string& text) = 0;
  virtual std::string CommandLineText() const = 0;
  virtual void SetCommandLineText(const std::string& text) = 0;
  // The type box: its text, and the items of its drop-down (shown in order, never sorted).
  virtual std::string TypeText() const = 0;
  virtual void SetTypeText(const std::string& text) = 0;
  virtual void AddTypeItem(const std::string& text) = 0;

  // The three lists show what the logic gives them.
  virtual void ShowDrives(const std::vector<std::string>& roots, int selected) = 0;
  virtual void ShowFolders(const std::vector<FolderRow>& rows, int current) = 0;
  // Replaces the file list's items; no file is selected afterwards.
  virtual void ShowFiles(const std::vector<std::string>& names) = 0;
  // The selected file's index, -1 for none.
  virtual int SelectedFile() const = 0;
  virtual void SelectFile(int index) = 0;

  // A text-input box; the Cancel button answers "".
  virtual std::string InputBox(const std::string& prompt, const std::string& title) = 0;
  // Closes and unloads the dialog.
  virtual void Close() = 0;
};

// The file system as the three lists need it. Folder paths may end in "\" or not.
class IFolderListing {
 public:
  virtual ~IFolderListing() = default;
  // Roots of the lettered drives, as "C:\".
  virtual std::vector<std::string> Drives() = 0;
  virtual std::string CurrentFolder() = 0;
  // Where the process stands on a drive (its root when it never went there).
  virtual std::string CurrentFolderOn(const std::string& driveRoot) = 0;
  // Names of the visible subfolders, or files, of a folder; false when it cannot be read.
  virtual bool ListFolders(const std::string& folder, std::vector<std::string>& names) = 0;
  virtual bool ListFiles(const std::string& folder, std::vector<std::string>& names) = 0;
  // The platform's description of the last failure.
  virtual std::string LastErrorDescription() = 0;
};

// The editor's logic as its dialog drives it: the dialog attaches its controls and the
// folder listing, loads it, then forwards each event.
class IEntryEditor {
 public:
  virtual ~IEntryEditor() = default;
  virtual void Attach(IEntryEditorView& view, IFolderListing& folders) = 0;
  virtual void OnLoad() = 0;
  virtual void OnFileClick() = 0;
  virtual void OnAddType() = 0;
  virtual void OnOtherFolder() = 0;
  virtual void OnSave() = 0;
  virtual void OnCancel() = 0;
  // What the lists do themselves when the user works them.
  virtual void PickDrive(int index) = 0;      // a drive chosen in the drop-down
  virtual void OpenFolderRow(int index) = 0;  // a folder row double-clicked
};

}  // namespace carrydeck
