#include "gfx/PngCodec.h"

#include <bit>
#include <cstring>
#include <string>

#include <png.h>

namespace gfx {
namespace {

constexpr int kBytesPerPixel = 4;

// libpng's simplified interface does the setjmp error handling inside and releases everything on
// failure; png_image_free covers the paths where we stop early.
class PngImage {
 public:
  PngImage() {
    std::memset(&image_, 0, sizeof image_);
    image_.version = PNG_IMAGE_VERSION;
  }
  ~PngImage() { png_image_free(&image_); }
  PngImage(const PngImage&) = delete;
  PngImage& operator=(const PngImage&) = delete;
  png_image* get() { return &image_; }
  png_image* operator->() { return &image_; }

 private:
  png_image image_;
};

DecodeResult failure(std::string why) {
  DecodeResult r;
  r.format = ImageFormat::Png;
  r.error = std::move(why);
  return r;
}

}  // namespace

DecodeResult PngCodec::decode(std::span<const std::uint8_t> bytes) {
  PngImage image;
  if (!png_image_begin_read_from_memory(image.get(), bytes.data(), bytes.size())) {
    return failure(std::string("PNG: ") + image->message);
  }
  if (!imageSizeAllowed(image->width, image->height)) {
    return failure("PNG size " + std::to_string(image->width) + "x" + std::to_string(image->height) + " is too large");
  }
  // 8-bit straight alpha in memory order B, G, R, A (little endian) or A, R, G, B, which is our pixel
  // word before premultiplication.
  image->format = std::endian::native == std::endian::little ? PNG_FORMAT_BGRA : PNG_FORMAT_ARGB;
  Bitmap out(static_cast<int>(image->width), static_cast<int>(image->height));
  if (!png_image_finish_read(image.get(), nullptr, out.data(), out.stride(), nullptr)) {
    return failure(std::string("PNG: ") + image->message);
  }
  const std::size_t count = static_cast<std::size_t>(out.width()) * out.height();
  std::uint32_t* p = out.data();
  for (std::size_t i = 0; i < count; ++i) p[i] = premultiply(p[i]);
  DecodeResult r;
  r.format = ImageFormat::Png;
  r.bitmap = std::move(out);
  return r;
}

std::vector<std::uint8_t> PngCodec::encode(const Bitmap& bitmap) {
  if (bitmap.empty()) return {};
  const std::size_t count = static_cast<std::size_t>(bitmap.width()) * bitmap.height();
  std::vector<std::uint8_t> rgba(count * kBytesPerPixel);
  const std::uint32_t* src = bitmap.data();
  for (std::size_t i = 0; i < count; ++i) {
    const Argb c = unpremultiply(src[i]);
    std::uint8_t* d = rgba.data() + i * kBytesPerPixel;
    d[0] = redOf(c);
    d[1] = greenOf(c);
    d[2] = blueOf(c);
    d[3] = alphaOf(c);
  }
  PngImage image;
  image->width = static_cast<png_uint_32>(bitmap.width());
  image->height = static_cast<png_uint_32>(bitmap.height());
  image->format = PNG_FORMAT_RGBA;
  image->flags = PNG_IMAGE_FLAG_FAST;  // low zlib effort: these are screen grabs and test artefacts
  png_alloc_size_t size = 0;
  const png_int_32 stride = bitmap.width() * kBytesPerPixel;
  if (!png_image_write_get_memory_size(*image.get(), size, 0, rgba.data(), stride, nullptr)) return {};
  std::vector<std::uint8_t> out(size);
  if (!png_image_write_to_memory(image.get(), out.data(), &size, 0, rgba.data(), stride, nullptr)) return {};
  out.resize(size);
  return out;
}

}  // namespace gfx
