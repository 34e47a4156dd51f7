#include "launcher/LauncherContext.h"

#include "common/IniFile.h"
#include "common/Paths.h"
#include "launcher/CatalogueFile.h"

namespace carrydeck {

namespace {
// Without a shell port nothing can be started: every call fails, nothing crashes.
class NoShell : public IShell {
 public:
  bool ChangeDrive(const std::string&) override { return false; }
  bool ChangeFolder(const std::string&) override { return false; }
  void ShellOpen(const std::string&, const std::string&, const std::string&) override {}
  bool StartProgram(const std::string&, const std::string&, const std::string&) override { return false; }
  std::string SystemFolder() override { return std::string(); }
  std::string WindowsFolder() override { return std::string(); }
  std::string GetShortPath(const std::string&) override { return std::string(); }
  bool SetClipboardText(const std::string&) override { return false; }
  bool GetClipboardText(std::string&) override { return false; }
  std::string LastErrorDescription() override { return "Not supported"; }
};
NoShell gNoShell;
// Every byte as itself: the code page of a launcher given none.
Latin1CodePage gLatin1;
}  // namespace

LauncherContext::LauncherContext(IMainView& view, IListView& list, Platform platform, std::string appPath)
    : view(view),
      list(list),
      settings(view),
      sys(platform),
      settingsSaves(platform.profile, platform.files),
      settingsProfile(settingsSaves),
      shell(platform.shell ? *platform.shell : gNoShell),
      appPath(std::move(appPath)) {
  catalogueForm.codePage = platform.codePage ? platform.codePage : &gLatin1;
  catalogue.AddListener(&list);
  list.ShowRows(&catalogue);
}

std::string LauncherContext::DriveRoot() const { return DriveRootOf(appPath); }

std::string LauncherContext::ReadSetting(const std::string& section, const std::string& key,
                                         const std::string& defaultValue) {
  return ReadIni(settingsProfile, section, key, SettingsFile(), defaultValue);
}

void LauncherContext::WriteSetting(const std::string& section, const std::string& key, const std::string& value) {
  WriteIni(settingsProfile, section, key, value, SettingsFile());
}

SaveResult LauncherContext::SaveCatalogue(bool edited) {
  if (catalogueKept) return {SaveStep::Create, catalogueKeptBecause};
  if (edited) catalogueDamaged = false;
  if (catalogueDamaged) return {};  // kept as it is on purpose
  SaveResult saved = SaveList(DataFile(), list.ColumnCount(), catalogue, sys.files, view, &catalogueForm);
  if (!saved) ReportUnsaved("Data.dat", saved.error);
  return saved;
}

void LauncherContext::ReportUnsaved(const std::string& fileName, const std::string& description) {
  view.SetStatus("Error saving " + fileName + ": " + description);
}

void LauncherContext::KeepCatalogue(const std::string& because) {
  catalogueKept = true;
  catalogueKeptBecause = because;
}

bool LauncherContext::RefuseCatalogueChange() {
  if (!catalogueKept) return false;
  view.MsgBox("The catalogue is not being changed: " + catalogueKeptBecause + ".", mb::OK | mb::IconExclamation,
              kProgramTitle);
  return true;
}

}  // namespace carrydeck
