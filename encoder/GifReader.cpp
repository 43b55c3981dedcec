#include "encoder/GifReader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <new>

#include "encoder/EncoderError.h"
#include "encoder/GifFormat.h"
#include "encoder/GifLzwDecoder.h"
#include "encoder/OutputSink.h"

namespace encoder {

using namespace gif_format;

namespace {

// File layout.
constexpr std::size_t kMinGifBytes = 34;  // shorter data cannot hold a header, a screen and one image
constexpr std::size_t kSignatureBytes = 3;
constexpr std::size_t kVersionBytes = 3;
constexpr std::size_t kScreenWidthAt = 6;
constexpr std::size_t kScreenHeightAt = 8;
constexpr std::size_t kScreenPackedAt = 10;
constexpr std::size_t kBackgroundAt = 11;

constexpr std::size_t kApplicationIdBytes = 11;  // identifier and authentication code
constexpr std::size_t kLoopSubBlockBytes = 3;  // sub-block id 1 and the loop count
constexpr std::uint8_t kLoopSubBlockId = 1;
constexpr std::size_t kLoopCountOffset = 13;   // from the identifier's first byte to the loop count

// A frame is refused beyond this many pixels, so a forged descriptor cannot demand gigabytes.
constexpr std::size_t kMaxFramePixels = std::size_t{1} << 26;

std::uint16_t readU16(std::span<const std::uint8_t> d, std::size_t at) {
  return static_cast<std::uint16_t>(d[at] | (d[at + 1] << 8));
}
void writeU16(std::span<std::uint8_t> d, std::size_t at, std::uint16_t v) {
  d[at] = static_cast<std::uint8_t>(v & 0xFF);
  d[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

bool equalsIgnoringCase(std::span<const std::uint8_t> bytes, std::string_view lower) {
  for (std::size_t i = 0; i < lower.size(); ++i) {
    std::uint8_t c = bytes[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<std::uint8_t>(c - 'A' + 'a');
    if (c != static_cast<std::uint8_t>(lower[i])) return false;
  }
  return true;
}

// Entries of a colour table whose packed size field is `packed & 7`.
std::size_t tableEntries(std::uint8_t packed) { return std::size_t{2} << (packed & kTableSizeMask); }
std::size_t tableBytes(std::uint8_t packed) {
  return (packed & kColourTableFlag) ? kBytesPerColour * tableEntries(packed) : 0;
}

// A text of the records ends at its first NUL, as the component's texts always have.
std::string recordText(std::span<const std::uint8_t> bytes) {
  const auto end = std::find(bytes.begin(), bytes.end(), std::uint8_t{0});
  return std::string(bytes.begin(), end);
}

// Steps over the sub-block chain at `pos` (length byte, data, ..., terminator). False when it runs past
// the end of the data.
bool skipSubBlocks(std::span<const std::uint8_t> d, std::size_t& pos) {
  while (pos < d.size()) {
    const std::size_t n = d[pos];
    if (n == 0) {
      ++pos;
      return true;
    }
    pos += 1 + n;
  }
  pos = d.size();
  return false;
}

std::vector<std::uint8_t> readWholeFile(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) throw EncoderError(fileErrorText("cannot open file", path, errno), 0);
  struct Closer {
    int fd;
    ~Closer() { ::close(fd); }
  } closer{fd};
  struct stat st {};
  if (::fstat(fd, &st) != 0) throw EncoderError(fileErrorText("cannot read file", path, errno), 0);
  if (S_ISDIR(st.st_mode)) throw EncoderError(fileErrorText("cannot read file", path, EISDIR), 0);
  std::vector<std::uint8_t> bytes;
  try {
    // Regular files are read in one go; other files (pipes) grow the buffer as they deliver.
    constexpr std::size_t kChunk = 64 * 1024;
    bytes.reserve(S_ISREG(st.st_mode) ? static_cast<std::size_t>(st.st_size) : kChunk);
    std::size_t used = 0;
    for (;;) {
      if (bytes.size() - used < kChunk / 2) bytes.resize(std::max(bytes.capacity(), used + kChunk));
      const ssize_t got = ::read(fd, bytes.data() + used, bytes.size() - used);
      if (got < 0) {
        if (errno == EINTR) continue;
        throw EncoderError(fileErrorText("cannot read file", path, errno), 0);
      }
      if (got == 0) break;
      used += static_cast<std::size_t>(got);
    }
    bytes.resize(used);
  } catch (const std::bad_alloc&) {
    throw EncoderError(errors::kFileMemory);
  }
  return bytes;
}

// BMP file image of an indexed frame.
constexpr std::size_t kBmpFileHeaderBytes = 14;
constexpr std::size_t kBmpInfoHeaderBytes = 40;
constexpr std::size_t kBmpColorBytes = 4;

void putU16(std::vector<std::uint8_t>& out, std::uint16_t v) {
  out.push_back(static_cast<std::uint8_t>(v & 0xFF));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
}
void putU32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<std::uint8_t>(v >> shift));
}

using Rgb = std::array<std::uint8_t, 3>;

// The table used when a frame has neither a local nor a global table.
std::vector<Rgb> defaultTable(int bitsPerPixel) {
  if (bitsPerPixel == 1) return {Rgb{0, 0, 0}, Rgb{255, 255, 255}};
  if (bitsPerPixel == 4)
    return {Rgb{0, 0, 0},     Rgb{128, 0, 0},   Rgb{0, 128, 0},   Rgb{128, 128, 0},
            Rgb{0, 0, 128},   Rgb{128, 0, 128}, Rgb{0, 128, 128}, Rgb{128, 128, 128},
            Rgb{192, 192, 192}, Rgb{255, 0, 0}, Rgb{0, 255, 0},   Rgb{255, 255, 0},
            Rgb{0, 0, 255},   Rgb{255, 0, 255}, Rgb{0, 255, 255}, Rgb{255, 255, 255}};
  std::vector<Rgb> grey(256);
  for (std::size_t i = 0; i < grey.size(); ++i) {
    const auto v = static_cast<std::uint8_t>(i);
    grey[i] = Rgb{v, v, v};
  }
  return grey;
}

// Writes `indices` (width*height, top row first) as a bottom-up BMP. The colour table always has
// 2^bitsPerPixel entries (missing ones black), so every index a damaged frame may hold is valid.
std::vector<std::uint8_t> makeBmp(int width, int height, int bitsPerPixel, const std::vector<Rgb>& table,
                                  std::span<const std::uint8_t> indices) {
  const std::size_t entries = std::size_t{1} << bitsPerPixel;
  const std::size_t stride = ((static_cast<std::size_t>(width) * bitsPerPixel + 31) / 32) * 4;
  const std::size_t pixelOffset = kBmpFileHeaderBytes + kBmpInfoHeaderBytes + entries * kBmpColorBytes;
  const std::size_t imageBytes = stride * static_cast<std::size_t>(height);
  std::vector<std::uint8_t> out;
  out.reserve(pixelOffset + imageBytes);
  out.push_back('B');
  out.push_back('M');
  putU32(out, static_cast<std::uint32_t>(pixelOffset + imageBytes));
  putU32(out, 0);  // reserved
  putU32(out, static_cast<std::uint32_t>(pixelOffset));
  putU32(out, kBmpInfoHeaderBytes);
  putU32(out, static_cast<std::uint32_t>(width));
  putU32(out, static_cast<std::uint32_t>(height));  // positive: bottom-up rows
  putU16(out, 1);                                   // planes
  putU16(out, static_cast<std::uint16_t>(bitsPerPixel));
  putU32(out, 0);  // no compression
  putU32(out, static_cast<std::uint32_t>(imageBytes));
  putU32(out, 0);  // horizontal resolution unknown
  putU32(out, 0);  // vertical resolution unknown
  putU32(out, 0);  // all 2^bits colours used
  putU32(out, 0);  // all colours important
  for (std::size_t i = 0; i < entries; ++i) {
    const Rgb c = i < table.size() ? table[i] : Rgb{0, 0, 0};
    out.push_back(c[2]);
    out.push_back(c[1]);
    out.push_back(c[0]);
    out.push_back(0);
  }
  const auto mask = static_cast<std::uint8_t>(entries - 1);
  const int perByte = 8 / bitsPerPixel;
  for (int y = height - 1; y >= 0; --y) {
    const std::size_t rowStart = out.size();
    out.resize(rowStart + stride, 0);
    const std::uint8_t* src = indices.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
    for (int x = 0; x < width; ++x) {
      const std::uint8_t v = src[x] & mask;
      const int shift = 8 - bitsPerPixel * (x % perByte + 1);
      out[rowStart + static_cast<std::size_t>(x / perByte)] |= static_cast<std::uint8_t>(v << shift);
    }
  }
  return out;
}

// Image rows in the order an interlaced image stores them.
std::vector<int> interlacedRowOrder(int height) {
  struct Pass {
    int start, step;
  };
  constexpr std::array<Pass, 4> kPasses{{{0, 8}, {4, 8}, {2, 4}, {1, 2}}};
  std::vector<int> order;
  order.reserve(static_cast<std::size_t>(height));
  for (const Pass& p : kPasses)
    for (int y = p.start; y < height; y += p.step) order.push_back(y);
  return order;
}

}  // namespace

// One frame: where it starts and, when a graphic control extension introduced it, where that
// extension's 4 control bytes are.
struct FrameEntry {
  std::size_t firstBlock = 0;
  std::optional<std::size_t> control;
};

// Where a frame's parts are, found by walking from its first block to its image descriptor.
struct FrameLayout {
  std::size_t descriptor = 0;  // the 0x2C byte
  std::size_t table = 0;       // local colour table (tableBytes long)
  std::size_t tableBytes = 0;
  std::size_t imageData = 0;   // minimum code size byte
  std::string comment;
};

struct ReaderState {
  std::string error;
  std::vector<std::uint8_t> data;  // empty: nothing loaded
  std::optional<std::size_t> loopExtension;  // first byte of the looping extension's identifier
  std::optional<std::size_t> commentAt;      // the animation comment's text
  std::size_t commentBytes = 0;
  std::vector<FrameEntry> frames;

