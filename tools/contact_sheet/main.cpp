// contact_sheet [out.png]: draws every drawing primitive into labelled cells on a checkerboard (so alpha
// shows) and writes the sheet as a PNG.
#include <cstdio>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "engine/draw/Color.h"
#include "engine/draw/ImageDraw.h"
#include "engine/draw/ShapeDraw.h"
#include "engine/draw/Surface.h"
#include "engine/draw/TextDraw.h"
#include "gfx/ImageCodec.h"
#include "gfx/PathGradientBrush.h"
#include "gfx/SolidBrush.h"

namespace {

constexpr int kCellW = 220, kCellH = 150, kColumns = 4, kCaptionH = 18, kChecker = 8;

// A 30 x 30 skin cell: dark 5 px frame, light centre, a red mark in each corner.
gfx::Bitmap makeSkinCell() {
  gfx::Bitmap b(30, 30, 0xFF305080);
  for (int y = 5; y < 25; ++y)
    for (int x = 5; x < 25; ++x) b.setPixel(x, y, 0xFFD0E0F0);
  for (auto [x, y] : {std::pair{0, 0}, {27, 0}, {0, 27}, {27, 27}})
    for (int dy = 0; dy < 3; ++dy)
      for (int dx = 0; dx < 3; ++dx) b.setPixel(x + dx, y + dy, 0xFFFF0000);
  return b;
}

gfx::Bitmap makePicture() {
  gfx::Bitmap b(60, 40);
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 60; ++x) b.setPixel(x, y, gfx::makeArgb(255, x * 4, y * 6, 200 - x * 3));
  return b;
}

using Cell = std::pair<std::string, std::function<void(gfx::Graphics&, const gfx::RectF&)>>;

}  // namespace

