#pragma once
// The packed container that carries a theme pack (and, in principle, the stored decompression module):
//   byte 0 ignored, byte 1 = n, n filler bytes, u32 kind magic, u32 NOT(unpacked length), zlib stream.
// All integers little-endian.
#include <cstdint>
#include <span>
#include <vector>

namespace engine {

enum class ContainerKind { ThemePack, DecompressionModule };

inline constexpr std::uint32_t kThemePackMagic = 0x301EB343u;
inline constexpr std::uint32_t kDecompressionModuleMagic = 0x6D6C647Au;

// Offsets inside a container whose filler is n bytes long.
inline constexpr std::size_t kContainerFillerLengthOffset = 1;
inline constexpr std::size_t kContainerFillerOffset = 2;
inline constexpr std::size_t kContainerHeaderSize = 10;  // without the filler
// Anything shorter cannot hold a header and one byte of stream.
inline constexpr std::size_t kContainerMinimumSize = 9;
// An unpacked size above this is taken for a corrupt header rather than allocated.
inline constexpr std::size_t kMaxUnpackedSize = 64u * 1024 * 1024;

std::uint32_t ContainerMagic(ContainerKind kind);

// The unpacked bytes, or empty bytes on any failure (too short, wrong magic, impossible length,
// zlib error).
std::vector<std::uint8_t> UnpackContainer(std::span<const std::uint8_t> packed, ContainerKind kind);

}  // namespace engine
