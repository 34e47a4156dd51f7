#include "RemoveFakes.h"

#include "common/Paths.h"

namespace carrydeck::remove::testing {

namespace {

constexpr NtStatus kLengthMismatch = static_cast<NtStatus>(0xC0000004u);
constexpr uint32_t kCloseSource = 1;
constexpr NtStatus kStatusInvalidHandle = static_cast<NtStatus>(0xC0000008u);
constexpr NtStatus kStatusBufferOverflow = static_cast<NtStatus>(0x80000005u);
constexpr NtStatus kStatusAccessViolation = static_cast<NtStatus>(0xC0000005u);
constexpr uint32_t kStillActive = 259;
constexpr uint32_t kCrNoSuchDevnode = 0x0D;
constexpr uint32_t kCrRemoveVetoed = 0x17;

void Put16(std::vector<uint8_t>& bytes, size_t at, uint16_t value) {
  bytes[at] = static_cast<uint8_t>(value);
  bytes[at + 1] = static_cast<uint8_t>(value >> 8);
}

class MemoryWriteFile : public IWriteFile {
 public:
  MemoryWriteFile(MemoryFiles& fs, std::string path) : fs_(fs), path_(std::move(path)) {}
  bool Write(const std::string& bytes) override {
    fs_.files[path_] += bytes;
    return true;
  }
  bool Flush() override { return true; }
  bool Close() override { return true; }

 private:
  MemoryFiles& fs_;
  std::string path_;
};

class FakeInterfaceSet : public IDeviceInterfaceSet {
 public:
  FakeInterfaceSet(FakeDeviceInstallation& owner, std::vector<FakeInterface> interfaces)
      : owner_(owner), interfaces_(std::move(interfaces)) {
    ++owner_.setsOpen;
  }
  ~FakeInterfaceSet() override { --owner_.setsOpen; }

  bool EnumInterface(uint32_t index) override {
    current_ = index;
    return index < interfaces_.size();
  }
  uint32_t DetailSize() override { return interfaces_.at(current_).detailSize; }
  bool Detail(uint32_t size, std::string& devicePath, uint32_t& devInst) override {
    owner_.detailSizesGiven.push_back(size);
    const FakeInterface& found = interfaces_.at(current_);
    if (found.detailFails || size < found.detailSize) return false;
    devicePath = found.path;
    devInst = found.devInst;
    return true;
  }

