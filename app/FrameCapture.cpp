#include "app/FrameCapture.h"

#include <algorithm>

#include "encoder/GifMaker.h"
#include "gfx/ImageCodec.h"
#include "platform/Platform.h"

namespace app {
namespace {

constexpr int kMaxQuality = 100;

// A still GIF through the program's own encoder; the picture travels as a BMP file, as any frame does.
std::vector<std::uint8_t> encodeGif(const gfx::Bitmap& bitmap) {
  encoder::GifMaker maker;
  encoder::AnimationInfo info;
  info.LOOP = false;
  maker.Create(info);
  const auto bmp = gfx::encodeBmp(bitmap);
  if (!maker.AddFrame(encoder::FrameInfo{}, std::nullopt, std::span<const std::uint8_t>(bmp))) return {};
  return maker.encodeToMemory();
}

}  // namespace

std::vector<std::uint8_t> CaptureScreen(platform::Platform& ui, int x, int y, int width, int height, int imageFormat,
                                        int quality) {
  if (width <= 0 || height <= 0) return {};
  // Clipped to the screen in 64 bits: x + width need not fit in an int.
  const std::int64_t screenWidth = ui.GetSystemMetrics(platform::SM_CXSCREEN);
  const std::int64_t screenHeight = ui.GetSystemMetrics(platform::SM_CYSCREEN);
  const std::int64_t left = std::max<std::int64_t>(x, 0);
  const std::int64_t top = std::max<std::int64_t>(y, 0);
  const std::int64_t right = std::min(std::int64_t{x} + width, screenWidth);
  const std::int64_t bottom = std::min(std::int64_t{y} + height, screenHeight);
  if (right <= left || bottom <= top) return {};
  const gfx::Bitmap pixels = ui.GrabScreen(platform::Rect{static_cast<int>(left), static_cast<int>(top),
                                                          static_cast<int>(right), static_cast<int>(bottom)});
  if (pixels.empty()) return {};
  const int q = quality >= 1 ? std::min(quality, kMaxQuality) : 0;
  switch (static_cast<CaptureFormat>(imageFormat)) {
    case CaptureFormat::Jpeg: return gfx::encodeJpeg(pixels, q);
    case CaptureFormat::Gif: return encodeGif(pixels);
    case CaptureFormat::Png: return gfx::encodePng(pixels);
    case CaptureFormat::Tiff:
    case CaptureFormat::Bmp:
    default: return gfx::encodeBmp(pixels);
  }
}

std::vector<std::uint8_t> CaptureScreen(int x, int y, int width, int height, int imageFormat, int quality) {
  return CaptureScreen(platform::Platform::current(), x, y, width, height, imageFormat, quality);
}

}  // namespace app
