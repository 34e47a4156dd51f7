// The Win32 main window: the window and its parts (the list, the status line, the menus,
// the tray icon) as the launcher's view; each event goes on to the Launcher it is given.
#pragma once

#include <windows.h>

#include <string>

#include "common/SystemPorts.h"
#include "common/win32/Handle.h"
#include "common/win32/WindowBase.h"
#include "launcher/Launcher.h"
#include "launcher/MainView.h"
#include "launcher/win32/EntryEditorDialog.h"
#include "launcher/win32/TrayIcon.h"
#include "launcher/win32/Win32ListView.h"

namespace carrydeck {

struct MessageBoxRequest {
  std::string text;
  std::string title;
  int style;
};

class MainWindow : public IMainView, public WindowBase {
 public:
  // The list reads its background picture through files.
  explicit MainWindow(IFileSystem& files);
  ~MainWindow() override;
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  // Makes the window and its controls, not yet shown; false when it cannot be made.
  bool Create();
  // Runs the start-up sequence of `logic`, which gets every event from now on, and shows
  // the window.
  void Start(Launcher& logic, int showCommand);
  // The window goes now, with every message of its going; the logic must still be there.
  void Destroy();
  // The window's shortcut keys (Del, F5) for a message meant for it or its controls; true
  // when the message became a command.
  bool TranslateOwnKeys(MSG& msg);
  // The list, which shows the launcher's catalogue.
  Win32ListView& list() { return list_; }

  // IMainView
  int MsgBox(const std::string& text, int style, const std::string& title) override;
  void SetStatus(const std::string& text) override;
  std::string Status() const override;
  void SetCaption(const std::string& text) override;
  std::string Caption() const override;
  void SetMenuCaption(Command item, const std::string& caption) override;
  std::string MenuCaption(Command item) const override;
  void SetChecked(Command item, bool checked) override;
  double HeightTwips() const override;
  double WidthTwips() const override;
  bool SetHeightTwips(double twips) override;
  bool SetWidthTwips(double twips) override;
  WindowState State() const override;
  void SetState(WindowState state) override;
  double ClientWidthTwips() const override;
  double ClientHeightTwips() const override;
  double StatusHeightTwips() const override;
  double StatusWidthTwips() const override;
  void HideWindow() override;
  void RestoreWindow() override;
  void ShowContextMenu() override;
  void EndProgram() override;
  void AddTrayIcon() override;
  void RemoveTrayIcon() override;
  void EnableDeferredStart(bool enabled) override;
  void ShowEntryEditorDialog(IEntryEditor& editor) override;

 protected:
  // Every message box of the window and its dialogs goes through here: MessageBoxW over
  // `owner`, the answer returned.
  virtual int ShowMessageBox(HWND owner, const MessageBoxRequest& request);
  // A dialog of ours (Add/Edit Entry, the path box) is on screen.
  virtual void OnDialogOpened(HWND /*dialog*/) {}
  const TrayIcon& tray() const { return tray_; }

 private:
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  bool OnCreate();
  void OnSize();
  void OnTrayIcon(LPARAM mouseMessage);
  void BuildMenus();
  int Dpi() const;
  double ToTwips(int pixels) const;
  bool SetOuterSize(int width, int height);
  static LRESULT CALLBACK ListSubclass(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                       DWORD_PTR self) noexcept;

  HWND status_ = nullptr;
  Win32ListView list_;
  HMENU menuBar_ = nullptr;  // owned by the window once attached
  HMENU popup_ = nullptr;    // "Carrydeck", also the list's context menu
  UniqueMenu trayMenu_;      // "Popup Menu", never in the bar
  HMENU trayPopup_ = nullptr;
  UniqueAccel accel_;
  UniqueGdi statusFont_;
  mutable int dpi_ = 0;   // asked once, by Dpi()
  HICON icon_ = nullptr;  // shared resource icon, not destroyed
  TrayIcon tray_;
  // While the window is being made, the tray icon waits for the first paint: telling the
  // shell costs as much as the rest of the start.
  bool starting_ = false;
  bool trayPending_ = false;
  // The program is ending: the window goes once the message that ended it has returned.
  bool ending_ = false;
  UINT taskbarCreated_ = 0;

  Launcher* logic_ = nullptr;
};

// Runs the message loop of the main window until it ends.
int RunMessageLoop(MainWindow& window);

}  // namespace carrydeck
