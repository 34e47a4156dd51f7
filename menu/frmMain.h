// The launcher's main window, as logic: start-up, menu commands and list events. It holds
// no window handle; it talks to the window's parts (IMainView, IListView) and to the system
// through ports, so the same code runs on the real window and against fakes.
#pragma once

#include <string>

#include "ListView.h"
#include "MainView.h"
#include "Ports.h"

namespace carrydeck {

struct Platform {
  IFileSystem& files;
  IProfile& profile;
  IDiskSpace& disk;
  FileVersion version;
};

class frmMain {
 public:
  // appPath: the program folder, ending in "\".
  frmMain(IMainView& view, IListView& list, Platform platform, std::string appPath);

  void Form_Load();
  void Timer2_Timer();
  // A menu item or its shortcut was chosen.
  void OnMenu(MenuItem item);

  void mnuAbout_Click();
  void mnuRefresh_Click();

  std::string GetVersionString() const;
  std::string GetAppPath() const { return appPath_; }
  std::string GetDriveRoot() const;
  std::string SettingsFile() const { return appPath_ + "Settings.ini"; }
  std::string DataFile() const { return appPath_ + "Data.dat"; }

  void SetupColumns();
  void LoadData();
  void GetAllIcons();
  // Writes the rows to "Data.dat"; false when the old file was kept.
  bool SaveCatalogue();

  std::string ReadSetting(const std::string& section, const std::string& key, const std::string& defaultValue);
  void WriteSetting(const std::string& section, const std::string& key, const std::string& value);

 private:
  void SetWindowCaption(bool refreshForm);

  IMainView& view_;
  IListView& list_;
  Platform sys_;
  std::string appPath_;
  // "Data.dat" was there but could not be read: an empty list must not replace it.
  bool catalogueUnreadable_ = false;
};

// The About box's text, CR LF between lines.
std::string AboutText();

}  // namespace carrydeck
