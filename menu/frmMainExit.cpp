// Closing the launcher, and handing the drive to the removal tool.
#include "Profile.h"
#include "frmMain.h"

namespace carrydeck {

namespace {
const char kHandOffFolder[] = "c:\\temp";
const char kHandOffTool[] = "c:\\temp\\Remove.exe";
const char kHandOffFile[] = "c:\\temp\\carrydeck.ini";
}  // namespace

bool frmMain::Form_Unload() {
  // The question comes once the editor is closed; this close request is then made again.
  if (CloseEditorFirst(AfterEditor::Close)) return true;
  const int answer = view_.MsgBox("Do you wish to 'Safely Remove' the USB device on exit?",
                                  mb::YesNoCancel | mb::IconQuestion, "Safely Remove USB Device?");
  if (answer == mb::IdCancel) return true;
  mnuSaveSettings_Click();
  view_.RemoveTrayIcon();
  if (answer == mb::IdYes) HandOff();
  return false;
}

void frmMain::HandOff() {
  // Every step on its own: a failing one is skipped, nothing is reported.
  sys_.files.CreateFolder(kHandOffFolder);
  shell_.ChangeDrive("c:");
  shell_.ChangeFolder("c:\\");
  if (sys_.files.FileExists(kHandOffTool)) sys_.files.Delete(kHandOffTool);
  sys_.files.CopyFile(appPath_ + "Remove.exe", kHandOffTool);
  WriteIni(sys_.profile, "Drive", "Letter", GetDriveRoot(), kHandOffFile);
  view_.ProcessPendingEvents();
  shell_.ShellOpen(kHandOffTool, "c:\\", "");
}

void frmMain::mnuExit_Click() {
  if (CloseEditorFirst(AfterEditor::Exit)) return;
  view_.RemoveTrayIcon();
  if (Form_Unload()) {
    // Cancel keeps the launcher running, however the exit came; it needs its icon back.
    view_.AddTrayIcon();
    return;
  }
  view_.EndProgram();
}

}  // namespace carrydeck
