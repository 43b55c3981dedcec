#include "gfx/GraphicsPath.h"

#include <cmath>
#include <limits>
#include <numbers>

#include "gfx/CairoPtr.h"

namespace gfx {

namespace {
constexpr int kCurveSteps = 16;         // line pieces per Bezier when flattening
constexpr float kMaxArcPieceDeg = 90;   // one Bezier approximates at most a quarter ellipse

float degToRad(float d) { return d * std::numbers::pi_v<float> / 180.0f; }

// The parametric angle of the ellipse point that lies on the ray at `angle` (radians).
float parametricAngle(float angle, float rx, float ry) {
  if (rx <= 0 || ry <= 0) return angle;
  return std::atan2(rx * std::sin(angle), ry * std::cos(angle)) +
         // keep the turn count so sweeps beyond 180 degrees stay monotonic
         std::round((angle - std::atan2(std::sin(angle), std::cos(angle))) / (2 * std::numbers::pi_v<float>)) *
             2 * std::numbers::pi_v<float>;
}
}  // namespace

void GraphicsPath::reset() {
  segments_.clear();
  figureOpen_ = false;
}

void GraphicsPath::moveOrConnect(PointF p) {
  if (figureOpen_) {
    lineTo(p);
  } else {
    segments_.push_back({Kind::Move, {p, {}, {}}});
    figureStart_ = p;
    figureOpen_ = true;
  }
}

void GraphicsPath::lineTo(PointF p) { segments_.push_back({Kind::Line, {p, {}, {}}}); }

void GraphicsPath::closeFigure() {
  if (!figureOpen_) return;
  segments_.push_back({Kind::Close, {figureStart_, {}, {}}});
  figureOpen_ = false;
}

void GraphicsPath::addLine(PointF from, PointF to) {
  moveOrConnect(from);
  lineTo(to);
}

void GraphicsPath::addLines(std::span<const PointF> points) {
  if (points.empty()) return;
  moveOrConnect(points[0]);
  for (std::size_t i = 1; i < points.size(); ++i) lineTo(points[i]);
}

void GraphicsPath::addBezier(PointF p0, PointF p1, PointF p2, PointF p3) {
  moveOrConnect(p0);
  segments_.push_back({Kind::Curve, {p1, p2, p3}});
}

void GraphicsPath::addArc(const RectF& box, float startDeg, float sweepDeg) {
  if (!std::isfinite(startDeg) || !std::isfinite(sweepDeg)) return;
  const float rx = box.width / 2, ry = box.height / 2;
  const float cx = box.x + rx, cy = box.y + ry;
  sweepDeg = std::clamp(sweepDeg, -360.0f, 360.0f);
  auto at = [&](float t) { return PointF{cx + rx * std::cos(t), cy + ry * std::sin(t)}; };
  const float t0 = parametricAngle(degToRad(startDeg), rx, ry);
  const float t1 = std::abs(sweepDeg) >= 360 ? t0 + degToRad(sweepDeg)
                                              : parametricAngle(degToRad(startDeg + sweepDeg), rx, ry);
  moveOrConnect(at(t0));
  const int pieces = std::max(1, static_cast<int>(std::ceil(std::abs(sweepDeg) / kMaxArcPieceDeg)));
  const float step = (t1 - t0) / pieces;
  // Standard cubic approximation of a circular arc, scaled to the ellipse.
  const float k = 4.0f / 3.0f * std::tan(step / 4);
  for (int i = 0; i < pieces; ++i) {
    const float a = t0 + step * i, b = a + step;
    const PointF p0 = at(a), p3 = at(b);
    const PointF p1{p0.x - k * rx * std::sin(a), p0.y + k * ry * std::cos(a)};
    const PointF p2{p3.x + k * rx * std::sin(b), p3.y - k * ry * std::cos(b)};
    segments_.push_back({Kind::Curve, {p1, p2, p3}});
  }
}

void GraphicsPath::addRectangle(const RectF& r) {
  startFigure();
  const PointF pts[] = {{r.x, r.y}, {r.right(), r.y}, {r.right(), r.bottom()}, {r.x, r.bottom()}};
  addLines(pts);
  closeFigure();
}

void GraphicsPath::addEllipse(const RectF& box) {
  startFigure();
  addArc(box, 0, 360);
  closeFigure();
}

void GraphicsPath::addPolygon(std::span<const PointF> points) {
  if (points.size() < 2) return;
  startFigure();
  addLines(points);
  closeFigure();
}

void GraphicsPath::addPath(const GraphicsPath& other) {
  startFigure();
  segments_.insert(segments_.end(), other.segments_.begin(), other.segments_.end());
  figureOpen_ = other.figureOpen_;
  figureStart_ = other.figureStart_;
}

std::vector<std::vector<PointF>> GraphicsPath::flatten() const {
  std::vector<std::vector<PointF>> figures;
  PointF last;
  for (const Segment& s : segments_) {
    switch (s.kind) {
      case Kind::Move:
        figures.push_back({s.p[0]});
        last = s.p[0];
        break;
      case Kind::Line:
        if (figures.empty()) figures.push_back({last});
        figures.back().push_back(s.p[0]);
        last = s.p[0];
        break;
      case Kind::Curve: {
        if (figures.empty()) figures.push_back({last});
        const PointF p0 = last;
        for (int i = 1; i <= kCurveSteps; ++i) {
          const float t = static_cast<float>(i) / kCurveSteps, u = 1 - t;
          const float a = u * u * u, b = 3 * u * u * t, c = 3 * u * t * t, d = t * t * t;
          figures.back().push_back({a * p0.x + b * s.p[0].x + c * s.p[1].x + d * s.p[2].x,
                                    a * p0.y + b * s.p[0].y + c * s.p[1].y + d * s.p[2].y});
        }
        last = s.p[2];
        break;
      }
      case Kind::Close:
        last = s.p[0];
        break;
    }
  }
  return figures;
}

RectF GraphicsPath::bounds() const {
  float l = std::numeric_limits<float>::max(), t = l, r = std::numeric_limits<float>::lowest(), b = r;
  bool any = false;
  for (const auto& fig : flatten()) {
    for (PointF p : fig) {
      l = std::min(l, p.x), t = std::min(t, p.y), r = std::max(r, p.x), b = std::max(b, p.y);
      any = true;
    }
  }
  if (!any) return {};
  return {l, t, r - l, b - t};
}

void GraphicsPath::appendTo(cairo_t* cr) const {
  for (const Segment& s : segments_) {
    switch (s.kind) {
      case Kind::Move: cairo_move_to(cr, s.p[0].x, s.p[0].y); break;
      case Kind::Line: cairo_line_to(cr, s.p[0].x, s.p[0].y); break;
      case Kind::Curve:
        cairo_curve_to(cr, s.p[0].x, s.p[0].y, s.p[1].x, s.p[1].y, s.p[2].x, s.p[2].y);
        break;
      case Kind::Close: cairo_close_path(cr); break;
    }
  }
}

bool GraphicsPath::contains(PointF p) const {
  CairoSurfacePtr surface(cairo_image_surface_create(CAIRO_FORMAT_A8, 1, 1));
  CairoPtr cr(cairo_create(surface.get()));
  appendTo(cr.get());
  cairo_set_fill_rule(cr.get(), fillMode_ == FillMode::Winding ? CAIRO_FILL_RULE_WINDING : CAIRO_FILL_RULE_EVEN_ODD);
  return cairo_in_fill(cr.get(), p.x, p.y);
}

}  // namespace gfx
