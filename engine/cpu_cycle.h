// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <optional>
#include <string_view>

#include "engine/cpu_set.h"
#include "engine/cpu_topology.h"

namespace mervale {

// What mode Automatic and "Isolate" cycle over, as the user picks it in the Options. Machines with
// at most four CPUs offer only the first two ("Quad core" off and on); the order is the order of
// the choices in the Options window.
enum class CpuCycle { kTwoCpus, kFourCpus, kOneThreadPerCore, kAllCpus };

inline constexpr int kCpuCycleCount = 4;

// The CPUs the cycle walks on a machine with these managed CPUs and this layout: the first two or
// four managed CPUs, the first managed thread of every core, or every managed CPU. A managed CPU
// the layout does not know counts as a core of its own, so the set is never empty. Machines with
// at most four CPUs manage CPUs 1 to 4 whether they have them or not; there Two and Four CPUs keep
// only those of CPUs 1 and 2, or 1 to 4, that are online (all of them when the layout names none).
CpuSet CycleCpus(CpuCycle cycle, const CpuSet& managed, const CpuTopology& topology);

// The short, stable word that names the cycle in the settings file, and back; nothing for a word
// this build does not know.
std::string_view CycleWord(CpuCycle cycle);
std::optional<CpuCycle> CycleOfWord(std::string_view word);

}  // namespace mervale
