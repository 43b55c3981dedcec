#pragma once
// Keyed byte substitution for password-protected theme packs.
//
// The key text is stretched into 32 bytes of key material, which drive the swaps that shuffle a
// 256-entry permutation of the byte values (the swap partner of position i comes from the key
// material, cycling every 32 positions). Scrambling replaces each byte b by the permutation's entry at
// b; unscrambling replaces each byte by its position in the permutation. After every byte the matched
// entry trades places with a key- and data-driven partner, so equal input bytes need not give equal
// output bytes. The object is a stream: feeding a buffer in pieces gives the same result as feeding
// it whole. Scrambling and unscrambling with the same key are exact inverses.
#include <array>
#include <cstdint>
#include <span>
#include <string_view>

namespace engine {

class KeyedScrambler {
 public:
  static constexpr std::size_t kKeyMaterialSize = 32;

  explicit KeyedScrambler(std::string_view key);

  void Scramble(std::span<std::uint8_t> bytes);
  void Unscramble(std::span<std::uint8_t> bytes);

 private:
  // Moves the entry just used (at `position`, holding `value`) to its next place.
  void Advance(std::uint8_t position, std::uint8_t value);

  std::array<std::uint8_t, kKeyMaterialSize> key_{};
  std::array<std::uint8_t, 256> table_{};     // position -> value
  std::array<std::uint8_t, 256> position_{};  // value -> position
  std::uint8_t mix_ = 0;
  std::uint32_t count_ = 0;
};

}  // namespace engine
