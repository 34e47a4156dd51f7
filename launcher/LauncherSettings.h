// The launcher's settings file ("Settings.ini"): read into the settings model and the window
// at the start, written as the menu's choices change it; and the window's layout and looks
// it keeps: the window's size, grid lines, background picture, font size and the columns,
// whose shares of the list's width follow every resize.
#pragma once

#include <string>

#include "launcher/IconPass.h"
#include "launcher/LauncherContext.h"

namespace carrydeck {

class LauncherSettings {
 public:
  LauncherSettings(LauncherContext& ctx, IconPass& icons)
      : ctx_(ctx), settings_(ctx.settings), view_(ctx.view), list_(ctx.list), sys_(ctx.sys), icons_(icons) {}
  LauncherSettings(const LauncherSettings&) = delete;
  LauncherSettings& operator=(const LauncherSettings&) = delete;

  // Start-up, before the catalogue: the columns and the window's size.
  void SetupColumns();
  void LoadWindowSize();
  // Start-up, after the catalogue: the rest, in order; a value that cannot be used is
  // reported and ends the load there.
  void Load();
  // The catalogue, then the sizes (only in the normal state).
  void Save();

  // The menu's choices, each stored at once.
  void ToggleIcons();
  void ToggleGridLines();
  void ToggleBackground();
  void SetFontSize(int size);

  // The list fills the window; the columns keep their shares of its width.
  void OnResize();
  // Follows columns the user dragged.
  void OnLayoutTimer() { UpdateColumnShares(); }
  double ColumnShare(int column) const { return column >= 1 && column <= 3 ? columnShare_[column - 1] : 0.0; }
  void SetColumnShare(int column, double share) {
    if (column >= 1 && column <= 3) columnShare_[column - 1] = share;
  }

 private:
  bool LoadSteps(std::string& error, int& widthsSet);
  // W / 12, W / 4, W / 3 and W / 3 - 480 of the window's outer width W.
  double DefaultColumnWidth(int column) const;
  void UpdateColumnShares();
  void ApplyListFont(int size);
  // false with the failure's description when the picture cannot be shown.
  bool LoadBackground(std::string& error);

  LauncherContext& ctx_;
  SettingsModel& settings_;
  IMainView& view_;
  IListView& list_;
  const Platform& sys_;
  IconPass& icons_;
  double columnShare_[3] = {0, 0, 0};
};

}  // namespace carrydeck
