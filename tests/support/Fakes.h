// In-memory stand-ins for the system ports and the main window: fast, exact, and able to
// fail in ways a real machine can't be made to on demand.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "MainView.h"
#include "Ports.h"
#include "SafeSave.h"

namespace carrydeck::testing {

// Files by full path. Names compare as given; tests use one spelling per file.
class MemoryFileSystem : public IFileSystem {
 public:
  std::map<std::string, std::string> files;
  std::set<std::string> hidden;   // present but hidden: FileExists says no
  std::set<std::string> folders;  // paths ending in "\"
  std::set<std::string> unreadable;
  // Fail the n-th (1-based) occurrence of a save step, counted across all saves; 0 = never.
  std::map<SaveStep, int> failOn;
  std::map<SaveStep, int> seen;
  int creates = 0;

  bool FileExists(const std::string& path) override;
  bool FolderExists(const std::string& path) override;
  bool ReadAll(const std::string& path, std::string& bytes) override;
  std::unique_ptr<IWriteFile> CreateForWrite(const std::string& path) override;
  bool Replace(const std::string& source, const std::string& target) override;
  bool Delete(const std::string& path) override;
  std::string LastErrorDescription() override { return "Access is denied."; }

  bool Fails(SaveStep step);
};

class FakeDiskSpace : public IDiskSpace {
 public:
  bool hasEx = true;
  std::optional<uint64_t> ex;
  std::optional<uint64_t> legacy;
  std::vector<std::string> roots;
  bool HasDiskFreeSpaceEx() override { return hasEx; }
  std::optional<uint64_t> FreeBytesEx(const std::string& root) override {
    roots.push_back(root);
    return ex;
  }
  std::optional<uint64_t> FreeBytesLegacy(const std::string& root) override {
    roots.push_back(root);
    return legacy;
  }
};

struct ShownMessage {
  std::string text;
  int style;
  std::string title;
};

class FakeMainView : public IMainView {
 public:
  std::string status, caption;
  std::map<MenuItem, std::string> menuCaptions;
  std::map<MenuItem, bool> checks;
  double height = 0, width = 0;
  WindowState state = WindowState::Normal;
  bool timer2 = true;
  int trayAdds = 0, trayRemoves = 0;
  std::string captionAtTrayAdd;
  std::vector<ShownMessage> messages;
  std::vector<int> answers;  // scripted, in order; IdOk when none left

  int MsgBox(const std::string& text, int style, const std::string& title) override {
    messages.push_back({text, style, title});
    if (answers.empty()) return mb::IdOk;
    int answer = answers.front();
    answers.erase(answers.begin());
    return answer;
  }
  void SetStatus(const std::string& text) override { status = text; }
  std::string Status() const override { return status; }
  void SetCaption(const std::string& text) override { caption = text; }
  std::string Caption() const override { return caption; }
  void SetMenuCaption(MenuItem item, const std::string& text) override { menuCaptions[item] = text; }
  std::string MenuCaption(MenuItem item) const override {
    auto it = menuCaptions.find(item);
    return it == menuCaptions.end() ? std::string() : it->second;
  }
  void SetChecked(MenuItem item, bool checked) override { checks[item] = checked; }
  bool Checked(MenuItem item) const override {
    auto it = checks.find(item);
    return it != checks.end() && it->second;
  }
  double HeightTwips() const override { return height; }
  double WidthTwips() const override { return width; }
  bool SetHeightTwips(double twips) override {
    if (twips < 0) return false;
    height = twips;
    return true;
  }
  bool SetWidthTwips(double twips) override {
    if (twips < 0) return false;
    width = twips;
    return true;
  }
  WindowState State() const override { return state; }
  void AddTrayIcon() override {
    ++trayAdds;
    captionAtTrayAdd = caption;
  }
  void RemoveTrayIcon() override { ++trayRemoves; }
  void EnableTimer2(bool enabled) override { timer2 = enabled; }
};

}  // namespace carrydeck::testing
