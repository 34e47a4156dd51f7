// The Win32 main window: creates the real controls and forwards each event to Launcher.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "common/win32/Handle.h"
#include "common/win32/Win32DiskSpace.h"
#include "common/win32/Win32FileSystem.h"
#include "common/win32/Win32Profile.h"
#include "common/win32/Win32Shell.h"
#include "common/win32/WindowBase.h"
#include "launcher/Launcher.h"
#include "launcher/MainView.h"
#include "launcher/win32/EntryEditorDialog.h"
#include "launcher/win32/TrayIcon.h"
#include "launcher/win32/Win32Icons.h"
#include "launcher/win32/Win32ListView.h"

namespace carrydeck {

struct MessageBoxRequest {
  std::string text;
  std::string title;
  int style;
};

class MainWindow : public IMainView, public WindowBase {
 public:
  MainWindow();
  ~MainWindow() override;
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  // Creates the window on a program folder, runs the start-up sequence and shows it.
  bool Create(const std::string& appPath, int showCommand = SW_SHOWNORMAL);
  // The window's shortcut keys (Del, F5) for a message meant for it or its controls; true
  // when the message became a command.
  bool TranslateOwnKeys(MSG& msg);
  Win32ListView& list() { return list_; }
  HWND statusBar() const { return status_; }
  Launcher& logic() { return *logic_; }
  Win32ImageList& imageList() { return icons_.imageList(); }

  // Every message box goes through here; tests script the answer.
  using MessageBoxHook = std::function<int(const MessageBoxRequest&)>;
  void SetMessageBoxHook(MessageBoxHook hook) { messageBoxHook_ = std::move(hook); }
  // Ending the program goes through here, so a test can see it instead of ending.
  void SetEndHook(std::function<void()> hook) { endHook_ = std::move(hook); }
  // The shell port, replaceable so tests can see what would be started.
  void SetShell(IShell* shell) { shell_ = shell; }
  // Runs once a dialog (Add/Edit Entry, the path box) is on screen; tests work it from there.
  void SetDialogHook(DialogOpenedHook hook) { dialogHook_ = std::move(hook); }
  const TrayIcon& tray() const { return tray_; }

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
  void ProcessPendingEvents() override;
  void EndProgram() override;
  void AddTrayIcon() override;
  void RemoveTrayIcon() override;
  void EnableDeferredStart(bool enabled) override;
  void ShowEntryEditorDialog(IEntryEditor& editor) override;

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
  Win32FileSystem files_;  // before the list, which reads its background picture through it
  Win32ListView list_{files_};
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

  Win32Profile profile_;
  Win32DiskSpace disk_;
  Win32Shell win32Shell_;
  IShell* shell_ = &win32Shell_;
  std::function<void()> endHook_;
  Win32Icons icons_;  // before logic_, which uses it to the end
  std::unique_ptr<Launcher> logic_;
  std::string appPath_;
  MessageBoxHook messageBoxHook_;
  DialogOpenedHook dialogHook_;
};

// Runs the message loop of the main window until it ends.
int RunMessageLoop(MainWindow& window);

}  // namespace carrydeck
