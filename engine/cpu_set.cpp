#include "engine/cpu_set.h"

#include <algorithm>
#include <array>

namespace mervale {

namespace {

constexpr std::size_t kCpuCount = 4;

}  // namespace

std::int32_t FlagsToMask(std::int32_t cpu1, std::int32_t cpu2, std::int32_t cpu3,
                         std::int32_t cpu4) {
  // Unsigned arithmetic keeps out-of-contract flags from overflowing into undefined behaviour.
  const auto sum = static_cast<std::uint32_t>(cpu1) + 2u * static_cast<std::uint32_t>(cpu2) +
                   4u * static_cast<std::uint32_t>(cpu3) + 8u * static_cast<std::uint32_t>(cpu4);
  return static_cast<std::int32_t>(sum);
}

std::string FlagsToText(std::int32_t cpu1, std::int32_t cpu2, std::int32_t cpu3,
                        std::int32_t cpu4) {
  const std::array<std::int32_t, kCpuCount> flags{cpu1, cpu2, cpu3, cpu4};
  std::string text(kCpuCount, '0');
  for (std::size_t i = 0; i < kCpuCount; ++i) {
    if (flags[i] == 1) text[i] = '1';
  }
  return text;
}

CpuSet TextToMask(std::string_view text) {
  CpuSet mask = 0;
  const std::size_t length = std::min(text.size(), kCpuCount);
  for (std::size_t i = 0; i < length; ++i) {
    if (text[i] == '1') mask |= CpuSet{1} << i;
  }
  return mask;
}

std::string MaskToText(CpuSet mask) {
  std::string text(kCpuCount, '0');
  if (!IsManagedMask(mask)) return text;
  for (std::size_t i = 0; i < kCpuCount; ++i) {
    if (mask & (CpuSet{1} << i)) text[i] = '1';
  }
  return text;
}

}  // namespace mervale
