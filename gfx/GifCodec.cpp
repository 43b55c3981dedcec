#include "gfx/GifCodec.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <optional>

#include "encoder/GifFormat.h"
#include "encoder/GifLzwDecoder.h"
#include "gfx/CodecBytes.h"

// Composition rules, as common viewers apply them:
// - The canvas starts transparent black; the background colour index of the logical screen is not
//   painted (so pixels outside the first image are transparent), and disposal 2 restores to
//   transparent, not to that colour.
// - A zero logical width or height takes the first image's.
// - Images reaching outside the logical screen are clipped.
// - An image without any colour table is shown through a grey ramp.
// - Data cut short keeps what was decoded: the missing pixels are left as they were.

namespace gfx {
namespace {

using namespace encoder::gif_format;

using codec_bytes::readLe16;

constexpr int kDisposeToBackground = 2;
constexpr int kDisposeToPrevious = 3;
constexpr int kPaletteSize = 256;
constexpr int kMaxIndexBits = 8;
constexpr int kMaxLzwString = 4097;  // a 4096-entry table holds no longer string
constexpr Argb kOpaqueBlack = 0xFF000000u;

std::size_t colourTableBytes(std::uint8_t packed) { return kBytesPerColour << ((packed & kTableSizeMask) + 1); }

struct GifImage {
  int left = 0, top = 0, width = 0, height = 0;
  bool interlaced = false;
  std::array<Argb, kPaletteSize> palette{};
  int transparentIndex = -1;
  int disposal = 0;
  int delayCs = 0;
  int minCodeSize = 0;
  std::vector<std::uint8_t> data;  // the joined LZW sub-blocks
};

void readPalette(std::span<const std::uint8_t> table, std::array<Argb, kPaletteSize>& palette) {
  palette.fill(kOpaqueBlack);
  for (std::size_t i = 0; i < table.size() / 3 && i < palette.size(); ++i) {
    palette[i] = makeArgb(255, table[3 * i], table[3 * i + 1], table[3 * i + 2]);
  }
}

// Walks the blocks of a GIF one image at a time.
class GifParser {
 public:
  explicit GifParser(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

  bool open(std::string& error) {
    if (bytes_.size() < kHeaderBytes || std::memcmp(bytes_.data(), "GIF", 3) != 0) {
      error = "not a GIF file";
      return false;
    }
    screenWidth_ = readLe16(bytes_, 6);
    screenHeight_ = readLe16(bytes_, 8);
    const std::uint8_t packed = bytes_[10];
    pos_ = kHeaderBytes;
    if (packed & kColourTableFlag) {
      const std::size_t size = colourTableBytes(packed);
      if (pos_ + size > bytes_.size()) {
        error = "GIF global colour table is truncated";
        return false;
      }
      globalTable_ = bytes_.subspan(pos_, size);
      pos_ += size;
    }
    return true;
  }

  int screenWidth() const { return screenWidth_; }
  int screenHeight() const { return screenHeight_; }

  enum class Step { Image, End, Broken };

  // The next image; End at the trailer or the end of the data, Broken (with `error`) on a block that
  // cannot be read.
  Step next(GifImage& image, std::string& error) {
    int transparent = -1, disposal = 0, delay = 0;
    while (!finished_ && pos_ < bytes_.size()) {
      const std::uint8_t introducer = bytes_[pos_];
      if (introducer == kTrailer) break;
      if (introducer == kExtensionIntroducer) {
        if (pos_ + 2 > bytes_.size()) break;
        const std::uint8_t label = bytes_[pos_ + 1];
        pos_ += 2;
        if (label == kGraphicControlLabel && pos_ + 1 + kGraphicControlBytes <= bytes_.size() &&
            bytes_[pos_] == kGraphicControlBytes) {
          const std::uint8_t flags = bytes_[pos_ + 1];
          delay = readLe16(bytes_, pos_ + 2);
          disposal = (flags >> kDisposalShift) & kDisposalMask;
          transparent = (flags & kTransparentFlag) ? bytes_[pos_ + 4] : -1;
        }
        skipped_.clear();
        if (!encoder::readSubBlocks(bytes_, pos_, skipped_)) break;
        continue;
      }
      if (introducer != kImageSeparator) {
        char text[64];
        std::snprintf(text, sizeof text, "unknown GIF block 0x%02X at offset %zu", introducer, pos_);
        error = text;
        return Step::Broken;
      }
      if (pos_ + kDescriptorBytes > bytes_.size()) break;
      const std::span<const std::uint8_t> d = bytes_.subspan(pos_, kDescriptorBytes);
      image.left = readLe16(d, 1);
      image.top = readLe16(d, 3);
      image.width = readLe16(d, 5);
      image.height = readLe16(d, 7);
      const std::uint8_t packed = d[9];
      image.interlaced = packed & kInterlaceFlag;
      pos_ += kDescriptorBytes;
      std::span<const std::uint8_t> table = globalTable_;
      if (packed & kColourTableFlag) {
        const std::size_t size = colourTableBytes(packed);
        if (pos_ + size > bytes_.size()) break;
        table = bytes_.subspan(pos_, size);
        pos_ += size;
      }
      if (pos_ >= bytes_.size()) break;
      image.minCodeSize = bytes_[pos_++];
      if (!table.empty()) {
        readPalette(table, image.palette);
      } else {
        // No colour table at all: a grey ramp over the index range the code size allows.
        const int bits = std::clamp(image.minCodeSize, 1, kMaxIndexBits);
        const int levels = 1 << bits;
        image.palette.fill(kOpaqueBlack);
        for (int i = 0; i < levels; ++i) {
          const unsigned grey = static_cast<unsigned>(i * 255 / (levels - 1));
          image.palette[static_cast<std::size_t>(i)] = makeArgb(255, grey, grey, grey);
        }
      }
      image.transparentIndex = transparent;
      image.disposal = disposal;
      image.delayCs = delay;
      image.data.clear();
      // A data chain cut short still gives its image; nothing can follow it.
      if (!encoder::readSubBlocks(bytes_, pos_, image.data)) finished_ = true;
      return Step::Image;
    }
    finished_ = true;
    return Step::End;
  }

 private:
  std::span<const std::uint8_t> bytes_;
  std::size_t pos_ = 0;
  bool finished_ = false;
  int screenWidth_ = 0;
  int screenHeight_ = 0;
  std::span<const std::uint8_t> globalTable_;
  std::vector<std::uint8_t> skipped_;
};

// Most pixels `data` can code: the n-th code yields at most n indices (and never more than the longest
// table string), so a few bytes cannot claim a huge image's worth of index buffer.
std::size_t lzwOutputBound(std::size_t dataBytes, int minCodeSize) {
  const std::uint64_t codes = dataBytes * 8 / static_cast<std::uint64_t>(std::max(minCodeSize + 1, 2));
  if (codes > 2 * kMaxLzwString) return static_cast<std::size_t>(codes * kMaxLzwString);
  return static_cast<std::size_t>(codes * (codes + 1) / 2);
}

// Decodes `image` and paints its opaque pixels onto `canvas`. False when not one pixel could be decoded.
bool paintImage(const GifImage& image, Bitmap& canvas, std::vector<std::uint8_t>& indices, std::string& error) {
  if (static_cast<std::size_t>(image.width) * image.height == 0) return true;

  // Stream row -> image row: interlaced images come in four passes.
  std::vector<int> rowOf(static_cast<std::size_t>(image.height));
  if (image.interlaced) {
    constexpr std::array<std::pair<int, int>, 4> kPasses{{{0, 8}, {4, 8}, {2, 4}, {1, 2}}};
    std::size_t i = 0;
    for (auto [start, step] : kPasses) {
      for (int y = start; y < image.height; y += step) rowOf[i++] = y;
    }
  } else {
    for (int y = 0; y < image.height; ++y) rowOf[static_cast<std::size_t>(y)] = y;
  }

  // Only the stream rows up to the last one that lands on the canvas are decoded (at least one, so
  // broken data is still noticed): an image may claim 65535 x 65535 pixels over a tiny screen.
  std::size_t rowsNeeded = 1;
  for (std::size_t s = 0; s < rowOf.size(); ++s)
    if (image.top + rowOf[s] < canvas.height()) rowsNeeded = s + 1;
  const std::size_t total = std::min<std::size_t>(static_cast<std::size_t>(image.width) * rowsNeeded,
                                                  static_cast<std::size_t>(kMaxImagePixels));
  indices.resize(std::min(total, lzwOutputBound(image.data.size(), image.minCodeSize)));
  if (indices.empty()) {
    error = "GIF image data is missing";
    return false;
  }
  const auto lzw = encoder::decodeGifLzw(image.minCodeSize, image.data, indices);
  if (lzw.pixels == 0 && !lzw.error.empty()) {
    error = "GIF image data: " + lzw.error;
    return false;
  }

  const int x0 = std::max(0, -image.left);  // image columns that land on the canvas
  const int x1 = std::min(image.width, canvas.width() - image.left);
  for (std::size_t streamRow = 0; streamRow * image.width < lzw.pixels; ++streamRow) {
    const int y = image.top + rowOf[streamRow];
    if (y >= canvas.height() || x1 <= x0) continue;
    const std::uint8_t* src = indices.data() + streamRow * image.width;
    const std::size_t rowPixels = std::min<std::size_t>(image.width, lzw.pixels - streamRow * image.width);
    const int end = std::min<int>(x1, static_cast<int>(rowPixels));
    std::uint32_t* dst = canvas.row(y) + image.left;
    for (int x = x0; x < end; ++x) {
      if (src[x] != image.transparentIndex) dst[x] = image.palette[src[x]];
    }
  }
  return true;
}

struct CanvasSize {
  int width = 0;
  int height = 0;
};

// Opens the file and reads up to its first image; gives the canvas size.
std::optional<CanvasSize> openCanvas(GifParser& parser, GifImage& first, std::string& error) {
  if (!parser.open(error)) return std::nullopt;
  const auto step = parser.next(first, error);
  if (step == GifParser::Step::Broken) return std::nullopt;
  if (step == GifParser::Step::End) {
    error = "GIF holds no image";
    return std::nullopt;
  }
  const int width = parser.screenWidth() > 0 ? parser.screenWidth() : first.width;
  const int height = parser.screenHeight() > 0 ? parser.screenHeight() : first.height;
  if (!imageSizeAllowed(width, height)) {
    error = "GIF size " + std::to_string(width) + "x" + std::to_string(height) + " is empty or too large";
    return std::nullopt;
  }
  return CanvasSize{width, height};
}

// Counts the images before any frame is composed, so a small file cannot make us hold gigabytes.
bool animationFits(std::span<const std::uint8_t> bytes, int width, int height) {
  const std::int64_t framePixels = std::int64_t{width} * height;
  GifParser parser(bytes);
  std::string ignored;
  if (!parser.open(ignored)) return false;
  GifImage image;
  std::int64_t total = 0;
  while (parser.next(image, ignored) == GifParser::Step::Image) {
    total += framePixels;
    if (total > kMaxAnimationPixels) return false;
  }
  return true;
}

void clearRect(Bitmap& canvas, const GifImage& image) {
  const int x0 = std::max(0, image.left), x1 = std::min(canvas.width(), image.left + image.width);
  const int y1 = std::min(canvas.height(), image.top + image.height);
  for (int y = image.top; y < y1 && x0 < x1; ++y) std::fill(canvas.row(y) + x0, canvas.row(y) + x1, 0u);
}

}  // namespace

DecodeResult GifCodec::decodeFirst(std::span<const std::uint8_t> bytes) {
  DecodeResult result;
  result.format = ImageFormat::Gif;
  GifParser parser(bytes);
  GifImage image;
  const auto size = openCanvas(parser, image, result.error);
  if (!size) return result;
  Bitmap canvas(size->width, size->height);
  std::vector<std::uint8_t> indices;
  if (!paintImage(image, canvas, indices, result.error)) return result;
  result.bitmap = std::move(canvas);
  return result;
}

std::vector<AnimationFrame> GifCodec::decodeAll(std::span<const std::uint8_t> bytes, std::string* error) {
  std::string why;
  std::vector<AnimationFrame> frames;
  GifParser parser(bytes);
  GifImage image;
  auto size = openCanvas(parser, image, why);
  if (size && !animationFits(bytes, size->width, size->height)) {
    why = "GIF animation holds more than " + std::to_string(kMaxAnimationPixels) + " pixels";
    size.reset();
  }
  std::optional<Bitmap> canvas;
  if (size) canvas.emplace(size->width, size->height);
  if (canvas) {
    std::vector<std::uint8_t> indices;
    Bitmap saved;
    for (;;) {
      if (image.disposal == kDisposeToPrevious) saved = *canvas;
      // A broken later image ends the animation where a viewer stops; a broken first one is an error.
      if (!paintImage(image, *canvas, indices, why)) {
        if (!frames.empty()) why.clear();
        break;
      }
      frames.push_back({*canvas, image.delayCs});
      if (image.disposal == kDisposeToBackground) clearRect(*canvas, image);
      if (image.disposal == kDisposeToPrevious) *canvas = std::move(saved);
      std::string ignored;  // blocks that cannot be read after the first image just end it
      if (parser.next(image, ignored) != GifParser::Step::Image) break;
    }
  }
  if (error) *error = frames.empty() ? why : std::string();
  return frames;
}

}  // namespace gfx
