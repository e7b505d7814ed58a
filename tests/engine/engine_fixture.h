// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/affinity_engine.h"
#include "engine/platform/fake/fake_platform.h"

namespace mervale {

class CountingReporter : public FailureReporter {
 public:
  void ShowFailure() override { ++failures; }
  void ShowEntriesNamingMissingCpus(const LineList& entries) override {
    entryReports.push_back(entries);
  }
  int failures = 0;
  std::vector<LineList> entryReports;
};

// An engine over a scripted machine of two CPUs.
class EngineTest : public ::testing::Test {
 protected:
  FakeProcessPlatform machine{2};
  CountingReporter reporter;
  AffinityEngine engine{machine, reporter};

  AssignmentPolicy& policy() { return engine.Policy(); }
  const ProcessTable& table() const { return engine.Table(); }

  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (int i = 0; i < table().RowCount(); ++i) names.push_back(table().RowAt(i).name);
    return names;
  }
  std::vector<Pid> RowPids() const {
    std::vector<Pid> pids;
    for (int i = 0; i < table().RowCount(); ++i) pids.push_back(table().RowAt(i).pid);
    return pids;
  }
  std::vector<AffinityMask> SetMasksFor(Pid pid) const {
    std::vector<AffinityMask> masks;
    for (const auto& attempt : machine.calls().setLog) {
      if (attempt.pid == pid) masks.push_back(attempt.mask);
    }
    return masks;
  }
  void Select(Pid pid) {
    for (int i = 0; i < table().RowCount(); ++i) {
      if (table().RowAt(i).pid == pid) engine.Table().SetSelected(i, true);
    }
  }
};

}  // namespace mervale
