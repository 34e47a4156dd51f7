// The list's icons: loaded from the icon cache, or extracted entry by entry and saved.
#pragma once

#include <cstddef>
#include <string>

#include "launcher/LauncherContext.h"

namespace carrydeck {

class IconPass {
 public:
  explicit IconPass(LauncherContext& ctx)
      : ctx_(ctx), catalogue_(ctx.catalogue), view_(ctx.view), list_(ctx.list), sys_(ctx.sys) {}
  IconPass(const IconPass&) = delete;
  IconPass& operator=(const IconPass&) = delete;

  // The cache when it fits the list, else every icon extracted and the cache saved.
  void GetAllIcons();
  // After every change of the catalogue: the cache goes and every icon is extracted anew.
  void Rebuild();
  // The window is going: a pass in progress stops at its next step.
  void Stop() { ++pass_; }
  std::string CacheFile() const { return ctx_.appPath + "imagelist.dat"; }

 private:
  enum class IconAdded { FromFile, NotFound, Failed };
  IconAdded AddFileIcon(const std::string& path, size_t row);
  void Run(bool useCache);
  void ReportError(const std::string& description);

  LauncherContext& ctx_;
  CatalogueModel& catalogue_;
  IMainView& view_;
  IListView& list_;
  const Platform& sys_;
  // Counts passes: a pass that yielded and finds a newer one started stops at once.
  unsigned pass_ = 0;
};

}  // namespace carrydeck
