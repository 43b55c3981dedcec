#include "gfx/Graphics.h"

#include <cmath>
#include <cstring>

#include "gfx/TextLayout.h"

namespace gfx {

namespace {
// Far outside any bitmap: the outer box of "everything but this shape" clips.
constexpr float kHuge = 1.0e6f;
// GDI+ puts pixel centres on integer coordinates; cairo puts them at +0.5.
constexpr double kPixelCentre = 0.5;

CairoSurfacePtr wrapBitmap(const Bitmap& b) {
  // The surface only reads or writes the bitmap's own pixels, in cairo's ARGB32 layout.
  auto* data = reinterpret_cast<unsigned char*>(const_cast<std::uint32_t*>(b.data()));
  return CairoSurfacePtr(cairo_image_surface_create_for_data(data, CAIRO_FORMAT_ARGB32, b.width(), b.height(), b.stride()));
}

cairo_antialias_t antialiasFor(SmoothingMode m) {
  switch (m) {
    case SmoothingMode::HighQuality:
    case SmoothingMode::AntiAlias8x4: return CAIRO_ANTIALIAS_BEST;
    case SmoothingMode::AntiAlias: return CAIRO_ANTIALIAS_GOOD;
    default: return CAIRO_ANTIALIAS_NONE;
  }
}

bool finiteRect(const RectF& r) {
  return std::isfinite(r.x) && std::isfinite(r.y) && std::isfinite(r.width) && std::isfinite(r.height);
}
}  // namespace

Graphics::Graphics(Bitmap& target) : target_(&target) {
  cairo_matrix_init_identity(&world_);
}

Graphics::~Graphics() { flush(); }

void Graphics::flush() {
  if (surface_) cairo_surface_flush(surface_.get());
}

bool Graphics::begin() {
  if (target_->empty()) return false;
  if (!surface_ || surfaceData_ != target_->data() ||
      cairo_image_surface_get_width(surface_.get()) != target_->width() ||
      cairo_image_surface_get_height(surface_.get()) != target_->height()) {
    surface_ = wrapBitmap(*target_);
    cr_.reset(cairo_create(surface_.get()));
    surfaceData_ = target_->data();
    rebuildClip();
  }
  cairo_surface_mark_dirty(surface_.get());  // the bitmap may have been written directly meanwhile
  cairo_save(cr_.get());
  cairo_new_path(cr_.get());
  cairo_set_operator(cr_.get(), compositingMode_ == CompositingMode::SourceCopy ? CAIRO_OPERATOR_SOURCE : CAIRO_OPERATOR_OVER);
  cairo_set_matrix(cr_.get(), &world_);
  return true;
}

void Graphics::end() {
  cairo_restore(cr_.get());
  cairo_surface_flush(surface_.get());
}

void Graphics::applyShapeState() {
  cairo_matrix_t m = world_;
  if (pixelOffset_ != PixelOffsetMode::Half && pixelOffset_ != PixelOffsetMode::HighQuality) {
    m.x0 += kPixelCentre;
    m.y0 += kPixelCentre;
  }
  cairo_set_matrix(cr_.get(), &m);
  cairo_set_antialias(cr_.get(), antialiasFor(smoothing_));
}

cairo_filter_t Graphics::filter() const {
  switch (interpolation_) {
    case InterpolationMode::NearestNeighbor: return CAIRO_FILTER_NEAREST;
    case InterpolationMode::HighQuality:
    case InterpolationMode::Bicubic:
    case InterpolationMode::HighQualityBilinear:
    case InterpolationMode::HighQualityBicubic: return CAIRO_FILTER_GOOD;
    default: return CAIRO_FILTER_BILINEAR;
  }
}

GraphicsState Graphics::save() const {
  GraphicsState s;
  s.clips = clips_;
  s.world = world_;
  s.smoothing = smoothing_;
  s.textHint = textHint_;
  s.interpolation = interpolation_;
  s.compositingQuality = compositingQuality_;
  s.compositingMode = compositingMode_;
  s.pixelOffset = pixelOffset_;
  return s;
}

void Graphics::restore(const GraphicsState& s) {
  clips_ = s.clips;
  world_ = s.world;
  smoothing_ = s.smoothing;
  textHint_ = s.textHint;
  interpolation_ = s.interpolation;
  compositingQuality_ = s.compositingQuality;
  compositingMode_ = s.compositingMode;
  pixelOffset_ = s.pixelOffset;
  if (cr_) rebuildClip();
}

void Graphics::translateTransform(float dx, float dy) { cairo_matrix_translate(&world_, dx, dy); }
void Graphics::scaleTransform(float sx, float sy) {
  if (sx != 0 && sy != 0 && std::isfinite(sx) && std::isfinite(sy)) cairo_matrix_scale(&world_, sx, sy);
}
void Graphics::resetTransform() { cairo_matrix_init_identity(&world_); }

void Graphics::clear(Argb c) {
  if (!begin()) return;
  cairo_set_operator(cr_.get(), CAIRO_OPERATOR_SOURCE);
  cairo_set_source_rgba(cr_.get(), redOf(c) / 255.0, greenOf(c) / 255.0, blueOf(c) / 255.0, alphaOf(c) / 255.0);
  cairo_paint(cr_.get());
  end();
}

// ---- clipping ----

void Graphics::setClip(const RectF& rect, CombineMode mode) {
  GraphicsPath p;
  if (finiteRect(rect) && !rect.isEmpty()) p.addRectangle(rect);
  setClip(p, mode);
}

void Graphics::setClip(const GraphicsPath& path, CombineMode mode) {
  auto huge = [] {
    GraphicsPath p;
    p.addRectangle({-kHuge, -kHuge, 2 * kHuge, 2 * kHuge});
    return p;
  };
  switch (mode) {
    case CombineMode::Replace:
      clips_.clear();
      clips_.push_back({path, world_});
      break;
    case CombineMode::Intersect:
      clips_.push_back({path, world_});
      break;
    case CombineMode::Exclude: {
      GraphicsPath p = huge();
      p.addPath(path);
      clips_.push_back({p, world_});
      break;
    }
    case CombineMode::Xor: {
      // Even-odd filling of both outlines is their exclusive or. A single earlier clip shape made under
      // the same transform merges exactly; with no clip (everything) xor is "everything but the shape".
      const bool mergeable = clips_.size() == 1 && clips_[0].path.fillMode() == FillMode::Alternate &&
                             std::memcmp(&clips_[0].matrix, &world_, sizeof world_) == 0;
      if (mergeable) {
        clips_[0].path.addPath(path);
      } else {
        GraphicsPath p = huge();
        p.addPath(path);
        clips_.push_back({p, world_});
      }
      break;
    }
  }
  if (cr_) rebuildClip();
}

void Graphics::resetClip() {
  clips_.clear();
  if (cr_) rebuildClip();
}

void Graphics::rebuildClip() {
  cairo_t* cr = cr_.get();
  cairo_reset_clip(cr);
  // cairo_restore would drop the clip, so it is built on the outer state and the settings put back.
  cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
  for (const Clip& c : clips_) {
    cairo_new_path(cr);
    cairo_set_matrix(cr, &c.matrix);
    c.path.appendTo(cr);
    cairo_set_fill_rule(cr, c.path.fillMode() == FillMode::Winding ? CAIRO_FILL_RULE_WINDING : CAIRO_FILL_RULE_EVEN_ODD);
    cairo_clip(cr);
  }
  cairo_identity_matrix(cr);
  cairo_set_antialias(cr, CAIRO_ANTIALIAS_DEFAULT);
}

bool Graphics::isVisible(int x, int y) {
  if (x < 0 || y < 0 || x >= target_->width() || y >= target_->height()) return false;
  if (!begin()) return false;
  cairo_identity_matrix(cr_.get());
  const bool in = cairo_in_clip(cr_.get(), x + kPixelCentre, y + kPixelCentre);
  end();
  return in;
}

// ---- images ----

void Graphics::drawImage(const Bitmap& image, float x, float y) {
  drawImage(image, {x, y, static_cast<float>(image.width()), static_cast<float>(image.height())});
}

void Graphics::drawImage(const Bitmap& image, const RectF& dst) {
  drawImage(image, dst, {0, 0, static_cast<float>(image.width()), static_cast<float>(image.height())});
}

void Graphics::drawImage(const Bitmap& image, const RectF& dstIn, const RectF& srcIn, const ImageAttributes* attributes) {
  if (image.empty() || !finiteRect(dstIn) || !finiteRect(srcIn)) return;
  if (dstIn.width == 0 || dstIn.height == 0 || !(srcIn.width > 0) || !(srcIn.height > 0)) return;

  // Only the part of the source inside the image is drawn, onto the matching part of the destination.
  const RectF src = srcIn.intersect({0, 0, static_cast<float>(image.width()), static_cast<float>(image.height())});
  if (src.isEmpty()) return;
  const float sx = dstIn.width / srcIn.width, sy = dstIn.height / srcIn.height;
  const RectF dst{dstIn.x + (src.x - srcIn.x) * sx, dstIn.y + (src.y - srcIn.y) * sy, src.width * sx, src.height * sy};

  float alpha = 1.0f;
  if (attributes && !attributes->isIdentity()) {
    if (auto a = attributes->alphaScale()) {
      alpha = std::clamp(*a, 0.0f, 1.0f);
    } else {
      // A general colour matrix works on straight colours, pixel by pixel, on a copy of the source part.
      const int x0 = static_cast<int>(std::floor(src.x)), y0 = static_cast<int>(std::floor(src.y));
      Bitmap part = image.crop(x0, y0, static_cast<int>(std::ceil(src.right())) - x0,
                               static_cast<int>(std::ceil(src.bottom())) - y0);
      for (int y = 0; y < part.height(); ++y)
        for (int x = 0; x < part.width(); ++x) part.setPixel(x, y, attributes->apply(part.pixel(x, y)));
      drawImage(part, dst, src.offset(static_cast<float>(-x0), static_cast<float>(-y0)));
      return;
    }
  }
  if (alpha <= 0) return;
  if (&image == target_) {  // drawing a bitmap onto itself reads from a copy
    const Bitmap copy = image;
    drawImage(copy, dst, src, nullptr);
    return;
  }
  if (!begin()) return;
  CairoSurfacePtr whole = wrapBitmap(image);
  CairoSurfacePtr part(cairo_surface_create_for_rectangle(whole.get(), src.x, src.y, src.width, src.height));
  CairoPatternPtr pattern(cairo_pattern_create_for_surface(part.get()));
  cairo_matrix_t m;
  cairo_matrix_init_scale(&m, src.width / dst.width, src.height / dst.height);
  cairo_matrix_translate(&m, -dst.x, -dst.y);
  cairo_pattern_set_matrix(pattern.get(), &m);
  // Stretched edges repeat the border pixels instead of fading into transparency, so nine-grid pieces
  // and stretched skins meet without seams.
  cairo_pattern_set_extend(pattern.get(), CAIRO_EXTEND_PAD);
  cairo_pattern_set_filter(pattern.get(), filter());
  cairo_set_source(cr_.get(), pattern.get());
  cairo_rectangle(cr_.get(), dst.x, dst.y, dst.width, dst.height);
  cairo_clip(cr_.get());
  if (alpha >= 1) cairo_paint(cr_.get());
  else cairo_paint_with_alpha(cr_.get(), alpha);
  end();
}

// ---- shapes ----

void Graphics::fillCurrentPath(const Brush& brush, FillMode mode) {
  CairoPatternPtr pattern = brush.makePattern();
  cairo_set_source(cr_.get(), pattern.get());
  cairo_set_fill_rule(cr_.get(), mode == FillMode::Winding ? CAIRO_FILL_RULE_WINDING : CAIRO_FILL_RULE_EVEN_ODD);
  cairo_fill(cr_.get());
}

void Graphics::strokeCurrentPath(const Pen& pen) {
  pen.applyTo(cr_.get());
  cairo_stroke(cr_.get());
}

void Graphics::fillRectangle(const Brush& brush, const RectF& r) {
  if (!finiteRect(r) || r.isEmpty() || !begin()) return;
  applyShapeState();
  cairo_rectangle(cr_.get(), r.x, r.y, r.width, r.height);
  fillCurrentPath(brush, FillMode::Alternate);
  end();
}

void Graphics::drawRectangle(const Pen& pen, const RectF& r) {
  if (!finiteRect(r) || r.width < 0 || r.height < 0 || !begin()) return;
  applyShapeState();
  cairo_rectangle(cr_.get(), r.x, r.y, r.width, r.height);
  strokeCurrentPath(pen);
  end();
}

void Graphics::fillEllipse(const Brush& brush, const RectF& box) {
  GraphicsPath p;
  p.addEllipse(box);
  fillPath(brush, p);
}

void Graphics::drawEllipse(const Pen& pen, const RectF& box) {
  GraphicsPath p;
  p.addEllipse(box);
  drawPath(pen, p);
}

void Graphics::drawLine(const Pen& pen, PointF from, PointF to) {
  const PointF pts[] = {from, to};
  drawLines(pen, pts);
}

void Graphics::drawLines(const Pen& pen, std::span<const PointF> points) {
  if (points.size() < 2 || !begin()) return;
  applyShapeState();
  std::vector<PointF> pts(points.begin(), points.end());
  if (antialiasFor(smoothing_) == CAIRO_ANTIALIAS_NONE) {
    // Aliased GDI+ lines include both end pixels; cairo samples pixel centres with a half-open rule, so
    // the open ends are pushed out by half a pixel.
    auto extend = [](PointF& end, PointF other) {
      const float dx = end.x - other.x, dy = end.y - other.y, len = std::hypot(dx, dy);
      if (len > 0) end = {end.x + dx / len * 0.5f, end.y + dy / len * 0.5f};
    };
    extend(pts.front(), points[1]);
    extend(pts.back(), points[points.size() - 2]);
  }
  cairo_move_to(cr_.get(), pts[0].x, pts[0].y);
  for (std::size_t i = 1; i < pts.size(); ++i) cairo_line_to(cr_.get(), pts[i].x, pts[i].y);
  strokeCurrentPath(pen);
  end();
}

void Graphics::fillPolygon(const Brush& brush, std::span<const PointF> points, FillMode mode) {
  GraphicsPath p(mode);
  p.addPolygon(points);
  fillPath(brush, p);
}

void Graphics::drawPolygon(const Pen& pen, std::span<const PointF> points) {
  GraphicsPath p;
  p.addPolygon(points);
  drawPath(pen, p);
}

void Graphics::fillPath(const Brush& brush, const GraphicsPath& path) {
  if (path.empty() || !begin()) return;
  applyShapeState();
  path.appendTo(cr_.get());
  fillCurrentPath(brush, path.fillMode());
  end();
}

void Graphics::drawPath(const Pen& pen, const GraphicsPath& path) {
  if (path.empty() || !begin()) return;
  applyShapeState();
  path.appendTo(cr_.get());
  strokeCurrentPath(pen);
  end();
}

// ---- text ----

void Graphics::drawString(std::string_view utf8, const Font& font, const RectF& layout, const StringFormat* format,
                          const Brush& brush) {
  if (utf8.empty() || !font.ok() || !finiteRect(layout) || !begin()) return;
  const TextLayout text(cr_.get(), utf8, font, layout, format, textHint_);
  CairoPatternPtr pattern = brush.makePattern();
  cairo_set_source(cr_.get(), pattern.get());
  text.draw(cr_.get());
  end();
}

void Graphics::drawString(std::u16string_view text, const Font& font, const RectF& layout, const StringFormat* format,
                          const Brush& brush) {
  drawString(TextLayout::utf16ToUtf8(text), font, layout, format, brush);
}

RectF Graphics::measureString(std::string_view utf8, const Font& font, const RectF& layout, const StringFormat* format) {
  if (utf8.empty() || !font.ok() || !finiteRect(layout)) return {layout.x, layout.y, 0, 0};
  if (!begin()) {
    // Measuring needs no pixels: lay out on a scratch surface.
    Bitmap scratch(1, 1);
    Graphics g(scratch);
    g.setTextRenderingHint(textHint_);
    return g.measureString(utf8, font, layout, format);
  }
  const TextLayout text(cr_.get(), utf8, font, layout, format, textHint_);
  end();
  return text.bounds();
}

RectF Graphics::measureString(std::u16string_view text, const Font& font, const RectF& layout, const StringFormat* format) {
  return measureString(TextLayout::utf16ToUtf8(text), font, layout, format);
}

}  // namespace gfx
