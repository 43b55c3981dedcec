#include "tools/packer/PackWriter.h"

#include <zlib.h>

#include <algorithm>
#include <limits>

#include "engine/theme/KeyedScrambler.h"
#include "engine/theme/ThemePack.h"

namespace packer {
namespace {

constexpr std::size_t kMaxFiller = 255;
constexpr std::string_view kFillerText = "MoroGIF theme pack";

void PutU32(std::vector<std::uint8_t>& out, std::uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<std::uint8_t>(value >> shift));
}

}  // namespace

std::optional<std::vector<std::uint8_t>> BuildPack(std::span<const std::uint8_t> xml, std::span<const std::uint8_t> png,
                                                   std::string* error) {
  auto fail = [&](std::string reason) -> std::optional<std::vector<std::uint8_t>> {
    if (error) *error = std::move(reason);
    return std::nullopt;
  };
  constexpr std::size_t kSignatureSize = std::size(engine::kPngSignature);
  if (xml.empty()) return fail("the XML description is empty");
  if (png.size() <= kSignatureSize || !std::equal(std::begin(engine::kPngSignature), std::end(engine::kPngSignature), png.begin())) {
    return fail("the skin image is not a PNG file");
  }
  if (xml.size() > std::numeric_limits<std::uint32_t>::max() || png.size() > std::numeric_limits<std::uint32_t>::max()) {
    return fail("the theme is too large for a pack");
  }
  std::vector<std::uint8_t> pack;
  pack.reserve(xml.size() + png.size() + 8);
  PutU32(pack, static_cast<std::uint32_t>(xml.size()));
  pack.insert(pack.end(), xml.begin(), xml.end());
  PutU32(pack, static_cast<std::uint32_t>(png.size() - kSignatureSize));
  pack.insert(pack.end(), png.begin() + kSignatureSize, png.end());
  return pack;
}

void ScramblePack(std::vector<std::uint8_t>& pack, std::string_view password) {
  if (!password.empty()) engine::KeyedScrambler(password).Scramble(pack);
}

std::vector<std::uint8_t> PackContainer(std::span<const std::uint8_t> unpacked, engine::ContainerKind kind,
                                        std::span<const std::uint8_t> filler) {
  filler = filler.first(std::min(filler.size(), kMaxFiller));
  uLongf streamSize = compressBound(static_cast<uLong>(unpacked.size()));
  std::vector<std::uint8_t> stream(streamSize);
  if (compress2(stream.data(), &streamSize, unpacked.data(), static_cast<uLong>(unpacked.size()), Z_BEST_COMPRESSION) != Z_OK) {
    return {};
  }
  stream.resize(streamSize);

  std::vector<std::uint8_t> out;
  out.reserve(engine::kContainerHeaderSize + filler.size() + stream.size());
  out.push_back(0);
  out.push_back(static_cast<std::uint8_t>(filler.size()));
  out.insert(out.end(), filler.begin(), filler.end());
  PutU32(out, engine::ContainerMagic(kind));
  PutU32(out, ~static_cast<std::uint32_t>(unpacked.size()));
  out.insert(out.end(), stream.begin(), stream.end());
  return out;
}

std::span<const std::uint8_t> DefaultFiller() {
  return {reinterpret_cast<const std::uint8_t*>(kFillerText.data()), kFillerText.size()};
}

}  // namespace packer
