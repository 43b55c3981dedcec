#pragma once
// Reading a theme pack: container -> (optional unscrambling) -> XML description + skin image.
//
// Unpacked layout (little-endian): u32 XML length (non-zero), the XML bytes, u32 image length
// (non-zero), the image: a PNG file without its 8-byte signature. Bytes after the image are ignored.
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "gfx/Bitmap.h"

namespace engine {

// Result codes of reading and loading a pack.
enum ThemeResult : int {
  kThemeLoaded = 0,
  kThemeNothingUnpacked = 1,   // too short, wrong magic, zlib error, empty input
  kThemeBadXmlLength = 2,      // XML length zero (or running past the data)
  kThemeBadImageLength = 3,    // image length zero or too large
  kThemeImageUndecodable = 4,  // the skin image could not be decoded
  kThemeXmlUnparsable = 11,    // the XML description could not be parsed
  kThemeNoImage = 12,          // no image after loading
};

inline constexpr std::string_view kPackLoadFailedMessage = "主题包加载失败,将使用默认主题包";
inline constexpr std::string_view kDefaultPackLoadFailedMessage = "默认主题包加载失败";

// The PNG signature that packs leave out of the stored image.
inline constexpr std::uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};

using ThemeImage = std::shared_ptr<const gfx::Bitmap>;

struct PackContents {
  int code = kThemeNothingUnpacked;
  std::string xml;  // the description's bytes as stored (usually GBK)
  ThemeImage image;  // null on failure
};

// Reads a packed theme. A non-empty password unscrambles the unpacked bytes first. On failure the
// outputs are empty and, unless `packed` itself was empty, the error report kPackLoadFailedMessage is
// raised with the code; the caller keeps the theme it had.
PackContents ReadPack(std::span<const std::uint8_t> packed, std::string_view password);

// A pack's identity: CRC-32 (IEEE, initial value 0) of the packed container bytes.
std::uint32_t ThemeIdentity(std::span<const std::uint8_t> packed);

}  // namespace engine
