// The main window's parts as the launcher's logic sees them. The Win32 window implements
// this over real controls; tests implement it in memory.
#pragma once

#include <string>

#include "launcher/EntryEditorView.h"
#include "launcher/Messages.h"

namespace carrydeck {

// The commands of the menus, in menu order. The Win32 window uses them as command identifiers.
enum class Command : int {
  Run = 100,
  BrowseEntryFolder,
  BrowseDriveRoot,
  OpenCommandPrompt,
  CopyEntryPath,
  CopyShortPath,
  AddEntry,
  EditEntry,
  DeleteEntry,
  RefreshList,
  AfterRunDoNothing,
  AfterRunMinimize,
  AfterRunClose,
  ShowIcons,
  ShowGridLines,
  ShowBackground,
  Font8,
  Font10,
  Font12,
  Font14,
  Font16,
  Font18,
  Font20,
  RebuildIcons,
  SaveSettings,
  About,
  OpenMenu,
  Exit,
};

enum class WindowState { Normal, Minimized, Maximized };

class IMainView : public IMessages {
 public:
  virtual void SetStatus(const std::string& text) = 0;
  virtual std::string Status() const = 0;
  virtual void SetCaption(const std::string& text) = 0;
  virtual std::string Caption() const = 0;

  virtual void SetMenuCaption(Command item, const std::string& caption) = 0;
  virtual std::string MenuCaption(Command item) const = 0;
  // Ticks show the settings model; they are set from it and never read back.
  virtual void SetChecked(Command item, bool checked) = 0;

  // Outer size of the window in twips; a refused value returns false.
  virtual double HeightTwips() const = 0;
  virtual double WidthTwips() const = 0;
  virtual bool SetHeightTwips(double twips) = 0;
  virtual bool SetWidthTwips(double twips) = 0;
  virtual WindowState State() const = 0;
  // Minimising hides the window (the tray icon is the way back).
  virtual void SetState(WindowState state) = 0;
  // The inner area and the status bar, in twips.
  virtual double ClientWidthTwips() const = 0;
  virtual double ClientHeightTwips() const = 0;
  virtual double StatusHeightTwips() const = 0;
  virtual double StatusWidthTwips() const = 0;
  virtual void HideWindow() = 0;
  // Foreground, normal state, shown.
  virtual void RestoreWindow() = 0;
  // The "Carrydeck" menu at the mouse pointer, as the list's context menu.
  virtual void ShowContextMenu() = 0;
  // Ends the program at once, without the exit question.
  virtual void EndProgram() = 0;

  // The notification-area icon, for the window's whole run.
  virtual void AddTrayIcon() = 0;
  virtual void RemoveTrayIcon() = 0;

  // The one-shot deferred start-up timer.
  virtual void EnableDeferredStart(bool enabled) = 0;

  // Shows the Add/Edit dialog modally for the editor; returns once it is closed.
  virtual void ShowEntryEditorDialog(IEntryEditor& editor) = 0;
};

}  // namespace carrydeck
