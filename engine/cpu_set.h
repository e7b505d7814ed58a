// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace mervale {

// A set of CPUs of any size, CPU 1 being bit 0 of the first word. The first 256 CPUs live in the
// object itself, so sets on machines with at most 256 CPUs never allocate; words past the last
// CPU in the set are never kept, so equal sets compare equal whatever built them.
class CpuSet {
 public:
  constexpr CpuSet() = default;
  // CPUs 1 to 64 from the bits of a mask as the operating systems write it.
  constexpr CpuSet(std::uint64_t firstWord) : low_{firstWord} {}  // NOLINT: masks read as sets

  // CPUs 1 to `count`.
  static CpuSet FirstCpus(std::size_t count);
  // The CPUs of consecutive 64-bit words, the first word holding CPUs 1 to 64.
  static CpuSet FromWords(std::span<const std::uint64_t> words);
  // The zero-based CPU numbers the operating system reports.
  static CpuSet FromNumbers(std::span<const unsigned> numbers);

  // Zero-based, as the operating system counts.
  void Add(std::size_t cpu);
  bool Contains(std::size_t cpu) const;
  bool Empty() const { return WordCount() == 1 && low_[0] == 0; }
  std::size_t Count() const;
  // One past the highest CPU in the set (its zero-based number + 1); 0 when empty.
  std::size_t End() const;
  bool IsSubsetOf(const CpuSet& other) const;
  // The CPUs both sets hold.
  CpuSet Common(const CpuSet& other) const;
  // How many words hold the set (at least one), and each of them; past them every word is 0.
  std::size_t WordCount() const;
  std::uint64_t Word(std::size_t index) const;
  // The zero-based numbers of the CPUs in the set, ascending.
  std::vector<unsigned> Numbers() const;
  // The lowest CPU in the set from `cpu` on (zero-based); nothing when there is none.
  std::optional<std::size_t> FirstFrom(std::size_t cpu) const;

  friend bool operator==(const CpuSet&, const CpuSet&) = default;

 private:
  static constexpr std::size_t kInlineWords = 4;

  std::uint64_t& WordToChange(std::size_t index);

  std::array<std::uint64_t, kInlineWords> low_{};
  std::vector<std::uint64_t> high_;  // CPUs 257 and up
};

// The mask text, for messages and test output.
std::ostream& operator<<(std::ostream& out, const CpuSet& set);

// Whether a machine with these managed (or online) CPUs has a CPU beyond the fourth: there the
// program manages every online CPU, mask texts grow, and the menus and the Options offer more.
bool ManagesMoreThanFourCpus(const CpuSet& managed);

// The CPUs the program manages on a machine with the given online CPUs: those CPUs when the
// machine has a CPU beyond the fourth, else CPUs 1 to 4 as on the machines it was first made for.
CpuSet ManagedCpus(const CpuSet& online);

// A set is managed when it names at least one CPU and only managed ones.
bool IsManagedMask(const CpuSet& mask, const CpuSet& managed = CpuSet{15});

// How many characters a mask text has on a machine whose managed CPUs are `managed`: one per CPU
// up to the highest, never fewer than four.
std::size_t MaskTextWidth(const CpuSet& managed);

// cpu1 + 2*cpu2 + 4*cpu3 + 8*cpu4; callers pass only 0 or 1.
std::int32_t FlagsToMask(std::int32_t cpu1, std::int32_t cpu2, std::int32_t cpu3,
                         std::int32_t cpu4);

// Reads at most the first `width` characters; any character but '1' counts as absent.
CpuSet TextToMask(std::string_view text, std::size_t width = 4);

// `width` characters, CPU 1 first: "1000" for CPU 1 of four; all "0" for the empty set and for a
// set naming a CPU past the width.
std::string MaskToText(const CpuSet& mask, std::size_t width = 4);

}  // namespace mervale
