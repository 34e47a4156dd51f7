// The Win32 Add/Edit Entry dialog: creates the real controls and forwards each event to
// EntryEditor.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "common/win32/Handle.h"
#include "common/win32/WindowBase.h"
#include "launcher/EntryEditorView.h"
#include "launcher/win32/DialogParts.h"
#include "launcher/win32/Win32FolderListing.h"

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

// Shows a message box over the given window and returns the answer.
using MessageBoxFunction = std::function<int(HWND owner, const std::string& text, int style, const std::string& title)>;

class EntryEditorDialog : public IEntryEditorView, public DialogBase {
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
  INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void OnInitDialog();
  void OnCommand(int id, int code);
  void CreateControls();
  HWND Control(int id) const { return ::GetDlgItem(hwnd_, id); }
  int X(double twips) const;
  int Y(double twips) const;
  void MeasureFolderRow(MEASUREITEMSTRUCT& item) const;
  void DrawFolderRow(const DRAWITEMSTRUCT& item) const;

  MessageBoxFunction messageBox_;
  DialogOpenedHook opened_;
  IEntryEditor* form_ = nullptr;
  HWND owner_ = nullptr;
  int dpiX_ = 96, dpiY_ = 96;
  UniqueFont font_;      // the dialog's own
  UniqueFont boldFont_;  // the labels "Name:" and "Command Line Parameters:"
  UniqueFont nameFont_;  // the name box
  UniqueIcon folderIcon_, openFolderIcon_;
  std::vector<FolderRow> folderRows_;
  Win32FolderListing folders_;
};

}  // namespace carrydeck
