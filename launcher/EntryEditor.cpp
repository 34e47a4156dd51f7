#include "launcher/EntryEditor.h"

#include <algorithm>

#include "common/Paths.h"
#include "common/SafeSave.h"

namespace carrydeck {

namespace {

constexpr char kPathNotFound[] = "Path not found";

std::vector<std::string> SplitFolders(const std::string& rest) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (start <= rest.size()) {
    size_t end = rest.find('\\', start);
    if (end == std::string::npos) end = rest.size();
    std::string part = rest.substr(start, end - start);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    start = end + 1;
  }
  return parts;
}

void SortNames(std::vector<std::string>& names) {
  std::stable_sort(names.begin(), names.end(),
                   [](const std::string& a, const std::string& b) { return CompareNoCase(a, b) < 0; });
}

// How the folder list shows a root: a share without its closing backslash.
std::string RootText(const std::string& root) { return IsUNCPath(root) ? root.substr(0, root.size() - 1) : root; }

int IndexOfNoCase(const std::vector<std::string>& items, const std::string& text) {
  for (size_t i = 0; i < items.size(); ++i)
    if (EqualsNoCase(items[i], text)) return static_cast<int>(i);
  return -1;
}

}  // namespace

std::string FolderListPath(const std::string& path) {
  std::string s = path;
  std::replace(s.begin(), s.end(), '/', '\\');
  std::string root, rest;
  if (!SplitRoot(s, root, rest)) return std::string();
  std::string out = root;
  std::vector<std::string> parts = SplitFolders(rest);
  for (size_t i = 0; i < parts.size(); ++i) out += (i ? "\\" : "") + parts[i];
  return out;
}

std::string DriveRootOfPath(const std::string& path) {
  std::string root, rest;
  return SplitRoot(FolderListPath(path), root, rest) ? root : std::string();
}

void SortByTypeThenName(CatalogueModel& rows) {
  // Two stable sorts: by Name, then by Type, so names stay in order within each type.
  rows.SetOrder(SortOrder::Ascending);
  rows.SetKey(kNameField);
  rows.SetSorted(true);
  rows.SetOrder(SortOrder::Ascending);
  rows.SetKey(kTypeField);
  rows.SetSorted(true);
}

EntryEditor::EntryEditor(EditorMode mode, ICatalogueEditing& catalogue, IFileSystem& files, std::string appPath,
                         ICodePage* codePage)
    : mode_(mode), host_(catalogue), catalogue_(catalogue.Catalogue()), fs_(files), appPath_(std::move(appPath)) {
  typesForm_.codePage = codePage;
}

void EntryEditor::Attach(IEntryEditorView& view, IFolderListing& folders) {
  view_ = &view;
  folders_ = &folders;
  types_.Bind(view_);
}

std::string EntryEditor::TypesFile() const { return appPath_ + "Types.dat"; }

std::string EntryEditor::FileName() const {
  int index = view_ ? view_->SelectedFile() : -1;
  return index >= 0 && index < files_.ListCount() ? files_.List(index) : std::string();
}

void EntryEditor::Report(const std::string& prefix) {
  view_->MsgBox(prefix + lastError_, mb::OK | mb::IconStop, kProgramTitle);
}

void EntryEditor::Unload() {
  if (unloaded_) return;
  unloaded_ = true;
  view_->Close();
}

void EntryEditor::ShowDrive(const std::string& root) {
  if (root.empty()) return;
  int index = IndexOfNoCase(drives_, root);
  if (index < 0) {
    // A network root has no letter: it joins the drop-down for the rest of this opening.
    drives_.push_back(root);
    index = static_cast<int>(drives_.size()) - 1;
  }
  drive_ = drives_[static_cast<size_t>(index)];
  view_->ShowDrives(drives_, index);
}

