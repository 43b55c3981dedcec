#include "engine/theme/KeyedScrambler.h"

#include <utility>

namespace engine {
namespace {

constexpr std::uint32_t kFnvOffset = 2166136261u;
constexpr std::uint32_t kFnvPrime = 16777619u;
constexpr int kStretchRounds = 4;  // passes over the key material, so every byte depends on the whole key

}  // namespace

KeyedScrambler::KeyedScrambler(std::string_view key) {
  // Stretch the key: an FNV-1a state runs over the key text again and again, one output byte per step.
  std::uint32_t state = kFnvOffset;
  for (unsigned char c : key) state = (state ^ c) * kFnvPrime;
  for (int round = 0; round < kStretchRounds; ++round) {
    for (std::size_t i = 0; i < kKeyMaterialSize; ++i) {
      const unsigned char c = key.empty() ? 0 : static_cast<unsigned char>(key[i % key.size()]);
      state = (state ^ c ^ static_cast<std::uint32_t>(i + round * kKeyMaterialSize)) * kFnvPrime;
      key_[i] = static_cast<std::uint8_t>(key_[i] ^ (state >> 24) ^ (state >> 8));
    }
  }
  for (std::size_t i = 0; i < table_.size(); ++i) table_[i] = static_cast<std::uint8_t>(i);
  std::uint8_t j = 0;
  for (std::size_t i = 0; i < table_.size(); ++i) {
    j = static_cast<std::uint8_t>(j + table_[i] + key_[i % kKeyMaterialSize]);
    std::swap(table_[i], table_[j]);
  }
  for (std::size_t i = 0; i < table_.size(); ++i) position_[table_[i]] = static_cast<std::uint8_t>(i);
}

void KeyedScrambler::Advance(std::uint8_t position, std::uint8_t value) {
  mix_ = static_cast<std::uint8_t>(mix_ + value + key_[count_ % kKeyMaterialSize] + 1);
  ++count_;
  const std::uint8_t partner = mix_;
  std::swap(table_[position], table_[partner]);
  position_[table_[position]] = position;
  position_[table_[partner]] = partner;
}

void KeyedScrambler::Scramble(std::span<std::uint8_t> bytes) {
  for (std::uint8_t& b : bytes) {
    const std::uint8_t plain = b;
    b = table_[plain];
    Advance(plain, b);
  }
}

void KeyedScrambler::Unscramble(std::span<std::uint8_t> bytes) {
  for (std::uint8_t& b : bytes) {
    const std::uint8_t scrambled = b;
    b = position_[scrambled];
    Advance(b, scrambled);
  }
}

}  // namespace engine
