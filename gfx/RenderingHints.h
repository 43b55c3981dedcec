#pragma once
// GDI+ rendering settings of a Graphics, with their GDI+ numeric values.

namespace gfx {

// Mapped to cairo antialias modes: Default (0), HighSpeed (1) and None (3) draw aliased
// (CAIRO_ANTIALIAS_NONE); HighQuality (2), AntiAlias (4) and AntiAlias8x4 (5) draw anti-aliased
// (CAIRO_ANTIALIAS_GOOD; BEST for 2 and 5).
enum class SmoothingMode { Default = 0, HighSpeed = 1, HighQuality = 2, None = 3, AntiAlias = 4, AntiAlias8x4 = 5 };

// Mapped to cairo font options (antialias / hint style):
//   0 SystemDefault            -> GRAY, slight hinting (the desktop's usual greyscale text)
//   1 SingleBitPerPixelGridFit -> NONE, full hinting
//   2 SingleBitPerPixel        -> NONE, no hinting
//   3 AntiAliasGridFit         -> GRAY, full hinting
//   4 AntiAlias                -> GRAY, no hinting, unhinted metrics
//   5 ClearTypeGridFit         -> SUBPIXEL (RGB), full hinting
enum class TextRenderingHint {
  SystemDefault = 0,
  SingleBitPerPixelGridFit = 1,
  SingleBitPerPixel = 2,
  AntiAliasGridFit = 3,
  AntiAlias = 4,
  ClearTypeGridFit = 5,
};

// Mapped to cairo filters: NearestNeighbor -> NEAREST; Default, LowQuality, Bilinear -> BILINEAR; the
// high-quality and bicubic modes -> GOOD (which also box-filters when shrinking).
enum class InterpolationMode {
  Default = 0, LowQuality = 1, HighQuality = 2, Bilinear = 3, Bicubic = 4, NearestNeighbor = 5,
  HighQualityBilinear = 6, HighQualityBicubic = 7,
};

// Kept for callers that set it; cairo composites the same way for every value.
enum class CompositingQuality { Default = 0, HighSpeed = 1, HighQuality = 2, GammaCorrected = 3, AssumeLinear = 4 };
enum class CompositingMode { SourceOver = 0, SourceCopy = 1 };

// Default, HighSpeed and None put pixel centres on integer coordinates as GDI+ does (a one-pixel line
// at y = 0 covers exactly row 0); Half and HighQuality put pixel edges there.
enum class PixelOffsetMode { Default = 0, HighSpeed = 1, HighQuality = 2, None = 3, Half = 4 };

enum class CombineMode { Replace = 0, Intersect = 1, Xor = 3, Exclude = 4 };

}  // namespace gfx
