#include "launcher/Launcher.h"

#include "common/IniFile.h"
#include "common/NumberText.h"
#include "common/Paths.h"
#include "common/SafeSave.h"
#include "launcher/CatalogueFile.h"
#include "launcher/EntryEditor.h"
#include "launcher/FreeSpaceText.h"

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

Launcher::Launcher(IMainView& view, IListView& list, Platform platform, std::string appPath)
    : view_(view),
      list_(list),
      sys_(platform),
      settings_(platform.profile),
      appPath_(std::move(appPath)),
      shell_(platform.shell ? *platform.shell : gNoShell) {}

std::string Launcher::GetVersionString() const {
  return std::to_string(sys_.version.major) + "." + std::to_string(sys_.version.minor) +
         std::to_string(sys_.version.revision);
}

std::string Launcher::GetDriveRoot() const { return DriveRootOf(appPath_); }

std::string Launcher::ReadSetting(const std::string& section, const std::string& key,
                                 const std::string& defaultValue) {
  return ReadIni(settings_, section, key, SettingsFile(), defaultValue);
}

void Launcher::WriteSetting(const std::string& section, const std::string& key, const std::string& value) {
  WriteIni(settings_, section, key, value, SettingsFile());
}

void Launcher::OnLoad() {
  ListingProfile::Burst reads(settings_);
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
    view_.SetChecked(Command::ShowIcons, icons.value_or(true));
    LoadData();
  } else if (sys_.files.PathExists(DataFile())) {
    // Hidden or system (as malware leaves a stick), or not a file: not shown, and an empty
    // list must never take its place.
    catalogueKept_ = true;
    view_.SetStatus(kCatalogueNotLoaded);
  }

  LoadSettings();
  view_.SetMenuCaption(Command::BrowseDriveRoot, "Browse " + GetDriveRoot());
  SetWindowCaption(false);
}

void Launcher::SetupColumns() {
  list_.ClearColumns();
  for (const ColumnSetup& column : kColumns) list_.AddColumn(column.header, column.width);
}

void Launcher::LoadData() {
  view_.SetStatus("Loading data . . .");
  list_.ClearRows();
  LoadResult loaded = LoadList(DataFile(), list_, sys_.files, view_);
  catalogueKept_ = loaded.readFailed;
  view_.SetStatus("App data loaded (" + std::to_string(loaded.count) + " apps).");
}

bool Launcher::SaveCatalogue() {
  if (catalogueKept_) return false;
  return SaveList(DataFile(), list_, sys_.files, view_);
}

void Launcher::SortByTypeThenName() {
  // Two stable sorts: by Name, then by Type, so names stay in order within each type.
  list_.SetOrder(SortOrder::Ascending);
  list_.SetSortKey(0);
  list_.SetSorted(true);
  list_.SetOrder(SortOrder::Ascending);
  list_.SetSortKey(1);
  list_.SetSorted(true);
}

void Launcher::OnDeferredStart() {
  view_.EnableDeferredStart(false);
  GetAllIcons();
}

void Launcher::SetWindowCaption(bool refreshForm) {
  const std::string root = GetDriveRoot();
  view_.SetCaption(std::string(refreshForm ? "Fenwright's Carrydeck v" : "Carrydeck v") + GetVersionString() +
                   " >> " + FreeSpaceText(sys_.disk, root) + " Remaining on " + root);
}

void Launcher::ShowAbout() {
  view_.MsgBox(AboutText(), mb::OK | mb::IconInformation, "Fenwright's Carrydeck v" + GetVersionString());
}

void Launcher::RefreshList() {
  GetAllIcons();
  list_.Repaint();
  SetWindowCaption(true);
}

void Launcher::AddEntry() { ShowEntryEditor(true); }

void Launcher::EditEntry() { ShowEntryEditor(false); }

void Launcher::ShowEntryEditor(bool adding) {
  if (editor_) return;
  AddingEntry = adding;
  EntryEditor form(*this, list_, sys_.files);
  {
    struct Showing {
      EntryEditor*& editor;
      ~Showing() { editor = nullptr; }
    } showing{editor_ = &form};
    view_.ShowEntryEditorDialog(form);
  }
  // An exit asked for while the editor was open goes on now that it is closed, outside
  // the editor's own loop.
  const AfterEditor after = afterEditor_;
  afterEditor_ = AfterEditor::Nothing;
  if (after == AfterEditor::Exit)
    Quit();
  else if (after == AfterEditor::Close && !OnCloseRequest())
    view_.EndProgram();
}

bool Launcher::CloseEditorFirst(AfterEditor then) {
  if (!editor_) return false;
  afterEditor_ = then;
  // As if cancelled: nothing of it is saved (a Save already under way completes first).
  editor_->OnCancel();
  return true;
}

void Launcher::DeleteSelectedEntry() {
  const size_t row = list_.SelectedRow();
  if (row == 0) return;  // nothing to remove: no question either
  const int answer = view_.MsgBox("Are you sure you want to remove " + list_.Row(row).Name() + "?",
                                  mb::YesNo | mb::IconQuestion | mb::DefaultButton2, kProgramTitle);
  if (answer == mb::IdYes) list_.RemoveRow(row);
  RebuildIcons();
  list_.Repaint();
  SaveCatalogue();
}

void Launcher::OnCommand(Command item) {
  // While the entry editor is open only the tray's commands reach the main window.
  if (editor_ && item != Command::Exit && item != Command::OpenMenu) return;
  switch (item) {
    case Command::About: ShowAbout(); break;
    case Command::RefreshList: RefreshList(); break;
    case Command::Run: RunSelectedEntry(); break;
    case Command::BrowseEntryFolder: BrowseEntryFolder(); break;
    case Command::BrowseDriveRoot: BrowseDriveRoot(); break;
    case Command::OpenCommandPrompt: OpenCommandPrompt(); break;
    case Command::CopyEntryPath: CopyEntryPath(); break;
    case Command::CopyShortPath: CopyShortPath(); break;
    case Command::AfterRunDoNothing: AfterRunDoNothing(); break;
    case Command::AfterRunMinimize: AfterRunMinimize(); break;
    case Command::AfterRunClose: AfterRunClose(); break;
    case Command::ShowIcons: ToggleIcons(); break;
    case Command::ShowGridLines: ToggleGridLines(); break;
    case Command::ShowBackground: ToggleBackground(); break;
    case Command::Font8: SetFontSize(8); break;
    case Command::Font10: SetFontSize(10); break;
    case Command::Font12: SetFontSize(12); break;
    case Command::Font14: SetFontSize(14); break;
    case Command::Font16: SetFontSize(16); break;
    case Command::Font18: SetFontSize(18); break;
    case Command::Font20: SetFontSize(20); break;
    case Command::SaveSettings: SaveSettings(); break;
    case Command::RebuildIcons: RebuildIcons(); break;
    case Command::AddEntry: AddEntry(); break;
    case Command::EditEntry: EditEntry(); break;
    case Command::DeleteEntry: DeleteSelectedEntry(); break;
    case Command::OpenMenu: RestoreFromTray(); break;
    case Command::Exit: Quit(); break;
    default: break;
  }
}

}  // namespace carrydeck
