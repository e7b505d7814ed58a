// SPDX-License-Identifier: GPL-3.0-or-later

#include "engine/platform/linux/machine_watch.h"

#include <fcntl.h>
#include <sched.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <utility>

namespace mervale {
namespace {

constexpr std::size_t kWordBits = sizeof(unsigned long) * CHAR_BIT;
// The online list of the biggest machines is a few dozen bytes; a read that fills this is cut.
constexpr std::size_t kOnlineListBytes = 4096;

// The list as read from its start, or "" when it cannot be read.
void ReadFromStart(int fd, std::string& text) {
  text.resize(kOnlineListBytes);
  const ssize_t read = fd >= 0 ? pread(fd, text.data(), text.size(), 0) : -1;
  text.resize(read > 0 ? std::size_t(read) : 0);
}

// This thread's CPU set in words big enough for the kernel's; empty when it cannot be read.
void ReadOwnCpus(std::vector<unsigned long>& words) {
  if (words.empty()) words.resize(CPU_SETSIZE / kWordBits);
  for (;;) {
    const std::size_t bytes = words.size() * sizeof(unsigned long);
    if (sched_getaffinity(0, bytes, reinterpret_cast<cpu_set_t*>(words.data())) == 0) return;
    if (errno != EINVAL || words.size() * kWordBits > kMaxCpuNumber) break;
    words.resize(words.size() * 2);
  }
  words.clear();
}

}  // namespace

MachineWatch::MachineWatch(Load load, const char* onlineList)
    : load_(std::move(load)), onlineFd_(open(onlineList, O_RDONLY | O_CLOEXEC)) {
  Look();
  ReadLayout();
}

void MachineWatch::Update() {
  if (Look()) ReadLayout();
}

bool MachineWatch::Look() {
  ReadFromStart(onlineFd_.Get(), onlineNow_);
  ownCpusNow_.resize(ownCpus_.size());
  ReadOwnCpus(ownCpusNow_);
  if (onlineNow_ == online_ && ownCpusNow_ == ownCpus_) return false;
  std::swap(online_, onlineNow_);
  std::swap(ownCpus_, ownCpusNow_);
  return true;
}

void MachineWatch::ReadLayout() {
  topology_ = load_();
  cpus_ = CpuSet::FromNumbers(topology_.online);
}

}  // namespace mervale
