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
  if (count == 0) return set;
  const std::size_t words = (count + kWordBits - 1) / kWordBits;
  const std::size_t lastBits = count - (words - 1) * kWordBits;
  const std::uint64_t lastWord =
      lastBits == kWordBits ? ~std::uint64_t{0} : (std::uint64_t{1} << lastBits) - 1;
  set.first_ = words == 1 ? lastWord : ~std::uint64_t{0};
  if (words > 1) {
    set.rest_.assign(words - 1, ~std::uint64_t{0});
    set.rest_.back() = lastWord;
  }
  return set;
}

CpuSet CpuSet::FromWords(std::span<const std::uint64_t> words) {
  CpuSet set;
  if (words.empty()) return set;
  set.first_ = words.front();
  set.rest_.assign(words.begin() + 1, words.end());
  set.DropTrailingZeroWords();
  return set;
}

CpuSet CpuSet::FromNumbers(std::span<const unsigned> numbers) {
  CpuSet set;
  for (const unsigned cpu : numbers) set.Add(cpu);
  return set;
}

void CpuSet::Add(std::size_t cpu) {
  const std::size_t word = cpu / kWordBits;
  const std::uint64_t bit = std::uint64_t{1} << (cpu % kWordBits);
  if (word == 0) {
    first_ |= bit;
    return;
  }
  if (rest_.size() < word) rest_.resize(word, 0);
  rest_[word - 1] |= bit;
}

bool CpuSet::Contains(std::size_t cpu) const {
  return (Word(cpu / kWordBits) >> (cpu % kWordBits) & 1u) != 0;
}

std::size_t CpuSet::Count() const {
  std::size_t count = std::popcount(first_);
  for (const std::uint64_t word : rest_) count += std::popcount(word);
  return count;
}

std::size_t CpuSet::End() const {
  const std::uint64_t last = rest_.empty() ? first_ : rest_.back();
  return rest_.size() * kWordBits + kWordBits - std::countl_zero(last);
}

bool CpuSet::IsSubsetOf(const CpuSet& other) const {
  if ((first_ & ~other.first_) != 0 || rest_.size() > other.rest_.size()) return false;
  for (std::size_t i = 0; i < rest_.size(); ++i) {
    if ((rest_[i] & ~other.rest_[i]) != 0) return false;
  }
  return true;
}

std::uint64_t CpuSet::Word(std::size_t index) const {
  if (index == 0) return first_;
  return index <= rest_.size() ? rest_[index - 1] : 0;
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

void CpuSet::DropTrailingZeroWords() {
  while (!rest_.empty() && rest_.back() == 0) rest_.pop_back();
}

std::ostream& operator<<(std::ostream& out, const CpuSet& set) {
  return out << MaskToText(set, std::max<std::size_t>(set.End(), kFlagCount));
}

CpuSet ManagedCpus(const CpuSet& online) {
  return online.End() > kFlagCount ? online : CpuSet::FirstCpus(kFlagCount);
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
