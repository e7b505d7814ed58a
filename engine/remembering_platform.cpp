// SPDX-License-Identifier: GPL-3.0-or-later

#include "engine/remembering_platform.h"

namespace mervale {

AffinityMask RememberingPlatform::GetMask(Pid pid) {
  newest_.reset();
  return platform_.GetMask(pid);
}

ErrorCode RememberingPlatform::SetMask(Pid pid, AffinityMask mask) {
  if (const auto found = remembered_.find(pid); found != remembered_.end()) {
    const ErrorCode result = platform_.SetMask(pid, mask);
    if (result == 0) found->second.given = mask;
    return result;
  }
  const bool justSeen = newest_ && newest_->first == pid;
  const AffinityMask before = justSeen ? newest_->second : platform_.GetMask(pid);
  newest_.reset();
  const ErrorCode result = platform_.SetMask(pid, mask);
  // A set that changed nothing leaves nothing to give back; an unreadable one nothing to give.
  if (result == 0 && !before.Empty() && before != mask) {
    remembered_.emplace(pid, Remembered{before, std::move(mask)});
  }
  return result;
}

void RememberingPlatform::NewProcess(Pid pid, const AffinityMask& mask) {
  newest_.emplace(pid, mask);
  // The parent is asked only once we changed anything, so a program left in mode Off pays nothing.
  if (remembered_.empty() || remembered_.contains(pid)) return;
  const std::optional<Pid> parent = platform_.ParentPid(pid);
  if (!parent) return;
  const auto found = remembered_.find(*parent);
  if (found != remembered_.end() && found->second.given == mask) {
    remembered_.emplace(pid, Remembered{found->second.before, mask});
  }
}

void RememberingPlatform::Restore(Pid pid) {
  const auto found = remembered_.find(pid);
  if (found != remembered_.end() && platform_.SetMask(pid, found->second.before) == 0) {
    remembered_.erase(found);
  }
}

void RememberingPlatform::RestoreAll() {
  std::erase_if(remembered_, [this](const auto& entry) {
    return platform_.SetMask(entry.first, entry.second.before) == 0;
  });
}

}  // namespace mervale
