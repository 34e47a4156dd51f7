// Closing the launcher: the question, the save, and the hand-off of the drive to the
// removal tool.
#pragma once

#include <memory>
#include <string>

#include "launcher/LauncherContext.h"
#include "launcher/LauncherSettings.h"

namespace carrydeck {

class ExitHandOff {
 public:
  ExitHandOff(LauncherContext& ctx, LauncherSettings& settings)
      : ctx_(ctx), view_(ctx.view), sys_(ctx.sys), shell_(ctx.shell), settings_(settings) {}
  ExitHandOff(const ExitHandOff&) = delete;
  ExitHandOff& operator=(const ExitHandOff&) = delete;

  // The close question and what follows it; true when the user cancelled.
  bool OnCloseRequest();
  // The Exit command: the question with the tray icon gone, and the end unless cancelled.
  void Quit();

 private:
  // Before the hand-off: names what keeps the stick in use until nothing does, or the user
  // goes on anyway; false when the user cancelled.
  bool StickGivenUp();
  void HandOff();
  // The tool in c:\temp, held, when it is byte for byte the program folder's and the
  // hand-off file names root; null otherwise.
  std::unique_ptr<IHeldFile> HoldCheckedTool(const std::string& root);

  LauncherContext& ctx_;
  IMainView& view_;
  const Platform& sys_;
  IShell& shell_;
  LauncherSettings& settings_;
};

}  // namespace carrydeck
