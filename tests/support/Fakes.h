// In-memory stand-ins for the system ports and the main window: fast, exact, and able to
// fail in ways a real machine can't be made to on demand.
#pragma once

#include <algorithm>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "common/IniFile.h"
#include "common/SafeSave.h"
#include "common/SystemPorts.h"
#include "common/TextCodec.h"
#include "launcher/IconPass.h"
#include "launcher/IconPorts.h"
#include "launcher/MainView.h"

namespace carrydeck::testing {

// Files by full path. Names compare as given; tests use one spelling per file.
class MemoryFileSystem : public IFileSystem {
 public:
  std::map<std::string, std::string> files;
  std::set<std::string> hidden;   // hidden or system: FileExists says no, nor can it be created over
  std::set<std::string> folders;  // paths ending in "\"
  std::set<std::string> unreadable;
  std::set<std::string> readOnlyFolders;   // copies into these fail
  std::set<std::string> cannotCreate;      // folders that cannot be made
  bool readOnly = false;                   // a write-protected stick: nothing can be created
  std::set<std::string> undeletable;       // held open elsewhere, or on a write-protected stick
  std::set<std::string> inUse;             // a running program's file: not deleted nor written over
  std::set<std::string> readOnlyFiles;     // marked read-only: not deleted, replaced nor written
  std::set<std::string> lockedAttributes;  // another user's files: their marks cannot be changed
  // Open to be read, shared for reading only: not written, replaced, moved nor deleted.
  std::multiset<std::string> held;
  // Fail the n-th (1-based) occurrence of a save step, counted across all saves; 0 = never.
  std::map<SaveStep, int> failOn;
  std::map<SaveStep, int> seen;
  int creates = 0;
  // Runs once a file's bytes have been read: what other programs do to the files meanwhile.
  std::function<void(const std::string& path)> afterRead;

  bool FileExists(const std::string& path) override;
  bool FolderExists(const std::string& path) override;
  bool PathExists(const std::string& path) override;
  bool ReadAll(const std::string& path, std::string& bytes) override;
  std::unique_ptr<IWriteFile> CreateForWrite(const std::string& path) override;
  bool Replace(const std::string& source, const std::string& target) override;
  bool Delete(const std::string& path) override;
  bool ClearReadOnly(const std::string& path) override;
  bool CopyFile(const std::string& source, const std::string& target) override;
  bool CreateFolder(const std::string& path) override;
  std::string LastErrorDescription() override { return "Access is denied."; }
  bool ClearMarks(const std::string& path) override;
  // Marks the file held for the owner's life; its reads see the bytes as they are then.
  std::unique_ptr<IHeldFile> HoldForReading(const std::string& path) override;

  bool Fails(SaveStep step);
};

// The portable profile that also lists a section, as the platform does: each line of the
// first section of that name that is not blank, name and value trimmed. Counts what it is
// asked.
class ListingFileProfile : public FileProfile {
 public:
  explicit ListingFileProfile(IFileSystem& fs) : FileProfile(fs), fs_(fs) {}
  int gets = 0, lists = 0, puts = 0;
  std::string Get(const std::string& section, const std::string& key, const std::string& file,
                  size_t maxChars) override {
    ++gets;
    return FileProfile::Get(section, key, file, maxChars);
  }
  bool Put(const std::string& section, const std::string& key, const std::string& value,
           const std::string& file) override {
    ++puts;
    return FileProfile::Put(section, key, value, file);
  }
  std::optional<std::string> GetSection(const std::string& section, const std::string& file) override;

