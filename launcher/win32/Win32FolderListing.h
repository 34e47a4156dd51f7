// The folder listing behind the entry editor's drive, folder and file lists, over Win32.
#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "launcher/EntryEditorView.h"

namespace carrydeck {

class Win32FolderListing : public IFolderListing {
 public:
  std::vector<std::string> Drives() override;
  std::string CurrentFolder() override;
  std::string CurrentFolderOn(const std::string& driveRoot) override;
  bool ListFolders(const std::string& folder, std::vector<std::string>& names) override;
  bool ListFiles(const std::string& folder, std::vector<std::string>& names) override;
  std::string LastErrorDescription() override { return lastError_; }

  // What the drive list shows of a root: "c:" in lower case, with the volume's label for a
  // fixed or RAM drive that has one ("c: [System]"); asked once per root.
  std::string DriveText(const std::string& root);

 private:
  bool List(const std::string& folder, bool folders, std::vector<std::string>& names);
  std::string lastError_;
  std::map<std::string, std::string> driveTexts_;
};

}  // namespace carrydeck
