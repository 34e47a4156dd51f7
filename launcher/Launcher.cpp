#include "launcher/Launcher.h"

#include <cmath>

#include "common/NumberText.h"
#include "common/Paths.h"
#include "common/SafeSave.h"
#include "launcher/CatalogueFile.h"
#include "launcher/FreeSpaceText.h"

namespace carrydeck {

namespace {

const char kCatalogueNotLoaded[] =
    "Data.dat is hidden, a system file or not a file: it was not loaded and will not be changed.";
// Said in the caption for the whole run: the status line is the next action's.
const char kCatalogueKeptCaption[] = " - Data.dat not loaded: the catalogue is not being changed";
const char kCatalogueDamaged[] =
    " Damaged text in Data.dat is shown as \xEF\xBF\xBD; the file is written again only when an entry is added, "
    "edited or deleted.";

}  // namespace

std::string AboutText() {
  return std::string("A program designed for use with a removeable storage device.\r\n") + "Used to run" +
         " and open various files.\r\n\r\n" + "This version has network folder capability" +
         " when running Windows programs but it is recommended that you mount a drive to ensure DOS" +
         " programs work as they should.\r\n\r\n" + "Fenwright Software, 2004-2026.";
}

Launcher::Launcher(IMainView& view, IListView& list, Platform platform, std::string appPath)
    : ctx_(view, list, platform, std::move(appPath)),
      catalogue_(ctx_.catalogue),
      view_(ctx_.view),
      list_(ctx_.list),
      sys_(ctx_.sys),
      icons_(ctx_),
      settings_(ctx_, icons_),
      actions_(ctx_),
      exit_(ctx_, settings_) {}

template <typename Handler>
void Launcher::RunEvent(Handler&& handler) {
  if (ctx_.ending) return;
  ++eventDepth_;
  handler();
  if (--eventDepth_ > 0) return;
  // A close request made meanwhile runs now that every box of this event is answered.
  const CloseRequest waiting = pendingClose_;
  pendingClose_ = CloseRequest::None;
  // The window's own close request returned long ago: the window goes from here.
  if (waiting != CloseRequest::None && !RequestClose(waiting)) view_.EndProgram();
}

bool Launcher::RequestClose(CloseRequest request) {
  if (closing_ || ctx_.ending) return true;
  if (eventDepth_ > 0) {
    // Waiting is the one rule every box can keep: a Yes/No question has no Cancel to be
    // answered with, and what opened the box finishes before anything of the exit runs.
    if (pendingClose_ == CloseRequest::None) pendingClose_ = request;
    return true;
  }
  bool stays = true;
  RunEvent([&] {
    closing_ = true;
    if (request == CloseRequest::TrayExit)
      exit_.Quit();
    else
      stays = exit_.OnCloseRequest();
    closing_ = false;
  });
  return stays;
}

std::string Launcher::GetVersionString() const {
  return std::to_string(sys_.version.major) + "." + std::to_string(sys_.version.minor) +
         std::to_string(sys_.version.revision);
}

void Launcher::OnLoad() {
  RunEvent([this] { Load(); });
}

void Launcher::Load() {
  // A settings save cut short is sorted out before the first read; the defaults the start
  // then writes back reach the file as one save.
  RecoverSafeSave(sys_.files, ctx_.SettingsFile());
  // A hidden or system settings file is read but never rewritten: its left-overs stay too.
  if (sys_.files.FileExists(ctx_.SettingsFile())) DropSafeSaveLeftOvers(sys_.files, ctx_.SettingsFile());
  SafeProfile::Change writes(ctx_.settingsSaves);
  ListingProfile::Burst reads(ctx_.settingsProfile);
  list_.SetSunkenBorder();
  // Before the caption changes, so the icon's tip reads "Carrydeck" for the whole run.
  view_.AddTrayIcon();
  settings_.SetupColumns();
  settings_.LoadWindowSize();

  // A save cut short by a pulled stick may have left its new file under the temporary name.
  RecoverSafeSave(sys_.files, ctx_.DataFile());
  if (sys_.files.FileExists(ctx_.DataFile())) {
    view_.SetStatus("Loading data . . .");
    std::optional<bool> icons = ParseBoolean(ctx_.ReadSetting("Main", "Icons", "1"));
    ctx_.settings.SetIcons(icons.value_or(true));
    LoadData();
    if (!ctx_.catalogueKept) DropSafeSaveLeftOvers(sys_.files, ctx_.DataFile());
  } else if (sys_.files.PathExists(ctx_.DataFile())) {
    // Hidden or system (as malware leaves a stick), or not a file: not shown, and an empty
    // list must never take its place.
    ctx_.KeepCatalogue("Data.dat is hidden, a system file or not a file, so it was not loaded");
    view_.SetStatus(kCatalogueNotLoaded);
  }

  settings_.Load();
  view_.SetMenuCaption(Command::BrowseDriveRoot, "Browse " + ctx_.DriveRoot());
  SetWindowCaption(false);
}

void Launcher::LoadData() {
  view_.SetStatus("Loading data . . .");
  catalogue_.Clear();
  LoadResult loaded =
      LoadList(ctx_.DataFile(), list_.ColumnCount(), catalogue_, sys_.files, view_, &ctx_.catalogueForm);
  if (loaded.readFailed) ctx_.KeepCatalogue("Data.dat could not be read, so it was not loaded");
  // Written back now, the damage would be lost from the file for good: only an edit does.
  ctx_.catalogueDamaged = ctx_.catalogueForm.invalid > 0;
  view_.SetStatus("App data loaded (" + std::to_string(loaded.count) + " apps)." +
                  (ctx_.catalogueDamaged ? kCatalogueDamaged : ""));
}

void Launcher::OnDeferredStart() {
  RunEvent([this] {
    view_.EnableDeferredStart(false);
    icons_.GetAllIcons();
  });
}

void Launcher::OnIconsReady() {
  RunEvent([this] { icons_.OnIconsReady(); });
}

void Launcher::SetWindowCaption(bool refreshForm) {
  const std::string root = ctx_.DriveRoot();
  view_.SetCaption(std::string(refreshForm ? "Fenwright's Carrydeck v" : "Carrydeck v") + GetVersionString() + " >> " +
                   FreeSpaceText(sys_.disk, root) + " Remaining on " + root +
                   (ctx_.catalogueKept ? kCatalogueKeptCaption : ""));
}

void Launcher::ShowAbout() {
  view_.MsgBox(AboutText(), mb::OK | mb::IconInformation, "Fenwright's Carrydeck v" + GetVersionString());
}

void Launcher::RefreshList() {
  icons_.GetAllIcons();
  list_.Repaint();
  SetWindowCaption(true);
}

void Launcher::ShowEntryEditor(EditorMode mode) {
  if (editor_ || ctx_.RefuseCatalogueChange()) return;
  EntryEditor form(mode, *this, sys_.files, ctx_.appPath, ctx_.catalogueForm.codePage);
  editor_ = &form;
  view_.ShowEntryEditorDialog(form);
  editor_ = nullptr;
}

void Launcher::DeleteSelectedEntry() {
  if (ctx_.RefuseCatalogueChange()) return;
  const std::optional<size_t> row = list_.SelectedRow();
  if (!row) return;  // nothing to remove: no question either
  const int answer =
      view_.MsgBox("Are you sure you want to remove " + std::string(catalogue_.Field(*row, kNameField)) + "?",
                   mb::YesNo | mb::IconQuestion | mb::DefaultButton2, kProgramTitle);
  if (answer == mb::IdYes) catalogue_.Remove(*row);
  icons_.RebuildAfterEdit();
  list_.Repaint();
  ctx_.SaveCatalogue(answer == mb::IdYes);
}

bool Launcher::OnCloseRequest() { return RequestClose(CloseRequest::Window); }

void Launcher::OnCommand(Command item) {
  if (item == Command::Exit) {
    RequestClose(CloseRequest::TrayExit);
    return;
  }
  RunEvent([&] { RunCommand(item); });
}

void Launcher::RunCommand(Command item) {
  // While the entry editor is open only the tray's Open reaches the main window (its Exit
  // waits, as every close request does).
  if (editor_ && item != Command::OpenMenu) return;
  switch (item) {
    case Command::About: ShowAbout(); break;
    case Command::RefreshList: RefreshList(); break;
    case Command::Run: actions_.RunSelectedEntry(); break;
    case Command::BrowseEntryFolder: actions_.BrowseEntryFolder(); break;
    case Command::BrowseDriveRoot: actions_.BrowseDriveRoot(); break;
    case Command::OpenCommandPrompt: actions_.OpenCommandPrompt(); break;
    case Command::CopyEntryPath: actions_.CopyEntryPath(); break;
    case Command::CopyShortPath: actions_.CopyShortPath(); break;
    case Command::AfterRunDoNothing:
    case Command::AfterRunMinimize:
    case Command::AfterRunClose: actions_.SetAfterRunMode(item); break;
    case Command::ShowIcons: settings_.ToggleIcons(); break;
    case Command::ShowGridLines: settings_.ToggleGridLines(); break;
    case Command::ShowBackground: settings_.ToggleBackground(); break;
    case Command::Font8: settings_.SetFontSize(8); break;
    case Command::Font10: settings_.SetFontSize(10); break;
    case Command::Font12: settings_.SetFontSize(12); break;
    case Command::Font14: settings_.SetFontSize(14); break;
    case Command::Font16: settings_.SetFontSize(16); break;
    case Command::Font18: settings_.SetFontSize(18); break;
    case Command::Font20: settings_.SetFontSize(20); break;
    case Command::SaveSettings: settings_.Save(); break;
    case Command::RebuildIcons: icons_.Rebuild(); break;
    case Command::AddEntry: ShowEntryEditor(EditorMode::Add); break;
    case Command::EditEntry: ShowEntryEditor(EditorMode::Edit); break;
    case Command::DeleteEntry: DeleteSelectedEntry(); break;
    case Command::OpenMenu: RestoreFromTray(); break;
    default: break;
  }
}

void Launcher::OnColumnClick(int column) {
  RunEvent([&] {
    if (editor_) return;  // the editor has the catalogue now
    if (ctx_.RefuseCatalogueChange()) return;
    catalogue_.SetSorted(true);
    if (catalogue_.Key() == column - 1) {
      catalogue_.SetOrder(catalogue_.Order() == SortOrder::Ascending ? SortOrder::Descending : SortOrder::Ascending);
    } else {
      catalogue_.SetOrder(SortOrder::Ascending);
      catalogue_.SetKey(column - 1);
    }
    ctx_.SaveCatalogue();
  });
}

void Launcher::OnListKeyUp() {
  const std::optional<size_t> row = list_.SelectedRow();
  if (!row) return;
  const int maximum = static_cast<int>(std::floor(view_.StatusWidthTwips() / 80));
  view_.SetStatus(ShortenPathForDisplay(std::string(catalogue_.Target(*row)), maximum));
}

void Launcher::OnListMouseUp(int button) {
  RunEvent([&] {
    OnListKeyUp();
    if (button == 2) view_.ShowContextMenu();
  });
}

void Launcher::OnListDoubleClick() {
  RunEvent([this] {
    if (!editor_) actions_.RunSelectedEntry();
  });
}

}  // namespace carrydeck
