// The system services that tell who holds what: the handle table with the native calls that
// go with it, the drive letters and the devices behind them, and the running processes.
// Production implements them over ntdll and kernel32 (common/win32/Win32Handles); tests over
// memory, where any call can fail, hang or answer in either bitness's record layout.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace carrydeck {

// A platform handle as a number; 0 means none (adapters turn INVALID_HANDLE_VALUE into 0).
using Handle = std::uintptr_t;
// A native status: negative (as a signed 32-bit number) is an error.
using NtStatus = std::int32_t;

enum class WaitResult { Signaled, TimedOut, Failed };
enum class HandleTableKind { Classic, Extended };

// One handle of ours as a worker thread asks about it: its file type (0: none, or not asked)
// and, when it has one, the object-name query's status and reply.
struct HandleQuery {
  Handle handle = 0;
  uint32_t fileType = 0;
  NtStatus nameStatus = 0;
  std::vector<uint8_t> reply;  // sized by the caller; the worker only writes into it
};

// What one worker walks through, and how far it got: it has answered `done` of `queries`.
struct HandleQueries {
  std::vector<HandleQuery> queries;
  std::atomic<size_t> done{0};
};

// Native process and handle services, with the few kernel32 calls that go with them.
class INativeHandles {
 public:
  virtual ~INativeHandles() = default;
  virtual uint32_t CurrentProcessId() = 0;
  // The device "NUL", opened for reading and not shared; 0 when it cannot be opened.
  virtual Handle OpenNul() = 0;
  // One query of the system handle table, classic (information class 16) or extended (64),
  // into a fresh buffer of `length` bytes; on success `table` holds what the system wrote.
  virtual NtStatus QuerySystemHandles(HandleTableKind kind, uint32_t length, std::vector<uint8_t>& table) = 0;
  // NtOpenProcess for duplicating handles; 0 when no handle comes back.
  virtual Handle OpenProcessForDuplicate(uint32_t processId) = 0;
  // NtDuplicateObject of `source` in `process` into this process, desired access 0,
  // attributes 0, the given options. `copy` is this process's new handle on success.
  virtual NtStatus DuplicateToSelf(Handle process, Handle source, uint32_t options, Handle& copy) = 0;
  virtual NtStatus Close(Handle handle) = 0;
  // NtQueryObject for the object's name into `reply`, whose size is the length given.
  virtual NtStatus QueryObjectName(Handle handle, std::vector<uint8_t>& reply) = 0;
  // A thread of this process that runs GetFileType on `handle` and ends with its result;
  // 0 when the entry point cannot be found or the thread cannot be started.
  virtual Handle StartFileTypeThread(Handle handle) = 0;
  virtual WaitResult WaitForThread(Handle thread, uint32_t milliseconds) = 0;
  virtual uint32_t ThreadExitCode(Handle thread) = 0;
  virtual void TerminateThread(Handle thread, uint32_t exitCode) = 0;
  // A thread of this process that walks `batch.queries` from `from` on: each handle's file
  // type, then, when that is not 0, its name into its reply; then it counts the handle in
  // `batch.done`. It allocates nothing, so it may be ended anywhere. 0 when no thread starts.
  virtual Handle StartQueryThread(HandleQueries& batch, size_t from) = 0;
};

// Drive letters and the devices behind them.
class IVolumes {
 public:
  virtual ~IVolumes() = default;
  // GetLogicalDriveStringsW into `buffer` (UTF-8), whose size is the length given; the call's result.
  virtual uint32_t LogicalDriveStrings(std::string& buffer) = 0;
  // QueryDosDeviceW of a drive name (E:) with room for `maxChars`: the text (UTF-8) up to the
  // first NUL, nullopt when the call fails.
  virtual std::optional<std::string> QueryDosDevice(const std::string& drive, uint32_t maxChars) = 0;
  // GetDriveTypeW of a drive name (E:).
  virtual uint32_t DriveType(const std::string& drive) = 0;
};

// A running process as the system lists it.
struct ProcessEntry {
  uint32_t processId = 0;
  std::string program;  // its file's name (notepad.exe), UTF-8
};

class IProcesses {
 public:
  virtual ~IProcesses() = default;
  virtual std::vector<ProcessEntry> List() = 0;
  // The full path of the process's program file (UTF-8); nullopt when the process cannot be
  // opened to ask.
  virtual std::optional<std::string> ImagePath(uint32_t processId) = 0;
};

}  // namespace carrydeck
