// SPDX-License-Identifier: GPL-3.0-or-later

#include "engine/platform/fake/fake_process_start_source.h"

#include <algorithm>
#include <utility>

namespace mervale {

ProcessStarts FakeProcessStartSource::Drain() {
  ++drains;
  ProcessStarts batch;
  const auto end = pending_.begin() + std::ptrdiff_t(std::min(pending_.size(), kMaxStartsPerDrain));
  batch.starts.assign(pending_.begin(), end);
  pending_.erase(pending_.begin(), end);
  batch.eventsLost = std::exchange(lost_, false);
  batch.knownMayHaveChanged = std::exchange(programChanged_, false);
  return batch;
}

}  // namespace mervale
