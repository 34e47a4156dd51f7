#include "launcher/LauncherSettings.h"

#include "common/NumberText.h"

namespace carrydeck {

namespace {

// The platform's descriptions for a value that cannot be converted or set.
const char kTypeMismatch[] = "Type mismatch";
const char kOverflow[] = "Overflow";
const char kInvalidValue[] = "Invalid property value";

struct ColumnSetup {
  const char* header;
  double width;
};
constexpr ColumnSetup kColumns[] = {
    {"Name", 3000}, {"Type", 2000}, {"Target File", 3000}, {"Command Line Parameters", 3000}};

// A column narrower than one pixel at 96 DPI is drawn 0 wide and could only be found again
// by editing the file ("1,234" read with the decimal comma is 1.234 twips).
constexpr double kNarrowestColumnTwips = 15;

// The window's first size (731 x 394 pixels at 96 DPI), until "Settings.ini" holds one.
constexpr double kDefaultWindowHeightTwips = 5910;
constexpr double kDefaultWindowWidthTwips = 10960;
// Column 4 ends this far short of the list's right edge, room for a vertical scroll bar, so a
// long list gets no horizontal one.
constexpr double kRoomRightOfLastColumnTwips = 350;
// Columns 1 to 3 keep their share of the list's width when the window is resized; the last
// column takes what is left.
constexpr int kSharedColumns = kFieldCount - 1;

// A stored size that is not a number falls back to its default.
double NumberOr(const std::string& text, double fallback) {
  std::optional<double> value = ParseNumber(text);
  return value ? *value : fallback;
}

}  // namespace

void LauncherSettings::SetupColumns() {
  list_.ClearColumns();
  for (const ColumnSetup& column : kColumns) list_.AddColumn(column.header, column.width);
}

void LauncherSettings::LoadWindowSize() {
  view_.SetHeightTwips(NumberOr(ctx_.ReadSetting("MAIN", "Window Height", FormatSingle(kDefaultWindowHeightTwips)),
                                kDefaultWindowHeightTwips));
  view_.SetWidthTwips(NumberOr(ctx_.ReadSetting("MAIN", "Window Width", FormatSingle(kDefaultWindowWidthTwips)),
                               kDefaultWindowWidthTwips));
}

void LauncherSettings::Load() {
  std::string error;
  int widthsSet = 0;
  if (LoadSteps(error, widthsSet)) return;
  // Columns the load did not reach take their default widths: with no share taken they
  // would be laid out, and saved, 0 wide for good.
  for (int column = widthsSet + 1; column <= 4; ++column) list_.SetColumnWidth(column, DefaultColumnWidth(column));
  UpdateColumnShares();
  view_.MsgBox("Error loading settings: " + error, mb::OK | mb::IconStop, kProgramTitle);
}

double LauncherSettings::DefaultColumnWidth(int column) const {
  const double w = view_.WidthTwips();
  const double defaults[4] = {w / 12, w / 4, w / 3, w / 3 - 480};
  return column >= 1 && column <= 4 ? defaults[column - 1] : 0.0;
}

bool LauncherSettings::LoadSteps(std::string& error, int& widthsSet) {
  // After-run mode: read three times, as each mode is decided on its own reading.
  for (AfterRun mode : {AfterRun::Nothing, AfterRun::Minimize, AfterRun::Close}) {
    std::optional<double> onRun = ParseNumber(ctx_.ReadSetting("Main", "OnRun", "0"));
    if (!onRun) return error = kTypeMismatch, false;
    if (*onRun == static_cast<int>(mode)) settings_.SetAfterRunMode(mode);
  }

  std::optional<bool> icons = ParseBoolean(ctx_.ReadSetting("Main", "Icons", "1"));
  if (!icons) return error = kTypeMismatch, false;
  settings_.SetIcons(*icons);

  std::optional<bool> grid = ParseBoolean(ctx_.ReadSetting("Main", "Gridlines", "1"));
  if (!grid) return error = kTypeMismatch, false;
  settings_.SetGridLines(*grid);
  list_.SetGridLines(*grid);

  std::optional<bool> background = ParseBoolean(ctx_.ReadSetting("Main", "Background", "1"));
  if (!background) return error = kTypeMismatch, false;
  settings_.SetBackground(*background);
  if (!*background)
    list_.ClearBackgroundPicture();
  else if (!LoadBackground(error))
    return false;

  const std::string fontText = ctx_.ReadSetting("Main", "FontSize", "8");
  std::optional<int16_t> font = ParseInteger16(fontText);
  if (!font) return error = ParseNumber(fontText) ? kOverflow : kTypeMismatch, false;
  ApplyListFont(*font);
  settings_.SetFontSize(*font);

  for (int column = 1; column <= kFieldCount; ++column) {
    std::optional<double> width =
        ParseNumber(ctx_.ReadSetting("Headings", std::to_string(column), FormatSingle(DefaultColumnWidth(column))));
    if (!width) return error = kTypeMismatch, false;
    if (*width >= 0 && *width < kNarrowestColumnTwips) width = DefaultColumnWidth(column);
    if (!list_.SetColumnWidth(column, *width)) return error = kInvalidValue, false;
    widthsSet = column;
  }

  UpdateColumnShares();
  return true;
}

void LauncherSettings::UpdateColumnShares() {
  const double listWidth = list_.WidthTwips();
  // A list with no width (a minimised window) says nothing about proportions: keep them.
  if (!(listWidth > 0)) return;
  for (int column = 1; column <= kSharedColumns; ++column) columnShare_[column - 1] = list_.ColumnWidth(column) / listWidth * 100;
}

void LauncherSettings::Save() {
  ctx_.SaveCatalogue();
  if (view_.State() == WindowState::Normal) {
    SafeProfile::Change sizes(ctx_.settingsSaves);  // one save, whatever fails
    ctx_.WriteSetting("MAIN", "Window Height", FormatSingle(view_.HeightTwips()));
    ctx_.WriteSetting("MAIN", "Window Width", FormatSingle(view_.WidthTwips()));
    for (int column = 1; column <= kFieldCount; ++column)
      ctx_.WriteSetting("Headings", std::to_string(column), FormatSingle(list_.ColumnWidth(column)));
  }
  UpdateColumnShares();
}

void LauncherSettings::ToggleIcons() {
  const bool on = !settings_.Icons();
  settings_.SetIcons(on);
  ctx_.WriteSetting("Main", "Icons", on ? "1" : "0");
  icons_.GetAllIcons();
}

void LauncherSettings::ToggleGridLines() {
  const bool on = !settings_.GridLines();
  settings_.SetGridLines(on);
  ctx_.WriteSetting("Main", "Gridlines", on ? "1" : "0");
  list_.SetGridLines(on);
  list_.Repaint();
}

void LauncherSettings::ToggleBackground() {
  const bool on = !settings_.Background();
  settings_.SetBackground(on);
  ctx_.WriteSetting("Main", "Background", on ? "1" : "0");
  if (on) {
    std::string ignored;  // a toggle reports nothing
    LoadBackground(ignored);
  } else {
    list_.ClearBackgroundPicture();
  }
  list_.Repaint();
}

void LauncherSettings::OnResize() {
  // Each step on its own: a value the list refuses skips only that step.
  list_.SetHeightTwips(view_.ClientHeightTwips() - view_.StatusHeightTwips());
  list_.SetWidthTwips(view_.ClientWidthTwips());
  const double listWidth = list_.WidthTwips();
  double used = 0;
  for (int column = 1; column <= kSharedColumns; ++column) {
    const double width = columnShare_[column - 1] / 100 * listWidth;
    list_.SetColumnWidth(column, width);
    used += width;
  }
  list_.SetColumnWidth(kFieldCount, listWidth - used - kRoomRightOfLastColumnTwips);
  if (view_.State() == WindowState::Minimized) view_.HideWindow();
}

void LauncherSettings::ApplyListFont(int size) {
  std::string error;
  if (!list_.SetFontSize(size, error)) {
    view_.MsgBox("Error loading font size: " + error, mb::OK | mb::IconStop, kProgramTitle);
    return;
  }
  list_.Repaint();
}

void LauncherSettings::SetFontSize(int size) {
  ApplyListFont(size);
  ctx_.WriteSetting("Main", "FontSize", std::to_string(size));
  settings_.SetFontSize(size);
}

bool LauncherSettings::LoadBackground(std::string& error) {
  const std::string picture = ctx_.appPath + "background.jpg";
  if (!sys_.files.FileExists(picture)) return true;  // a picture shown before stays
  return list_.SetBackgroundPicture(picture, error);
}

}  // namespace carrydeck
