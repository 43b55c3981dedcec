#pragma once
// Picture files in and out of Bitmaps: the decoders every part of the program uses (BMP, JPEG, GIF, PNG)
// and the encoders (BMP, JPEG with a quality, PNG).
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "gfx/Bitmap.h"

namespace gfx {

enum class ImageFormat { Unknown, Bmp, Jpeg, Gif, Png };

// Pictures larger than this are refused before anything is allocated: a few bytes of header must not
// be able to ask for gigabytes.
constexpr int kMaxImageSide = 32768;
constexpr std::int64_t kMaxImagePixels = std::int64_t{1} << 28;
constexpr bool imageSizeAllowed(std::int64_t width, std::int64_t height) {
  return width > 0 && height > 0 && width <= kMaxImageSide && height <= kMaxImageSide &&
         width * height <= kMaxImagePixels;
}
// decodeAnimation refuses (an error, no frames) an animation whose composed frames together would hold
// more pixels than this.
constexpr std::int64_t kMaxAnimationPixels = std::int64_t{1} << 28;

// The format named by the first bytes of a file; Unknown when none matches.
ImageFormat sniffImageFormat(std::span<const std::uint8_t> bytes);

struct DecodeResult {
  Bitmap bitmap;       // empty on failure
  ImageFormat format = ImageFormat::Unknown;
  std::string error;   // why decoding failed (English, for logs and tests); empty on success
  bool ok() const { return !bitmap.empty(); }
};

// Decodes a whole picture file held in memory. Of a GIF only the first image is returned, composed on
// its logical screen. Never throws; corrupt or truncated input gives an error, not a crash.
DecodeResult decodeImage(std::span<const std::uint8_t> bytes);

// One frame of an animated picture, composed onto the full logical screen as a viewer shows it.
struct AnimationFrame {
  Bitmap bitmap;
  int delayCs = 0;  // display time in 1/100 s as stored in the file
};
// Every frame of a GIF (a still picture of another format gives one frame with delay 0); empty on failure.
std::vector<AnimationFrame> decodeAnimation(std::span<const std::uint8_t> bytes, std::string* error = nullptr);

// Encoders. Alpha is kept by PNG; BMP (24-bit) and JPEG drop it (pixels taken as they are stored).
// An empty bitmap gives an empty result.
std::vector<std::uint8_t> encodeBmp(const Bitmap& bitmap);
// quality 1..100; 0 or less means the encoder's default (75). Chroma is halved both ways below 100;
// 100 keeps it whole, for screen content.
std::vector<std::uint8_t> encodeJpeg(const Bitmap& bitmap, int quality = 0);
std::vector<std::uint8_t> encodePng(const Bitmap& bitmap);

}  // namespace gfx
