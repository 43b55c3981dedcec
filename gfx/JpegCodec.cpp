#include "gfx/JpegCodec.h"

// jpeglib.h needs size_t and FILE declared first.
#include <bit>
#include <csetjmp>
#include <cstdio>
#include <string>

#include <jpeglib.h>

namespace gfx {
namespace {

// Progressive files may carry any number of scans; a hostile one with thousands would take minutes.
constexpr int kMaxScans = 256;
// A JPEG cannot code more than a few hundred pixels per byte (one bit per 8x8 block at best); a file
// claiming far more is a damaged header, and decoding it would fill gigabytes with grey.
constexpr std::uint64_t kMaxPixelsPerByte = 1024;
constexpr std::size_t kInitialOutputBytes = 16 * 1024;
constexpr int kBytesPerPixel = 4;
constexpr int kFullChromaQuality = 100;
constexpr int kMaxChannel = 255;

// Our Bitmap is native-endian 0xAARRGGBB: B, G, R, A in memory on little-endian machines.
constexpr J_COLOR_SPACE kBitmapOrder = std::endian::native == std::endian::little ? JCS_EXT_BGRA : JCS_EXT_ARGB;
constexpr J_COLOR_SPACE kBitmapOrderNoAlpha =
    std::endian::native == std::endian::little ? JCS_EXT_BGRX : JCS_EXT_XRGB;

// libjpeg's default error handler calls exit(); ours jumps back to the decode or encode call, which
// then destroys the codec object and reports the message.
struct ErrorManager {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX] = {};
};

void onError(j_common_ptr cinfo) {
  auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
  (*cinfo->err->format_message)(cinfo, err->message);
  std::longjmp(err->jump, 1);
}

// Warnings (corrupt or truncated data) are counted by libjpeg; nothing goes to stderr.
void onOutputMessage(j_common_ptr) {}

void onProgress(j_common_ptr cinfo) {
  if (!cinfo->is_decompressor) return;
  auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
  if (d->input_scan_number > kMaxScans) {
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    std::snprintf(err->message, sizeof err->message, "JPEG has more than %d scans", kMaxScans);
    std::longjmp(err->jump, 1);
  }
}

void installErrorManager(ErrorManager& err) {
  jpeg_std_error(&err.pub);
  err.pub.error_exit = onError;
  err.pub.output_message = onOutputMessage;
}

struct Decompressor {
  jpeg_decompress_struct cinfo{};
  ErrorManager err{};
  jpeg_progress_mgr progress{};
};

// Adobe writes CMYK inverted (0 = full ink); others store it straight.
void cmykRowToBitmap(const JSAMPLE* src, std::uint32_t* dst, JDIMENSION width, bool inverted) {
  for (JDIMENSION x = 0; x < width; ++x, src += 4) {
    unsigned c = src[0], m = src[1], y = src[2], k = src[3];
    if (!inverted) {
      c = kMaxChannel - c;
      m = kMaxChannel - m;
      y = kMaxChannel - y;
      k = kMaxChannel - k;
    }
    auto channel = [k](unsigned v) { return (v * k + kMaxChannel / 2) / kMaxChannel; };
    dst[x] = makeArgb(kMaxChannel, channel(c), channel(m), channel(y));
  }
}

// Holds setjmp: everything that must survive a jump lives in `d`, `out` and `error` (the caller's).
bool runDecode(std::span<const std::uint8_t> bytes, Decompressor& d, Bitmap& out, std::string& error) {
  d.cinfo.err = &d.err.pub;
  installErrorManager(d.err);
  if (setjmp(d.err.jump)) {
    error = std::string("JPEG: ") + d.err.message;
    jpeg_destroy_decompress(&d.cinfo);
    return false;
  }
  jpeg_create_decompress(&d.cinfo);
  d.progress.progress_monitor = onProgress;
  d.cinfo.progress = &d.progress;
  jpeg_mem_src(&d.cinfo, bytes.data(), static_cast<unsigned long>(bytes.size()));
  jpeg_read_header(&d.cinfo, TRUE);
  const std::uint64_t pixels = std::uint64_t{d.cinfo.image_width} * d.cinfo.image_height;
  if (!imageSizeAllowed(d.cinfo.image_width, d.cinfo.image_height) || pixels > bytes.size() * kMaxPixelsPerByte) {
    error = "JPEG size " + std::to_string(d.cinfo.image_width) + "x" + std::to_string(d.cinfo.image_height) +
            " is too large for its data";
    jpeg_destroy_decompress(&d.cinfo);
    return false;
  }
  const bool cmyk = d.cinfo.jpeg_color_space == JCS_CMYK || d.cinfo.jpeg_color_space == JCS_YCCK;
  d.cinfo.out_color_space = cmyk ? JCS_CMYK : kBitmapOrder;
  jpeg_start_decompress(&d.cinfo);

  out = Bitmap(static_cast<int>(d.cinfo.output_width), static_cast<int>(d.cinfo.output_height));
  JSAMPARRAY cmykRow = cmyk ? (*d.cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&d.cinfo), JPOOL_IMAGE,
                                                             d.cinfo.output_width * kBytesPerPixel, 1)
                            : nullptr;
  while (d.cinfo.output_scanline < d.cinfo.output_height) {
    const int y = static_cast<int>(d.cinfo.output_scanline);
    JSAMPROW row = cmyk ? cmykRow[0] : reinterpret_cast<JSAMPROW>(out.row(y));
    if (jpeg_read_scanlines(&d.cinfo, &row, 1) != 1) break;
    if (cmyk) cmykRowToBitmap(row, out.row(y), d.cinfo.output_width, d.cinfo.saw_Adobe_marker);
  }
  // Whatever follows the last scan line does not matter; finishing would only raise errors about it.
  jpeg_destroy_decompress(&d.cinfo);
  return true;
}

