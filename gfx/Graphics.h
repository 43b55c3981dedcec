#pragma once
// Drawing on a Bitmap in the manner of a GDI+ graphics object, on cairo.
//
// Geometry follows GDI+: vector shapes put pixel centres on integer coordinates (a one-pixel pen from
// (0, 0) to (9, 0) covers pixels 0..9 of row 0), images and clip rectangles map pixel edges onto integer
// coordinates. Colours are straight ARGB; the target bitmap stores them premultiplied.
//
// The target bitmap must stay alive and keep its size while the Graphics exists.
#include <cairo.h>

#include <span>
#include <string_view>
#include <vector>

#include "gfx/Bitmap.h"
#include "gfx/Brush.h"
#include "gfx/CairoPtr.h"
#include "gfx/Font.h"
#include "gfx/Geometry.h"
#include "gfx/GraphicsPath.h"
#include "gfx/ImageAttributes.h"
#include "gfx/Pen.h"
#include "gfx/RenderingHints.h"
#include "gfx/StringFormat.h"

namespace gfx {

class Graphics;

// What Graphics::save() keeps: clip, transform and rendering settings.
class GraphicsState {
 private:
  friend class Graphics;
  struct Clip {
    GraphicsPath path;
    cairo_matrix_t matrix;
  };
  std::vector<Clip> clips;
  cairo_matrix_t world{};
  SmoothingMode smoothing{};
  TextRenderingHint textHint{};
  InterpolationMode interpolation{};
  CompositingQuality compositingQuality{};
  CompositingMode compositingMode{};
  PixelOffsetMode pixelOffset{};
};

class Graphics {
 public:
  explicit Graphics(Bitmap& target);
  ~Graphics();
  Graphics(const Graphics&) = delete;
  Graphics& operator=(const Graphics&) = delete;

  Bitmap& target() { return *target_; }

  // Fills the whole clip area with `color`, replacing what is there (alpha included).
  void clear(Argb color);

  // Settings.
  SmoothingMode smoothingMode() const { return smoothing_; }
  void setSmoothingMode(SmoothingMode m) { smoothing_ = m; }
  TextRenderingHint textRenderingHint() const { return textHint_; }
  void setTextRenderingHint(TextRenderingHint h) { textHint_ = h; }
  InterpolationMode interpolationMode() const { return interpolation_; }
  void setInterpolationMode(InterpolationMode m) { interpolation_ = m; }
  CompositingQuality compositingQuality() const { return compositingQuality_; }
  void setCompositingQuality(CompositingQuality q) { compositingQuality_ = q; }
  CompositingMode compositingMode() const { return compositingMode_; }
  void setCompositingMode(CompositingMode m) { compositingMode_ = m; }
  PixelOffsetMode pixelOffsetMode() const { return pixelOffset_; }
  void setPixelOffsetMode(PixelOffsetMode m) { pixelOffset_ = m; }

  GraphicsState save() const;
  void restore(const GraphicsState& state);

  // World transform (applies to later drawing and to clips set afterwards).
  void translateTransform(float dx, float dy);
  void scaleTransform(float sx, float sy);
  void resetTransform();

  // Clipping. Clip shapes are rasterised without anti-aliasing, like GDI regions.
  void setClip(const RectF& rect, CombineMode mode = CombineMode::Replace);
  void setClip(const GraphicsPath& path, CombineMode mode = CombineMode::Replace);
  void excludeClip(const RectF& rect) { setClip(rect, CombineMode::Exclude); }
  void resetClip();
  bool isClipped() const { return !clips_.empty(); }
  // True when the clip leaves the pixel (x, y) drawable.
  bool isVisible(int x, int y);

  // Images: natural size at (x, y), stretched to `dst`, or the `src` part (pixels) stretched to `dst`,
  // optionally through image attributes (colour matrix).
  void drawImage(const Bitmap& image, float x, float y);
  void drawImage(const Bitmap& image, const RectF& dst);
  void drawImage(const Bitmap& image, const RectF& dst, const RectF& src, const ImageAttributes* attributes = nullptr);

  // Shapes.
  void fillRectangle(const Brush& brush, const RectF& rect);
  void drawRectangle(const Pen& pen, const RectF& rect);
  void fillEllipse(const Brush& brush, const RectF& box);
  void drawEllipse(const Pen& pen, const RectF& box);
  void drawLine(const Pen& pen, PointF from, PointF to);
  void drawLines(const Pen& pen, std::span<const PointF> points);
  void fillPolygon(const Brush& brush, std::span<const PointF> points, FillMode mode = FillMode::Alternate);
  void drawPolygon(const Pen& pen, std::span<const PointF> points);
  void fillPath(const Brush& brush, const GraphicsPath& path);
  void drawPath(const Pen& pen, const GraphicsPath& path);

  // Text (UTF-8 or UTF-16). A layout rectangle with width or height 0 is unbounded that way.
  void drawString(std::string_view utf8, const Font& font, const RectF& layout, const StringFormat* format,
                  const Brush& brush);
  void drawString(std::u16string_view text, const Font& font, const RectF& layout, const StringFormat* format,
                  const Brush& brush);
  RectF measureString(std::string_view utf8, const Font& font, const RectF& layout, const StringFormat* format);
  RectF measureString(std::u16string_view text, const Font& font, const RectF& layout, const StringFormat* format);

  // Makes sure every drawing operation has reached the bitmap's pixels.
  void flush();

 private:
  using Clip = GraphicsState::Clip;
  bool begin();  // prepares cr_ for one operation; false when there is nothing to draw on
  void end();
  void applyShapeState();
  void fillCurrentPath(const Brush& brush, FillMode mode);
  void strokeCurrentPath(const Pen& pen);
  void rebuildClip();
  cairo_filter_t filter() const;

  Bitmap* target_;
  CairoSurfacePtr surface_;
  CairoPtr cr_;
  std::uint32_t* surfaceData_ = nullptr;
  cairo_matrix_t world_;
  std::vector<Clip> clips_;
  SmoothingMode smoothing_ = SmoothingMode::Default;
  TextRenderingHint textHint_ = TextRenderingHint::SystemDefault;
  InterpolationMode interpolation_ = InterpolationMode::Default;
  CompositingQuality compositingQuality_ = CompositingQuality::Default;
  CompositingMode compositingMode_ = CompositingMode::SourceOver;
  PixelOffsetMode pixelOffset_ = PixelOffsetMode::Default;
};

}  // namespace gfx
