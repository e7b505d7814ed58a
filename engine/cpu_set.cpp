// SPDX-License-Identifier: GPL-3.0-or-later

#include "engine/cpu_set.h"

#include <algorithm>
#include <bit>
#include <ostream>

namespace mervale {

namespace {

constexpr std::size_t kWordBits = 64;
constexpr std::size_t kFlagCount = 4;

}  // namespace

CpuSet CpuSet::FirstCpus(std::size_t count) {
  CpuSet set;
  const std::size_t fullWords = count / kWordBits;
  for (std::size_t i = 0; i < fullWords; ++i) set.WordToChange(i) = ~std::uint64_t{0};
  if (count % kWordBits != 0) {
    set.WordToChange(fullWords) = (std::uint64_t{1} << (count % kWordBits)) - 1;
  }
  return set;
}

CpuSet CpuSet::FromWords(std::span<const std::uint64_t> words) {
  CpuSet set;
  for (std::size_t i = 0; i < words.size(); ++i) {
    if (words[i] != 0) set.WordToChange(i) = words[i];
  }
  return set;
}

CpuSet CpuSet::FromNumbers(std::span<const unsigned> numbers) {
  CpuSet set;
  for (const unsigned cpu : numbers) set.Add(cpu);
  return set;
}

void CpuSet::Add(std::size_t cpu) {
  WordToChange(cpu / kWordBits) |= std::uint64_t{1} << (cpu % kWordBits);
}

bool CpuSet::Contains(std::size_t cpu) const {
  return (Word(cpu / kWordBits) >> (cpu % kWordBits) & 1u) != 0;
}

std::size_t CpuSet::Count() const {
  std::size_t count = 0;
  for (std::size_t i = 0; i < WordCount(); ++i) count += std::size_t(std::popcount(Word(i)));
  return count;
}

std::size_t CpuSet::End() const {
  const std::size_t words = WordCount();
  return words * kWordBits - std::size_t(std::countl_zero(Word(words - 1)));
}

std::size_t CpuSet::WordCount() const {
  if (!high_.empty()) return kInlineWords + high_.size();
  std::size_t words = kInlineWords;
  while (words > 1 && low_[words - 1] == 0) --words;
  return words;
}

bool CpuSet::IsSubsetOf(const CpuSet& other) const {
  for (std::size_t i = 0; i < WordCount(); ++i) {
    if ((Word(i) & ~other.Word(i)) != 0) return false;
  }
  return true;
}

CpuSet CpuSet::Common(const CpuSet& other) const {
  std::vector<std::uint64_t> words(std::min(WordCount(), other.WordCount()));
  for (std::size_t i = 0; i < words.size(); ++i) words[i] = Word(i) & other.Word(i);
  return FromWords(words);
}

std::uint64_t CpuSet::Word(std::size_t index) const {
  if (index < kInlineWords) return low_[index];
  return index - kInlineWords < high_.size() ? high_[index - kInlineWords] : 0;
}

std::uint64_t& CpuSet::WordToChange(std::size_t index) {
  if (index < kInlineWords) return low_[index];
  if (high_.size() <= index - kInlineWords) high_.resize(index - kInlineWords + 1, 0);
  return high_[index - kInlineWords];
}

std::vector<unsigned> CpuSet::Numbers() const {
  std::vector<unsigned> numbers;
  for (std::size_t word = 0; word < WordCount(); ++word) {
    for (std::uint64_t bits = Word(word); bits != 0; bits &= bits - 1) {
      numbers.push_back(unsigned(word * kWordBits + std::countr_zero(bits)));
    }
  }
  return numbers;
}

std::optional<std::size_t> CpuSet::FirstFrom(std::size_t cpu) const {
  const std::size_t firstWord = cpu / kWordBits;
  for (std::size_t word = firstWord; word < WordCount(); ++word) {
    std::uint64_t bits = Word(word);
    if (word == firstWord) bits &= ~std::uint64_t{0} << (cpu % kWordBits);
    if (bits != 0) return word * kWordBits + std::size_t(std::countr_zero(bits));
  }
  return std::nullopt;
}

std::ostream& operator<<(std::ostream& out, const CpuSet& set) {
  return out << MaskToText(set, std::max<std::size_t>(set.End(), kFlagCount));
}

bool ManagesMoreThanFourCpus(const CpuSet& managed) {
  return managed.End() > kFlagCount;
}

CpuSet ManagedCpus(const CpuSet& online) {
  return ManagesMoreThanFourCpus(online) ? online : CpuSet::FirstCpus(kFlagCount);
}

bool IsManagedMask(const CpuSet& mask, const CpuSet& managed) {
  return !mask.Empty() && mask.IsSubsetOf(managed);
}

std::size_t MaskTextWidth(const CpuSet& managed) {
  return std::max(managed.End(), kFlagCount);
}

std::int32_t FlagsToMask(std::int32_t cpu1, std::int32_t cpu2, std::int32_t cpu3,
                         std::int32_t cpu4) {
  // Unsigned arithmetic keeps out-of-contract flags from overflowing into undefined behaviour.
  const auto sum = static_cast<std::uint32_t>(cpu1) + 2u * static_cast<std::uint32_t>(cpu2) +
                   4u * static_cast<std::uint32_t>(cpu3) + 8u * static_cast<std::uint32_t>(cpu4);
  return static_cast<std::int32_t>(sum);
}

CpuSet TextToMask(std::string_view text, std::size_t width) {
  CpuSet mask;
  const std::size_t length = std::min(text.size(), width);
  for (std::size_t i = 0; i < length; ++i) {
    if (text[i] == '1') mask.Add(i);
  }
  return mask;
}

std::string MaskToText(const CpuSet& mask, std::size_t width) {
  std::string text(width, '0');
  if (mask.End() > width) return text;
  for (std::size_t word = 0; word < mask.WordCount(); ++word) {
    for (std::uint64_t bits = mask.Word(word); bits != 0; bits &= bits - 1) {
      text[word * kWordBits + std::size_t(std::countr_zero(bits))] = '1';
    }
  }
  return text;
}

}  // namespace mervale
