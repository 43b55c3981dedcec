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
  const platform::Rect wanted = platform::Rect::fromXywh(x, y, width, height);
  const platform::Rect screen{0, 0, ui.GetSystemMetrics(platform::SM_CXSCREEN), ui.GetSystemMetrics(platform::SM_CYSCREEN)};
  if (wanted.intersect(screen).empty()) return {};
  const gfx::Bitmap pixels = ui.GrabScreen(wanted);
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