bool EntryEditor::ShowDirPath(const std::string& path) {
  const std::string p = FolderListPath(path);
  if (p.empty()) {
    lastError_ = kPathNotFound;
    return false;
  }
  std::vector<std::string> names;
  if (!folders_->ListFolders(p, names)) {
    lastError_ = folders_->LastErrorDescription();
    return false;
  }
  SortNames(names);
  std::string root, rest;
  SplitRoot(p, root, rest);
  std::vector<FolderRow> rows;
  rows.push_back({RootText(root), root, 0, true});
  std::string at = root;
  for (const std::string& part : SplitFolders(rest)) {
    at = (rows.size() == 1 ? root : at + "\\") + part;
    rows.push_back({part, at, static_cast<int>(rows.size()), true});
  }
  const int current = static_cast<int>(rows.size()) - 1;
  const std::string base = AddTrailingBackslash(p);
  for (const std::string& name : names) rows.push_back({name, base + name, current + 1, false});
  dirPath_ = p;
  folderRows_ = std::move(rows);
  currentFolderRow_ = current;
  view_->ShowFolders(folderRows_, current);
  return true;
}

void EntryEditor::SetDrive(const std::string& path) {
  const std::string root = DriveRootOfPath(path);
  if (root.empty() || EqualsNoCase(root, drive_)) return;
  ShowDrive(root);
  OnDriveChange();
}

bool EntryEditor::SetDirPath(const std::string& path) {
  const bool changed = !EqualsNoCase(FolderListPath(path), dirPath_);
  if (!ShowDirPath(path)) return false;
  if (changed) OnFolderChange();
  return true;
}

bool EntryEditor::SetFilePath(const std::string& path) {
  const std::string p = FolderListPath(path);
  if (p.empty()) {
    lastError_ = kPathNotFound;
    return false;
  }
  std::vector<std::string> names;
  if (!folders_->ListFiles(p, names)) {
    lastError_ = folders_->LastErrorDescription();
    return false;
  }
  SortNames(names);
  filePath_ = p;
  files_.Clear();
  for (const std::string& name : names) files_.AddItem(name);
  view_->ShowFiles(names);
  return true;
}

void EntryEditor::InitLists() {
  drives_ = folders_->Drives();
  const std::string current = FolderListPath(folders_->CurrentFolder());
  if (current.empty()) {
    view_->ShowDrives(drives_, -1);
    return;
  }
  ShowDrive(DriveRootOfPath(current));
  if (ShowDirPath(current)) SetFilePath(current);
}

void EntryEditor::OnLoad() {
  InitLists();
  view_->SetTypeText("Application");

  const std::optional<size_t> selected = host_.SelectedRow();
  const std::string target = selected ? std::string(catalogue_.Target(*selected)) : std::string();

  // A save of the types cut short may leave its new file where the list was.
  RecoverSafeSave(fs_, TypesFile());
  // A list that is there but could not be read must not be replaced by what this opening
  // holds: that would lose every type in it.
  const bool loaded = LoadComboFromFile(fs_, TypesFile(), types_, &typesForm_);
  typesUnreadable_ = !loaded && fs_.PathExists(TypesFile());
  if (loaded) DropSafeSaveLeftOvers(fs_, TypesFile());
  typesDamaged_ = loaded && typesForm_.invalid > 0;
  if (typesDamaged_)
    host_.ShowStatus(
        "Damaged text in Types.dat is shown as \xEF\xBF\xBD; the file is written again only when a type is added "
        "with \"+\".");

  if (mode_ == EditorMode::Add) {
    view_->SetCaption("Add Entry");
    return;
  }
  view_->SetCaption("Edit Entry");
  if (selected) {
    const CatalogEntry& entry = catalogue_.Entry(*selected);
    view_->SetNameText(entry.Name());
    view_->SetCommandLineText(entry.Parameters());
    view_->SetTypeText(entry.Type());
  }
  std::string folder;
  if (fs_.FileExists(target)) {
    SetDrive(target);
    folder = AddTrailingBackslash(FolderOf(target));
  } else {
    // The stick came back under another letter: look where the entry would be now.
    const std::string root = DriveRootOf(appPath_);
    SetDrive(root);
    folder = AddTrailingBackslash(FolderOf(RelocatePath(target, root)));
  }
  SetDirPath(folder);
  SetFilePath(folder);
  view_->SelectFile(FindListIndex(files_, FileNameOf(target)));
}

void EntryEditor::PickDrive(int index) {
  if (index < 0 || static_cast<size_t>(index) >= drives_.size()) return;
  const std::string root = drives_[static_cast<size_t>(index)];
  SetDrive(root);
}

