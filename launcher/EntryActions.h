// What the user does with the selected entry: run it, browse to it or to the drive, open a
// console in its folder, copy its path; and what the launcher does after a start.
#pragma once

#include <string>

#include "launcher/LauncherContext.h"

namespace carrydeck {

class EntryActions {
 public:
  explicit EntryActions(LauncherContext& ctx)
      : ctx_(ctx), view_(ctx.view), list_(ctx.list), sys_(ctx.sys), shell_(ctx.shell) {}
  EntryActions(const EntryActions&) = delete;
  EntryActions& operator=(const EntryActions&) = delete;

  void RunSelectedEntry();
  void BrowseEntryFolder();
  void BrowseDriveRoot();
  void OpenCommandPrompt();
  void CopyEntryPath();
  void CopyShortPath();
  // One of the three after-run items: ticked alone, and stored at once.
  void SetAfterRunMode(Command item);

 private:
  // The entry's file on the clipboard, as it stands or in its short (8.3) form.
  void CopyPath(bool dosForm);
  // The selected row's target file; false with a description when no row is selected.
  bool SelectedTarget(std::string& target, std::string* parameters, std::string& error) const;
  // The entry's file as stored, else on the launcher's own drive; "" when neither exists.
  std::string FindEntryFile(const std::string& target, bool& relocated) const;
  std::string ExplorerProgram();
  bool AfterRunIs(AfterRun mode) const { return ctx_.settings.AfterRunMode() == mode; }
  void CloseAfterRun();

  LauncherContext& ctx_;
  IMainView& view_;
  IListView& list_;
  const Platform& sys_;
  IShell& shell_;
};

}  // namespace carrydeck
