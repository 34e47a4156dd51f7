// The launcher's main window, as logic: start-up, menu commands and list events. It holds
// no window handle; it talks to the window's parts (IMainView, IListView) and to the system
// through ports, so the same code runs on the real window and against fakes.
#pragma once

#include <string>

#include "common/IniFile.h"
#include "common/SystemPorts.h"
#include "launcher/IconPorts.h"
#include "launcher/ListView.h"
#include "launcher/MainView.h"

namespace carrydeck {

class EntryEditor;

struct Platform {
  IFileSystem& files;
  IProfile& profile;
  IDiskSpace& disk;
  FileVersion version;
  IShell* shell = nullptr;  // starts, current folder, clipboard; none: every start fails
  IconPorts* icons = nullptr;  // the list's icons; none: icon passes do nothing
};

class Launcher {
 public:
  // appPath: the program folder, ending in "\".
  Launcher(IMainView& view, IListView& list, Platform platform, std::string appPath);

  void OnLoad();
  void OnDeferredStart();
  // A menu item or its shortcut was chosen.
  void OnCommand(Command item);

  void ShowAbout();
  void RefreshList();

  std::string GetVersionString() const;
  std::string GetAppPath() const { return appPath_; }
  std::string GetDriveRoot() const;
  std::string SettingsFile() const { return appPath_ + "Settings.ini"; }
  std::string DataFile() const { return appPath_ + "Data.dat"; }

  void SetupColumns();
  void LoadData();
  // Icons: the cache load or rebuild, and the rebuild after every change of the catalogue.
  void GetAllIcons();
  void RebuildIcons();
  // The window is going: a pass in progress stops at its next step.
  void StopIconPass();
  std::string IconCacheFile() const { return appPath_ + "imagelist.dat"; }
  // Groups the rows by Type, by Name within each type.
  void SortByTypeThenName();
  // Writes the rows to "Data.dat"; false when the old file was kept.
  bool SaveCatalogue();

  // Settings.
  void LoadSettings();
  void SaveSettings();
  void ToggleIcons();
  void ToggleGridLines();
  void ToggleBackground();
  void AfterRunDoNothing();
  void AfterRunMinimize();
  void AfterRunClose();

  // Layout and looks of the list.
  void OnResize();
  void OnLayoutTimer();
  void ApplyListFont(int size);
  void SetFontSize(int size);
  // false with the failure's description when the picture cannot be shown.
  bool LoadBackground(std::string& error);
  double ColumnShare(int column) const { return column >= 1 && column <= 3 ? columnShare_[column - 1] : 0.0; }
  void SetColumnShare(int column, double share) {
    if (column >= 1 && column <= 3) columnShare_[column - 1] = share;
  }

  // Tray and exit.
  void RestoreFromTray();
  // The close question and what follows it; true when the user cancelled.
  bool OnCloseRequest();
  void Quit();

  // The list's own events.
  void OnColumnClick(int column);
  void OnListKeyUp();
  void OnListMouseUp(int button);
  void OnListDoubleClick();

  // Editing the catalogue. AddingEntry tells the dialog which command opened it.
  bool AddingEntry = false;
  void AddEntry();
  void EditEntry();
  void DeleteSelectedEntry();

  // Entry actions.
  void RunSelectedEntry();
  void BrowseEntryFolder();
  void BrowseDriveRoot();
  void OpenCommandPrompt();
  void CopyEntryPath();
  void CopyShortPath();
  std::string GetCommandShell();

  std::string ReadSetting(const std::string& section, const std::string& key, const std::string& defaultValue);
  void WriteSetting(const std::string& section, const std::string& key, const std::string& value);

 private:
  void SetWindowCaption(bool refreshForm);
  bool LoadSettingsSteps(std::string& error, int& widthsSet);
  // W / 12, W / 4, W / 3 and W / 3 - 480 of the window's outer width W.
  double DefaultColumnWidth(int column) const;
  void UpdateColumnShares();
  void SetRunMode(Command item, const char* value);
  // The selected row's target file; false with a description when no row is selected.
  bool SelectedTarget(std::string& target, std::string* parameters, std::string& error) const;
  // The entry's file as stored, else on the launcher's own drive; "" when neither exists.
  std::string FindEntryFile(const std::string& target, bool& relocated) const;
  void CloseAfterRun();
  // What waits for the entry editor to close.
  enum class AfterEditor { Nothing, Exit, Close };
  void ShowEntryEditor(bool adding);
  // With the editor open: closes it as cancelled and remembers what to do after; false
  // when no editor is open.
  bool CloseEditorFirst(AfterEditor then);
  void HandOff();
  bool HandOffIsOurs(const std::string& root);
  std::string ExplorerProgram();
  enum class IconAdded { FromFile, NotFound, Failed };
  IconAdded AddFileIcon(const std::string& path, size_t position);
  void IconPass(bool useCache);
  void ReportIconError(const std::string& description);

  IMainView& view_;
  IListView& list_;
  Platform sys_;
  // The settings file, read at the start from one list per section.
  ListingProfile settings_;
  std::string appPath_;
  // "Data.dat" is there but was not loaded (unreadable, hidden, system): what the list holds
  // must never replace it.
  bool catalogueKept_ = false;
  double columnShare_[3] = {0, 0, 0};
  IShell& shell_;
  // The entry editor on screen, if any.
  EntryEditor* editor_ = nullptr;
  AfterEditor afterEditor_ = AfterEditor::Nothing;
  // Counts icon passes: a pass that yielded and finds a newer one started stops at once.
  unsigned iconPass_ = 0;
};

// The About box's text, CR LF between lines.
std::string AboutText();

}  // namespace carrydeck
