#include "engine/theme/ThemePack.h"

#include <zlib.h>

#include <iterator>
#include <vector>

#include "engine/core/ReportError.h"
#include "engine/theme/KeyedScrambler.h"
#include "engine/theme/PackContainer.h"
#include "gfx/ImageCodec.h"

namespace engine {
namespace {

constexpr std::size_t kLengthFieldSize = 4;

std::uint32_t ReadU32(std::span<const std::uint8_t> bytes, std::size_t offset) {
  return static_cast<std::uint32_t>(bytes[offset]) | (static_cast<std::uint32_t>(bytes[offset + 1]) << 8) |
         (static_cast<std::uint32_t>(bytes[offset + 2]) << 16) |
         (static_cast<std::uint32_t>(bytes[offset + 3]) << 24);
}

PackContents Failure(int code, bool report) {
  if (report) ReportError(kPackLoadFailedMessage, code);
  PackContents out;
  out.code = code;
  return out;
}

}  // namespace

PackContents ReadPack(std::span<const std::uint8_t> packed, std::string_view password) {
  if (packed.empty()) return Failure(kThemeNothingUnpacked, false);

  std::vector<std::uint8_t> unpacked = UnpackContainer(packed, ContainerKind::ThemePack);
  if (!password.empty()) KeyedScrambler(password).Unscramble(unpacked);
  if (unpacked.empty()) return Failure(kThemeNothingUnpacked, true);

  // Lengths are checked against what is really there, not only against zero.
  const std::span<const std::uint8_t> data(unpacked);
  if (data.size() < kLengthFieldSize) return Failure(kThemeBadXmlLength, true);
  const std::size_t xmlLength = ReadU32(data, 0);
  if (xmlLength == 0 || xmlLength > data.size() - kLengthFieldSize) return Failure(kThemeBadXmlLength, true);

  const std::size_t imageField = kLengthFieldSize + xmlLength;
  if (data.size() - imageField < kLengthFieldSize) return Failure(kThemeBadImageLength, true);
  const std::size_t imageLength = ReadU32(data, imageField);
  const std::size_t imageOffset = imageField + kLengthFieldSize;
  if (imageLength == 0 || imageLength > data.size() - imageOffset) return Failure(kThemeBadImageLength, true);

  std::vector<std::uint8_t> png(std::begin(kPngSignature), std::end(kPngSignature));
  const auto image = data.subspan(imageOffset, imageLength);
  png.insert(png.end(), image.begin(), image.end());
  gfx::DecodeResult decoded = gfx::decodeImage(png);
  if (!decoded.ok()) return Failure(kThemeImageUndecodable, true);

  PackContents out;
  out.code = kThemeLoaded;
  out.xml.assign(reinterpret_cast<const char*>(data.data()) + kLengthFieldSize, xmlLength);
  out.image = std::make_shared<const gfx::Bitmap>(std::move(decoded.bitmap));
  return out;
}

std::uint32_t ThemeIdentity(std::span<const std::uint8_t> packed) {
  return static_cast<std::uint32_t>(crc32_z(0, packed.data(), packed.size()));
}

}  // namespace engine
