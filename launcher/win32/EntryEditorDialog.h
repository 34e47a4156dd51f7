// The Win32 Add/Edit Entry dialog: creates the real controls and forwards each event to
// EntryEditor; and the folder listing behind its drive, folder and file lists.
#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "common/win32/Handle.h"
#include "launcher/EntryEditorView.h"

namespace carrydeck {

// Control identifiers. Save and Cancel carry the dialog's own OK and Cancel, so Enter
// presses Save and Esc (or the frame's close box) Cancel.
enum EntryEditorControl : int {
  IDC_CMDSAVE = IDOK,
  IDC_CMDCANCEL = IDCANCEL,
  IDC_TXTNAME = 1101,
  IDC_DRIVE1,
  IDC_DIR1,
  IDC_FILE1,
  IDC_TXTCOMMANDLINE,
  IDC_LABEL1,
  IDC_LABEL2,
  IDC_CMDOTHER,
  IDC_CMBTYPE,
  IDC_CMDADDTYPE,
  IDC_LABEL3,
  IDC_LABEL4,
  IDC_LABEL5,
};

// The text-input box: its prompt and its text field; OK and Cancel are IDOK and IDCANCEL.
enum InputBoxControl : int { IDC_INPUTPROMPT = 1201, IDC_INPUTTEXT };

// Runs once a dialog of ours is on screen with its loop running; tests work it from here.
using DialogOpenedHook = std::function<void(HWND dialog)>;
// Shows a message box over the given window and returns the answer.
using MessageBoxFunction = std::function<int(HWND owner, const std::string& text, int style, const std::string& title)>;

class Win32FolderListing : public IFolderListing {
 public:
  std::vector<std::string> Drives() override;
  std::string CurrentFolder() override;
  std::string CurrentFolderOn(const std::string& driveRoot) override;
  bool ListFolders(const std::string& folder, std::vector<std::string>& names) override;
  bool ListFiles(const std::string& folder, std::vector<std::string>& names) override;
  std::string LastErrorDescription() override { return lastError_; }

 private:
  bool List(const std::string& folder, bool folders, std::vector<std::string>& names);
  std::string lastError_;
};

class EntryEditorDialog : public IEntryEditorView {
 public:
  EntryEditorDialog(MessageBoxFunction messageBox, DialogOpenedHook opened);
  EntryEditorDialog(const EntryEditorDialog&) = delete;
  EntryEditorDialog& operator=(const EntryEditorDialog&) = delete;

  // Attaches the editor, loads it and shows the dialog modally over owner until it closes.
  void Show(HWND owner, IEntryEditor& form);

  // IEntryEditorView
  int MsgBox(const std::string& text, int style, const std::string& title) override;
  void SetCaption(const std::string& text) override;
  std::string NameText() const override;
  void SetNameText(const std::string& text) override;
  std::string CommandLineText() const override;
  void SetCommandLineText(const std::string& text) override;
  std::string TypeText() const override;
  void SetTypeText(const std::string& text) override;
  void AddTypeItem(const std::string& text) override;
  void ShowDrives(const std::vector<std::string>& roots, int selected) override;
  void ShowFolders(const std::vector<FolderRow>& rows, int current) override;
  void ShowFiles(const std::vector<std::string>& names) override;
  int SelectedFile() const override;
  void SelectFile(int index) override;
  std::string InputBox(const std::string& prompt, const std::string& title) override;
  void Close() override;

 private:
  static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept;
  INT_PTR Handle(UINT message, WPARAM wParam, LPARAM lParam);
  void OnInitDialog();
  void OnCommand(int id, int code);
  void CreateControls();
  HWND Control(int id) const { return ::GetDlgItem(hwnd_, id); }
  int X(double twips) const;
  int Y(double twips) const;
  void MeasureFolderRow(MEASUREITEMSTRUCT& item) const;
  void DrawFolderRow(const DRAWITEMSTRUCT& item) const;
  std::string DriveText(const std::string& root);

  MessageBoxFunction messageBox_;
  DialogOpenedHook opened_;
  IEntryEditor* form_ = nullptr;
  HWND hwnd_ = nullptr;
  HWND owner_ = nullptr;
  int dpiX_ = 96, dpiY_ = 96;
  UniqueGdi font_;      // the dialog's own
  UniqueGdi boldFont_;  // the labels "Name:" and "Command Line Parameters:"
  UniqueGdi nameFont_;  // the name box
  UniqueIcon folderIcon_, openFolderIcon_;
  std::vector<FolderRow> folderRows_;
  std::map<std::string, std::string> driveTexts_;
  Win32FolderListing folders_;
};

// A modal text-input box: the prompt, a text field, OK and Cancel. Cancel answers "".
std::string ShowInputBox(HWND owner, const std::string& prompt, const std::string& title,
                         const DialogOpenedHook& opened);

}  // namespace carrydeck
