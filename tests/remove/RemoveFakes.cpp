#include "RemoveFakes.h"

#include "common/Paths.h"

namespace carrydeck::remove::testing {

namespace {

constexpr uint32_t kCrNoSuchDevnode = 0x0D;
constexpr uint32_t kCrRemoveVetoed = 0x17;

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
  notices.log = &log;
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
  return {files, profile, native, volumes, storage, devices, clock, native.layout, processes, notices};
}

void FakeMachine::HandOff(const std::string& value) {
  files.files[kHandOffFile] = "[Drive]\r\nLETTER=" + value + "\r\n";
}

}  // namespace carrydeck::remove::testing
