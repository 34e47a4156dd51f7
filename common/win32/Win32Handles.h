// The ports that tell who holds what, over the real system: ntdll's handle table and object
// names, the drive letters, and the running processes.
#pragma once

#include <windows.h>

#include "common/HandlePorts.h"
#include "common/win32/NtApi.h"

namespace carrydeck {

class Win32NativeHandles : public INativeHandles {
 public:
  Win32NativeHandles() : api_(nt::NtApi::Load("ntdll.dll")) {}
  explicit Win32NativeHandles(nt::NtApi api) : api_(std::move(api)) {}

  uint32_t CurrentProcessId() override;
  Handle OpenNul() override;
  NtStatus QuerySystemHandles(HandleTableKind kind, uint32_t length, std::vector<uint8_t>& table) override;
  Handle OpenProcessForDuplicate(uint32_t processId) override;
  NtStatus DuplicateToSelf(Handle process, Handle source, uint32_t options, Handle& copy) override;
  NtStatus Close(Handle handle) override;
  NtStatus QueryObjectName(Handle handle, std::vector<uint8_t>& reply) override;
  Handle StartFileTypeThread(Handle handle) override;
  WaitResult WaitForThread(Handle thread, uint32_t milliseconds) override;
  uint32_t ThreadExitCode(Handle thread) override;
  void TerminateThread(Handle thread, uint32_t exitCode) override;
  Handle StartQueryThread(HandleQueries& batch, size_t from) override;

 private:
  static DWORD WINAPI QueryHandles(void* self);

  nt::NtApi api_;
  // What the one worker at a time walks through; it starts at the batch's count of answers.
  HandleQueries* batch_ = nullptr;
};

class Win32Volumes : public IVolumes {
 public:
  uint32_t LogicalDriveStrings(std::string& buffer) override;
  std::optional<std::string> QueryDosDevice(const std::string& drive, uint32_t maxChars) override;
  uint32_t DriveType(const std::string& drive) override;
};

// Toolhelp's list of processes; a program's path through a query-only handle, which even a
// 32-bit process gets for a 64-bit one.
class Win32Processes : public IProcesses {
 public:
  std::vector<ProcessEntry> List() override;
  std::optional<std::string> ImagePath(uint32_t processId) override;
};

}  // namespace carrydeck
