// SPDX-License-Identifier: GPL-3.0-or-later

#include "engine/remembering_platform.h"

#include <limits>

namespace mervale {

std::uint64_t RememberingPlatform::Folded(const AffinityMask& set) {
  std::uint64_t folded = set.Word(0);
  for (std::size_t i = 1; i < set.WordCount(); ++i)
    folded = (folded * 0x9E3779B97F4A7C15) ^ set.Word(i);
  return folded;
}

AffinityMask RememberingPlatform::GetMask(Pid pid) {
  newest_.reset();
  return platform_.GetMask(pid);
}

ErrorCode RememberingPlatform::SetMask(Pid pid, AffinityMask mask) {
  if (const auto found = remembered_.find(pid); found != remembered_.end()) {
    const ErrorCode result = platform_.SetMask(pid, mask);
    if (result == 0) {
      auto key = given_.extract(GivenKey(*found));
      found->second.given = std::move(mask);
      found->second.givenAt = platform_.StartTimeNow();
      key.value() = GivenKey(*found);
      given_.insert(std::move(key));
    }
    return result;
  }
  const bool justSeen = newest_ && newest_->first == pid;
  const AffinityMask before = justSeen ? newest_->second : platform_.GetMask(pid);
  newest_.reset();
  const ErrorCode result = platform_.SetMask(pid, mask);
  // A set that changed nothing leaves nothing to give back; an unreadable one nothing to give.
  if (result == 0 && !before.Empty() && before != mask)
    Remember(pid, {before, mask, platform_.StartTimeNow()});
  return result;
}

void RememberingPlatform::NewProcess(Pid pid, const AffinityMask& mask, std::uint64_t startTime) {
  newest_.emplace(pid, mask);
  // The parent is asked only once we changed anything, so a program left in mode Off pays nothing.
  if (remembered_.empty() || remembered_.contains(pid)) return;
  // The child holds the set since its starter was given it.
  if (const Entry* starter = Starter(pid, mask, startTime))
    Remember(pid, Remembered(starter->second));
}

const RememberingPlatform::Entry* RememberingPlatform::Starter(Pid pid, const AffinityMask& mask,
                                                               std::uint64_t startTime) {
  // A set given after the process started cannot have been passed on to it.
  const auto givenInTime = [startTime](const Remembered& remembered) {
    return startTime == 0 || remembered.givenAt == 0 || remembered.givenAt <= startTime;
  };
  if (const std::optional<Pid> parent = platform_.ParentPid(pid)) {
    const auto found = remembered_.find(*parent);
    if (found != remembered_.end() && found->second.given == mask && givenInTime(found->second))
      return &*found;
  }
  // Without start times, only the parent tells whose set the process has.
  if (startTime == 0) return nullptr;
  const std::uint64_t set = Folded(mask);
  for (auto latest = given_.upper_bound({set, startTime, std::numeric_limits<Pid>::max()});
       latest != given_.begin() && (--latest)->set == set;) {
    const auto found = remembered_.find(latest->pid);
    if (found->second.given == mask) return &*found;
  }
  return nullptr;
}

void RememberingPlatform::Remember(Pid pid, Remembered remembered) {
  const auto [entry, added] = remembered_.emplace(pid, std::move(remembered));
  if (added) given_.insert(GivenKey(*entry));
}

void RememberingPlatform::Forget(Pid pid) {
  const auto found = remembered_.find(pid);
  if (found == remembered_.end()) return;
  given_.erase(GivenKey(*found));
  remembered_.erase(found);
}

void RememberingPlatform::Restore(Pid pid) {
  const auto found = remembered_.find(pid);
  if (found != remembered_.end() && platform_.SetMask(pid, found->second.before) == 0) Forget(pid);
}

void RememberingPlatform::RestoreAll() {
  std::erase_if(remembered_, [this](const Entry& entry) {
    if (platform_.SetMask(entry.first, entry.second.before) != 0) return false;
    given_.erase(GivenKey(entry));
    return true;
  });
}

}  // namespace mervale