// Grows a vector as libjpeg writes.
struct VectorDestination {
  jpeg_destination_mgr pub;
  std::vector<std::uint8_t>* out;
};

void onInitDestination(j_compress_ptr cinfo) {
  auto* dest = reinterpret_cast<VectorDestination*>(cinfo->dest);
  if (dest->out->size() < kInitialOutputBytes) dest->out->resize(kInitialOutputBytes);
  dest->pub.next_output_byte = dest->out->data();
  dest->pub.free_in_buffer = dest->out->size();
}

boolean onEmptyOutput(j_compress_ptr cinfo) {
  auto* dest = reinterpret_cast<VectorDestination*>(cinfo->dest);
  const std::size_t used = dest->out->size();
  dest->out->resize(used * 2);
  dest->pub.next_output_byte = dest->out->data() + used;
  dest->pub.free_in_buffer = dest->out->size() - used;
  return TRUE;
}

void onTermDestination(j_compress_ptr cinfo) {
  auto* dest = reinterpret_cast<VectorDestination*>(cinfo->dest);
  dest->out->resize(dest->out->size() - dest->pub.free_in_buffer);
}

struct Compressor {
  jpeg_compress_struct cinfo{};
  ErrorManager err{};
  VectorDestination dest{};
};

bool runEncode(const Bitmap& bitmap, int quality, Compressor& c, std::vector<std::uint8_t>& out) {
  c.cinfo.err = &c.err.pub;
  installErrorManager(c.err);
  if (setjmp(c.err.jump)) {
    jpeg_destroy_compress(&c.cinfo);
    return false;
  }
  jpeg_create_compress(&c.cinfo);
  c.dest.out = &out;
  c.dest.pub.init_destination = onInitDestination;
  c.dest.pub.empty_output_buffer = onEmptyOutput;
  c.dest.pub.term_destination = onTermDestination;
  c.cinfo.dest = &c.dest.pub;

  c.cinfo.image_width = static_cast<JDIMENSION>(bitmap.width());
  c.cinfo.image_height = static_cast<JDIMENSION>(bitmap.height());
  c.cinfo.input_components = kBytesPerPixel;
  c.cinfo.in_color_space = kBitmapOrderNoAlpha;
  jpeg_set_defaults(&c.cinfo);  // YCbCr 4:2:0, accurate integer DCT, standard Huffman tables
  jpeg_set_quality(&c.cinfo, quality, TRUE);
  if (quality >= kFullChromaQuality) {
    // Best quality keeps every chroma sample: screen text and thin coloured lines stay clean.
    for (int i = 0; i < c.cinfo.num_components; ++i) {
      c.cinfo.comp_info[i].h_samp_factor = 1;
      c.cinfo.comp_info[i].v_samp_factor = 1;
    }
  }
  jpeg_start_compress(&c.cinfo, TRUE);
  while (c.cinfo.next_scanline < c.cinfo.image_height) {
    // libjpeg takes non-const rows but only reads them.
    JSAMPROW row = reinterpret_cast<JSAMPROW>(const_cast<std::uint32_t*>(bitmap.row(static_cast<int>(c.cinfo.next_scanline))));
    jpeg_write_scanlines(&c.cinfo, &row, 1);
  }
  jpeg_finish_compress(&c.cinfo);
  jpeg_destroy_compress(&c.cinfo);
  return true;
}

}  // namespace

DecodeResult JpegCodec::decode(std::span<const std::uint8_t> bytes) {
  DecodeResult result;
  result.format = ImageFormat::Jpeg;
  Decompressor d;
  if (!runDecode(bytes, d, result.bitmap, result.error)) result.bitmap = {};
  return result;
}

std::vector<std::uint8_t> JpegCodec::encode(const Bitmap& bitmap, int quality) {
  constexpr int kBest = 100;
  if (bitmap.empty()) return {};
  if (quality <= 0) quality = kDefaultQuality;
  if (quality > kBest) quality = kBest;
  std::vector<std::uint8_t> out;
  out.reserve(static_cast<std::size_t>(bitmap.width()) * bitmap.height() / 2 + kInitialOutputBytes);
  Compressor c;
  if (!runEncode(bitmap, quality, c, out)) return {};
  return out;
}

}  // namespace gfx