 private:
  IFileSystem& fs_;
};

class FakeDiskSpace : public IDiskSpace {
 public:
  std::optional<uint64_t> bytes;
  std::vector<std::string> roots;
  std::optional<uint64_t> FreeBytes(const std::string& root) override {
    roots.push_back(root);
    return bytes;
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
  std::map<Command, std::string> menuCaptions;
  std::map<Command, bool> checks;
  double height = 0, width = 0;
  double clientWidth = 9000, clientHeight = 5000, statusHeight = 300, statusWidth = 9000;
  bool visible = true;
  // What happened to the window, in order (for the order of steps).
  std::vector<std::string> events;
  WindowState state = WindowState::Normal;
  bool deferredStartPending = true;
  int trayAdds = 0, trayRemoves = 0;
  std::string captionAtTrayAdd;
  std::vector<ShownMessage> messages;
  std::vector<int> answers;  // scripted, in order; IdOk when none left
  // Runs while a box is open, before it is answered: what the user does meanwhile.
  std::function<void(const ShownMessage&)> onMessageBox;

  int MsgBox(const std::string& text, int style, const std::string& title) override {
    messages.push_back({text, style, title});
    if (onMessageBox) onMessageBox(ShownMessage(messages.back()));  // a copy: the hook may show more
    if (answers.empty()) return mb::IdOk;
    int answer = answers.front();
    answers.erase(answers.begin());
    return answer;
  }
  void SetStatus(const std::string& text) override { status = text; }
  std::string Status() const override { return status; }
  void SetCaption(const std::string& text) override { caption = text; }
  std::string Caption() const override { return caption; }
  void SetMenuCaption(Command item, const std::string& text) override { menuCaptions[item] = text; }
  std::string MenuCaption(Command item) const override {
    auto it = menuCaptions.find(item);
    return it == menuCaptions.end() ? std::string() : it->second;
  }
  void SetChecked(Command item, bool checked) override { checks[item] = checked; }
  // What the user sees ticked.
  bool Checked(Command item) const {
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
  void SetState(WindowState s) override {
    state = s;
    events.push_back(s == WindowState::Minimized ? "minimise" : "state");
  }
  double ClientWidthTwips() const override { return clientWidth; }
  double ClientHeightTwips() const override { return clientHeight; }
  double StatusHeightTwips() const override { return statusHeight; }
  double StatusWidthTwips() const override { return statusWidth; }
  void HideWindow() override {
    visible = false;
    events.push_back("hide");
  }
  void RestoreWindow() override {
    visible = true;
    state = WindowState::Normal;
    events.push_back("restore");
  }
  void ShowContextMenu() override { events.push_back("context menu"); }
  void EndProgram() override { events.push_back("end"); }
  void AddTrayIcon() override {
    ++trayAdds;
    captionAtTrayAdd = caption;
    events.push_back("tray add");
  }
  void RemoveTrayIcon() override {
    ++trayRemoves;
    events.push_back("tray remove");
  }
  void EnableDeferredStart(bool enabled) override { deferredStartPending = enabled; }
  // The entry editor's dialog: a test attaches its own controls to the editor and works them.
  std::function<void(IEntryEditor&)> onEntryEditorDialog;
  int entryEditorDialogs = 0;
  void ShowEntryEditorDialog(IEntryEditor& editor) override {
    ++entryEditorDialogs;
    events.push_back("entry editor");
    if (onEntryEditorDialog) onEntryEditorDialog(editor);
  }
};

// Starts and clipboard in memory; every call is logged in order, with the window's events.
class FakeShell : public IShell {
 public:
  explicit FakeShell(std::vector<std::string>* log = nullptr) : log_(log) {}
  std::string currentDrive, currentFolder;
  std::string clipboard = "(old clipboard)";
  bool clipboardFails = false;
  bool commandFails = false;
  std::map<std::string, std::string> shortPaths;
  struct Open {
    std::string file, folder, parameters;
  };
  std::vector<Open> opened;
  std::vector<std::string> commands;  // the command lines started, in order
  std::vector<std::string> programs;  // the program of each, as given
  std::vector<std::string> startFolders;  // the working folder of each
  std::string systemFolder = "C:\\WINDOWS\\system32\\";
  std::string windowsFolder = "C:\\WINDOWS\\";
  std::string error = "The clipboard is in use.";

  bool ChangeDrive(const std::string& drive) override {
    currentDrive = drive.substr(0, 2);
    Log("drive " + currentDrive);
    return true;
  }
  bool ChangeFolder(const std::string& folder) override {
    currentFolder = folder;
    Log("folder " + folder);
    return true;
  }
  void ShellOpen(const std::string& file, const std::string& folder, const std::string& parameters) override {
    opened.push_back({file, folder, parameters});
    Log("open " + file);
  }
  bool StartProgram(const std::string& program, const std::string& line, const std::string& folder) override {
    programs.push_back(program);
    commands.push_back(line);
    startFolders.push_back(folder);
    Log("start " + line);
    return !commandFails;
  }
  std::string SystemFolder() override { return systemFolder; }
  std::string WindowsFolder() override { return windowsFolder; }
  std::string GetShortPath(const std::string& path) override {
    auto it = shortPaths.find(path);
    return it == shortPaths.end() ? std::string() : it->second;
  }
  bool SetClipboardText(const std::string& text) override {
    if (clipboardFails) return false;
    clipboard = text;
    return true;
  }
  bool GetClipboardText(std::string& text) override {
    if (clipboardFails) return false;
    text = clipboard;
    return true;
  }
  std::string LastErrorDescription() override { return error; }

 private:
  void Log(const std::string& what) {
    if (log_) log_->push_back(what);
  }
  std::vector<std::string>* log_;
};

// `imageList` in memory: images as added, attachment, and every call counted.
class FakeImageList : public IImageList {
 public:
  std::vector<IconImage> images;
  bool attached = false;
  int adds = 0, strips = 0, attaches = 0, detaches = 0, clears = 0, truncates = 0;
  size_t failAtAdd = 0;    // the n-th Add (1-based) fails; 0 = never
  size_t failAtStrip = 0;  // the n-th AddStrip (1-based) fails; 0 = never
  bool failStrip = false;  // every AddStrip fails
  bool failRoom = false;   // ClearWithRoomFor fails
  size_t room = 0;         // what the last ClearWithRoomFor made room for
  int roomsMade = 0;

  void Attach() override {
    ++attaches;
    attached = true;
  }
  void Detach() override {
    ++detaches;
    attached = false;
  }
  bool Attached() const override { return attached; }
  void Clear() override {
    ++clears;
    images.clear();
  }
  bool ClearWithRoomFor(size_t count) override {
    Clear();
    if (failRoom) return false;
    ++roomsMade;
    room = count;
    return true;
  }
  bool Truncate(size_t count) override {
    ++truncates;
    if (count > images.size()) return false;
    images.resize(count);
    return true;
  }
  size_t Count() const override { return images.size(); }
  bool Add(size_t index, const IconImage& image) override {
    ++adds;
    if (index != images.size() || static_cast<size_t>(adds) == failAtAdd) return false;
    images.push_back(image);
    return true;
  }
  bool AddStrip(const std::vector<IconImage>& strip) override {
    ++strips;
    if (failStrip || static_cast<size_t>(strips) == failAtStrip) return false;
    images.insert(images.end(), strip.begin(), strip.end());
    return true;
  }
  bool Images(size_t first, size_t count, IconImage* out) const override {
    if (count > images.size() || first > images.size() - count) return false;
    std::copy(images.begin() + static_cast<std::ptrdiff_t>(first),
              images.begin() + static_cast<std::ptrdiff_t>(first + count), out);
    return true;
  }
  std::string LastErrorDescription() const override { return "Not enough memory resources are available."; }
};

// The shell's icons by path; every question counted.
class FakeShellIcons : public IShellIcons {
 public:
  std::map<std::string, IconImage> known;
  std::vector<std::string> asked;
  std::optional<IconImage> FileIcon(const std::string& path) override {
    asked.push_back(path);
    auto it = known.find(path);
    if (it == known.end()) return std::nullopt;
    return it->second;
  }
};

// The icon worker, run by the test step by step: every pass it is given is kept, and the
// current pass's targets are extracted (over the test's files and shell, as the real worker
// does) and handed back only when the test says.
class FakeIconWorker : public IIconWorker {
 public:
  FakeIconWorker(IFileSystem& files, IShellIcons& shell) : files_(files), shell_(shell) {}
  std::vector<IconWork> started;  // every pass given, in order
  int cancels = 0;
  bool stopped = false;
  // Handed back and not yet taken. A cancelled pass's batches stay here, as batches already
  // on their way to the window would: the icon pass must drop them itself.
  std::vector<IconBatch> finished;

  // The current pass's next `count` targets extracted and handed back as one batch; false
  // when there is none to extract.
  bool Extract(size_t count = static_cast<size_t>(-1)) {
    if (!Busy()) return false;
    IconBatch batch;
    batch.pass = current_.pass;
    batch.first = done_;
    for (; done_ < current_.targets.size() && batch.icons.size() < count; ++done_)
      batch.icons.push_back(FindTargetIcon(current_.targets[done_], current_.driveRoot, files_, shell_));
    finished.push_back(std::move(batch));
    return true;
  }
  // A pass is under way with targets left.
  bool Busy() const { return active_ && done_ < current_.targets.size(); }

  void Start(IconWork work) override {
    if (stopped) return;
    started.push_back(work);
    current_ = std::move(work);
    done_ = 0;
    active_ = true;
  }
  void Cancel() override {
    ++cancels;
    active_ = false;
  }
  void Stop() override {
    Cancel();
    stopped = true;
  }
  std::vector<IconBatch> TakeFinished() override { return std::exchange(finished, {}); }

 private:
  IFileSystem& files_;
  IShellIcons& shell_;
  IconWork current_;
  size_t done_ = 0;
  bool active_ = false;
};

// Reads over the memory file system, with what was asked for. While a file is open it is in
// use, as on Windows: it can't be deleted nor written over. Each read takes the file's bytes
// as they are then, so a test may change the file meanwhile.
class MemoryFileReader : public IBoundedRead {
 public:
  explicit MemoryFileReader(MemoryFileSystem& fs) : fs_(fs) {}
  ~MemoryFileReader() override { Close(); }
  int opens = 0;
  // Since the last opening: every byte given, and the most asked for at once.
  uint64_t bytesRead = 0;
  size_t largestRead = 0;
  size_t failAtRead = 0;  // the n-th read (1-based) after an opening fails; 0 = never
  bool open() const { return open_; }

  bool Open(const std::string& path, uint64_t& size) override {
    Close();
    ++opens;
    bytesRead = 0;
    largestRead = 0;
    reads_ = 0;
    auto it = fs_.files.find(path);
    if (it == fs_.files.end() || fs_.unreadable.count(path)) return false;
    size = it->second.size();
    path_ = path;
    position_ = 0;
    open_ = true;
    marked_ = fs_.inUse.insert(path).second;
    return true;
  }
  bool Read(size_t count, std::string& bytes) override {
    bytes.clear();
    ++reads_;
    largestRead = std::max(largestRead, count);
    auto it = fs_.files.find(path_);
    if (!open_ || reads_ == failAtRead || it == fs_.files.end()) return false;
    if (position_ < it->second.size()) bytes = it->second.substr(position_, count);
    position_ += bytes.size();
    bytesRead += bytes.size();
    return true;
  }
  void Close() override {
    if (open_ && marked_) fs_.inUse.erase(path_);
    open_ = marked_ = false;
  }
  std::string LastErrorDescription() override { return "The process cannot access the file."; }

 private:
  MemoryFileSystem& fs_;
  std::string path_;
  size_t position_ = 0;
  size_t reads_ = 0;
  bool open_ = false;
  bool marked_ = false;  // put in use by this reader, not by the test
};

// A picture made of one colour, to tell images apart.
inline IconImage SolidIcon(uint32_t argb) {
  IconImage image;
  image.pixels.fill(argb);
  return image;
}

// Windows code page 1252, the ANSI code page of a Western PC (and of the Wine tests): its
// 0x80 to 0x9F are typographic marks and letters; the five bytes it leaves undefined stand
// for the control characters of the same number, as Windows converts them.
class CodePage1252 : public ICodePage {
 public:
  std::string ToUtf8(std::string_view ansi) override;
  std::optional<std::string> FromUtf8(std::string_view utf8) override;
  int conversions = 0;  // calls of either direction
};

}  // namespace carrydeck::testing
