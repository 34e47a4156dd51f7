// The user's settings as they stand: the after-run choice, icons, grid lines, background
// picture and font size. "Settings.ini" keeps them between runs; the menu's ticks show them,
// set from here at every change and never read back.
#pragma once

#include "launcher/MainView.h"

namespace carrydeck {

// What follows a start; the numbers are what "OnRun" stores for each.
enum class AfterRun { Nothing = 1, Minimize = 2, Close = 3 };

class SettingsModel {
 public:
  // The settings of a window just made: nothing after a run, everything else off and no
  // font size chosen. The ticks show that at once.
  explicit SettingsModel(IMainView& ticks);
  SettingsModel(const SettingsModel&) = delete;
  SettingsModel& operator=(const SettingsModel&) = delete;

  AfterRun AfterRunMode() const { return afterRun_; }
  void SetAfterRunMode(AfterRun mode);
  bool Icons() const { return icons_; }
  void SetIcons(bool on);
  bool GridLines() const { return gridLines_; }
  void SetGridLines(bool on);
  bool Background() const { return background_; }
  void SetBackground(bool on);
  // In points; 0 until one is chosen. Only the sizes the menu offers have a tick.
  int FontSize() const { return fontSize_; }
  void SetFontSize(int points);

 private:
  IMainView& ticks_;
  AfterRun afterRun_ = AfterRun::Nothing;
  bool icons_ = false;
  bool gridLines_ = false;
  bool background_ = false;
  int fontSize_ = 0;
};

}  // namespace carrydeck
