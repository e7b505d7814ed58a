#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace mervale {

// An affinity mask of CPUs 1 to 4, CPU 1 being bit 0. The program manages the values 1 to 15;
// anything else read back from the system counts as outside its range.
using CpuSet = std::uint32_t;

// cpu1 + 2*cpu2 + 4*cpu3 + 8*cpu4; callers pass only 0 or 1.
std::int32_t FlagsToMask(std::int32_t cpu1, std::int32_t cpu2, std::int32_t cpu3,
                         std::int32_t cpu4);

// Four characters, CPU 1 first; a flag other than 1 leaves its character "0".
std::string FlagsToText(std::int32_t cpu1, std::int32_t cpu2, std::int32_t cpu3, std::int32_t cpu4);

// Reads at most the first four characters; any character but '1' counts as absent.
CpuSet TextToMask(std::string_view text);

// "1000" for 1 ... "1111" for 15; "0000" for 0 and for every value above 15.
std::string MaskToText(CpuSet mask);

// True for the masks 1 to 15, the only ones the engine tracks and assigns.
constexpr bool IsManagedMask(CpuSet mask) {
  return mask - 1u < 15u;
}

}  // namespace mervale
