#include "launcher/IconPass.h"

#include <new>
#include <optional>

#include "common/Paths.h"
#include "common/SafeSave.h"
#include "launcher/IconCacheFile.h"

namespace carrydeck {

void IconPass::GetAllIcons() { Run(true); }

void IconPass::Rebuild() {
  if (ctx_.catalogueKept) return;  // see Run
  const std::string cache = CacheFile();
  if (sys_.files.FileExists(cache)) sys_.files.Delete(cache);
  // Should the delete fail (a write-protected stick), the old cache must not come back:
  // the pass rebuilds regardless, and reports if it can't save.
  Run(false);
}

void IconPass::ReportError(const std::string& description) {
  view_.MsgBox("Error getting icons: " + description, mb::OK | mb::IconStop, kProgramTitle);
}

IconPass::IconAdded IconPass::AddFileIcon(const std::string& path, size_t row) {
  IconPorts& icons = *sys_.icons;
  std::optional<IconImage> icon = icons.shell.FileIcon(path);
  // When the shell knows nothing of a file that is there, the not-found picture keeps
  // image i with row i for every row after it.
  if (!icons.imageList.Add(row, icon ? *icon : icons.notFoundIcon)) return IconAdded::Failed;
  return icon ? IconAdded::FromFile : IconAdded::NotFound;
}

// Any failure ends the pass with the report, running out of memory for a huge list included.
void IconPass::Run(bool useCache) try {
  const unsigned pass = ++pass_;
  if (!sys_.icons) return;
  // The cache belongs to the catalogue on the stick, which was not loaded: the list is empty,
  // and a pass would throw the cache away and save an empty one.
  if (ctx_.catalogueKept) return;
  IImageList& imageList = sys_.icons->imageList;
  if (!ctx_.settings.Icons()) {
    imageList.Detach();
    imageList.Clear();
    return;
  }
  view_.SetStatus("Getting icons . . .");
  imageList.Detach();
  imageList.Clear();

  const std::string cache = CacheFile();
  // A save cut short may have left the new cache under its temporary name.
  RecoverSafeSave(sys_.files, cache);
  if (useCache && sys_.files.FileExists(cache)) {
    view_.SetStatus("Loading saved icons . . .");
    LoadedIcons loaded = LoadImageList(imageList, cache, catalogue_, sys_.files, sys_.icons->reader);
    if (!loaded.ok) {
      ReportError(loaded.error);
      return;
    }
    if (loaded.count >= 0) {
      DropSafeSaveLeftOvers(sys_.files, cache);
      list_.Repaint();
      view_.SetStatus("Icons loaded (" + std::to_string(loaded.count) + ").");
      return;
    }
    // The cache did not fit the list and is gone: build it anew.
  }

  view_.SetStatus("Rebuilding icons . . .");
  // Room for every row at once: a list that grew as the icons came would copy its bitmap
  // at every step, the old one beside the new.
  if (!imageList.ClearWithRoomFor(catalogue_.Count())) {
    ReportError(imageList.LastErrorDescription());
    return;
  }
  size_t successes = 0, failures = 0;
  const std::string root = ctx_.DriveRoot();
  for (size_t row = 0; row < catalogue_.Count(); ++row) {
    const std::string target(catalogue_.Target(row));  // no copy of the whole entry
    std::string found;
    if (sys_.files.FileExists(target)) {
      found = target;
    } else {
      const std::string relocated = RelocatePath(target, root);
      if (relocated != target && sys_.files.FileExists(relocated)) found = relocated;
    }
    IconAdded added = IconAdded::NotFound;
    if (!found.empty())
      added = AddFileIcon(found, row);
    else if (!imageList.Add(row, sys_.icons->notFoundIcon))
      added = IconAdded::Failed;
    if (added == IconAdded::Failed) {
      ReportError(imageList.LastErrorDescription());
      return;
    }
    ++(added == IconAdded::FromFile ? successes : failures);

    imageList.Attach();
    // Setting the row's icon redraws that row; repainting the whole list per entry would
    // cost a full paint for every entry of a long list.
    catalogue_.SetIcon(row, static_cast<int>(row));
    view_.ProcessPendingEvents();
    // Something run meanwhile started a newer pass, or the window is going: that one has
    // the list now.
    if (pass != pass_) return;
  }

  view_.SetStatus("Saving icons . . .");
  std::string error;
  if (!SaveImageList(imageList, cache, sys_.files, error)) {
    ctx_.ReportUnsaved("imagelist.dat", error);
    ReportError(error);
    return;
  }
  view_.SetStatus("Icons rebuilt. " + std::to_string(successes) + " successful, " + std::to_string(failures) +
                  " unsuccessful.");
} catch (const std::bad_alloc&) {
  ReportError("Out of memory");
}

}  // namespace carrydeck
