#include "frmMain.h"

#include "ModReg.h"
#include "Profile.h"
#include "SafeSave.h"
#include "TextForms.h"
#include "frmAdd.h"
#include "modDriveSpace.h"
#include "modFen.h"

namespace carrydeck {

namespace {

struct ColumnSetup {
  const char* header;
  double width;
};
const char kCatalogueNotLoaded[] =
    "Data.dat is hidden, a system file or not a file: it was not loaded and will not be changed.";

constexpr ColumnSetup kColumns[] = {
    {"Name", 3000}, {"Type", 2000}, {"Target File", 3000}, {"Command Line Parameters", 3000}};

// A stored size that is not a number falls back to its default.
double NumberOr(const std::string& text, double fallback) {
  std::optional<double> value = ParseNumber(text);
  return value ? *value : fallback;
}

}  // namespace

std::string AboutText() {
  return std::string("A program designed for use with a removeable storage device.\r\n") + "Used to run" +
         " and open various files.\r\n\r\n" + "This version has network folder capability" +
         " when running Windows programs but it is recommended that you mount a drive to ensure DOS" +
         " programs work as they should.\r\n\r\n" + "Fenwright Software, 2004-2026.";
}

namespace {
// Without a shell port nothing can be started: every call fails, nothing crashes.
class NoShell : public IShell {
 public:
  bool ChangeDrive(const std::string&) override { return false; }
  bool ChangeFolder(const std::string&) override { return false; }
  void ShellOpen(const std::string&, const std::string&, const std::string&) override {}
  bool StartProgram(const std::string&, const std::string&) override { return false; }
  std::string SystemFolder() override { return std::string(); }
  std::string WindowsFolder() override { return std::string(); }
  std::string GetShortPath(const std::string&) override { return std::string(); }
  std::optional<OsVersionInfo> QueryVersion() override { return std::nullopt; }
  bool SetClipboardText(const std::string&) override { return false; }
  bool GetClipboardText(std::string&) override { return false; }
  std::string LastErrorDescription() override { return "Not supported"; }
};
NoShell gNoShell;
}  // namespace

frmMain::frmMain(IMainView& view, IListView& list, Platform platform, std::string appPath)
    : view_(view),
      list_(list),
      sys_(platform),
      appPath_(std::move(appPath)),
      shell_(platform.shell ? *platform.shell : gNoShell) {}

std::string frmMain::GetVersionString() const {
  return std::to_string(sys_.version.major) + "." + std::to_string(sys_.version.minor) +
         std::to_string(sys_.version.revision);
}

std::string frmMain::GetDriveRoot() const { return DriveRootOf(appPath_); }

std::string frmMain::ReadSetting(const std::string& section, const std::string& key,
                                 const std::string& defaultValue) {
  return ReadIni(sys_.profile, section, key, SettingsFile(), defaultValue);
}

void frmMain::WriteSetting(const std::string& section, const std::string& key, const std::string& value) {
  WriteIni(sys_.profile, section, key, value, SettingsFile());
}

void frmMain::Form_Load() {
  list_.SetSunkenBorder();
  // Before the caption changes, so the icon's tip reads "Carrydeck" for the whole run.
  view_.AddTrayIcon();
  SetupColumns();

  view_.SetHeightTwips(NumberOr(ReadSetting("MAIN", "Window Height", "5910"), 5910));
  view_.SetWidthTwips(NumberOr(ReadSetting("MAIN", "Window Width", "10960"), 10960));

  // A save cut short by a pulled stick may have left its new file under the temporary name.
  RecoverSafeSave(sys_.files, DataFile());
  if (sys_.files.FileExists(DataFile())) {
    view_.SetStatus("Loading data . . .");
    std::optional<bool> icons = ParseBoolean(ReadSetting("Main", "Icons", "1"));
    view_.SetChecked(MenuItem::mnuIcons, icons.value_or(true));
    LoadData();
  } else if (sys_.files.PathExists(DataFile())) {
    // Hidden or system (as malware leaves a stick), or not a file: not shown, and an empty
    // list must never take its place.
    catalogueKept_ = true;
    view_.SetStatus(kCatalogueNotLoaded);
  }

  LoadSettings();
  view_.SetMenuCaption(MenuItem::mnuRootBrowse, "Browse " + GetDriveRoot());
  SetWindowCaption(false);
}

void frmMain::SetupColumns() {
  list_.ClearColumns();
  for (const ColumnSetup& column : kColumns) list_.AddColumn(column.header, column.width);
}

void frmMain::LoadData() {
  view_.SetStatus("Loading data . . .");
  list_.ClearRows();
  LoadResult loaded = LoadList(DataFile(), list_, sys_.files, view_);
  catalogueKept_ = loaded.readFailed;
  view_.SetStatus("App data loaded (" + std::to_string(loaded.count) + " apps).");
}

bool frmMain::SaveCatalogue() {
  if (catalogueKept_) return false;
  return SaveList(DataFile(), list_, sys_.files, view_);
}

void frmMain::SortByTypeThenName() {
  // Two stable sorts: by Name, then by Type, so names stay in order within each type.
  list_.SetOrder(SortOrder::Ascending);
  list_.SetSortKey(0);
  list_.SetSorted(true);
  list_.SetOrder(SortOrder::Ascending);
  list_.SetSortKey(1);
  list_.SetSorted(true);
}

void frmMain::Timer2_Timer() {
  view_.EnableTimer2(false);
  GetAllIcons();
}

void frmMain::SetWindowCaption(bool refreshForm) {
  const std::string root = GetDriveRoot();
  view_.SetCaption(std::string(refreshForm ? "Fenwright's Carrydeck v" : "Carrydeck v") + GetVersionString() +
                   " >> " + FreeSpaceText(sys_.disk, root) + " Remaining on " + root);
}

void frmMain::mnuAbout_Click() {
  view_.MsgBox(AboutText(), mb::OK | mb::IconInformation, "Fenwright's Carrydeck v" + GetVersionString());
}

void frmMain::mnuRefresh_Click() {
  GetAllIcons();
  list_.Repaint();
  SetWindowCaption(true);
}

void frmMain::mnuAdd_Click() { ShowEntryEditor(true); }

void frmMain::mnuEdit_Click() { ShowEntryEditor(false); }

void frmMain::ShowEntryEditor(bool adding) {
  if (editor_) return;
  AddingEntry = adding;
  frmAdd form(*this, list_, sys_.files);
  {
    struct Showing {
      frmAdd*& editor;
      ~Showing() { editor = nullptr; }
    } showing{editor_ = &form};
    view_.ShowAddDialog(form);
  }
  // An exit asked for while the editor was open goes on now that it is closed, outside
  // the editor's own loop.
  const AfterEditor after = afterEditor_;
  afterEditor_ = AfterEditor::Nothing;
  if (after == AfterEditor::Exit)
    mnuExit_Click();
  else if (after == AfterEditor::Close && !Form_Unload())
    view_.EndProgram();
}

bool frmMain::CloseEditorFirst(AfterEditor then) {
  if (!editor_) return false;
  afterEditor_ = then;
  // As if cancelled: nothing of it is saved (a Save already under way completes first).
  editor_->cmdCancel_Click();
  return true;
}

void frmMain::mnuDelete_Click() {
  const size_t row = list_.SelectedRow();
  if (row == 0) return;  // nothing to remove: no question either
  const int answer = view_.MsgBox("Are you sure you want to remove " + list_.Row(row).Name() + "?",
                                  mb::YesNo | mb::IconQuestion | mb::DefaultButton2, kProgramTitle);
  if (answer == mb::IdYes) list_.RemoveRow(row);
  RebuildIcons();
  list_.Repaint();
  SaveCatalogue();
}

void frmMain::OnMenu(MenuItem item) {
  // While the entry editor is open only the tray's commands reach the main window.
  if (editor_ && item != MenuItem::mnuExit && item != MenuItem::mnuOpenMenu) return;
  switch (item) {
    case MenuItem::mnuAbout: mnuAbout_Click(); break;
    case MenuItem::mnuRefresh: mnuRefresh_Click(); break;
    case MenuItem::mnuRun: mnuRun_Click(); break;
    case MenuItem::mnuBrowse: mnuBrowse_Click(); break;
    case MenuItem::mnuRootBrowse: mnuRootBrowse_Click(); break;
    case MenuItem::mnuCmd: mnuCmd_Click(); break;
    case MenuItem::mnuCopyEntry: mnuCopyEntry_Click(); break;
    case MenuItem::mnuDOSdir: mnuDOSdir_Click(); break;
    case MenuItem::mnuRunNothing: mnuRunNothing_Click(); break;
    case MenuItem::mnuRunMinimize: mnuRunMinimize_Click(); break;
    case MenuItem::mnuRunClose: mnuRunClose_Click(); break;
    case MenuItem::mnuIcons: mnuIcons_Click(); break;
    case MenuItem::mnuShowGridlines: mnuShowGridlines_Click(); break;
    case MenuItem::mnuShowBackground: mnuShowBackground_Click(); break;
    case MenuItem::mnuFont8: SetFontSize(8); break;
    case MenuItem::mnuFont10: SetFontSize(10); break;
    case MenuItem::mnuFont12: SetFontSize(12); break;
    case MenuItem::mnuFont14: SetFontSize(14); break;
    case MenuItem::mnuFont16: SetFontSize(16); break;
    case MenuItem::mnuFont18: SetFontSize(18); break;
    case MenuItem::mnuFont20: SetFontSize(20); break;
    case MenuItem::mnuSaveSettings: mnuSaveSettings_Click(); break;
    case MenuItem::mnuRebuildIcons: mnuRebuildIcons_Click(); break;
    case MenuItem::mnuAdd: mnuAdd_Click(); break;
    case MenuItem::mnuEdit: mnuEdit_Click(); break;
    case MenuItem::mnuDelete: mnuDelete_Click(); break;
    case MenuItem::mnuOpenMenu: mnuOpenMenu_Click(); break;
    case MenuItem::mnuExit: mnuExit_Click(); break;
    default: break;
  }
}

}  // namespace carrydeck
