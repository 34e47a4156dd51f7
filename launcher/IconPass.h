// The list's icons: loaded from the icon cache, or built row by row and saved. The icons of
// files are extracted by the icon worker, away from the window's thread; this class, on the
// window's thread, only puts what comes back into the image list and the rows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "common/SystemPorts.h"
#include "launcher/IconPorts.h"
#include "launcher/LauncherContext.h"

namespace carrydeck {

// The icon of one target as the worker finds it: the file as stored, else on the launcher's
// own drive; none when it is on neither or the shell knows nothing of it.
std::optional<IconImage> FindTargetIcon(const std::string& target, const std::string& driveRoot, IFileSystem& files,
                                        IShellIcons& shell);

class IconPass {
 public:
  explicit IconPass(LauncherContext& ctx)
      : ctx_(ctx), catalogue_(ctx.catalogue), view_(ctx.view), list_(ctx.list), sys_(ctx.sys) {}
  IconPass(const IconPass&) = delete;
  IconPass& operator=(const IconPass&) = delete;

  // The cache when it fits the list, else every icon extracted and the cache saved.
  void GetAllIcons();
  // "Rebuild Icons": the cache goes and every icon is extracted anew.
  void Rebuild();
  // After an entry was added, changed or deleted: the cache goes and is built again, with only
  // the targets not seen before extracted.
  void RebuildAfterEdit();
  // The worker has finished icons: they go into the list, and a pass that is complete saves.
  void OnIconsReady();
  // The window is going: the pass under way ends, and the worker with it.
  void Stop();
  std::string CacheFile() const { return ctx_.appPath + "imagelist.dat"; }

 private:
  enum class Remembered { Forget, Reuse };
  void Run(bool useCache, Remembered remembered);
  void DeleteCache();
  // Starts the rebuild for the rows as they stand; with `keep`, the images of the rows before
  // the first one that changed stay in the list.
  bool BeginRebuild(bool keep);
  // Adds the rows' images in order while each is known; the pass ends once all are.
  void Fill();
  void Finish();
  void EndPass();
  void ReportError(const std::string& description);

  LauncherContext& ctx_;
  CatalogueModel& catalogue_;
  IMainView& view_;
  IListView& list_;
  const Platform& sys_;

  // What the worker found for each target asked about during this run (none: found nowhere,
  // or the shell knows nothing of it): an edit asks only about targets not among them.
  std::unordered_map<std::string, std::optional<IconImage>> remembered_;
  // The target of each image in the list, while the list holds a pass's images (a cache's
  // images can't be told by target).
  std::vector<std::string> imageTargets_;

  // The rebuild under way, if any.
  struct Pass {
    uint64_t id = 0;
    uint64_t generation = 0;           // of the rows it is built for
    std::vector<std::string> targets;  // row -> target, as the rows stood
    std::vector<std::string> jobs;     // what the worker was given
    size_t filled = 0;                 // rows whose image is in the list
    size_t successes = 0, failures = 0;
  };
  std::optional<Pass> pass_;
  uint64_t passes_ = 0;
};

}  // namespace carrydeck