void EntryEditor::OnDriveChange() {
  // A drive the folder list already stands on keeps its folder; another opens where the
  // process last stood on it.
  std::string target = dirPath_;
  if (!EqualsNoCase(DriveRootOfPath(dirPath_), drive_)) {
    target = FolderListPath(folders_->CurrentFolderOn(drive_));
    if (!EqualsNoCase(DriveRootOfPath(target), drive_)) target = drive_;
  }
  if (!SetDirPath(target) || !SetFilePath(dirPath_)) Report("Error changing drive: ");
  // After a failure here or in the folder list's own change, the drive follows the folder.
  const std::string standing = DriveRootOfPath(dirPath_);
  if (!EqualsNoCase(standing, drive_)) ShowDrive(standing);
}

void EntryEditor::OpenFolderRow(int index) {
  if (index < 0 || static_cast<size_t>(index) >= folderRows_.size()) return;
  const std::string path = folderRows_[static_cast<size_t>(index)].path;
  if (SetDirPath(path)) return;
  Report("Error changing directory: ");
  // The highlight goes back to the open folder; a folder that has gone leaves the list.
  if (!ShowDirPath(dirPath_)) view_->ShowFolders(folderRows_, currentFolderRow_);
}

void EntryEditor::OnFolderChange() {
  if (!SetFilePath(dirPath_)) {
    Report("Error changing directory: ");
    if (!filePath_.empty()) ShowDirPath(filePath_);
  }
}

void EntryEditor::OnFileClick() {
  const std::string name = FileName();
  if (name.empty() || !view_->NameText().empty()) return;
  const size_t dot = name.find('.');
  view_->SetNameText(dot == std::string::npos || dot == 0 ? name : name.substr(0, dot));
}

SaveResult EntryEditor::SaveTypes() {
  if (typesUnreadable_ || typesDamaged_) return {};  // kept as it is on purpose
  return SaveComboToFile(fs_, TypesFile(), types_, &typesForm_);
}

void EntryEditor::OnAddType() {
  typesDamaged_ = false;  // the user changed the list: it is written as it now stands
  types_.AddItem(view_->TypeText());
  const SaveResult saved = SaveTypes();
  if (!saved) host_.ReportUnsaved("Types.dat", saved.error);
}

void EntryEditor::OnOtherFolder() {
  const std::string answer =
      Trim(view_->InputBox("Please enter the path of the network drive.\r\neg. \\\\MyComputer\\c", "Enter Path"));
  // An empty answer (the box's Cancel too) leaves the lists where they were, as does a
  // path that cannot be opened.
  if (answer.empty() || !SetDirPath(answer)) return;
  SetDrive(dirPath_);
}

void EntryEditor::OnSave() {
  // A message box opened by the save below runs its own loop, where a waiting second click on
  // Save could arrive: it must not add the entry again.
  if (saving_ || unloaded_) return;
  const std::string fileName = FileName();
  if (fileName.empty()) return;
  const std::string type = view_->TypeText();
  if (type.empty()) return;
  const std::string target = AddTrailingBackslash(filePath_) + fileName;
  if (view_->NameText().empty()) view_->SetNameText(fileName);

  saving_ = true;
  const SaveResult typesSaved = SaveTypes();

  const std::optional<size_t> edited = host_.SelectedRow();
  catalogue_.Append(
      std::vector<CatalogEntry>{CatalogEntry{{view_->NameText(), type, target, view_->CommandLineText()}}});
  if (mode_ == EditorMode::Edit && edited) catalogue_.Remove(*edited);
  SortByTypeThenName(catalogue_);
  host_.RepaintList();
  const SaveResult saved = host_.SaveCatalogue();
  host_.RebuildIcons();
  // Told again once the icon lines are done, or they would hide it: the catalogue first.
  if (!saved)
    host_.ReportUnsaved("Data.dat", saved.error);
  else if (!typesSaved)
    host_.ReportUnsaved("Types.dat", typesSaved.error);
  Unload();
}

void EntryEditor::OnCancel() { Unload(); }

}  // namespace carrydeck
