#include "HandleFakes.h"

#include "common/Paths.h"

namespace carrydeck::testing {

namespace {

constexpr NtStatus kLengthMismatch = static_cast<NtStatus>(0xC0000004u);
constexpr uint32_t kCloseSource = 1;
constexpr NtStatus kStatusInvalidHandle = static_cast<NtStatus>(0xC0000008u);
constexpr NtStatus kStatusBufferOverflow = static_cast<NtStatus>(0x80000005u);
constexpr NtStatus kStatusAccessViolation = static_cast<NtStatus>(0xC0000005u);
constexpr uint32_t kStillActive = 259;

void Put16(std::vector<uint8_t>& bytes, size_t at, uint16_t value) {
  bytes[at] = static_cast<uint8_t>(value);
  bytes[at + 1] = static_cast<uint8_t>(value >> 8);
}

// A field as the system stores it: the low bytes of the value, little-endian.
void PutField(std::vector<uint8_t>& bytes, size_t at, size_t width, uint64_t value) {
  for (size_t i = 0; i < width; ++i) bytes[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

}  // namespace

std::u16string Wide(const std::string& ascii) { return std::u16string(ascii.begin(), ascii.end()); }

FakeObject& FakeNative::Add(uint16_t handleValue, const std::string& name, uint32_t fileType) {
  records.push_back({selfPid, fileTypeIndex, handleValue});
  FakeObject& object = objects[handleValue];
  object.name = Wide(name);
  object.fileType = fileType;
  return object;
}

FakeObject& FakeNative::AddFor(uint32_t processId, uint16_t handleValue, const std::string& name, uint32_t fileType) {
  openable.insert(processId);
  records.push_back({processId, fileTypeIndex, handleValue});
  FakeObject& object = objects[handleValue];
  object.name = Wide(name);
  object.fileType = fileType;
  return object;
}

std::vector<uint8_t> FakeNative::Table(HandleTableKind kind) const {
  const RecordLayout shape = kind == HandleTableKind::Extended ? ExtendedOf(layout) : layout;
  std::vector<HandleEntry> all = records;
  if (open_.count(nulValue)) all.push_back({selfPid, fileTypeIndex, nulValue});
  // Fields the parser must not read are filled with noise.
  std::vector<uint8_t> bytes(shape.recordsAt + all.size() * shape.recordSize, 0xEE);
  WriteU32(bytes, 0, static_cast<uint32_t>(all.size()));
  if (shape.recordsAt >= 8) WriteU32(bytes, 4, 0);  // the count's upper half, or the reserved field
  for (size_t i = 0; i < all.size(); ++i) {
    size_t at = shape.recordsAt + i * shape.recordSize;
    PutField(bytes, at + shape.processIdAt, shape.processIdBytes, all[i].processId);
    PutField(bytes, at + shape.typeIndexAt, shape.typeIndexBytes, all[i].objectTypeIndex);
    PutField(bytes, at + shape.handleAt, shape.handleBytes, all[i].handleValue);
  }
  return bytes;
}

Handle FakeNative::OpenNul() {
  if (log) log->push_back("open NUL");
  if (nulFails) return 0;
  open_[nulValue] = {Kind::Nul};
  return nulValue;
}

NtStatus FakeNative::QuerySystemHandles(HandleTableKind kind, uint32_t length, std::vector<uint8_t>& table) {
  tableLengths.push_back(length);
  tablesAsked.push_back(kind);
  if (tableFailure) return *tableFailure;
  std::vector<uint8_t> bytes = Table(kind);
  size_t needed = tableLengthNeeded ? tableLengthNeeded : bytes.size();
  if (length < needed) return kLengthMismatch;
  bytes.resize(length, 0);
  table = std::move(bytes);
  return 0;
}

Handle FakeNative::OpenProcessForDuplicate(uint32_t processId) {
  openedProcesses.push_back(processId);
  if (openProcessFails || (processId != selfPid && !openable.count(processId))) return 0;
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
  return NameReply(objects[it->second.object], reply);
}

NtStatus FakeNative::NameReply(const FakeObject& object, std::vector<uint8_t>& reply) const {
  const std::u16string& name = object.name;
  size_t textBytes = (name.size() + 1) * 2;
  if (layout.nameTextAt + textBytes > reply.size()) return kStatusBufferOverflow;
  Put16(reply, 0, static_cast<uint16_t>(name.size() * 2));
  Put16(reply, 2, static_cast<uint16_t>(textBytes));
  for (size_t at = 4; at < layout.nameTextAt; ++at) reply[at] = 0xAB;  // the text pointer
  for (size_t i = 0; i < name.size(); ++i) Put16(reply, layout.nameTextAt + 2 * i, name[i]);
  Put16(reply, layout.nameTextAt + 2 * name.size(), 0);
  return 0;
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
  if (it->second.batch) return it->second.stuck && !it->second.ended ? WaitResult::TimedOut : WaitResult::Signaled;
  return objects[it->second.object].typeQueryHangs ? WaitResult::TimedOut : WaitResult::Signaled;
}

uint32_t FakeNative::ThreadExitCode(Handle thread) {
  auto it = open_.find(thread);
  if (it == open_.end()) return 0;
  const FakeObject& object = objects[it->second.object];
  return object.typeQueryHangs ? kStillActive : object.fileType;
}

void FakeNative::TerminateThread(Handle thread, uint32_t exitCode) {
  terminated.push_back({thread, exitCode});
  auto it = open_.find(thread);
  if (it != open_.end() && !workersNeverEnd) it->second.ended = true;
}

Handle FakeNative::StartQueryThread(HandleQueries& batch, size_t from) {
  if (threadsFail) return 0;
  ++workersStarted;
  Handle thread = next_++;
  Open worker{Kind::Thread};
  worker.batch = true;
  batch.done = from;
  for (size_t i = from; i < batch.queries.size(); ++i) {
    HandleQuery& query = batch.queries[i];
    auto copy = open_.find(query.handle);
    if (copy == open_.end() || copy->second.kind != Kind::Copy) {
      query.fileType = 0;  // GetFileType of a handle that is not there
    } else {
      const FakeObject& object = objects[copy->second.object];
      if (object.typeQueryHangs) {
        worker.stuck = true;
        break;
      }
      query.fileType = object.fileType;
      if (query.fileType != 0) {
        namesAsked.push_back(copy->second.object);
        query.nameStatus = nameQueryFails ? kStatusAccessViolation : NameReply(object, query.reply);
      }
    }
    batch.done = i + 1;
  }
  open_[thread] = worker;
  return thread;
}

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

}  // namespace carrydeck::testing
