#include "launcher/ExitHandOff.h"

#include <vector>

#include "common/DriveHolders.h"
#include "common/HandOff.h"
#include "common/IniFile.h"
#include "common/Paths.h"

namespace carrydeck {

bool ExitHandOff::OnCloseRequest() {
  const int answer = view_.MsgBox("Do you wish to 'Safely Remove' the USB device on exit?",
                                  mb::YesNoCancel | mb::IconQuestion, "Safely Remove USB Device?");
  if (answer == mb::IdCancel) return true;
  // Cancel here is the question's Cancel: nothing saved, the launcher stays.
  if (answer == mb::IdYes && !StickGivenUp()) return true;
  ctx_.ending = true;
  settings_.Save();
  view_.RemoveTrayIcon();
  if (answer == mb::IdYes) HandOff();
  return false;
}

bool ExitHandOff::StickGivenUp() {
  const std::string drive = ctx_.DriveRoot().substr(0, 2);
  if (!sys_.holders || !IsDriveName(drive)) return true;
  for (;;) {
    const std::vector<DriveHolder> holders = sys_.holders->Find(drive);
    if (holders.empty()) return true;
    const int answer = view_.MsgBox(HoldersText(holders) +
                                        "\n\nClose them and choose Try Again, or choose Continue to remove the "
                                        "device anyway.",
                                    mb::CancelTryContinue | mb::IconExclamation, kProgramTitle);
    if (answer == mb::IdContinue) return true;
    if (answer != mb::IdTryAgain) return false;
  }
}

void ExitHandOff::HandOff() {
  // Every step on its own: a failing one is skipped, nothing is reported.
  const std::string root = ctx_.DriveRoot();
  sys_.files.CreateFolder(kHandOffFolder);
  shell_.ChangeDrive(kHandOffDrive);
  shell_.ChangeFolder(kHandOffDriveRoot);
  // Left-overs of ours lose a read-only mark before they are replaced (a copy keeps its
  // source's marks: a read-only tool on the stick leaves a read-only copy here).
  sys_.files.ClearReadOnly(kHandOffTool);
  if (sys_.files.FileExists(kHandOffTool)) sys_.files.Delete(kHandOffTool);
  sys_.files.CopyFile(ctx_.appPath + kRemovalToolName, kHandOffTool);
  sys_.files.ClearReadOnly(kHandOffFile);
  WriteIni(sys_.profile, kHandOffSection, kHandOffKey, root, kHandOffFile);
  // c:\temp is everybody's: what is started there must be our tool, told our drive. The
  // tool stays held from its check until the system has started it.
  if (std::unique_ptr<IHeldFile> tool = HoldCheckedTool(root)) shell_.ShellOpen(kHandOffTool, kHandOffDriveRoot, "");
}

std::unique_ptr<IHeldFile> ExitHandOff::HoldCheckedTool(const std::string& root) {
  std::string ours, there;
  if (!sys_.files.ReadAll(ctx_.appPath + kRemovalToolName, ours) || ours.empty()) return nullptr;
  std::unique_ptr<IHeldFile> tool = sys_.files.HoldForReading(kHandOffTool);
  if (!tool || !tool->ReadAll(there) || there != ours) return nullptr;
  // Read once the tool is held, as late as it can be. One character more than the value: a
  // longer value left in the file cannot pass as it.
  if (sys_.profile.Get(kHandOffSection, kHandOffKey, kHandOffFile, root.size() + 2) != root) return nullptr;
  return tool;
}

void ExitHandOff::Quit() {
  view_.RemoveTrayIcon();
  if (OnCloseRequest()) {
    // Cancel keeps the launcher running, however the exit came; it needs its icon back.
    view_.AddTrayIcon();
    return;
  }
  view_.EndProgram();
}

}  // namespace carrydeck