int main(int argc, char** argv) {
  const std::string out = argc > 1 ? argv[1] : "contact_sheet.png";
  const gfx::Bitmap skin = makeSkinCell(), picture = makePicture();
  const gfx::Font font("微软雅黑", 13), big("宋体", 18, gfx::FontStyle::Bold), tahoma("Tahoma", 12);
  gfx::StringFormat centred;
  centred.setAlignment(gfx::StringAlignment::Center);
  centred.setLineAlignment(gfx::StringAlignment::Center);

  std::vector<Cell> cells = {
      {"FillGradient 0..3", [](gfx::Graphics& g, const gfx::RectF& r) {
         for (int d = 0; d < 4; ++d)
           engine::FillGradient(g, {r.x + 5 + d * 52.0f, r.y + 5, 48, 100}, 0xFF800080, 0x20FFFFFF, d);
       }},
      {"DrawRectOutline 1..4, colour", [](gfx::Graphics& g, const gfx::RectF& r) {
         g.fillRectangle(gfx::SolidBrush(0xFFC0C0C0), {r.x, r.y, r.width, 110});
         engine::DrawRectOutline(g, {r.x + 5, r.y + 5, 60, 40}, engine::kOutlineSunken);
         engine::DrawRectOutline(g, {r.x + 75, r.y + 5, 60, 40}, engine::kOutlineRaised);
         engine::DrawRectOutline(g, {r.x + 145, r.y + 5, 60, 40}, engine::kOutlineSolid);
         engine::DrawRectOutline(g, {r.x + 5, r.y + 55, 60, 40}, engine::kOutlineDashed);
         engine::DrawRectOutline(g, {r.x + 75, r.y + 55, 60, 40}, static_cast<std::int32_t>(0xC8FF0000), {}, 5);
       }},
      {"RoundRectPath 5 / 12", [](gfx::Graphics& g, const gfx::RectF& r) {
         g.setSmoothingMode(gfx::SmoothingMode::AntiAlias);
         g.fillPath(gfx::SolidBrush(0xC0FFA000), engine::RoundRectPath({r.x + 5, r.y + 5, 90, 60}, 12));
         g.drawPath(gfx::Pen(0xFF000000), engine::RoundRectPath({r.x + 110, r.y + 5, 90, 60}, 5));
         g.setSmoothingMode(gfx::SmoothingMode::None);
         g.drawPath(gfx::Pen(0xFF0000FF), engine::RoundRectPath({r.x + 5, r.y + 75, 90, 30}, 12));
       }},
      {"Fill 0 natural, 2 centred", [&](gfx::Graphics& g, const gfx::RectF& r) {
         engine::DrawRectOutline(g, {r.x + 5, r.y + 5, 90, 100}, engine::kOutlineSolid);
         engine::DrawImageFill(g, picture, {r.x + 5, r.y + 5, 40, 30}, std::nullopt, engine::kFillNatural);
         engine::DrawRectOutline(g, {r.x + 110, r.y + 5, 100, 100}, engine::kOutlineSolid);
         engine::DrawImageFill(g, picture, {r.x + 110, r.y + 5, 100, 100}, std::nullopt, engine::kFillCentre);
       }},
      {"Fill 1 stretched, alpha 128", [&](gfx::Graphics& g, const gfx::RectF& r) {
         engine::DrawImageFill(g, picture, {r.x + 5, r.y + 5, 100, 100}, std::nullopt, engine::kFillStretch);
         engine::DrawImageFill(g, picture, {r.x + 110, r.y + 5, 100, 100}, std::nullopt, engine::kFillStretch, {}, 128);
       }},
      {"Fill 3 nine-grid; 20x20 dest", [&](gfx::Graphics& g, const gfx::RectF& r) {
         engine::DrawImageFill(g, skin, {r.x + 5, r.y + 5, 150, 100}, std::nullopt, engine::kFillNineGrid, {5, 5, 20, 20});
         engine::DrawNineGrid(g, skin, {r.x + 170, r.y + 5, 8, 8}, {5, 5, 20, 20});
       }},
      {"FadeEdges all / right+bottom", [&](gfx::Graphics& g, const gfx::RectF& r) {
         engine::DrawImageFill(g, picture, {r.x + 5, r.y + 5, 60, 40}, std::nullopt, engine::kFillNatural, {}, 255,
                               engine::kFadeLeft | engine::kFadeTop | engine::kFadeRight | engine::kFadeBottom, 0.5f);
         engine::DrawImageFill(g, picture, {r.x + 110, r.y + 5, 60, 40}, std::nullopt, engine::kFillNatural, {}, 255,
                               engine::kFadeRight | engine::kFadeBottom, 0.5f);
       }},
      {"DrawTextEx effects 0 / 3 / 4", [&](gfx::Graphics& g, const gfx::RectF& r) {
         g.fillRectangle(gfx::SolidBrush(0xFF8090A0), {r.x, r.y, r.width, 110});
         engine::DrawTextEx(g, 0xFF000000, {r.x + 5, r.y + 5, 200, 30}, u"录制区域 plain", big, nullptr, 0);
         engine::DrawTextEx(g, 0xFF000000, {r.x + 5, r.y + 40, 200, 30}, u"录制区域 glow", big, nullptr, 3);
         engine::DrawTextEx(g, 0xFFFFFFFF, {r.x + 5, r.y + 75, 200, 30}, u"录制区域 outline", big, nullptr, 4,
                            0xFF000000);
       }},
      {"Text hints 1, 4, 5 (ClearType)", [&](gfx::Graphics& g, const gfx::RectF& r) {
         const gfx::TextRenderingHint hints[] = {gfx::TextRenderingHint::SingleBitPerPixelGridFit,
                                                 gfx::TextRenderingHint::AntiAlias,
                                                 gfx::TextRenderingHint::ClearTypeGridFit};
         for (int i = 0; i < 3; ++i) {
           g.setTextRenderingHint(hints[i]);
           engine::DrawTextEx(g, 0xFF800080, {r.x + 5, r.y + 5 + i * 32.0f, 200, 30}, u"开始录制(F1) GIF", big, nullptr, 0);
         }
       }},
      {"Alignment, ellipsis, &prefix", [&](gfx::Graphics& g, const gfx::RectF& r) {
         const gfx::RectF box{r.x + 5, r.y + 5, 200, 40};
         engine::DrawRectOutline(g, box, engine::kOutlineDashed);
         engine::DrawTextEx(g, 0xFF000000, box, u"centred 居中", font, &centred, 0);
         gfx::StringFormat ell(gfx::StringFormatFlags::NoWrap);
         ell.setTrimming(gfx::StringTrimming::EllipsisCharacter);
         engine::DrawTextEx(g, 0xFF000000, {r.x + 5, r.y + 55, 120, 20}, u"A long caption that is cut off", tahoma, &ell, 0);
         gfx::StringFormat hot;
         hot.setHotkeyPrefix(gfx::HotkeyPrefix::Show);
         engine::DrawTextEx(g, 0xFF000000, {r.x + 5, r.y + 80, 200, 20}, u"&File  打开(&O)", font, &hot, 0);
       }},
      {"Pens, ellipse, path gradient", [](gfx::Graphics& g, const gfx::RectF& r) {
         for (int s = 0; s < 5; ++s) {
           gfx::Pen p(0xFF000000, 2);
           p.setDashStyle(static_cast<gfx::DashStyle>(s));
           g.drawLine(p, {r.x + 5, r.y + 8 + s * 10.0f}, {r.x + 100, r.y + 8 + s * 10.0f});
         }
         g.setSmoothingMode(gfx::SmoothingMode::AntiAlias);
         gfx::GraphicsPath e;
         e.addEllipse({r.x + 120, r.y + 5, 80, 60});
         gfx::PathGradientBrush pg(e);
         pg.setCenterColor(0xFFFFFFFF);
         pg.setSurroundColor(0x32FF0000);
         g.fillPath(pg, e);
         g.drawEllipse(gfx::Pen(0xFF008000, 3), {r.x + 10, r.y + 65, 60, 40});
         const gfx::PointF tri[] = {{r.x + 120, r.y + 105}, {r.x + 160, r.y + 70}, {r.x + 200, r.y + 105}};
         g.fillPolygon(gfx::SolidBrush(0xA00000FF), tri);
       }},
      {"XOR clip band, excluded rect", [](gfx::Graphics& g, const gfx::RectF& r) {
         g.setClip({r.x + 5, r.y + 5, 200, 100});
         g.setClip(engine::RoundRectPath({r.x + 20, r.y + 20, 170, 70}, 20), gfx::CombineMode::Xor);
         g.fillRectangle(gfx::SolidBrush(0xFF404040), r);
         g.setClip(r);
         g.excludeClip({r.x + 60, r.y + 40, 90, 30});
         g.fillRectangle(gfx::SolidBrush(0x6000A000), {r.x + 40, r.y + 30, 130, 50});
         g.resetClip();
       }},
  };

  const int rows = (static_cast<int>(cells.size()) + kColumns - 1) / kColumns;
  engine::Surface sheet(kColumns * kCellW, rows * kCellH);
  gfx::Graphics& g = sheet.graphics();
  g.clear(0xFFFFFFFF);
  for (int y = 0; y < sheet.height(); y += kChecker)
    for (int x = (y / kChecker % 2) * kChecker; x < sheet.width(); x += 2 * kChecker)
      g.fillRectangle(gfx::SolidBrush(0xFFE4E4E4), {float(x), float(y), float(kChecker), float(kChecker)});
  for (std::size_t i = 0; i < cells.size(); ++i) {
    const gfx::RectF cell{float(i % kColumns * kCellW), float(i / kColumns * kCellH), float(kCellW), float(kCellH)};
    const gfx::RectF body{cell.x, cell.y, cell.width, cell.height - kCaptionH};
    const gfx::GraphicsState state = g.save();
    g.setClip(body);
    cells[i].second(g, body);
    g.restore(state);
    g.setTextRenderingHint(gfx::TextRenderingHint::AntiAliasGridFit);
    g.drawString(cells[i].first, tahoma, {cell.x + 4, cell.bottom() - kCaptionH, cell.width - 8, float(kCaptionH)},
                 nullptr, gfx::SolidBrush(0xFF202020));
    engine::DrawRectOutline(g, cell, static_cast<std::int32_t>(0xFF909090));
  }
  const std::vector<std::uint8_t> png = gfx::encodePng(sheet.bitmap());
  std::ofstream f(out, std::ios::binary);
  f.write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
  if (!f || png.empty()) {
    std::fprintf(stderr, "contact_sheet: cannot write %s\n", out.c_str());
    return 1;
  }
  std::printf("%s\n", out.c_str());
  return 0;
}
