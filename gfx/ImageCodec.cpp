#include "gfx/ImageCodec.h"

#include <algorithm>
#include <array>

#include "gfx/BmpCodec.h"
#include "gfx/GifCodec.h"
#include "gfx/JpegCodec.h"
#include "gfx/PngCodec.h"

namespace gfx {
namespace {

constexpr std::array<std::uint8_t, 2> kBmpSignature{'B', 'M'};
constexpr std::array<std::uint8_t, 3> kJpegSignature{0xFF, 0xD8, 0xFF};
constexpr std::array<std::uint8_t, 6> kGif87Signature{'G', 'I', 'F', '8', '7', 'a'};
constexpr std::array<std::uint8_t, 6> kGif89Signature{'G', 'I', 'F', '8', '9', 'a'};
constexpr std::array<std::uint8_t, 8> kPngSignature{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

template <std::size_t N>
bool startsWith(std::span<const std::uint8_t> bytes, const std::array<std::uint8_t, N>& signature) {
  return bytes.size() >= N && std::equal(signature.begin(), signature.end(), bytes.begin());
}

}  // namespace

ImageFormat sniffImageFormat(std::span<const std::uint8_t> bytes) {
  if (startsWith(bytes, kBmpSignature)) return ImageFormat::Bmp;
  if (startsWith(bytes, kJpegSignature)) return ImageFormat::Jpeg;
  if (startsWith(bytes, kGif87Signature) || startsWith(bytes, kGif89Signature)) return ImageFormat::Gif;
  if (startsWith(bytes, kPngSignature)) return ImageFormat::Png;
  return ImageFormat::Unknown;
}

DecodeResult decodeImage(std::span<const std::uint8_t> bytes) {
  switch (sniffImageFormat(bytes)) {
    case ImageFormat::Bmp: return BmpCodec::decode(bytes);
    case ImageFormat::Jpeg: return JpegCodec::decode(bytes);
    case ImageFormat::Gif: return GifCodec::decodeFirst(bytes);
    case ImageFormat::Png: return PngCodec::decode(bytes);
    case ImageFormat::Unknown: break;
  }
  DecodeResult r;
  r.error = "not a BMP, JPEG, GIF or PNG picture";
  return r;
}

std::vector<AnimationFrame> decodeAnimation(std::span<const std::uint8_t> bytes, std::string* error) {
  if (sniffImageFormat(bytes) == ImageFormat::Gif) return GifCodec::decodeAll(bytes, error);
  DecodeResult still = decodeImage(bytes);
  if (error) *error = still.error;
  std::vector<AnimationFrame> frames;
  if (still.ok()) frames.push_back({std::move(still.bitmap), 0});
  return frames;
}

std::vector<std::uint8_t> encodeBmp(const Bitmap& bitmap) { return BmpCodec::encode(bitmap); }

std::vector<std::uint8_t> encodeJpeg(const Bitmap& bitmap, int quality) { return JpegCodec::encode(bitmap, quality); }

std::vector<std::uint8_t> encodePng(const Bitmap& bitmap) { return PngCodec::encode(bitmap); }

}  // namespace gfx
