// What the launcher's parts share: the window's parts, the system's ports, the program
// folder, and whether the catalogue file must be left as it is.
#pragma once

#include <string>

#include "common/IniFile.h"
#include "common/SystemPorts.h"
#include "launcher/IconPorts.h"
#include "launcher/ListView.h"
#include "launcher/MainView.h"

namespace carrydeck {

struct Platform {
  IFileSystem& files;
  IProfile& profile;
  IDiskSpace& disk;
  FileVersion version;
  IShell* shell = nullptr;     // starts, current folder, clipboard; none: every start fails
  IconPorts* icons = nullptr;  // the list's icons; none: icon passes do nothing
};

struct LauncherContext {
  // appPath: the program folder, ending in "\".
  LauncherContext(IMainView& view, IListView& list, Platform platform, std::string appPath);
  LauncherContext(const LauncherContext&) = delete;
  LauncherContext& operator=(const LauncherContext&) = delete;

  std::string DriveRoot() const;
  std::string SettingsFile() const { return appPath + "Settings.ini"; }
  std::string DataFile() const { return appPath + "Data.dat"; }
  std::string ReadSetting(const std::string& section, const std::string& key, const std::string& defaultValue);
  void WriteSetting(const std::string& section, const std::string& key, const std::string& value);
  // Writes the rows to "Data.dat"; false when the old file was kept.
  bool SaveCatalogue();

  IMainView& view;
  IListView& list;
  Platform sys;
  // The settings file's reads, from one list per section while the start runs.
  ListingProfile settingsProfile;
  // The shell port, or one whose every start fails when there is none.
  IShell& shell;
  const std::string appPath;
  // "Data.dat" is there but was not loaded (unreadable, hidden, system): what the list holds
  // must never replace it.
  bool catalogueKept = false;
  // The program is on its way out (the exit question answered, or closing after a start): no
  // event starts anything more, and nothing more is written to the stick.
  bool ending = false;
};

}  // namespace carrydeck
