#pragma once
// Shared pieces of the picture codec tests: a scratch directory, ImageMagick's `convert` as an
// independent maker and reader of files, test pictures and pixel comparison.
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "gfx/Bitmap.h"

namespace codec_test {

using Bytes = std::vector<std::uint8_t>;

class TempDir {
 public:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "morogif-codec-XXXXXX").string();
    if (::mkdtemp(pattern.data())) path_ = pattern;
  }
  ~TempDir() {
    std::error_code ec;
    if (!path_.empty()) std::filesystem::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  std::string file(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

inline bool haveConvert() {
  static const bool present = std::system("convert -version >/dev/null 2>&1") == 0;
  return present;
}

// Runs `convert <args>`; paths inside args must not need quoting (temp paths do not).
inline bool runConvert(const std::string& args) {
  return std::system(("convert " + args + " >/dev/null 2>&1").c_str()) == 0;
}

inline Bytes readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void writeFile(const std::string& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// A PAM (RGB_ALPHA, straight alpha) that convert reads without any interpretation of its own.
inline void writePam(const std::string& path, const gfx::Bitmap& picture) {
  std::string header = "P7\nWIDTH " + std::to_string(picture.width()) + "\nHEIGHT " +
                       std::to_string(picture.height()) + "\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n";
  Bytes bytes(header.begin(), header.end());
  for (int y = 0; y < picture.height(); ++y) {
    for (int x = 0; x < picture.width(); ++x) {
      const gfx::Argb c = picture.pixel(x, y);
      bytes.insert(bytes.end(), {gfx::redOf(c), gfx::greenOf(c), gfx::blueOf(c), gfx::alphaOf(c)});
    }
  }
  writeFile(path, bytes);
}

// Straight 8-bit RGBA as `convert ... -depth 8 RGBA:file` writes it; empty when the size does not match.
inline gfx::Bitmap readRawRgba(const std::string& path, int width, int height) {
  const Bytes raw = readFile(path);
  if (raw.size() != static_cast<std::size_t>(width) * height * 4) return {};
  gfx::Bitmap out(width, height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const std::uint8_t* p = raw.data() + (static_cast<std::size_t>(y) * width + x) * 4;
      out.setPixel(x, y, gfx::makeArgb(p[3], p[0], p[1], p[2]));
    }
  }
  return out;
}

// Largest difference of any channel between the stored (premultiplied) pixels; -1 when sizes differ.
inline int maxStoredDiff(const gfx::Bitmap& a, const gfx::Bitmap& b) {
  if (a.width() != b.width() || a.height() != b.height()) return -1;
  int worst = 0;
  const std::size_t count = static_cast<std::size_t>(a.width()) * a.height();
  for (std::size_t i = 0; i < count; ++i) {
    for (int shift = 0; shift < 32; shift += 8) {
      const int d = std::abs(int((a.data()[i] >> shift) & 0xFF) - int((b.data()[i] >> shift) & 0xFF));
      worst = std::max(worst, d);
    }
  }
  return worst;
}

// --- Test pictures (straight colours) ---

// Smooth opaque colour ramps: what lossy codecs handle well.
inline gfx::Bitmap gradient(int w, int h) {
  gfx::Bitmap b(w, h);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      b.setPixel(x, y, gfx::makeArgb(255, x * 255 / std::max(1, w - 1), y * 255 / std::max(1, h - 1),
                                     (x + y) * 255 / std::max(1, w + h - 2)));
    }
  }
  return b;
}

// The picture with alpha running through 0, partial values and 255.
inline gfx::Bitmap withAlpha(gfx::Bitmap b) {
  constexpr unsigned kAlphas[] = {255, 0, 64, 128, 200, 255, 1};
  for (int y = 0; y < b.height(); ++y) {
    for (int x = 0; x < b.width(); ++x) {
      const gfx::Argb c = b.pixel(x, y);
      b.setPixel(x, y, (c & 0x00FFFFFFu) | (gfx::Argb(kAlphas[(x + 2 * y) % 7]) << 24));
    }
  }
  return b;
}

inline gfx::Bitmap greyRamp(int w, int h) {
  gfx::Bitmap b(w, h);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const unsigned v = static_cast<unsigned>((x * 13 + y * 29) % 256);
      b.setPixel(x, y, gfx::makeArgb(255, v, v, v));
    }
  }
  return b;
}

// Exactly `colours` distinct opaque colours (a palette format keeps them all). With exactIn16Bit the
// channels take only values that 5 and 6-bit fields hold exactly, however a writer rounds.
inline gfx::Bitmap fewColours(int w, int h, int colours, bool exactIn16Bit = false, bool binaryAlpha = false) {
  constexpr unsigned kExact16[] = {0, 231, 239, 247, 255};
  gfx::Bitmap b(w, h);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const unsigned i = static_cast<unsigned>((x * 7 + y * 3) % colours);
      unsigned r = (i * 97 + 11) % 256, g = (i * 53 + 200) % 256, bl = (i * 151 + 7) % 256;
      if (exactIn16Bit) {
        r = kExact16[i % 5];
        g = kExact16[(i / 5) % 5];
        bl = kExact16[(i / 25 + i) % 5];
      }
      const unsigned a = binaryAlpha && i == 0 ? 0 : 255;
      b.setPixel(x, y, gfx::makeArgb(a, r, g, bl));
    }
  }
  return b;
}

// The picture as a 24-bit format without alpha stores it: every pixel opaque, colour kept.
inline gfx::Bitmap opaqueCopy(const gfx::Bitmap& picture) {
  gfx::Bitmap b(picture.width(), picture.height());
  for (int y = 0; y < picture.height(); ++y) {
    for (int x = 0; x < picture.width(); ++x) b.setPixel(x, y, picture.pixel(x, y) | 0xFF000000u);
  }
  return b;
}

}  // namespace codec_test
