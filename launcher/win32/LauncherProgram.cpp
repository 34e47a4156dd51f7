#include "launcher/win32/LauncherProgram.h"

#include "common/win32/ProgramModule.h"

namespace carrydeck {

LauncherProgram::LauncherProgram() = default;

LauncherProgram::~LauncherProgram() {
  // The worker ends with the window (its going stops the icon pass); should the window never
  // have been made, it ends here, before anything it hands icons to goes.
  if (window_) window_->Destroy();
  icons_.worker().Stop();
}

std::unique_ptr<MainWindow> LauncherProgram::MakeWindow(IFileSystem& files) {
  return std::make_unique<MainWindow>(files);
}

bool LauncherProgram::Start(const std::string& appPath, int showCommand) {
  window_ = MakeWindow(files_);
  if (!window_ || !window_->Create()) return false;
  shell_.SetClipboardOwner(window_->hwnd());  // what the launcher puts there is its own
  Platform platform{files_, profile_, disk_, GetModuleFileVersion(), &Shell()};
  platform.codePage = &codePage_;
  if (icons_.Create(window_->list().hwnd(), window_->hwnd())) platform.icons = icons_.ports();
  platform.holders = &holders_;
  launcher_ = std::make_unique<Launcher>(*window_, window_->list(), platform, appPath);
  window_->Start(*launcher_, showCommand);
  return true;
}

int LauncherProgram::Run() { return window_ ? RunMessageLoop(*window_) : 1; }

}  // namespace carrydeck
