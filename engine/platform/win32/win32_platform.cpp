#include "engine/platform/win32/win32_platform.h"

// clang-format off
#include <windows.h>
#include <tlhelp32.h>
// clang-format on

#include <algorithm>
#include <cstring>

namespace mervale {

namespace {

// Names are 8-bit text throughout the program, so the walk uses the ANSI record.
using AnsiProcessEntry = PROCESSENTRY32;
static_assert(sizeof(AnsiProcessEntry{}.szExeFile) == kSnapshotNameLength,
              "the build must not select the wide-character Tool Help functions");

HANDLE ToHandle(std::uintptr_t handle) {
  return reinterpret_cast<HANDLE>(handle);
}

DWORD ToAccessRight(ProcessAccess access) {
  return access == ProcessAccess::kSetInformation ? PROCESS_SET_INFORMATION
                                                  : PROCESS_QUERY_INFORMATION;
}

}  // namespace

std::string NameFromSnapshotField(const SnapshotNameField& field) {
  return std::string(field.begin(), std::find(field.begin(), field.end(), '\0'));
}

SnapshotHandle Win32ProcessPlatform::CreateSnapshot() {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  // INVALID_HANDLE_VALUE has every bit set, as kInvalidSnapshot does.
  return reinterpret_cast<SnapshotHandle>(snapshot);
}

bool Win32ProcessPlatform::FirstEntry(SnapshotHandle snapshot, Pid& pid) {
  // The size must be the record's own: Windows refuses a smaller one (ERROR_BAD_LENGTH).
  AnsiProcessEntry entry{};
  entry.dwSize = sizeof entry;
  if (!Process32First(ToHandle(snapshot), &entry)) return false;
  pid = entry.th32ProcessID;
  std::memcpy(currentNames_[snapshot].data(), entry.szExeFile, kSnapshotNameLength);
  return true;
}

bool Win32ProcessPlatform::NextEntry(SnapshotHandle snapshot, Pid& pid) {
  AnsiProcessEntry entry{};
  entry.dwSize = sizeof entry;
  if (!Process32Next(ToHandle(snapshot), &entry)) return false;
  pid = entry.th32ProcessID;
  std::memcpy(currentNames_[snapshot].data(), entry.szExeFile, kSnapshotNameLength);
  return true;
}

std::string Win32ProcessPlatform::EntryName(SnapshotHandle snapshot) {
  auto current = currentNames_.find(snapshot);
  return current == currentNames_.end() ? std::string() : NameFromSnapshotField(current->second);
}

void Win32ProcessPlatform::CloseSnapshot(SnapshotHandle snapshot) {
  currentNames_.erase(snapshot);
  CloseHandle(ToHandle(snapshot));
}

ProcessHandle Win32ProcessPlatform::OpenProcess(ProcessAccess access, Pid pid) {
  return reinterpret_cast<ProcessHandle>(::OpenProcess(ToAccessRight(access), FALSE, pid));
}

bool Win32ProcessPlatform::GetAffinityMask(ProcessHandle process, AffinityMask& processMask) {
  DWORD_PTR process64 = 0;
  DWORD_PTR system64 = 0;
  if (!GetProcessAffinityMask(ToHandle(process), &process64, &system64)) return false;
  // The engine's masks are 32-bit; CPUs 1 to 4, the ones it manages, are in the low bits.
  processMask = static_cast<AffinityMask>(process64);
  return true;
}

bool Win32ProcessPlatform::SetAffinityMask(ProcessHandle process, AffinityMask mask) {
  return SetProcessAffinityMask(ToHandle(process), mask) != 0;
}

void Win32ProcessPlatform::CloseProcess(ProcessHandle process) {
  CloseHandle(ToHandle(process));
}

ErrorCode Win32ProcessPlatform::LastError() {
  return GetLastError();
}

void Win32ProcessPlatform::SetLastError(ErrorCode code) {
  ::SetLastError(code);
}

Pid Win32ProcessPlatform::CurrentPid() {
  return GetCurrentProcessId();
}

}  // namespace mervale
