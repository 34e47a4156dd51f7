// What the launcher's parts share: the catalogue and the settings, the window's parts, the
// system's ports, the program folder, and whether the catalogue file must be left as it is.
#pragma once

#include <string>

#include "common/DriveHolders.h"
#include "common/IniFile.h"
#include "common/SafeSave.h"
#include "common/SystemPorts.h"
#include "common/TextCodec.h"
#include "launcher/CatalogueModel.h"
#include "launcher/IconPorts.h"
#include "launcher/ListView.h"
#include "launcher/MainView.h"
#include "launcher/SettingsModel.h"

namespace carrydeck {

struct Platform {
  IFileSystem& files;
  IProfile& profile;
  IDiskSpace& disk;
  FileVersion version;
  IShell* shell = nullptr;     // starts, current folder, clipboard; none: every start fails
  IconPorts* icons = nullptr;  // the list's icons; none: icon passes do nothing
  ICodePage* codePage = nullptr;  // the PC's ANSI code page; none: Latin-1
  IDriveHolders* holders = nullptr;  // what keeps the stick in use; none: nothing ever does
};

struct LauncherContext {
  // appPath: the program folder, ending in "\".
  // The list shows the catalogue from now on: it must not paint once the context is gone.
  LauncherContext(IMainView& view, IListView& list, Platform platform, std::string appPath);
  LauncherContext(const LauncherContext&) = delete;
  LauncherContext& operator=(const LauncherContext&) = delete;

  std::string DriveRoot() const;
  std::string SettingsFile() const { return appPath + "Settings.ini"; }
  std::string DataFile() const { return appPath + "Data.dat"; }
  std::string ReadSetting(const std::string& section, const std::string& key, const std::string& defaultValue);
  void WriteSetting(const std::string& section, const std::string& key, const std::string& value);
  // Writes the rows to "Data.dat"; a save that fails says so in the status line. While the
  // catalogue is kept nothing is written nor said (failedAt Create, the reason as error).
  // A damaged catalogue is written only by an edit (`edited`: an entry added, changed or
  // removed); until then other saves leave the file as it is and succeed.
  SaveResult SaveCatalogue(bool edited = false);
  // The status line names a file that could not be saved, and why.
  void ReportUnsaved(const std::string& fileName, const std::string& description);
  // "Data.dat" stays as it is for this run, for this reason (the rest of a sentence).
  void KeepCatalogue(const std::string& because);
  // While the catalogue is kept: tells the user a change is not made, and why; true then.
  bool RefuseCatalogueChange();

  // The catalogue, in the order shown.
  CatalogueModel catalogue;
  IMainView& view;
  IListView& list;
  // The settings as they stand; the menu's ticks show them.
  SettingsModel settings;
  Platform sys;
  // The settings file's writes, each group of them one save of the whole file.
  SafeProfile settingsSaves;
  // The settings file's reads, from one list per section while the start runs.
  ListingProfile settingsProfile;
  // The shell port, or one whose every start fails when there is none.
  IShell& shell;
  const std::string appPath;
  // "Data.dat" is there but was not loaded (unreadable, hidden, system): what the list holds
  // must never replace it, nor the icons built for it go.
  bool catalogueKept = false;
  // How "Data.dat" was read and is written: ANSI or UTF-8, and whether it was damaged.
  TextForm catalogueForm;
  bool catalogueDamaged = false;
  std::string catalogueKeptBecause;
  // The program is on its way out (the exit question answered, or closing after a start): no
  // event starts anything more, and nothing more is written to the stick.
  bool ending = false;
};

}  // namespace carrydeck
