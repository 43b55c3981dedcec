#include "encoder/GifWriter.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "encoder/LzwEncoder.h"

namespace encoder {

using namespace gif_format;

namespace {

class Bytes {
 public:
  Bytes& u8(unsigned v) {
    data_.push_back(static_cast<std::uint8_t>(v));
    return *this;
  }
  Bytes& u16(unsigned v) { return u8(v & 0xFF).u8((v >> 8) & 0xFF); }
  Bytes& text(std::string_view s) {
    data_.insert(data_.end(), s.begin(), s.end());
    return *this;
  }
  void writeTo(OutputSink& sink) {
    sink.write(data_);
    data_.clear();
  }

 private:
  std::vector<std::uint8_t> data_;
};

// 0x21 0xFE, one sub-block of up to 255 bytes, terminator.
void appendComment(Bytes& b, std::string_view comment) {
  const std::size_t n = std::min(comment.size(), gif_format::kMaxSubBlockBytes);
  b.u8(gif_format::kExtensionIntroducer).u8(gif_format::kCommentLabel).u8(unsigned(n));
  b.text(comment.substr(0, n)).u8(gif_format::kBlockTerminator);
}

void writeColourTable(const FrameImage& image, OutputSink& sink) {
  std::array<std::uint8_t, FrameImage::kPaletteEntries * 3> table{};
  for (int i = 0; i < FrameImage::kPaletteEntries; ++i) {
    const Rgb c = image.paletteEntry(i);
    table[3 * i] = c.red;
    table[3 * i + 1] = c.green;
    table[3 * i + 2] = c.blue;
  }
  sink.write(table);
}

void writeImageData(const FrameImage& image, bool interlace, OutputSink& sink) {
  LzwEncoder::encode(image, interlace, sink);
  const std::uint8_t terminator = gif_format::kBlockTerminator;
  sink.write(std::span(&terminator, 1));
}

}  // namespace

void GifWriter::write(const Animation& a, OutputSink& sink) {
  const unsigned bits = static_cast<unsigned>(a.images.front().bitsPerPixel());
  const unsigned tableSizeField = bits - 1;
  const unsigned interlaceBit = a.interlace ? kInterlaceFlag : 0;

  Bytes b;
  b.text("GIF89a").writeTo(sink);
  b.u16(a.width).u16(a.height);
  b.u8(kColourTableFlag | ((bits - 1) << 4) | tableSizeField);
  b.u8(0).u8(0);  // background colour index, pixel aspect ratio
  b.writeTo(sink);
  writeColourTable(a.images.front(), sink);

  if (a.images.size() == 1) {
    // A still picture: no extensions; position, timing and comments of the frame are dropped.
    const FrameImage& image = a.images.front();
    b.u8(kImageSeparator).u16(0).u16(0).u16(unsigned(image.width())).u16(unsigned(image.height()));
    b.u8(interlaceBit | tableSizeField).writeTo(sink);
    writeImageData(image, a.interlace, sink);
  } else {
    if (a.loop) {
      b.u8(kExtensionIntroducer).u8(kApplicationLabel).u8(11).text("NETSCAPE2.0");
      b.u8(3).u8(1).u16(a.loopCount).u8(kBlockTerminator).writeTo(sink);
    }
    for (std::size_t i = 0; i < a.images.size(); ++i) {
      const FrameImage& image = a.images[i];
      const FrameRecord& r = a.records[i];
      b.u8(kExtensionIntroducer).u8(kGraphicControlLabel).u8(4);
      b.u8(((r.disposal & 7u) << 2) | (r.transparency ? kTransparentFlag : 0));
      b.u16(r.delay).u8(0).u8(kBlockTerminator);  // transparent colour index is always 0
      if (!r.comment.empty()) appendComment(b, r.comment);
      b.u8(kImageSeparator).u16(r.left).u16(r.top).u16(unsigned(image.width())).u16(unsigned(image.height()));
      b.u8(kColourTableFlag | interlaceBit | tableSizeField).writeTo(sink);
      writeColourTable(image, sink);
      writeImageData(image, a.interlace, sink);
    }
  }

  if (!a.comment.empty()) appendComment(b, a.comment);
  b.u8(kTrailer).writeTo(sink);
}

}  // namespace encoder
