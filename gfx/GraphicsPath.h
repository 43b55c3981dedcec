#pragma once
// A vector path of figures made of lines, Bezier curves and elliptic arcs, in the way GDI+ builds them:
// adding a line or arc to an open figure connects it to the figure's last point; rectangles, ellipses and
// polygons are closed figures of their own. Arcs are stored as Bezier curves.
#include <cairo.h>

#include <span>
#include <vector>

#include "gfx/Geometry.h"

namespace gfx {

enum class FillMode { Alternate = 0, Winding = 1 };

class GraphicsPath {
 public:
  explicit GraphicsPath(FillMode mode = FillMode::Alternate) : fillMode_(mode) {}

  FillMode fillMode() const { return fillMode_; }
  void setFillMode(FillMode mode) { fillMode_ = mode; }

  // Ends the current figure without closing it; the next addition starts a new one.
  void startFigure() { figureOpen_ = false; }
  // Closes the current figure with a line back to its first point.
  void closeFigure();

  void addLine(PointF from, PointF to);
  void addLines(std::span<const PointF> points);
  void addBezier(PointF p0, PointF p1, PointF p2, PointF p3);
  // An arc of the ellipse inscribed in `box`, angles in degrees, clockwise (y down) from the x axis;
  // the angle names the point where its ray meets the ellipse, as GDI+ does.
  void addArc(const RectF& box, float startDeg, float sweepDeg);
  void addRectangle(const RectF& rect);
  void addEllipse(const RectF& box);
  void addPolygon(std::span<const PointF> points);
  void addPath(const GraphicsPath& other);

  bool empty() const { return segments_.empty(); }
  void reset();

  // Bounding box of the flattened outline (pen width not included).
  RectF bounds() const;
  // Each figure as a polygon, curves flattened.
  std::vector<std::vector<PointF>> flatten() const;
  // True when `p` lies inside under the path's fill mode.
  bool contains(PointF p) const;

  // Appends the path to cairo's current path (the caller sets the fill rule from fillMode()).
  void appendTo(cairo_t* cr) const;

 private:
  enum class Kind { Move, Line, Curve, Close };
  struct Segment {
    Kind kind;
    PointF p[3];
  };
  void lineTo(PointF p);
  void moveOrConnect(PointF p);

  std::vector<Segment> segments_;
  FillMode fillMode_;
  bool figureOpen_ = false;
  PointF figureStart_;
};

}  // namespace gfx
