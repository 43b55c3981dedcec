#include "engine/draw/ShapeDraw.h"

#include "gfx/LinearGradientBrush.h"
#include "gfx/Pen.h"

namespace engine {

namespace {
constexpr int kMaxDirection = 3;
}  // namespace

void FillGradient(gfx::Graphics& g, const gfx::RectF& rect, gfx::Argb color1, gfx::Argb color2, int direction) {
  if (direction < 0 || direction > kMaxDirection || rect.isEmpty()) return;
  gfx::LinearGradientBrush brush(rect, color1, color2, static_cast<gfx::LinearGradientMode>(direction));
  brush.setWrapMode(gfx::WrapMode::TileFlipXY);
  g.fillRectangle(brush, rect);
}

void DrawRectOutline(gfx::Graphics& g, const gfx::RectF& r, std::int32_t style, std::optional<gfx::Argb> color,
                     float penWidth) {
  const float x = r.x, y = r.y, w = r.width, h = r.height;
  auto line = [&g, penWidth](gfx::Argb c, float x1, float y1, float x2, float y2) {
    g.drawLine(gfx::Pen(c, penWidth), {x1, y1}, {x2, y2});
  };
  switch (style) {
    case kOutlineNone:
      return;
    case kOutlineSunken:
      line(kOutlineShade, x, y, x + w - 1, y);
      line(kOutlineShade, x, y, x, y + h - 1);
      line(kOutlineLight, x, y + h - 1, x + w, y + h - 1);
      line(kOutlineLight, x + w - 1, y, x + w - 1, y + h - 1);
      return;
    case kOutlineRaised:
      line(kOutlineLight, x, y, x + w - 2, y);
      line(kOutlineLight, x, y, x, y + h - 2);
      line(kOutlineShade, x, y + h - 1, x + w - 1, y + h - 1);
      line(kOutlineShade, x + w - 1, y, x + w - 1, y + h - 2);
      return;
    default:
      break;
  }
  gfx::Pen pen(static_cast<gfx::Argb>(style), penWidth);
  if (style == kOutlineSolid) pen.setColor(color.value_or(kOutlineSolidDefault));
  if (style == kOutlineDashed) {
    pen.setColor(color.value_or(kOutlineDashedDefault));
    pen.setDashStyle(gfx::DashStyle::Dash);
  }
  g.drawRectangle(pen, {x, y, w - 1, h - 1});
}

gfx::GraphicsPath RoundRectPath(const gfx::RectF& r, float a) {
  gfx::GraphicsPath p;
  p.addArc({r.x, r.y, a, a}, 180, 90);
  p.addArc({r.x + r.width - a - 1, r.y, a, a}, 270, 90);
  p.addArc({r.x + r.width - a - 1, r.y + r.height - a - 1, a, a}, 0, 90);
  p.addArc({r.x, r.y + r.height - a - 1, a, a}, 90, 90);
  p.closeFigure();
  return p;
}

void InflateRect(gfx::RectF& r, float left, float top, float right, float bottom) {
  r.x -= left;
  r.y -= top;
  r.width += left + right;
  r.height += top + bottom;
}

}  // namespace engine
