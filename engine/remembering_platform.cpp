// SPDX-License-Identifier: GPL-3.0-or-later

#include "engine/remembering_platform.h"

#include <limits>
#include <tuple>

namespace mervale {

bool RememberingPlatform::GivenOrder::operator()(const Given& a, const Given& b) const {
  if (a.set.WordCount() != b.set.WordCount()) return a.set.WordCount() < b.set.WordCount();
  for (std::size_t i = 0; i < a.set.WordCount(); ++i) {
    if (a.set.Word(i) != b.set.Word(i)) return a.set.Word(i) < b.set.Word(i);
  }
  return std::tie(a.at, a.pid) < std::tie(b.at, b.pid);
}

AffinityMask RememberingPlatform::GetMask(Pid pid) {
  newest_.reset();
  return platform_.GetMask(pid);
}

ErrorCode RememberingPlatform::SetMask(Pid pid, AffinityMask mask) {
  if (const auto found = remembered_.find(pid); found != remembered_.end()) {
    const ErrorCode result = platform_.SetMask(pid, mask);
    if (result == 0) {
      given_.erase(GivenKey(*found));
      found->second.given = std::move(mask);
      found->second.givenAt = platform_.StartTimeNow();
      given_.insert(GivenKey(*found));
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
  auto latest = given_.upper_bound({mask, startTime, std::numeric_limits<Pid>::max()});
  if (latest == given_.begin() || (--latest)->set != mask) return nullptr;
  return &*remembered_.find(latest->pid);
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
