// SPDX-License-Identifier: GPL-3.0-or-later

#include "engine/platform/win32/win32_platform.h"

// clang-format off
#include <windows.h>
#include <tlhelp32.h>
#include <winternl.h>
// clang-format on

#include <algorithm>
#include <cstring>

namespace mervale {

namespace {

// Names are 8-bit text throughout the program, so the walk uses the ANSI record.
using AnsiProcessEntry = PROCESSENTRY32;
static_assert(sizeof(AnsiProcessEntry{}.szExeFile) == kSnapshotNameLength,
              "the build must not select the wide-character Tool Help functions");

constexpr NTSTATUS kInfoLengthMismatch = static_cast<NTSTATUS>(0xC0000004);
// Room for about a thousand processes with their threads; a busier machine grows it once.
constexpr std::size_t kFirstBufferBytes = 512 * 1024;

// The calling thread's last error, which a failed call is expected to have set; a failure must
// never read as success.
ErrorCode FailureCode() {
  const DWORD code = GetLastError();
  return code != 0 ? code : ERROR_GEN_FAILURE;
}

// The name in the ANSI code page, as the ANSI snapshot record would hold it.
std::string AnsiName(const UNICODE_STRING& name) {
  const int length = static_cast<int>(name.Length / sizeof(wchar_t));
  if (length == 0 || name.Buffer == nullptr) return {};
  const int size =
      WideCharToMultiByte(CP_ACP, 0, name.Buffer, length, nullptr, 0, nullptr, nullptr);
  std::string text(static_cast<std::size_t>(std::max(size, 0)), '\0');
  WideCharToMultiByte(CP_ACP, 0, name.Buffer, length, text.data(), size, nullptr, nullptr);
  return text;
}

// Asks for every process into `buffer`, grown while processes keep starting between the calls.
NTSTATUS QueryProcesses(std::vector<std::uint64_t>& buffer, ULONG& filled) {
  if (buffer.empty()) buffer.resize(kFirstBufferBytes / sizeof(std::uint64_t));
  NTSTATUS status = kInfoLengthMismatch;
  for (int attempt = 0; attempt < 4 && status == kInfoLengthMismatch; ++attempt) {
    const auto bytes = static_cast<ULONG>(buffer.size() * sizeof(std::uint64_t));
    ULONG needed = 0;
    status = NtQuerySystemInformation(SystemProcessInformation, buffer.data(), bytes, &needed);
    filled = needed;
    // A quarter more than asked for: the list may grow before the next call.
    if (status == kInfoLengthMismatch) {
      buffer.resize(std::max<std::size_t>(needed + needed / 4, bytes * std::size_t{2}) /
                        sizeof(std::uint64_t) +
                    1);
    }
  }
  return status;
}

}  // namespace

std::string NameFromSnapshotField(std::span<const char, kSnapshotNameLength> field) {
  return std::string(field.begin(), std::find(field.begin(), field.end(), '\0'));
}

ErrorCode ListFromSystemInformation(std::vector<std::uint64_t>& buffer,
                                    std::vector<ListedProcess>& processes) {
  processes.clear();
  ULONG filled = 0;
  const NTSTATUS status = QueryProcesses(buffer, filled);
  if (!NT_SUCCESS(status)) return static_cast<ErrorCode>(status);
  const auto* bytes = reinterpret_cast<const std::byte*>(buffer.data());
  const std::size_t size = std::min<std::size_t>(filled, buffer.size() * sizeof(std::uint64_t));
  for (std::size_t offset = 0; offset + sizeof(SYSTEM_PROCESS_INFORMATION) <= size;) {
    SYSTEM_PROCESS_INFORMATION entry;
    std::memcpy(&entry, bytes + offset, sizeof entry);
    if (entry.NumberOfThreads != 0) {
      processes.push_back(
          {static_cast<Pid>(reinterpret_cast<std::uintptr_t>(entry.UniqueProcessId)),
           AnsiName(entry.ImageName), static_cast<std::uint64_t>(entry.CreateTime.QuadPart),
           static_cast<Pid>(reinterpret_cast<std::uintptr_t>(entry.InheritedFromUniqueProcessId))});
    }
    if (entry.NextEntryOffset == 0) break;
    offset += entry.NextEntryOffset;
  }
  return 0;
}

ErrorCode ListFromSnapshot(std::vector<ListedProcess>& processes) {
  processes.clear();
  const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return FailureCode();
  // The size must be the record's own: Windows refuses a smaller one (ERROR_BAD_LENGTH).
  AnsiProcessEntry entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
    if (entry.cntThreads != 0) {
      processes.push_back({entry.th32ProcessID, NameFromSnapshotField(entry.szExeFile), 0,
                           entry.th32ParentProcessID});
    }
  }
  CloseHandle(snapshot);
  return 0;
}

ErrorCode Win32ProcessPlatform::ListPids(std::vector<Pid>& pids) {
  pids.clear();
  positions_.clear();
  if (ListFromSystemInformation(systemInformation_, listed_) != 0) {
    const ErrorCode error = ListFromSnapshot(listed_);
    if (error != 0) return error;
  }
  for (std::size_t i = 0; i < listed_.size(); ++i) {
    pids.push_back(listed_[i].pid);
    positions_.insert_or_assign(listed_[i].pid, i);
  }
  return 0;
}

const ListedProcess* Win32ProcessPlatform::Listed(Pid pid) const {
  const auto found = positions_.find(pid);
  return found == positions_.end() ? nullptr : &listed_[found->second];
}

std::string Win32ProcessPlatform::ProcessName(Pid pid) {
  const ListedProcess* process = Listed(pid);
  return process == nullptr ? std::string() : process->name;
}

std::uint64_t Win32ProcessPlatform::StartTime(Pid pid) {
  const ListedProcess* process = Listed(pid);
  return process == nullptr ? 0 : process->startTime;
}

std::uint64_t Win32ProcessPlatform::StartTimeNow() {
  FILETIME now{};
  GetSystemTimeAsFileTime(&now);
  return (std::uint64_t{now.dwHighDateTime} << 32) | now.dwLowDateTime;
}

std::optional<Pid> Win32ProcessPlatform::ParentPid(Pid pid) {
  const ListedProcess* process = Listed(pid);
  if (process == nullptr) return std::nullopt;
  return process->parent;
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