  bool loaded() const { return !data.empty(); }
  std::uint8_t screenPacked() const { return data[kScreenPackedAt]; }

  bool fail(std::string_view text) {
    error = text;
    return false;
  }

  // Finds every frame, the looping extension and the animation comment.
  bool scan();
  // A damaged block ends the scan: the bytes stay, the frames go.
  bool corrupt() {
    frames.clear();
    return fail(errors::kCorruptGif);
  }
  // Checks a frame number; stores the failure text.
  bool frameInRange(int n) {
    if (!loaded()) return fail(errors::kNotLoaded);
    if (n < 1 || static_cast<std::size_t>(n) > frames.size()) return fail(errors::kFrameOutOfRange);
    return true;
  }
  std::optional<FrameLayout> layoutOf(const FrameEntry& frame) const;
  // Frame n's layout, or the failure text stored.
  std::optional<FrameLayout> frameLayout(int n) {
    if (!frameInRange(n)) return std::nullopt;
    auto layout = layoutOf(frames[static_cast<std::size_t>(n) - 1]);
    if (!layout) fail(errors::kFrameCorrupt);
    return layout;
  }
  // Position and entry count of the colour table of frame n (0 = global), or the failure text stored.
  std::optional<std::pair<std::size_t, std::size_t>> palette(int n);
  std::vector<std::uint8_t> frameBitmap(int n);
};

bool ReaderState::scan() {
  frames.clear();
  loopExtension.reset();
  commentAt.reset();
  commentBytes = 0;
  const std::span<const std::uint8_t> d = data;
  std::size_t pos = kHeaderBytes + tableBytes(screenPacked());
  // A global table cut off by the end of the file would leave palette reads nothing to read.
  if (pos > d.size()) return corrupt();

  bool introduced = false;  // a graphic control extension stands before the next image
  while (pos < d.size() && d[pos] != kTrailer) {
    if (d[pos] == kExtensionIntroducer) {
      if (pos + 1 >= d.size()) break;
      const std::size_t start = pos;
      const std::uint8_t label = d[pos + 1];
      std::size_t p = pos + 2;
      bool firstSubBlock = true;
      while (p < d.size() && d[p] != 0) {
        const std::size_t n = d[p];
        if (p + 1 + n > d.size()) break;  // runs past the end: the scan ends with the data
        const std::size_t body = p + 1;
        const std::size_t next = body + n;
        if (label == kGraphicControlLabel && n == kGraphicControlBytes) {
          frames.push_back({start, body});
          introduced = true;
        } else if (label == kApplicationLabel && firstSubBlock && n == kApplicationIdBytes) {
          // Only an identifier followed by a loop sub-block counts: the loop count is written in place,
          // and writing it into some other application's data would damage the file.
          if (next + 1 + kLoopSubBlockBytes <= d.size() && d[next] >= kLoopSubBlockBytes &&
              d[next + 1] == kLoopSubBlockId)
            loopExtension = body;
        } else if (label == kCommentLabel && firstSubBlock && next < d.size() && d[next] == 0 && !introduced) {
          // A comment that no frame owns (no graphic control extension waits for its image) is the
          // animation's. Counting images against control extensions instead would miss the comment
          // after the single image of a one-frame file.
          commentAt = body;
          commentBytes = n;
        }
        firstSubBlock = false;
        p = next;
      }
      if (p >= d.size() || d[p] != 0) break;
      pos = p + 1;
    } else if (d[pos] == kImageSeparator) {
      if (pos + kDescriptorBytes > d.size()) return corrupt();
      if (!introduced) frames.push_back({pos, std::nullopt});
      introduced = false;
      pos += kDescriptorBytes + tableBytes(d[pos + kDescriptorBytes - 1]);
      if (pos >= d.size()) break;
      ++pos;  // minimum code size
      if (!skipSubBlocks(d, pos)) break;
    } else {
      return corrupt();
    }
  }
  return true;
}

std::optional<FrameLayout> ReaderState::layoutOf(const FrameEntry& frame) const {
  const std::span<const std::uint8_t> d = data;
  FrameLayout layout;
  std::size_t pos = frame.firstBlock;
  if (frame.control) {
    // The frame's own graphic control extension: its values come from frame.control.
    pos += 2;
    if (!skipSubBlocks(d, pos)) return std::nullopt;
  }
  while (pos < d.size()) {
    if (d[pos] == kImageSeparator) {
      if (pos + kDescriptorBytes > d.size()) return std::nullopt;
      layout.descriptor = pos;
      layout.table = pos + kDescriptorBytes;
      layout.tableBytes = tableBytes(d[pos + kDescriptorBytes - 1]);
      layout.imageData = layout.table + layout.tableBytes;
      // The descriptor and its table must be whole; the image data may be cut short.
      if (layout.imageData > d.size()) return std::nullopt;
      return layout;
    }
    if (d[pos] != kExtensionIntroducer || pos + 1 >= d.size()) return std::nullopt;
    const std::uint8_t label = d[pos + 1];
    pos += 2;
    if (label == kCommentLabel) {
      std::vector<std::uint8_t> text;
      if (!readSubBlocks(d, pos, text)) return std::nullopt;
      layout.comment = recordText(text);
    } else if (!skipSubBlocks(d, pos)) {
      return std::nullopt;
    }
  }
  return std::nullopt;
}

std::optional<std::pair<std::size_t, std::size_t>> ReaderState::palette(int n) {
  if (!loaded()) {
    fail(errors::kNotLoaded);
    return std::nullopt;
  }
  if (n == 0) {
    if (!(screenPacked() & kColourTableFlag)) {
      fail(errors::kNoGlobalPalette);
      return std::nullopt;
    }
    // A failed scan keeps the bytes, and they may end inside the table.
    if (kHeaderBytes + tableBytes(screenPacked()) > data.size()) {
      fail(errors::kCorruptGif);
      return std::nullopt;
    }
    return std::pair{kHeaderBytes, tableEntries(screenPacked())};
  }
  const auto layout = frameLayout(n);
  if (!layout) return std::nullopt;
  if (layout->tableBytes == 0) {
    fail(errors::kNoLocalPalette);
    return std::nullopt;
  }
  return std::pair{layout->table, layout->tableBytes / kBytesPerColour};
}

std::vector<std::uint8_t> ReaderState::frameBitmap(int n) {
  const auto layout = frameLayout(n);
  if (!layout) return {};
  const std::span<const std::uint8_t> d = data;
  const int width = readU16(d, layout->descriptor + 5);
  const int height = readU16(d, layout->descriptor + 7);
  const std::uint8_t packed = d[layout->descriptor + kDescriptorBytes - 1];
  if (width == 0 || height == 0) {
    fail(errors::kFrameCorrupt);
    return {};
  }
  const std::size_t pixels = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
  if (pixels > kMaxFramePixels) {
    fail(errors::kBitmapMemory);
    return {};
  }

  // Decode what the data holds; a frame cut short keeps index 0 where its pixels are missing.
  std::vector<std::uint8_t> stream(pixels, 0);
  int minCodeSize = 0;
  if (layout->imageData < d.size()) {
    minCodeSize = d[layout->imageData];
    std::size_t p = layout->imageData + 1;
    std::vector<std::uint8_t> joined;
    readSubBlocks(d, p, joined);
    decodeGifLzw(minCodeSize, joined, stream);
  }
  std::vector<std::uint8_t> indices;
  if (packed & kInterlaceFlag) {
    indices.assign(pixels, 0);
    const std::vector<int> order = interlacedRowOrder(height);
    const auto w = static_cast<std::size_t>(width);
    for (std::size_t k = 0; k < order.size(); ++k)
      std::copy_n(stream.begin() + static_cast<std::ptrdiff_t>(k * w), w,
                  indices.begin() + static_cast<std::ptrdiff_t>(static_cast<std::size_t>(order[k]) * w));
  } else {
    indices = std::move(stream);
  }

  // The frame's table decides the depth; without any table the code size stands in for it.
  std::size_t tableAt = 0;
  std::size_t entries = 0;
  if (layout->tableBytes) {
    tableAt = layout->table;
    entries = layout->tableBytes / kBytesPerColour;
  } else if (screenPacked() & kColourTableFlag) {
    tableAt = kHeaderBytes;
    entries = tableEntries(screenPacked());
  }
  constexpr int kMaxCodeSizeForDepth = 8;
  const std::size_t size = entries ? entries : std::size_t{1} << std::clamp(minCodeSize, 1, kMaxCodeSizeForDepth);
  const int bits = size == 2 ? 1 : size <= 16 ? 4 : 8;
  std::vector<Rgb> table;
  if (entries) {
    table.resize(entries);
    for (std::size_t i = 0; i < entries; ++i)
      for (std::size_t c = 0; c < kBytesPerColour; ++c) table[i][c] = d[tableAt + i * kBytesPerColour + c];
  } else {
    table = defaultTable(bits);
  }
  return makeBmp(width, height, bits, table, indices);
}

GifReader::GifReader() = default;
GifReader::~GifReader() = default;
GifReader::GifReader(GifReader&&) noexcept = default;
GifReader& GifReader::operator=(GifReader&&) noexcept = default;

bool GifReader::Create() {
  try {
    state_ = std::make_unique<ReaderState>();
    return true;
  } catch (const std::bad_alloc&) {
    state_.reset();
    return false;
  }
}

void GifReader::Clear() { state_.reset(); }

bool GifReader::LoadGif(std::optional<std::string_view> path, std::optional<std::span<const std::uint8_t>> bytes) {
  if (!state_) return false;
  ReaderState& s = *state_;
  if (!path && !bytes) return s.fail(errors::kNoSource);
  try {
    if (path) {
      s.error.clear();
      std::vector<std::uint8_t> file = readWholeFile(std::string(*path));
      if (file.size() < kMinGifBytes) return s.fail(errors::kNotGifData);
      // From here the file replaces the previous load, even when its signature turns out wrong.
      s.data = std::move(file);
    } else {
      const std::span<const std::uint8_t> b = *bytes;
      if (b.size() < kMinGifBytes) return s.fail(errors::kNotGifData);
      if (!equalsIgnoringCase(b.first(kSignatureBytes), "gif")) return s.fail(errors::kNotGif);
      const auto version = b.subspan(kSignatureBytes, kVersionBytes);
      if (!equalsIgnoringCase(version, "87a") && !equalsIgnoringCase(version, "89a"))
        return s.fail(errors::kBadVersion);
      s.error.clear();
      s.data.assign(b.begin(), b.end());
    }
  } catch (const std::bad_alloc&) {
    return s.fail(errors::kFileMemory);
  } catch (const std::exception& e) {
    return s.fail(errorTextOf(e));
  }

  const std::span<const std::uint8_t> d = s.data;
  std::string_view failure;
  if (!equalsIgnoringCase(d.first(kSignatureBytes), "gif")) {
    failure = errors::kNotGif;
  } else {
    const auto version = d.subspan(kSignatureBytes, kVersionBytes);
    if (!equalsIgnoringCase(version, "87a") && !equalsIgnoringCase(version, "89a")) failure = errors::kBadVersion;
  }
  if (!failure.empty()) {
    s.data.clear();
    s.frames.clear();
    s.loopExtension.reset();
    s.commentAt.reset();
    return s.fail(failure);
  }
  return s.scan();
}

std::string GifReader::GetError() const { return state_ ? state_->error : std::string(errors::kNotCreated); }

AnimationInfo GifReader::GetGifInfo() {
  AnimationInfo info;
  if (!state_) return info;
  ReaderState& s = *state_;
  if (!s.loaded()) {
    s.fail(errors::kNotLoaded);
    return info;
  }
  const std::span<const std::uint8_t> d = s.data;
  info.Width = readU16(d, kScreenWidthAt);
  info.Depth = readU16(d, kScreenHeightAt);
  info.BgColorIndex = d[kBackgroundAt];
  info.LOOP = s.loopExtension.has_value();
  if (s.loopExtension) info.LoopCount = readU16(d, *s.loopExtension + kLoopCountOffset);
  if (s.commentAt) info.exposition = recordText(d.subspan(*s.commentAt, s.commentBytes));
  info.FrameCount = static_cast<std::int32_t>(s.frames.size());
  info.ColorNum = (s.screenPacked() & kColourTableFlag) ? static_cast<std::uint16_t>(tableEntries(s.screenPacked())) : 0;
  info.Interlace = false;
  return info;
}

bool GifReader::SetGifInfo(const AnimationInfo& info) {
  if (!state_) return false;
  ReaderState& s = *state_;
  if (!s.loaded()) return s.fail(errors::kNotLoaded);
  const std::span<std::uint8_t> d = s.data;
  writeU16(d, kScreenWidthAt, info.Width);
  writeU16(d, kScreenHeightAt, info.Depth);
  d[kBackgroundAt] = info.BgColorIndex;
  if (s.loopExtension && info.LOOP) writeU16(d, *s.loopExtension + kLoopCountOffset, info.LoopCount);
  return true;
}

FrameInfo GifReader::GetFrameInfo(int n) {
  FrameInfo info;
  if (!state_) return info;
  ReaderState& s = *state_;
  const auto layout = s.frameLayout(n);
  if (!layout) return info;
  const std::span<const std::uint8_t> d = s.data;
  const FrameEntry& frame = s.frames[static_cast<std::size_t>(n) - 1];
  // A frame without a graphic control extension has no delay at all.
  info.DelayTime = 0;
  if (frame.control) {
    const std::size_t c = *frame.control;
    info.DisposalMethod = static_cast<std::uint8_t>((d[c] >> kDisposalShift) & kDisposalMask);
    info.Transparency = (d[c] & kTransparentFlag) != 0;
    info.DelayTime = readU16(d, c + 1);
    info.TransparencyIndex = d[c + 3];
  }
  info.exposition = layout->comment;
  const std::size_t at = layout->descriptor;
  info.Left = readU16(d, at + 1);
  info.Top = readU16(d, at + 3);
  info.Width = readU16(d, at + 5);
  info.Depth = readU16(d, at + 7);
  info.ColorNum = layout->tableBytes ? static_cast<std::uint16_t>(layout->tableBytes / kBytesPerColour) : 0;
  info.Dither = false;
  return info;
}

bool GifReader::SetFrameInfo(const FrameInfo& info, int n) {
  if (!state_) return false;
  ReaderState& s = *state_;
  const auto layout = s.frameLayout(n);
  if (!layout) return false;
  const std::span<std::uint8_t> d = s.data;
  const FrameEntry& frame = s.frames[static_cast<std::size_t>(n) - 1];
  if (frame.control) {
    const std::size_t c = *frame.control;
    constexpr std::uint8_t kKeptBits = static_cast<std::uint8_t>(~((kDisposalMask << kDisposalShift) | kTransparentFlag));
    d[c] = static_cast<std::uint8_t>((d[c] & kKeptBits) | ((info.DisposalMethod & kDisposalMask) << kDisposalShift) |
                                     (info.Transparency ? kTransparentFlag : 0));
    writeU16(d, c + 1, info.DelayTime);
  }
  writeU16(d, layout->descriptor + 1, info.Left);
  writeU16(d, layout->descriptor + 3, info.Top);
  return true;
}

int GifReader::GetPalette(int n, std::uint8_t entry) {
  if (!state_) return -1;
  ReaderState& s = *state_;
  const auto table = s.palette(n);
  if (!table) return -1;
  if (entry >= table->second) {
    s.fail(errors::kPaletteEntryOutOfRange);
    return -1;
  }
  const std::size_t at = table->first + std::size_t{entry} * kBytesPerColour;
  return s.data[at] | (s.data[at + 1] << 8) | (s.data[at + 2] << 16);
}

bool GifReader::SetPalette(int n, std::uint8_t entry, int colour) {
  if (!state_) return false;
  ReaderState& s = *state_;
  const auto table = s.palette(n);
  if (!table) return false;
  if (entry >= table->second) return s.fail(errors::kPaletteEntryOutOfRange);
  const std::size_t at = table->first + std::size_t{entry} * kBytesPerColour;
  const auto c = static_cast<std::uint32_t>(colour);
  s.data[at] = static_cast<std::uint8_t>(c & 0xFF);
  s.data[at + 1] = static_cast<std::uint8_t>((c >> 8) & 0xFF);
  s.data[at + 2] = static_cast<std::uint8_t>((c >> 16) & 0xFF);
  return true;
}

std::vector<std::uint8_t> GifReader::GetGifData(int n) {
  if (!state_) return {};
  ReaderState& s = *state_;
  if (!s.loaded()) {
    s.fail(errors::kNotLoaded);
    return {};
  }
  try {
    if (n == 0) return s.data;
    return s.frameBitmap(n);
  } catch (const std::bad_alloc&) {
    s.fail(errors::kBitmapMemory);
    return {};
  }
}

bool GifReader::SaveGif(std::string_view path) {
  if (!state_) return false;
  ReaderState& s = *state_;
  if (!s.loaded()) return s.fail(errors::kNotLoaded);
  s.error.clear();
  try {
    AtomicFileSink sink{std::string(path)};
    sink.write(s.data);
    sink.commit();
    return true;
  } catch (const std::exception& e) {
    return s.fail(errorTextOf(e));
  } catch (...) {
    return s.fail(errors::kUnknown);
  }
}

}  // namespace encoder
