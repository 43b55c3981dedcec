#pragma once
// Decodes a GIF with giflib, an independent decoder, so the encoder's bytes are checked by a reader
// that shares none of its code.
#include <gif_lib.h>

#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <vector>

namespace testing_gif {

struct DecodedFrame {
  int left = 0, top = 0, width = 0, height = 0;
  bool interlace = false;
  std::vector<std::uint8_t> indices;  // rows top to bottom (interlacing undone)
  std::vector<std::uint8_t> palette;  // r, g, b triples of the frame's own table, or empty
};

struct DecodedGif {
  bool ok = false;
  std::string error;
  int width = 0, height = 0;
  std::vector<std::uint8_t> globalPalette;  // r, g, b triples of the global table, or empty
  std::vector<DecodedFrame> frames;
};

inline DecodedGif decodeWithGiflib(std::span<const std::uint8_t> bytes) {
  struct Reader {
    std::span<const std::uint8_t> data;
    std::size_t pos = 0;
  } reader{bytes};
  auto readFn = [](GifFileType* gif, GifByteType* buf, int n) -> int {
    auto* r = static_cast<Reader*>(gif->UserData);
    const std::size_t take = std::min<std::size_t>(std::size_t(n), r->data.size() - r->pos);
    std::memcpy(buf, r->data.data() + r->pos, take);
    r->pos += take;
    return int(take);
  };
  DecodedGif out;
  int err = 0;
  GifFileType* gif = DGifOpen(&reader, readFn, &err);
  if (!gif) {
    out.error = GifErrorString(err);
    return out;
  }
  if (DGifSlurp(gif) != GIF_OK) {
    out.error = GifErrorString(gif->Error);
    DGifCloseFile(gif, &err);
    return out;
  }
  out.ok = true;
  out.width = gif->SWidth;
  out.height = gif->SHeight;
  if (const ColorMapObject* cm = gif->SColorMap)
    for (int c = 0; c < cm->ColorCount; ++c)
      out.globalPalette.insert(out.globalPalette.end(), {cm->Colors[c].Red, cm->Colors[c].Green, cm->Colors[c].Blue});
  for (int i = 0; i < gif->ImageCount; ++i) {
    const SavedImage& s = gif->SavedImages[i];
    DecodedFrame f;
    f.left = s.ImageDesc.Left;
    f.top = s.ImageDesc.Top;
    f.width = s.ImageDesc.Width;
    f.height = s.ImageDesc.Height;
    f.interlace = s.ImageDesc.Interlace;
    f.indices.assign(s.RasterBits, s.RasterBits + std::size_t(f.width) * f.height);
    if (const ColorMapObject* cm = s.ImageDesc.ColorMap)
      for (int c = 0; c < cm->ColorCount; ++c)
        f.palette.insert(f.palette.end(), {cm->Colors[c].Red, cm->Colors[c].Green, cm->Colors[c].Blue});
    out.frames.push_back(std::move(f));
  }
  DGifCloseFile(gif, &err);
  return out;
}

}  // namespace testing_gif
