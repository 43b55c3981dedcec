#include "tools/skin_generator/SkinPainter.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <map>

#include "engine/theme/Theme.h"
#include "engine/theme/ThemeValues.h"
#include "gfx/Graphics.h"
#include "gfx/GraphicsPath.h"
#include "gfx/LinearGradientBrush.h"
#include "gfx/Pen.h"
#include "gfx/SolidBrush.h"

namespace skin {
namespace {

using gfx::Argb;
using gfx::Graphics;
using gfx::GraphicsPath;
using gfx::PointF;
using gfx::RectF;

// A light palette that reads well on a translucent window.
namespace palette {
constexpr Argb kAccent = 0xFF2B7CD3;
constexpr Argb kAccentHot = 0xFF4A93E0;
constexpr Argb kAccentDown = 0xFF1F65B3;
constexpr Argb kAccentPale = 0xFFDCEBFA;
constexpr Argb kBorder = 0xFFBCC4CE;
constexpr Argb kBorderHot = 0xFF86B1E2;
constexpr Argb kGlyph = 0xFF48525C;
constexpr Argb kWhite = 0xFFFFFFFF;
constexpr Argb kHoverShade = 0x1F000000;
constexpr Argb kPressShade = 0x38000000;
constexpr Argb kCloseHot = 0xFFE5484D;
constexpr Argb kCloseDown = 0xFFC13237;
constexpr Argb kTrack = 0x16000000;
constexpr Argb kThumb = 0x70707A85;
constexpr Argb kThumbHot = 0xA0606A75;
constexpr Argb kThumbDown = 0xD04A545E;
constexpr Argb kArrow = 0xFF8A939D;
constexpr Argb kInfo = 0xFF2B7CD3;
constexpr Argb kQuestion = 0xFF1E9E8F;
constexpr Argb kWarning = 0xFFF0A020;
constexpr Argb kError = 0xFFE0443E;
constexpr Argb kShadow = 0xFF000000;
}  // namespace palette

enum State { kNormal = 0, kHot = 1, kDown = 2, kFocus = 3 };

constexpr int kStripCells = 3;
constexpr float kCornerRadius = 3.0f;

GraphicsPath RoundedRect(const RectF& r, float radius) {
  GraphicsPath path;
  const float d = std::min({radius * 2, r.width, r.height});
  if (d <= 0) {
    path.addRectangle(r);
    return path;
  }
  path.addArc({r.x, r.y, d, d}, 180, 90);
  path.addArc({r.right() - d, r.y, d, d}, 270, 90);
  path.addArc({r.right() - d, r.bottom() - d, d, d}, 0, 90);
  path.addArc({r.x, r.bottom() - d, d, d}, 90, 90);
  path.closeFigure();
  return path;
}

void FillRounded(Graphics& g, const RectF& r, float radius, const gfx::Brush& brush) {
  g.fillPath(brush, RoundedRect(r, radius));
}

// A 1-pixel outline whose stroke lies exactly on the outermost pixels of `r`.
void OutlineRounded(Graphics& g, const RectF& r, float radius, Argb color, float width = 1.0f) {
  const float inset = width / 2;
  g.drawPath(gfx::Pen(color, width), RoundedRect({r.x + inset, r.y + inset, r.width - width, r.height - width}, radius));
}

void Polyline(Graphics& g, std::initializer_list<PointF> points, Argb color, float width) {
  g.drawLines(gfx::Pen(color, width), std::span(points.begin(), points.size()));
}

void DrawArc(Graphics& g, const gfx::Pen& pen, const RectF& box, float startDeg, float sweepDeg) {
  GraphicsPath arc;
  arc.addArc(box, startDeg, sweepDeg);
  g.drawPath(pen, arc);
}

void Triangle(Graphics& g, std::initializer_list<PointF> points, Argb color) {
  g.fillPolygon(gfx::SolidBrush(color), std::span(points.begin(), points.size()));
}

// ---- caption buttons: a transparent cell with a glyph, shaded when hot or pressed ----

using Glyph = std::function<void(Graphics&, const RectF&, Argb)>;

void CaptionCell(Graphics& g, const RectF& cell, int state, bool isClose, const Glyph& glyph) {
  Argb glyphColor = palette::kGlyph;
  if (state != kNormal) {
    Argb fill = state == kHot ? palette::kHoverShade : palette::kPressShade;
    if (isClose) {
      fill = state == kHot ? palette::kCloseHot : palette::kCloseDown;
      glyphColor = palette::kWhite;
    }
    FillRounded(g, cell, kCornerRadius, gfx::SolidBrush(fill));
  }
  glyph(g, cell, glyphColor);
}

PointF Centre(const RectF& r) { return {r.x + r.width / 2, r.y + r.height / 2}; }

void CloseGlyph(Graphics& g, const RectF& cell, Argb c) {
  const PointF m = Centre(cell);
  Polyline(g, {{m.x - 4, m.y - 4}, {m.x + 4, m.y + 4}}, c, 1.4f);
  Polyline(g, {{m.x + 4, m.y - 4}, {m.x - 4, m.y + 4}}, c, 1.4f);
}

void MaxGlyph(Graphics& g, const RectF& cell, Argb c) {
  const PointF m = Centre(cell);
  g.drawRectangle(gfx::Pen(c, 1.0f), {m.x - 4.5f, m.y - 4.0f, 9, 8});
  Polyline(g, {{m.x - 4.5f, m.y - 3.0f}, {m.x + 4.5f, m.y - 3.0f}}, c, 1.0f);
}

void RestoreGlyph(Graphics& g, const RectF& cell, Argb c) {
  const PointF m = Centre(cell);
  g.drawRectangle(gfx::Pen(c, 1.0f), {m.x - 4.5f, m.y - 2.0f, 7, 6});
  Polyline(g, {{m.x - 2.5f, m.y - 2.0f}, {m.x - 2.5f, m.y - 4.5f}, {m.x + 4.5f, m.y - 4.5f}, {m.x + 4.5f, m.y + 1.5f},
               {m.x + 2.5f, m.y + 1.5f}},
           c, 1.0f);
}

void MinGlyph(Graphics& g, const RectF& cell, Argb c) {
  const PointF m = Centre(cell);
  Polyline(g, {{m.x - 4.5f, m.y + 0.5f}, {m.x + 4.5f, m.y + 0.5f}}, c, 1.2f);
}

void MenuGlyph(Graphics& g, const RectF& cell, Argb c) {
  const PointF m = Centre(cell);
  for (float dy : {-3.0f, 0.0f, 3.0f}) Polyline(g, {{m.x - 4.5f, m.y + dy + 0.5f}, {m.x + 4.5f, m.y + dy + 0.5f}}, c, 1.2f);
}

void SkinGlyph(Graphics& g, const RectF& cell, Argb c) {
  // A shirt: the classic "change the look" sign.
  const PointF m = Centre(cell);
  const std::array<PointF, 10> shirt{{{m.x - 2, m.y - 5}, {m.x - 5.5f, m.y - 3}, {m.x - 6, m.y - 0.5f}, {m.x - 3.5f, m.y},
                                     {m.x - 3.5f, m.y + 5}, {m.x + 3.5f, m.y + 5}, {m.x + 3.5f, m.y}, {m.x + 6, m.y - 0.5f},
                                     {m.x + 5.5f, m.y - 3}, {m.x + 2, m.y - 5}}};
  g.drawPolygon(gfx::Pen(c, 1.0f), shirt);
  DrawArc(g, gfx::Pen(c, 1.0f), {m.x - 2, m.y - 7, 4, 4}, 0, 180);
}

void ReportGlyph(Graphics& g, const RectF& cell, Argb c) {
  // A speech bubble.
  const PointF m = Centre(cell);
  g.drawPath(gfx::Pen(c, 1.0f), RoundedRect({m.x - 5.5f, m.y - 5, 11, 8}, 2));
  Polyline(g, {{m.x - 2, m.y + 3}, {m.x - 3, m.y + 5.5f}, {m.x + 1, m.y + 3}}, c, 1.0f);
  for (float dx : {-2.5f, 0.0f, 2.5f}) g.fillEllipse(gfx::SolidBrush(c), {m.x + dx - 0.8f, m.y - 1.8f, 1.6f, 1.6f});
}

void SettingGlyph(Graphics& g, const RectF& cell, Argb c) {
  // A gear: eight teeth around a ring with a hole.
  const PointF m = Centre(cell);
  constexpr int kTeeth = 8;
  std::vector<PointF> outline;
  for (int i = 0; i < kTeeth * 4; ++i) {
    const float angle = static_cast<float>(i) * 3.14159265f * 2 / (kTeeth * 4);
    const float radius = (i % 4 == 0 || i % 4 == 1) ? 5.5f : 4.0f;
    outline.push_back({m.x + radius * std::cos(angle), m.y + radius * std::sin(angle)});
  }
  GraphicsPath gear(gfx::FillMode::Alternate);
  gear.addPolygon(outline);
  gear.addEllipse({m.x - 2, m.y - 2, 4, 4});
  g.fillPath(gfx::SolidBrush(c), gear);
}

// ---- push button: soft gradient, rounded, a faint shadow line below ----

void ButtonCell(Graphics& g, const RectF& cell, int state) {
  const RectF body{cell.x, cell.y, cell.width, cell.height - 1};
  FillRounded(g, {cell.x, cell.y + 1, cell.width, cell.height - 1}, kCornerRadius, gfx::SolidBrush(0x14000000));
  Argb top = 0xFFFFFFFF, bottom = 0xFFF1F3F6, border = palette::kBorder;
  if (state == kHot) top = 0xFFF8FBFF, bottom = 0xFFE8F1FC, border = palette::kBorderHot;
  if (state == kDown) top = 0xFFD5E5F7, bottom = 0xFFE4EEFA, border = palette::kAccent;
  if (state == kFocus) border = palette::kAccent;
  FillRounded(g, body, kCornerRadius, gfx::LinearGradientBrush(body, top, bottom, gfx::LinearGradientMode::Vertical));
  OutlineRounded(g, body, kCornerRadius, border);
  if (state == kFocus) OutlineRounded(g, {body.x + 1, body.y + 1, body.width - 2, body.height - 2}, 2, 0x402B7CD3);
}

// ---- check and radio boxes ----

void CheckCell(Graphics& g, const RectF& cell, int state, bool checked, bool round) {
  const RectF box{cell.x + 1, cell.y + 1, cell.width - 2, cell.height - 2};
  const float radius = round ? box.width / 2 : kCornerRadius;
  Argb fill = palette::kWhite, border = 0xFFA9B3BE;
  if (state == kHot) fill = 0xFFF3F8FE, border = palette::kAccentHot;
  if (state == kDown) fill = palette::kAccentPale, border = palette::kAccent;
  if (checked) {
    fill = state == kHot ? palette::kAccentHot : state == kDown ? palette::kAccentDown : palette::kAccent;
    border = fill;
  }
  FillRounded(g, box, radius, gfx::SolidBrush(fill));
  OutlineRounded(g, box, radius, border);
  if (!checked) return;
  const PointF m = Centre(box);
  if (round) {
    g.fillEllipse(gfx::SolidBrush(palette::kWhite), {m.x - 3, m.y - 3, 6, 6});
  } else {
    Polyline(g, {{m.x - 4, m.y}, {m.x - 1, m.y + 3}, {m.x + 4, m.y - 3}}, palette::kWhite, 1.8f);
  }
}

// ---- edit and combo frames ----

void FrameCell(Graphics& g, const RectF& cell, int state) {
  Argb border = palette::kBorder;
  if (state == kHot) border = palette::kBorderHot;
  if (state == kFocus) border = palette::kAccent;
  FillRounded(g, cell, kCornerRadius, gfx::SolidBrush(0xFAFFFFFF));
  OutlineRounded(g, cell, kCornerRadius, border);
  if (state == kFocus) OutlineRounded(g, {cell.x + 1, cell.y + 1, cell.width - 2, cell.height - 2}, 2, 0x332B7CD3);
}

void ComboButtonCell(Graphics& g, const RectF& cell, int state, bool editMode) {
  const RectF face{cell.x + 1, cell.y + 1, cell.width - 2, cell.height - 2};
  if (state == kHot) FillRounded(g, face, 2, gfx::SolidBrush(0x242B7CD3));
  if (state == kDown) FillRounded(g, face, 2, gfx::SolidBrush(editMode ? 0x502B7CD3 : 0x382B7CD3));
  Polyline(g, {{cell.x + 0.5f, cell.y + 4}, {cell.x + 0.5f, cell.bottom() - 4}}, 0xFFDDE2E8, 1.0f);
  const PointF m = Centre(cell);
  const Argb chevron = state == kNormal ? palette::kGlyph : palette::kAccentDown;
  Polyline(g, {{m.x - 3.5f, m.y - 1.5f}, {m.x, m.y + 2}, {m.x + 3.5f, m.y - 1.5f}}, chevron, 1.5f);
}

// ---- scroll bars ----

void TrackCell(Graphics& g, const RectF& cell, bool vertical) {
  const RectF track = vertical ? RectF{cell.x + 2, cell.y, cell.width - 4, cell.height}
                               : RectF{cell.x, cell.y + 2, cell.width, cell.height - 4};
  FillRounded(g, track, 3, gfx::SolidBrush(palette::kTrack));
}

void ThumbCell(Graphics& g, const RectF& cell, int state, bool vertical) {
  const RectF thumb = vertical ? RectF{cell.x + 2, cell.y + 1, cell.width - 4, cell.height - 2}
                               : RectF{cell.x + 1, cell.y + 2, cell.width - 2, cell.height - 4};
  const Argb fill = state == kHot ? palette::kThumbHot : state == kDown ? palette::kThumbDown : palette::kThumb;
  FillRounded(g, thumb, 3, gfx::SolidBrush(fill));
}

enum class Direction { Up, Down, Left, Right };

void ArrowCell(Graphics& g, const RectF& cell, int state, Direction d) {
  if (state != kNormal) FillRounded(g, cell, 2, gfx::SolidBrush(state == kHot ? 0x14000000 : 0x24000000));
  const Argb c = state == kNormal ? palette::kArrow : state == kHot ? palette::kGlyph : palette::kAccent;
  const PointF m = Centre(cell);
  switch (d) {
    case Direction::Up: Triangle(g, {{m.x, m.y - 2.5f}, {m.x + 3.5f, m.y + 2}, {m.x - 3.5f, m.y + 2}}, c); break;
    case Direction::Down: Triangle(g, {{m.x, m.y + 2.5f}, {m.x + 3.5f, m.y - 2}, {m.x - 3.5f, m.y - 2}}, c); break;
    case Direction::Left: Triangle(g, {{m.x - 2.5f, m.y}, {m.x + 2, m.y - 3.5f}, {m.x + 2, m.y + 3.5f}}, c); break;
    case Direction::Right: Triangle(g, {{m.x + 2.5f, m.y}, {m.x - 2, m.y - 3.5f}, {m.x - 2, m.y + 3.5f}}, c); break;
  }
}

// ---- window shadow: soft dark band around the content rectangle ----

// The content sits inside the shadow cell at the window's shadow margin (Config margin 4,3,-4,-5).
constexpr float kShadowInsetLeft = 4, kShadowInsetTop = 3, kShadowInsetRight = 4, kShadowInsetBottom = 5;
constexpr float kShadowSpread = 5.0f;
constexpr float kShadowOffsetY = 1.0f;
constexpr float kShadowRadius = 5.0f;
constexpr double kShadowMaxAlpha = 0x46;

void ShadowCell(gfx::Bitmap& image, const RectF& cell) {
  const float left = kShadowInsetLeft, top = kShadowInsetTop + kShadowOffsetY;
  const float right = cell.width - kShadowInsetRight, bottom = cell.height - kShadowInsetBottom + kShadowOffsetY;
  for (int y = 0; y < static_cast<int>(cell.height); ++y) {
    for (int x = 0; x < static_cast<int>(cell.width); ++x) {
      // Distance from the pixel centre to the rounded content rectangle.
      const float px = static_cast<float>(x) + 0.5f, py = static_cast<float>(y) + 0.5f;
      const float qx = std::max({left + kShadowRadius - px, px - (right - kShadowRadius), 0.0f});
      const float qy = std::max({top + kShadowRadius - py, py - (bottom - kShadowRadius), 0.0f});
      const float distance = std::max(std::hypot(qx, qy) - kShadowRadius, 0.0f);
      const double t = std::max(0.0, 1.0 - distance / kShadowSpread);
      const auto alpha = static_cast<unsigned>(std::lround(kShadowMaxAlpha * t * t));
      image.setPixel(static_cast<int>(cell.x) + x, static_cast<int>(cell.y) + y,
                     gfx::makeArgb(alpha, gfx::redOf(palette::kShadow), gfx::greenOf(palette::kShadow),
                                   gfx::blueOf(palette::kShadow)));
    }
  }
}

// ---- menu ----

void MenuBackground(Graphics& g, const RectF& cell) {
  FillRounded(g, cell, 4, gfx::SolidBrush(0xFAFFFFFF));
  OutlineRounded(g, cell, 4, 0xFFD0D6DE);
}

void MenuCheck(Graphics& g, const RectF& cell) {
  Polyline(g, {{cell.x + 2, cell.y + 5}, {cell.x + 5.5f, cell.y + 8.5f}, {cell.x + 13, cell.y + 1.5f}}, palette::kAccent, 2.0f);
}

// ---- message box icons: information, question, warning, error ----

void MessageIcon(Graphics& g, const RectF& cell, int kind) {
  const float s = cell.width / 32.0f;  // drawn on a 32-unit grid
  auto at = [&](float x, float y) { return PointF{cell.x + x * s, cell.y + y * s}; };
  const gfx::SolidBrush white(palette::kWhite);
  if (kind == 2) {
    const std::array<PointF, 3> triangle{{at(16, 2), at(31, 29), at(1, 29)}};
    GraphicsPath path;
    path.addPolygon(triangle);
    g.fillPath(gfx::SolidBrush(palette::kWarning), path);
    g.fillPath(white, RoundedRect({cell.x + 14.5f * s, cell.y + 10 * s, 3 * s, 11 * s}, 1.5f * s));
    g.fillEllipse(white, {cell.x + 14.3f * s, cell.y + 23 * s, 3.4f * s, 3.4f * s});
    return;
  }
  const Argb fill = kind == 0 ? palette::kInfo : kind == 1 ? palette::kQuestion : palette::kError;
  g.fillEllipse(gfx::SolidBrush(fill), {cell.x + 1 * s, cell.y + 1 * s, 30 * s, 30 * s});
  if (kind == 0) {
    g.fillEllipse(white, {cell.x + 14.2f * s, cell.y + 6.5f * s, 3.6f * s, 3.6f * s});
    g.fillPath(white, RoundedRect({cell.x + 14.5f * s, cell.y + 12.5f * s, 3 * s, 13 * s}, 1.5f * s));
  } else if (kind == 1) {
    DrawArc(g, gfx::Pen(palette::kWhite, 3 * s), {cell.x + 11 * s, cell.y + 7 * s, 10 * s, 10 * s}, 180, 270);
    Polyline(g, {at(16, 17), at(16, 20.5f)}, palette::kWhite, 3 * s);
    g.fillEllipse(white, {cell.x + 14.3f * s, cell.y + 22.5f * s, 3.4f * s, 3.4f * s});
  } else {
    Polyline(g, {at(11, 11), at(21, 21)}, palette::kWhite, 3 * s);
    Polyline(g, {at(21, 11), at(11, 21)}, palette::kWhite, 3 * s);
  }
}

// ---- the table: which cell is drawn how ----

using Painter = std::function<void(Graphics&, const RectF&, int cellIndex)>;

struct PaintedCell {
  SkinCell cell;
  Painter paint;  // null: painted on the pixels directly
};

const std::vector<PaintedCell>& Table() {
  static const std::vector<PaintedCell> table = [] {
    std::vector<PaintedCell> t;
    auto plain = [&](std::string_view element, std::string_view attribute, std::function<void(Graphics&, const RectF&)> f) {
      t.push_back({{element, attribute, 0}, [f](Graphics& g, const RectF& r, int) { f(g, r); }});
    };
    auto caption = [&](std::string_view element, bool isClose, Glyph glyph) {
      t.push_back({{element, "rect", kStripCells},
                   [isClose, glyph](Graphics& g, const RectF& r, int state) { CaptionCell(g, r, state, isClose, glyph); }});
    };
    caption("SysButton.Close", true, CloseGlyph);
    caption("SysButton.Max", false, MaxGlyph);
    caption("SysButton.Min", false, MinGlyph);
    caption("SysButton.Restore", false, RestoreGlyph);
    caption("SysButton.Menu", false, MenuGlyph);
    caption("SysButton.Skn", false, SkinGlyph);
    caption("SysButton.Report", false, ReportGlyph);
    caption("SysButton.Setting", false, SettingGlyph);

    plain("Button", "normal", [](Graphics& g, const RectF& r) { ButtonCell(g, r, kNormal); });
    plain("Button", "highlight", [](Graphics& g, const RectF& r) { ButtonCell(g, r, kHot); });
    plain("Button", "down", [](Graphics& g, const RectF& r) { ButtonCell(g, r, kDown); });
    plain("Button", "focus", [](Graphics& g, const RectF& r) { ButtonCell(g, r, kFocus); });

    struct Box {
      std::string_view attribute;
      int state;
      bool checked;
    };
    for (const Box& b : {Box{"normal", kNormal, false}, Box{"highlight", kHot, false}, Box{"down", kDown, false},
                         Box{"normal_ck", kNormal, true}, Box{"highlight_ck", kHot, true}, Box{"down_ck", kDown, true}}) {
      plain("CheckButton", b.attribute, [b](Graphics& g, const RectF& r) { CheckCell(g, r, b.state, b.checked, false); });
      plain("RadioButton", b.attribute, [b](Graphics& g, const RectF& r) { CheckCell(g, r, b.state, b.checked, true); });
    }

    for (std::string_view element : {"Edit", "ComboBox"}) {
      plain(element, "normal", [](Graphics& g, const RectF& r) { FrameCell(g, r, kNormal); });
      plain(element, "highlight", [](Graphics& g, const RectF& r) { FrameCell(g, r, kHot); });
      plain(element, "focus", [](Graphics& g, const RectF& r) { FrameCell(g, r, kFocus); });
    }
    plain("ComboBox", "normal_btn", [](Graphics& g, const RectF& r) { ComboButtonCell(g, r, kNormal, false); });
    plain("ComboBox", "highlight_btn", [](Graphics& g, const RectF& r) { ComboButtonCell(g, r, kHot, false); });
    plain("ComboBox", "down_btn", [](Graphics& g, const RectF& r) { ComboButtonCell(g, r, kDown, false); });
    plain("ComboBox", "down_btn_editmodel", [](Graphics& g, const RectF& r) { ComboButtonCell(g, r, kDown, true); });

    plain("ScrollBar", "v_bg", [](Graphics& g, const RectF& r) { TrackCell(g, r, true); });
    plain("ScrollBar", "h_bg", [](Graphics& g, const RectF& r) { TrackCell(g, r, false); });
    struct Part {
      std::string_view attribute;
      int state;
      bool vertical;
    };
    for (const Part& p : {Part{"v_normal", kNormal, true}, Part{"v_highlight", kHot, true}, Part{"v_down", kDown, true},
                          Part{"h_normal", kNormal, false}, Part{"h_highlight", kHot, false}, Part{"h_down", kDown, false}}) {
      plain("ScrollBar", p.attribute, [p](Graphics& g, const RectF& r) { ThumbCell(g, r, p.state, p.vertical); });
    }
    struct ArrowPart {
      std::string_view attribute;
      int state;
      Direction direction;
    };
    for (const ArrowPart& a : {
             ArrowPart{"v_up_normal", kNormal, Direction::Up}, ArrowPart{"v_up_highlight", kHot, Direction::Up},
             ArrowPart{"v_up_down", kDown, Direction::Up}, ArrowPart{"v_down_normal", kNormal, Direction::Down},
             ArrowPart{"v_down_highlight", kHot, Direction::Down}, ArrowPart{"v_down_down", kDown, Direction::Down},
             ArrowPart{"h_left_normal", kNormal, Direction::Left}, ArrowPart{"h_left_highlight", kHot, Direction::Left},
             ArrowPart{"h_left_down", kDown, Direction::Left}, ArrowPart{"h_right_normal", kNormal, Direction::Right},
             ArrowPart{"h_right_highlight", kHot, Direction::Right}, ArrowPart{"h_right_down", kDown, Direction::Right}}) {
      plain("ScrollBar", a.attribute, [a](Graphics& g, const RectF& r) { ArrowCell(g, r, a.state, a.direction); });
    }

    t.push_back({{"SysShadow", "rect", 0}, nullptr});
    plain("Menu", "rect", MenuBackground);
    plain("Menu", "checkrect", MenuCheck);

    constexpr int kMessageIcons = 4;
    t.push_back({{"MsgBox", "rect", kMessageIcons}, [](Graphics& g, const RectF& r, int kind) { MessageIcon(g, r, kind); }});
    t.push_back({{"MsgBox", "m16", kMessageIcons}, [](Graphics& g, const RectF& r, int kind) { MessageIcon(g, r, kind); }});
    return t;
  }();
  return table;
}

bool Inside(const RectF& r) {
  return r.x >= 0 && r.y >= 0 && r.width > 0 && r.height > 0 && r.right() <= kSkinWidth && r.bottom() <= kSkinHeight;
}

}  // namespace

const std::vector<SkinCell>& SkinCells() {
  static const std::vector<SkinCell> cells = [] {
    std::vector<SkinCell> out;
    for (const PaintedCell& p : Table()) out.push_back(p.cell);
    return out;
  }();
  return cells;
}

std::vector<gfx::RectF> CellRects(const engine::XmlDocument& description, const SkinCell& cell) {
  RectF rect;
  if (!engine::ParseRect(engine::ThemeDocumentAttribute(description, cell.element, cell.attribute), rect)) return {};
  if (cell.stripCells == 0) return {rect};
  // A strip: `blocksize` is the cell width, `splitter` the gap; m16 strips keep their own width.
  const bool ownWidth = cell.attribute != "rect";
  const float width = ownWidth ? rect.width : static_cast<float>(engine::ParseThemeInt(engine::ThemeDocumentAttribute(description, cell.element, "blocksize")));
  const float step = width + static_cast<float>(engine::ParseThemeInt(engine::ThemeDocumentAttribute(description, cell.element, "splitter")));
  std::vector<gfx::RectF> rects;
  for (int i = 0; i < cell.stripCells; ++i) rects.push_back({rect.x + static_cast<float>(i) * step, rect.y, width, rect.height});
  return rects;
}

gfx::Bitmap SkinPainter::Paint(std::string* error) const {
  auto fail = [&](std::string reason) {
    if (error) *error = std::move(reason);
    return gfx::Bitmap();
  };
  gfx::Bitmap image(kSkinWidth, kSkinHeight);
  for (const PaintedCell& p : Table()) {
    const std::string name = std::string(p.cell.element) + "." + std::string(p.cell.attribute);
    const std::vector<RectF> rects = CellRects(description_, p.cell);
    if (rects.empty()) return fail("the description has no rectangle " + name);
    for (std::size_t i = 0; i < rects.size(); ++i) {
      const RectF& r = rects[i];
      if (!Inside(r)) return fail("the rectangle " + name + " lies outside the skin image");
      if (!p.paint) {
        ShadowCell(image, r);
        continue;
      }
      Graphics g(image);
      g.setSmoothingMode(gfx::SmoothingMode::AntiAlias);
      g.setPixelOffsetMode(gfx::PixelOffsetMode::Half);  // pixel edges on integer coordinates
      g.setClip(r);                                       // nothing spills into a neighbouring cell
      p.paint(g, r, static_cast<int>(i));
      g.flush();
    }
  }
  return image;
}

}  // namespace skin
