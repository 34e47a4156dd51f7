// The launcher's main window, as logic: start-up, menu commands and list events. It owns
// the catalogue (through its context) and holds no window handle; it talks to the window's
// parts (IMainView, IListView, which shows the catalogue) and to the system through ports,
// so the same code runs on the real window and against fakes. Each job has its own part
// (settings and layout, entry actions, the icon pass, exit and hand-off); this class starts
// the window, sends each command to its part, and hosts the entry editor.
#pragma once

#include <string>

#include "launcher/EntryActions.h"
#include "launcher/EntryEditor.h"
#include "launcher/ExitHandOff.h"
#include "launcher/IconPass.h"
#include "launcher/LauncherContext.h"
#include "launcher/LauncherSettings.h"

namespace carrydeck {

class Launcher : public ICatalogueEditing {
 public:
  // appPath: the program folder, ending in "\".
  Launcher(IMainView& view, IListView& list, Platform platform, std::string appPath);
  Launcher(const Launcher&) = delete;
  Launcher& operator=(const Launcher&) = delete;

  // The window's events.
  void OnLoad();
  void OnDeferredStart();
  // A menu item or its shortcut was chosen.
  void OnCommand(Command item);
  void OnResize() { settings_.OnResize(); }
  void OnLayoutTimer() { settings_.OnLayoutTimer(); }
  // A close request on the window: the question and what follows it. True when the window
  // stays: the user cancelled, or the request waits for a box or dialog still open.
  bool OnCloseRequest();
  // The icon worker has icons ready for the list.
  void OnIconsReady();
  // The window is going: the icon pass under way ends, and the worker with it.
  void StopIconPass() { icons_.Stop(); }
  // The tray icon was clicked.
  void RestoreFromTray() { view_.RestoreWindow(); }

  // The list's own events.
  void OnColumnClick(int column);
  void OnListKeyUp();
  void OnListMouseUp(int button);
  void OnListDoubleClick();

  std::string GetVersionString() const;

  // The parts.
  LauncherSettings& Settings() { return settings_; }
  // The settings as they stand, which the menu's ticks show.
  SettingsModel& CurrentSettings() { return ctx_.settings; }
  EntryActions& Actions() { return actions_; }
  IconPass& Icons() { return icons_; }

  // The catalogue, as the entry editor changes it.
  CatalogueModel& Catalogue() override { return catalogue_; }
  std::optional<size_t> SelectedRow() const override { return list_.SelectedRow(); }
  void RepaintList() override { list_.Repaint(); }
  SaveResult SaveCatalogue() override { return ctx_.SaveCatalogue(true); }
  // After an edit: only targets not seen before are extracted.
  void RebuildIcons() override { icons_.RebuildAfterEdit(); }
  void ReportUnsaved(const std::string& fileName, const std::string& description) override {
    ctx_.ReportUnsaved(fileName, description);
  }
  void ShowStatus(const std::string& text) override { view_.SetStatus(text); }

 private:
  void Load();
  void LoadData();
  void SetWindowCaption(bool refreshForm);
  void ShowAbout();
  void RefreshList();
  void DeleteSelectedEntry();
  void ShowEntryEditor(EditorMode mode);
  void RunCommand(Command item);

  // Every event of the window that can open a box or a dialog runs through here. One that
  // comes while another is still running came from inside that one's box or dialog; a close
  // request then waits until the outermost event is done.
  template <typename Handler>
  void RunEvent(Handler&& handler);
  enum class CloseRequest { None, Window, TrayExit };
  // True when the window stays (cancelled, waiting, or an exit already under way).
  bool RequestClose(CloseRequest request);

  LauncherContext ctx_;
  CatalogueModel& catalogue_;
  IMainView& view_;
  IListView& list_;
  const Platform& sys_;
  IconPass icons_;
  LauncherSettings settings_;
  EntryActions actions_;
  ExitHandOff exit_;
  // The entry editor on screen, if any.
  EntryEditor* editor_ = nullptr;
  // Events running, the outermost included.
  int eventDepth_ = 0;
  // The first close request that came while another event was running.
  CloseRequest pendingClose_ = CloseRequest::None;
  // An exit is running, its question on screen: it answers every close request made meanwhile.
  bool closing_ = false;
};

// The About box's text, CR LF between lines.
std::string AboutText();

}  // namespace carrydeck
