#include "engine/platform/win32/win32_platform.h"

// clang-format off
#include <windows.h>
#include <tlhelp32.h>
// clang-format on

#include <algorithm>

namespace mervale {

namespace {

// Names are 8-bit text throughout the program, so the walk uses the ANSI record.
using AnsiProcessEntry = PROCESSENTRY32;
static_assert(sizeof(AnsiProcessEntry{}.szExeFile) == kSnapshotNameLength,
              "the build must not select the wide-character Tool Help functions");

// The calling thread's last error, which a failed call is expected to have set; a failure must
// never read as success.
ErrorCode FailureCode() {
  const DWORD code = GetLastError();
  return code != 0 ? code : ERROR_GEN_FAILURE;
}

}  // namespace

std::string NameFromSnapshotField(std::span<const char, kSnapshotNameLength> field) {
  return std::string(field.begin(), std::find(field.begin(), field.end(), '\0'));
}

ErrorCode Win32ProcessPlatform::ListPids(std::vector<Pid>& pids) {
  pids.clear();
  names_.clear();
  const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return FailureCode();
  // The size must be the record's own: Windows refuses a smaller one (ERROR_BAD_LENGTH).
  AnsiProcessEntry entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
    pids.push_back(entry.th32ProcessID);
    names_.insert_or_assign(entry.th32ProcessID, NameFromSnapshotField(entry.szExeFile));
  }
  CloseHandle(snapshot);
  return 0;
}

std::string Win32ProcessPlatform::ProcessName(Pid pid) {
  const auto found = names_.find(pid);
  return found == names_.end() ? std::string() : found->second;
}

AffinityMask Win32ProcessPlatform::OnlineCpus() {
  DWORD_PTR processMask = 0;
  DWORD_PTR systemMask = 0;
  // A process lives in one processor group; its system mask is that group's active processors.
  if (!GetProcessAffinityMask(GetCurrentProcess(), &processMask, &systemMask)) return {};
  return AffinityMask(std::uint64_t{systemMask});
}

AffinityMask Win32ProcessPlatform::GetMask(Pid pid) {
  const HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, pid);
  if (process == nullptr) return {};
  DWORD_PTR processMask = 0;
  DWORD_PTR systemMask = 0;
  // Every bit of the group's mask counts: a cut to fewer bits would read CPU 33 as missing.
  const AffinityMask mask = GetProcessAffinityMask(process, &processMask, &systemMask)
                                ? AffinityMask(std::uint64_t{processMask})
                                : AffinityMask{};
  CloseHandle(process);
  return mask;
}

ErrorCode Win32ProcessPlatform::SetMask(Pid pid, AffinityMask mask) {
  // A process's mask names CPUs of its own group only, at most as many as DWORD_PTR has bits.
  if (mask.End() > sizeof(DWORD_PTR) * 8) return ERROR_INVALID_PARAMETER;
  const HANDLE process = OpenProcess(PROCESS_SET_INFORMATION, FALSE, pid);
  if (process == nullptr) return FailureCode();
  const ErrorCode result =
      SetProcessAffinityMask(process, DWORD_PTR(mask.Word(0))) ? 0 : FailureCode();
  CloseHandle(process);
  return result;
}

Pid Win32ProcessPlatform::CurrentPid() {
  return GetCurrentProcessId();
}

}  // namespace mervale
