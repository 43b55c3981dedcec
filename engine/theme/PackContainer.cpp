#include "engine/theme/PackContainer.h"

#include <zlib.h>

#include <limits>

namespace engine {
namespace {

// deflate cannot shrink data by more than about 1032:1; a larger claim is a corrupt header.
constexpr std::size_t kMaxDeflateRatio = 1032;
constexpr std::size_t kDeflateSlack = 64;

std::uint32_t ReadU32(std::span<const std::uint8_t> bytes, std::size_t offset) {
  return static_cast<std::uint32_t>(bytes[offset]) | (static_cast<std::uint32_t>(bytes[offset + 1]) << 8) |
         (static_cast<std::uint32_t>(bytes[offset + 2]) << 16) |
         (static_cast<std::uint32_t>(bytes[offset + 3]) << 24);
}

}  // namespace

std::uint32_t ContainerMagic(ContainerKind kind) {
  return kind == ContainerKind::ThemePack ? kThemePackMagic : kDecompressionModuleMagic;
}

std::vector<std::uint8_t> UnpackContainer(std::span<const std::uint8_t> packed, ContainerKind kind) {
  if (packed.size() < kContainerMinimumSize) return {};
  const std::size_t filler = packed[kContainerFillerLengthOffset];
  const std::size_t magicOffset = kContainerFillerOffset + filler;
  const std::size_t streamOffset = kContainerHeaderSize + filler;
  if (packed.size() < streamOffset) return {};
  if (ReadU32(packed, magicOffset) != ContainerMagic(kind)) return {};

  const std::size_t unpackedSize = static_cast<std::uint32_t>(~ReadU32(packed, magicOffset + 4));
  const std::span<const std::uint8_t> stream = packed.subspan(streamOffset);
  if (unpackedSize == 0 || unpackedSize > kMaxUnpackedSize ||
      unpackedSize > stream.size() * kMaxDeflateRatio + kDeflateSlack ||
      stream.size() > std::numeric_limits<uLong>::max()) {
    return {};
  }
  std::vector<std::uint8_t> out(unpackedSize);
  uLongf outSize = static_cast<uLongf>(out.size());
  if (uncompress(out.data(), &outSize, stream.data(), static_cast<uLong>(stream.size())) != Z_OK) return {};
  out.resize(outSize);
  return out;
}

}  // namespace engine
