#include "platform/Region.h"

#include <algorithm>

namespace platform {
namespace {

// Collects row runs and merges a row into the rectangles above it when its runs are the same.
class RunMerger {
 public:
  void addRow(int y, const std::vector<std::pair<int, int>>& runs) {
    if (runs == previousRuns_ && y == previousY_ + 1) {
      for (std::size_t i = 0; i < runs.size(); ++i) out_[openFirst_ + i].bottom = y + 1;
    } else {
      openFirst_ = out_.size();
      for (const auto& [x0, x1] : runs) out_.push_back({x0, y, x1, y + 1});
      previousRuns_ = runs;
    }
    previousY_ = y;
  }
  std::vector<Rect> take() { return std::move(out_); }

 private:
  std::vector<Rect> out_;
  std::vector<std::pair<int, int>> previousRuns_;
  std::size_t openFirst_ = 0;
  int previousY_ = -2;
};

}  // namespace

Region Region::roundRect(int left, int top, int right, int bottom, int ellipseWidth, int ellipseHeight) {
  Region r;
  r.bounds_ = Rect{left, top, right, bottom};
  if (r.bounds_.empty()) r.bounds_ = {};
  r.ellipseWidth_ = std::clamp(ellipseWidth, 0, r.bounds_.width());
  r.ellipseHeight_ = std::clamp(ellipseHeight, 0, r.bounds_.height());
  return r;
}

bool Region::contains(Point p) const {
  if (!bounds_.contains(p)) return false;
  if (ellipseWidth_ < 2 || ellipseHeight_ < 2) return true;
  const double rx = ellipseWidth_ / 2.0;
  const double ry = ellipseHeight_ / 2.0;
  const double px = p.x + 0.5;
  const double py = p.y + 0.5;
  // Centre of the corner ellipse nearest to the point, if the point lies in a corner square.
  double cx = px;
  double cy = py;
  if (px < bounds_.left + rx) cx = bounds_.left + rx;
  else if (px > bounds_.right - rx) cx = bounds_.right - rx;
  if (py < bounds_.top + ry) cy = bounds_.top + ry;
  else if (py > bounds_.bottom - ry) cy = bounds_.bottom - ry;
  if (cx == px || cy == py) return true;
  const double dx = (px - cx) / rx;
  const double dy = (py - cy) / ry;
  return dx * dx + dy * dy <= 1.0;
}

std::vector<Rect> Region::rectangles(int width, int height) const {
  const Rect area = bounds_.intersect({0, 0, width, height});
  RunMerger merger;
  std::vector<std::pair<int, int>> runs;
  for (int y = area.top; y < area.bottom; ++y) {
    runs.clear();
    // A row of a rounded rectangle is one run: find its ends.
    int x0 = area.left;
    while (x0 < area.right && !contains({x0, y})) ++x0;
    int x1 = area.right;
    while (x1 > x0 && !contains({x1 - 1, y})) --x1;
    if (x1 > x0) runs.emplace_back(x0, x1);
    merger.addRow(y, runs);
  }
  return merger.take();
}

std::vector<Rect> rectanglesWhereAlpha(const gfx::Bitmap& pixels, std::uint8_t minAlpha) {
  RunMerger merger;
  std::vector<std::pair<int, int>> runs;
  for (int y = 0; y < pixels.height(); ++y) {
    runs.clear();
    const std::uint32_t* row = pixels.row(y);
    int x = 0;
    while (x < pixels.width()) {
      while (x < pixels.width() && gfx::alphaOf(row[x]) < minAlpha) ++x;
      const int start = x;
      while (x < pixels.width() && gfx::alphaOf(row[x]) >= minAlpha) ++x;
      if (x > start) runs.emplace_back(start, x);
    }
    merger.addRow(y, runs);
  }
  return merger.take();
}

}  // namespace platform
