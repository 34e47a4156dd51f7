// The Add/Edit Entry dialog, as logic: it reads the selected entry at load and writes a new
// entry into the catalogue at Save. The window side (or a test) attaches the controls and
// the folder listing, then calls OnLoad and forwards each event.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "common/SafeSave.h"
#include "common/SystemPorts.h"
#include "launcher/EntryEditorView.h"
#include "launcher/CatalogueModel.h"
#include "launcher/TypesFile.h"

namespace carrydeck {

// Which command opened the editor: a new entry, or the selected one to change.
enum class EditorMode { Add, Edit };

// The catalogue as the editor changes it, the row the user selected, and what follows a
// change.
class ICatalogueEditing {
 public:
  virtual ~ICatalogueEditing() = default;
  virtual CatalogueModel& Catalogue() = 0;
  // The row the editor edits; none when no row is selected.
  virtual std::optional<size_t> SelectedRow() const = 0;
  virtual void RepaintList() = 0;
  // Writes the rows to "Data.dat"; a failure keeps the old file and says so in the status line.
  virtual SaveResult SaveCatalogue() = 0;
  // The rows' icons, built anew.
  virtual void RebuildIcons() = 0;
  // The main window's status line names a file that could not be saved, and why.
  virtual void ReportUnsaved(const std::string& fileName, const std::string& description) = 0;
  // The main window's status line says this.
  virtual void ShowStatus(const std::string& text) = 0;
};

// Groups the rows by Type, by Name within each type: where a saved entry takes its place.
void SortByTypeThenName(CatalogueModel& rows);

// The type drop-down: the items kept byte for byte, each shown by the view as it comes.
class TypeCombo : public IItemList {
 public:
  void Bind(IEntryEditorView* view) { view_ = view; }
  void AddItem(const std::string& text) override {
    items_.AddItem(text);
    if (view_) view_->AddTypeItem(text);
  }
  int ListCount() const override { return items_.ListCount(); }
  std::string List(int index) const override { return items_.List(index); }

 private:
  ItemList items_;
  IEntryEditorView* view_ = nullptr;
};

class EntryEditor : public IEntryEditor {
 public:
  // appPath: the program folder, ending in "\"; the types list lies there.
  // codePage: the PC's ANSI code page, for the types list (none: Latin-1).
  EntryEditor(EditorMode mode, ICatalogueEditing& catalogue, IFileSystem& files, std::string appPath,
              ICodePage* codePage = nullptr);
  EntryEditor(const EntryEditor&) = delete;
  EntryEditor& operator=(const EntryEditor&) = delete;

  // IEntryEditor
  void Attach(IEntryEditorView& view, IFolderListing& folders) override;
  void OnLoad() override;
  void OnFileClick() override;
  void OnAddType() override;
  void OnOtherFolder() override;
  void OnSave() override;
  void OnCancel() override;
  void PickDrive(int index) override;
  void OpenFolderRow(int index) override;

  EditorMode Mode() const { return mode_; }
  // The lists' state, as their properties would read.
  const std::string& Drive() const { return drive_; }
  const std::string& DirPath() const { return dirPath_; }
  const std::string& FilePath() const { return filePath_; }
  const IItemList& TypeItems() const { return types_; }
  // The selected file's name, "" when none.
  std::string FileName() const;
  bool Unloaded() const { return unloaded_; }

 private:
  // The change events of the drive and folder lists.
  void OnDriveChange();
  void OnFolderChange();
  // Property sets of the three lists, with their change events as the controls raise them.
  void SetDrive(const std::string& path);
  bool SetDirPath(const std::string& path);
  bool SetFilePath(const std::string& path);
  // The same without events, for the lists' own start and for putting them back.
  bool ShowDirPath(const std::string& path);
  void ShowDrive(const std::string& root);
  void InitLists();
  void Report(const std::string& prefix);
  std::string TypesFile() const;
  SaveResult SaveTypes();
  void Unload();

  const EditorMode mode_;
  ICatalogueEditing& host_;
  CatalogueModel& catalogue_;
  IFileSystem& fs_;
  const std::string appPath_;
  IEntryEditorView* view_ = nullptr;
  IFolderListing* folders_ = nullptr;

  TypeCombo types_;
  std::vector<std::string> drives_;
  std::string drive_;
  std::string dirPath_;
  std::vector<FolderRow> folderRows_;
  int currentFolderRow_ = -1;
  std::string filePath_;
  ItemList files_;
  std::string lastError_;
  bool unloaded_ = false;
  bool saving_ = false;
  bool typesUnreadable_ = false;
  // How "Types.dat" was read and is written; a damaged one is written again only by "+".
  TextForm typesForm_;
  bool typesDamaged_ = false;
};

// The folder list's form of a path: "E:\" or "\\server\share\" for a root, else no trailing
// "\"; "." and ".." resolved, "/" taken as "\". "" when the path is not absolute.
std::string FolderListPath(const std::string& path);
// The root of such a path: "E:\" or "\\server\share\"; "" when there is none.
std::string DriveRootOfPath(const std::string& path);

}  // namespace carrydeck