 private:
  FakeDeviceInstallation& owner_;
  std::vector<FakeInterface> interfaces_;
  uint32_t current_ = 0;
};

}  // namespace

std::u16string Wide(const std::string& ascii) { return std::u16string(ascii.begin(), ascii.end()); }

bool MemoryFiles::ReadAll(const std::string& path, std::string& bytes) {
  auto it = files.find(path);
  if (it == files.end()) return false;
  bytes = it->second;
  return true;
}

std::unique_ptr<IWriteFile> MemoryFiles::CreateForWrite(const std::string& path) {
  files[path].clear();
  return std::make_unique<MemoryWriteFile>(*this, path);
}

bool MemoryFiles::Replace(const std::string& source, const std::string& target) {
  auto it = files.find(source);
  if (it == files.end()) return false;
  files[target] = it->second;
  files.erase(source);
  return true;
}

bool MemoryFiles::Delete(const std::string& path) {
  if (log) log->push_back("delete " + path);
  auto it = files.find(path);
  if (it == files.end() || undeletable.count(path)) return false;
  deletedContent[path] = it->second;
  files.erase(it);
  return true;
}

bool MemoryFiles::CopyFile(const std::string& source, const std::string& target) {
  auto it = files.find(source);
  if (it == files.end()) return false;
  files[target] = it->second;
  return true;
}

FakeObject& FakeNative::Add(uint16_t handleValue, const std::string& name, uint32_t fileType) {
  records.push_back({static_cast<uint16_t>(selfPid), fileTypeIndex, handleValue});
  FakeObject& object = objects[handleValue];
  object.name = Wide(name);
  object.fileType = fileType;
  return object;
}

std::vector<uint8_t> FakeNative::Table() const {
  std::vector<HandleEntry> all = records;
  if (open_.count(nulValue))
    all.push_back({static_cast<uint16_t>(selfPid), fileTypeIndex, static_cast<uint16_t>(nulValue)});
  // Fields the parser must not read are filled with noise.
  std::vector<uint8_t> bytes(layout.recordsAt + all.size() * layout.recordSize, 0xEE);
  WriteU32(bytes, 0, static_cast<uint32_t>(all.size()));
  for (size_t i = 0; i < all.size(); ++i) {
    size_t at = layout.recordsAt + i * layout.recordSize;
    Put16(bytes, at, all[i].processId);
    Put16(bytes, at + 2, 0x7777);
    bytes[at + 4] = all[i].objectTypeIndex;
    bytes[at + 5] = 0x02;
    Put16(bytes, at + 6, all[i].handleValue);
  }
  return bytes;
}

Handle FakeNative::OpenNul() {
  if (log) log->push_back("open NUL");
  if (nulFails) return 0;
  open_[nulValue] = {Kind::Nul};
  return nulValue;
}

NtStatus FakeNative::QuerySystemHandles(uint32_t length, std::vector<uint8_t>& table) {
  tableLengths.push_back(length);
  if (tableFailure) return *tableFailure;
  std::vector<uint8_t> bytes = Table();
  size_t needed = tableLengthNeeded ? tableLengthNeeded : bytes.size();
  if (length < needed) return kLengthMismatch;
  bytes.resize(length, 0);
  table = std::move(bytes);
  return 0;
}

Handle FakeNative::OpenProcessForDuplicate(uint32_t processId) {
  openedProcesses.push_back(processId);
  if (openProcessFails || processId != selfPid) return 0;
  Handle process = next_++;
  open_[process] = {Kind::Process};
  return process;
}

NtStatus FakeNative::DuplicateToSelf(Handle process, Handle source, uint32_t options, Handle& copy) {
  auto owner = open_.find(process);
  if (owner == open_.end() || owner->second.kind != Kind::Process) return kStatusInvalidHandle;
  auto object = objects.find(static_cast<uint16_t>(source));
  if (source > 0xFFFF || object == objects.end() || object->second.closedInOwner) return kStatusInvalidHandle;
  bool releasing = (options & kCloseSource) != 0;
  if (releasing) {
    object->second.closedInOwner = true;
    releasedInOwner.push_back(object->first);
  }
  copy = next_++;
  open_[copy] = {Kind::Copy, object->first, releasing};
  return 0;
}

NtStatus FakeNative::Close(Handle handle) {
  auto it = open_.find(handle);
  if (it == open_.end()) return kStatusInvalidHandle;
  Open closing = it->second;
  open_.erase(it);
  if (closing.kind == Kind::Copy && closing.releasing && objects[closing.object].closeFails)
    return kStatusInvalidHandle;
  return 0;
}

NtStatus FakeNative::QueryObjectName(Handle handle, std::vector<uint8_t>& reply) {
  auto it = open_.find(handle);
  if (it == open_.end() || it->second.kind != Kind::Copy) return kStatusInvalidHandle;
  namesAsked.push_back(it->second.object);
  if (nameQueryFails) {
    // A failed query may still have scribbled on the buffer.
    for (size_t i = 0; i + 1 < reply.size() && i < 64; i += 2) Put16(reply, i, u'x');
    return kStatusAccessViolation;
  }
  const std::u16string& name = objects[it->second.object].name;
  size_t textBytes = (name.size() + 1) * 2;
  if (layout.nameTextAt + textBytes > reply.size()) return kStatusBufferOverflow;
  Put16(reply, 0, static_cast<uint16_t>(name.size() * 2));
  Put16(reply, 2, static_cast<uint16_t>(textBytes));
  for (size_t at = 4; at < layout.nameTextAt; ++at) reply[at] = 0xAB;  // the text pointer
  for (size_t i = 0; i < name.size(); ++i) Put16(reply, layout.nameTextAt + 2 * i, name[i]);
  Put16(reply, layout.nameTextAt + 2 * name.size(), 0);
  return 0;
}

std::string FakeNative::ToAnsi(const std::u16string& text) {
  std::string ansi;
  for (char16_t c : text) ansi.push_back(c < 0x80 ? static_cast<char>(c) : '?');
  return ansi;
}

Handle FakeNative::StartFileTypeThread(Handle handle) {
  auto it = open_.find(handle);
  if (threadsFail || it == open_.end() || it->second.kind != Kind::Copy) return 0;
  Handle thread = next_++;
  open_[thread] = {Kind::Thread, it->second.object};
  return thread;
}

WaitResult FakeNative::WaitForThread(Handle thread, uint32_t milliseconds) {
  waits.push_back(milliseconds);
  auto it = open_.find(thread);
  if (it == open_.end() || it->second.kind != Kind::Thread) return WaitResult::Failed;
  return objects[it->second.object].typeQueryHangs ? WaitResult::TimedOut : WaitResult::Signaled;
}

uint32_t FakeNative::ThreadExitCode(Handle thread) {
  auto it = open_.find(thread);
  if (it == open_.end()) return 0;
  const FakeObject& object = objects[it->second.object];
  return object.typeQueryHangs ? kStillActive : object.fileType;
}

void FakeNative::TerminateThread(Handle thread, uint32_t exitCode) { terminated.push_back({thread, exitCode}); }

uint32_t FakeVolumes::LogicalDriveStrings(std::string& buffer) {
  bufferGiven = buffer;
  if (listFails) return 0;
  std::string list;
  for (const FakeDrive& drive : drives) list += drive.root + '\0';
  if (list.size() + 1 > buffer.size()) return static_cast<uint32_t>(list.size() + 1);
  buffer.replace(0, list.size() + 1, list + '\0');
  return static_cast<uint32_t>(list.size());
}

std::optional<std::string> FakeVolumes::QueryDosDevice(const std::string& drive, uint32_t maxChars) {
  devicesAsked.push_back(drive);
  lengthsGiven.push_back(maxChars);
  for (const FakeDrive& d : drives) {
    if (!EqualsNoCase(d.root.substr(0, 2), drive) || !d.device) continue;
    // The answer ends in two NULs; a name that leaves no room for them is an error.
    if (d.device->size() + 2 > maxChars) return std::nullopt;
    return d.device;
  }
  return std::nullopt;
}

uint32_t FakeVolumes::DriveType(const std::string& drive) {
  for (const FakeDrive& d : drives)
    if (EqualsNoCase(d.root.substr(0, 2), drive)) return d.type;
  return 1;  // no root folder
}

Handle FakeStorage::OpenDevice(const std::string& path, uint32_t desiredAccess) {
  opens.push_back({path, desiredAccess});
  if (log) log->push_back("open " + path);
  if (!devices.count(ToLowerAscii(path))) return 0;
  Handle device = next_++;
  open_[device] = ToLowerAscii(path);
  return device;
}

bool FakeStorage::IoControl(Handle device, uint32_t code, const std::vector<uint8_t>& input,
                            std::vector<uint8_t>& output) {
  auto it = open_.find(device);
  if (it == open_.end()) return false;
  calls.push_back({it->second, code, input, output});
  const FakeDevice& found = devices[it->second];
  if (code == 0x2D1400) {
    if (found.queryFails || output.size() < kDeviceDescriptorSize) return false;
    WriteU32(output, 0, 1);
    WriteU32(output, kBusTypeAt, found.busType);
    return true;
  }
  if (code == 0x2D1080) {
    if (!found.number || output.size() < kDeviceNumberSize) return false;
    WriteU32(output, 0, 7);  // a disk
    WriteU32(output, kDeviceNumberAt, *found.number);
    WriteU32(output, 8, 1);  // its first partition
    return true;
  }
  return false;
}

void FakeStorage::CloseDevice(Handle device) { open_.erase(device); }

std::unique_ptr<IDeviceInterfaceSet> FakeDeviceInstallation::GetClassDevs(const Guid& interfaceClass, uint32_t flags) {
  classesAsked.push_back(interfaceClass);
  flagsGiven.push_back(flags);
  if (setFails) return nullptr;
  return std::make_unique<FakeInterfaceSet>(*this, classes[interfaceClass.data1]);
}

uint32_t FakeDeviceInstallation::GetParent(uint32_t devInst, uint32_t& parent) {
  auto it = parents.find(devInst);
  if (it == parents.end()) return kCrNoSuchDevnode;
  parent = it->second;
  return 0;
}

uint32_t FakeDeviceInstallation::RequestDeviceEject(uint32_t devInst) {
  ejectRequests.push_back(devInst);
  if (log) log->push_back("eject " + std::to_string(devInst));
  if (ejectAnswers.empty()) return kCrRemoveVetoed;
  uint32_t answer = ejectAnswers.front();
  ejectAnswers.erase(ejectAnswers.begin());
  return answer;
}

void FakeClock::Sleep(uint32_t milliseconds) {
  sleeps.push_back(milliseconds);
  if (log) log->push_back("sleep " + std::to_string(milliseconds));
}

FakeMachine::FakeMachine(RecordLayout layout) : native(layout) {
  files.log = &log;
  native.log = &log;
  storage.log = &log;
  devices.log = &log;
  clock.log = &log;
  volumes.drives = {{"C:\\", "\\Device\\HarddiskVolume1", 3}, {"E:\\", "\\Device\\HarddiskVolume5", 2}};
  const std::string diskClass = "{53f56307-b6bf-11d0-94f2-00a0c91efb8b}";
  const std::string internal = "\\\\?\\ide#diskacme_ssd#4&1a2b#" + diskClass;
  const std::string stick = "\\\\?\\usbstor#disk&ven_stick#0001#" + diskClass;
  storage.devices["\\\\.\\c:"] = {3, false, 0};
  storage.devices["\\\\.\\e:"] = {7, false, 1};
  storage.devices[ToLowerAscii(internal)] = {3, false, 0};
  storage.devices[ToLowerAscii(stick)] = {7, false, 1};
  devices.classes[0x53F56307] = {{internal, 120, false, 100}, {stick, 120, false, 200}};
  devices.parents = {{100, 110}, {200, 210}};
  devices.ejectAnswers = {0};
  // The tool runs from its copy, which the system will not let it delete.
  files.files[kHandOffTool] = "MZ";
  files.undeletable.insert(kHandOffTool);
}

RemovePlatform FakeMachine::Platform() {
  return {files, profile, native, volumes, storage, devices, clock, native.layout};
}

void FakeMachine::HandOff(const std::string& value) {
  files.files[kHandOffFile] = "[Drive]\r\nLETTER=" + value + "\r\n";
}

}  // namespace carrydeck::remove::testing
