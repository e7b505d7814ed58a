// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <deque>

#include "engine/platform/process_start_source.h"

namespace mervale {

// Start events that a test posts by hand; Drain() hands them out in batches as the real source
// does, so tests can script a start, a burst larger than one batch, or a loss.
class FakeProcessStartSource : public ProcessStartSource {
 public:
  explicit FakeProcessStartSource(StartEvents events = StartEvents::kOwnPids) : events_(events) {}

  void PostStart(Pid pid) { pending_.push_back({pid, pid}); }
  void LoseEvents() { lost_ = true; }
  // A program started that the batch cannot name: a known process may run it.
  void PostProgramChange() { programChanged_ = true; }
  int drains = 0;

  StartEvents Events() const override { return events_; }
  int Descriptor() const override { return -1; }
  ProcessStarts Drain() override;

 private:
  StartEvents events_;
  std::deque<ProcessStart> pending_;
  bool lost_ = false;
  bool programChanged_ = false;
};

}  // namespace mervale
