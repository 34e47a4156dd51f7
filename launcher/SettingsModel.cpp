#include "launcher/SettingsModel.h"

namespace carrydeck {

namespace {

struct FontItem {
  int size;
  Command item;
};
constexpr FontItem kFontItems[] = {{8, Command::Font8},   {10, Command::Font10}, {12, Command::Font12},
                                   {14, Command::Font14}, {16, Command::Font16}, {18, Command::Font18},
                                   {20, Command::Font20}};

}  // namespace

SettingsModel::SettingsModel(IMainView& ticks) : ticks_(ticks) {
  SetAfterRunMode(afterRun_);
  SetIcons(icons_);
  SetGridLines(gridLines_);
  SetBackground(background_);
  SetFontSize(fontSize_);
}

void SettingsModel::SetAfterRunMode(AfterRun mode) {
  afterRun_ = mode;
  ticks_.SetChecked(Command::AfterRunDoNothing, mode == AfterRun::Nothing);
  ticks_.SetChecked(Command::AfterRunMinimize, mode == AfterRun::Minimize);
  ticks_.SetChecked(Command::AfterRunClose, mode == AfterRun::Close);
}

void SettingsModel::SetIcons(bool on) {
  icons_ = on;
  ticks_.SetChecked(Command::ShowIcons, on);
}

void SettingsModel::SetGridLines(bool on) {
  gridLines_ = on;
  ticks_.SetChecked(Command::ShowGridLines, on);
}

void SettingsModel::SetBackground(bool on) {
  background_ = on;
  ticks_.SetChecked(Command::ShowBackground, on);
}

void SettingsModel::SetFontSize(int points) {
  fontSize_ = points;
  for (const FontItem& f : kFontItems) ticks_.SetChecked(f.item, f.size == points);
}

}  // namespace carrydeck
