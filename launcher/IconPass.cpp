#include "launcher/IconPass.h"

#include <new>
#include <unordered_set>

#include "common/Paths.h"
#include "common/SafeSave.h"
#include "launcher/IconCacheFile.h"

namespace carrydeck {

namespace {
const char kRebuilding[] = "Rebuilding icons . . .";
}  // namespace

std::optional<IconImage> FindTargetIcon(const std::string& target, const std::string& driveRoot, IFileSystem& files,
                                        IShellIcons& shell) {
  if (files.FileExists(target)) return shell.FileIcon(target);
  const std::string relocated = RelocatePath(target, driveRoot);
  if (relocated != target && files.FileExists(relocated)) return shell.FileIcon(relocated);
  return std::nullopt;
}

void IconPass::GetAllIcons() { Run(true, Remembered::Forget); }

void IconPass::DeleteCache() {
  const std::string cache = CacheFile();
  if (sys_.files.FileExists(cache)) sys_.files.Delete(cache);
  // Should the delete fail (a write-protected stick), the old cache must not come back:
  // the pass rebuilds regardless, and reports if it can't save.
}

void IconPass::Rebuild() {
  if (ctx_.catalogueKept) return;  // see Run
  DeleteCache();
  Run(false, Remembered::Forget);
}

void IconPass::RebuildAfterEdit() {
  if (ctx_.catalogueKept) return;
  DeleteCache();
  Run(false, Remembered::Reuse);
}

void IconPass::Stop() {
  EndPass();
  if (sys_.icons) sys_.icons->worker.Stop();
}

void IconPass::EndPass() {
  if (pass_ && sys_.icons) sys_.icons->worker.Cancel();
  pass_.reset();
}

void IconPass::ReportError(const std::string& description) {
  view_.MsgBox("Error getting icons: " + description, mb::OK | mb::IconStop, kProgramTitle);
}

// Any failure ends the pass with the report, running out of memory for a huge list included.
void IconPass::Run(bool useCache, Remembered remembered) try {
  EndPass();  // a newer pass takes over from one under way
  if (!sys_.icons) return;
  // The cache belongs to the catalogue on the stick, which was not loaded: the list is empty,
  // and a pass would throw the cache away and save an empty one.
  if (ctx_.catalogueKept) return;
  IImageList& imageList = sys_.icons->imageList;
  if (!ctx_.settings.Icons()) {
    imageList.Detach();
    imageList.Clear();
    imageTargets_.clear();
    return;
  }
  view_.SetStatus("Getting icons . . .");
  // An edit's pass builds on the images in the list; every other starts from none.
  const bool keep = remembered == Remembered::Reuse && !useCache;
  const std::string cache = CacheFile();
  // A save cut short may have left the new cache under its temporary name.
  RecoverSafeSave(sys_.files, cache);
  const bool fromCache = useCache && sys_.files.FileExists(cache);
  if (!keep) {
    // A load leaves a shown list attached: taken away and given back, the list would lay
    // its rows out twice. The load detaches it should it not fill the list.
    if (!fromCache) imageList.Detach();
    imageList.Clear();
    imageTargets_.clear();
  }
  if (fromCache) {
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
  // The cache's images can't be told by target (a sort since it was saved gives them to
  // other rows), so only an edit's pass builds on what was found before.
  if (remembered == Remembered::Forget) remembered_.clear();
  view_.SetStatus(kRebuilding);
  if (BeginRebuild(keep)) Fill();
} catch (const std::bad_alloc&) {
  EndPass();
  ReportError("Out of memory");
}

bool IconPass::BeginRebuild(bool keep) {
  IImageList& imageList = sys_.icons->imageList;
  const size_t rows = catalogue_.Count();
  Pass pass;
  pass.id = ++passes_;
  pass.generation = catalogue_.Generation();
  pass.targets.reserve(rows);
  for (size_t row = 0; row < rows; ++row) pass.targets.emplace_back(catalogue_.Target(row));
  size_t kept = 0;
  if (keep && imageList.Count() == imageTargets_.size())
    while (kept < rows && kept < imageTargets_.size() && imageTargets_[kept] == pass.targets[kept] &&
           remembered_.count(pass.targets[kept]))
      ++kept;
  if (kept > 0 && imageList.Truncate(kept)) {
    imageTargets_.resize(kept);
    for (size_t row = 0; row < kept; ++row) ++(remembered_[pass.targets[row]] ? pass.successes : pass.failures);
    pass.filled = kept;
    imageList.Attach();
    // A kept row whose entry moved (two entries of one file swapped by a sort) takes its
    // number again.
    size_t first = 0, last = kept;
    while (first < kept && catalogue_.Icon(first) == static_cast<int>(first)) ++first;
    while (last > first && catalogue_.Icon(last - 1) == static_cast<int>(last - 1)) --last;
    if (first < last) catalogue_.SetIconsToRows(first, last - first);
  } else {
    imageList.Detach();
    imageTargets_.clear();
    // Room for every row at once: a list that grew as the icons came would copy its bitmap
    // at every step, the old one beside the new.
    if (!imageList.ClearWithRoomFor(rows)) {
      ReportError(imageList.LastErrorDescription());
      return false;
    }
  }
  std::unordered_set<std::string> asked;
  for (size_t row = kept; row < rows; ++row) {
    const std::string& target = pass.targets[row];
    if (!remembered_.count(target) && asked.insert(target).second) pass.jobs.push_back(target);
  }
  if (!pass.jobs.empty()) sys_.icons->worker.Start(IconWork{pass.id, pass.jobs, ctx_.DriveRoot()});
  pass_ = std::move(pass);
  return true;
}

void IconPass::OnIconsReady() try {
  if (!sys_.icons) return;
  std::vector<IconBatch> batches = sys_.icons->worker.TakeFinished();
  // On its way out the program writes nothing more to the stick.
  if (ctx_.ending) EndPass();
  for (IconBatch& batch : batches) {
    // Answers for a pass that is over (replaced or ended) are dropped.
    if (!pass_ || batch.pass != pass_->id) continue;
    for (size_t i = 0; i < batch.icons.size() && batch.first + i < pass_->jobs.size(); ++i)
      remembered_[pass_->jobs[batch.first + i]] = std::move(batch.icons[i]);
  }
  if (!pass_) return;
  if (pass_->generation != catalogue_.Generation()) {
    // The rows moved meanwhile (a sort): the images so far belong to rows as they were. Build
    // again for the rows as they are, on what has been extracted already.
    view_.SetStatus("Getting icons . . .");
    EndPass();
    view_.SetStatus(kRebuilding);
    if (BeginRebuild(true)) Fill();
    return;
  }
  Fill();
} catch (const std::bad_alloc&) {
  EndPass();
  ReportError("Out of memory");
}

void IconPass::Fill() {
  IImageList& imageList = sys_.icons->imageList;
  Pass& pass = *pass_;
  // The rows ready now go in a strip at a time: an edit's pass has nearly every icon at once,
  // and the list takes a strip for little more than the cost of a single image. A strip is
  // at most a megabyte, whatever the list's length.
  constexpr size_t kStripImages = 1024;
  std::vector<IconImage> ready;
  size_t successes = 0;
  const auto addReady = [&] {
    if (ready.empty()) return true;
    if (imageList.Count() != pass.filled || !imageList.AddStrip(ready)) {
      EndPass();
      ReportError(imageList.LastErrorDescription());
      return false;
    }
    imageList.Attach();
    // One change for the strip: a redraw per row costs a message per row.
    catalogue_.SetIconsToRows(pass.filled, ready.size());
    imageTargets_.insert(imageTargets_.end(), pass.targets.begin() + static_cast<std::ptrdiff_t>(pass.filled),
                         pass.targets.begin() + static_cast<std::ptrdiff_t>(pass.filled + ready.size()));
    pass.filled += ready.size();
    pass.successes += successes;
    pass.failures += ready.size() - successes;
    ready.clear();
    successes = 0;
    return true;
  };
  for (size_t row = pass.filled; row < pass.targets.size(); ++row) {
    const std::string& target = pass.targets[row];
    auto known = remembered_.find(target);
    if (known == remembered_.end()) break;  // the worker's answer is still to come
    const IconImage* icon = known->second ? &*known->second : nullptr;
    // A file found nowhere, or one the shell knows nothing of, shows the not-found picture:
    // image i stays with row i for every row after it.
    ready.push_back(icon ? *icon : sys_.icons->notFoundIcon);
    if (icon) ++successes;
    if (ready.size() == kStripImages && !addReady()) return;
  }
  if (!addReady()) return;
  if (pass.filled == pass.targets.size()) Finish();
}

void IconPass::Finish() {
  const size_t successes = pass_->successes, failures = pass_->failures;
  pass_.reset();
  // A line written while the worker was busy (a save that failed) is the user's to read: it
  // comes back after the pass's own lines.
  const std::string meanwhile = view_.Status();
  view_.SetStatus("Saving icons . . .");
  std::string error;
  if (!SaveImageList(sys_.icons->imageList, CacheFile(), sys_.files, error)) {
    ctx_.ReportUnsaved("imagelist.dat", error);
    ReportError(error);
    return;
  }
  view_.SetStatus("Icons rebuilt. " + std::to_string(successes) + " successful, " + std::to_string(failures) +
                  " unsuccessful.");
  if (meanwhile != kRebuilding) view_.SetStatus(meanwhile);
}

}  // namespace carrydeck
