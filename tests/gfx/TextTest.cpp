// Fonts, string formats and text layout: measured boxes, where the ink lands, wrapping and trimming,
// hot-key prefixes and CJK coverage.
#include <gtest/gtest.h>
#include <pango/pangocairo.h>

#include <string>

#include "gfx/Font.h"
#include "gfx/Graphics.h"
#include "gfx/SolidBrush.h"
#include "gfx/StringFormat.h"
#include "gfx/TextLayout.h"
#include "gfx/PixelProbe.h"

namespace {

using testing_pixels::inkBox;
using testing_pixels::PixelBox;

constexpr gfx::Argb kInk = 0xFF000000;

struct Drawn {
  gfx::Bitmap bitmap;
  std::optional<PixelBox> ink;
};

Drawn draw(std::string_view text, const gfx::Font& font, const gfx::RectF& layout, const gfx::StringFormat* fmt,
           int width = 200, int height = 100) {
  Drawn d{gfx::Bitmap(width, height), {}};
  gfx::Graphics g(d.bitmap);
  g.drawString(text, font, layout, fmt, gfx::SolidBrush(kInk));
  d.ink = inkBox(d.bitmap);
  return d;
}

gfx::RectF measure(std::string_view text, const gfx::Font& font, const gfx::RectF& layout = {},
                   const gfx::StringFormat* fmt = nullptr) {
  gfx::Bitmap scratch(1, 1);
  gfx::Graphics g(scratch);
  return g.measureString(text, font, layout, fmt);
}

const gfx::Font& uiFont() {
  static const gfx::Font f("Tahoma", 14);
  return f;
}

TEST(TextLayoutTest, InkLiesInsideTheMeasuredBoxAndAlignmentMovesIt) {
  const gfx::RectF layout{10, 10, 180, 80};
  const gfx::StringAlignment aligns[] = {gfx::StringAlignment::Near, gfx::StringAlignment::Center,
                                         gfx::StringAlignment::Far};
  int previousLeft = -100, previousTop = -100;  // the first (near) case has nothing to move from
  for (gfx::StringAlignment a : aligns) {
    gfx::StringFormat fmt;
    fmt.setAlignment(a);
    fmt.setLineAlignment(a);
    const gfx::RectF box = measure("Record 录制", uiFont(), layout, &fmt);
    const Drawn d = draw("Record 录制", uiFont(), layout, &fmt);
    ASSERT_TRUE(d.ink) << static_cast<int>(a);
    EXPECT_GE(d.ink->left, box.x - 1);
    EXPECT_LE(d.ink->right, box.right() + 1);
    EXPECT_GE(d.ink->top, box.y - 1);
    EXPECT_LE(d.ink->bottom, box.bottom() + 1);
    EXPECT_GE(box.x, layout.x - 0.01f);
    EXPECT_LE(box.right(), layout.right() + 0.01f);
    EXPECT_GT(d.ink->left, previousLeft + 20);
    EXPECT_GT(d.ink->top, previousTop + 10);
    previousLeft = d.ink->left, previousTop = d.ink->top;
  }
}

TEST(TextLayoutTest, NoLayoutWidthCentresOnThePoint) {
  gfx::StringFormat fmt;
  fmt.setAlignment(gfx::StringAlignment::Center);
  const gfx::RectF box = measure("centre", uiFont(), {100, 10, 0, 0}, &fmt);
  EXPECT_NEAR(box.x + box.width / 2, 100, 0.5);
}

TEST(TextLayoutTest, WrappingFollowsTheLayoutWidthUnlessNoWrap) {
  const std::string text = "alpha beta gamma delta epsilon";
  const float line = measure("alpha", uiFont()).height;
  const gfx::RectF wrapped = measure(text, uiFont(), {0, 0, 60, 0});
  EXPECT_GE(wrapped.height, 3 * line - 1);
  EXPECT_LE(wrapped.width, 60.01f);
  gfx::StringFormat noWrap(gfx::StringFormatFlags::NoWrap);
  const gfx::RectF single = measure(text, uiFont(), {0, 0, 60, 0}, &noWrap);
  EXPECT_NEAR(single.height, line, 0.5);
  EXPECT_GT(single.width, 60);
}

TEST(TextLayoutTest, EllipsisTrimmingWrapsFreelyWhenTheHeightIsUnbounded) {
  // With no height limit every wrapped line fits, so there is nothing to trim: the ellipsis formats
  // lay out exactly like character trimming.
  const std::string text = "alpha beta gamma delta epsilon";
  const gfx::RectF plain = measure(text, uiFont(), {0, 0, 60, 0});
  for (gfx::StringTrimming t : {gfx::StringTrimming::EllipsisCharacter, gfx::StringTrimming::EllipsisWord,
                                gfx::StringTrimming::EllipsisPath}) {
    gfx::StringFormat fmt;
    fmt.setTrimming(t);
    const gfx::RectF box = measure(text, uiFont(), {0, 0, 60, 0}, &fmt);
    EXPECT_FLOAT_EQ(box.height, plain.height) << static_cast<int>(t);
    EXPECT_LE(box.width, 60.01f) << static_cast<int>(t);
  }
}

TEST(TextLayoutTest, LineLimitShowsOnlyWholeLines) {
  const std::string text = "alpha beta gamma delta";
  const float line = measure("alpha", uiFont()).height;
  const gfx::RectF layout{0, 0, 60, line * 1.6f};
  gfx::StringFormat limited(gfx::StringFormatFlags::LineLimit);
  const Drawn cut = draw(text, uiFont(), layout, &limited);
  const Drawn partial = draw(text, uiFont(), layout, nullptr);
  ASSERT_TRUE(cut.ink && partial.ink);
  EXPECT_LE(cut.ink->bottom, line);
  EXPECT_GT(partial.ink->bottom, line);  // the clipped top of the second line shows
  EXPECT_LE(partial.ink->bottom, layout.bottom());
  // A box lower than one line shows nothing at all with the limit.
  EXPECT_FALSE(draw(text, uiFont(), {0, 0, 60, line / 2}, &limited).ink);
}

TEST(TextLayoutTest, ClipTrimmingAndEllipsisKeepTextInsideTheBox) {
  const std::string text = "a caption that is far too long for its box";
  const gfx::RectF layout{10, 10, 80, 30};
  struct Case {
    const char* name;
    int flags;
    gfx::StringTrimming trimming;
    bool inside;
  };
  const Case cases[] = {
      {"clipped", gfx::StringFormatFlags::NoWrap, gfx::StringTrimming::Character, true},
      {"ellipsis", gfx::StringFormatFlags::NoWrap, gfx::StringTrimming::EllipsisCharacter, true},
      {"no clip", gfx::StringFormatFlags::NoWrap | gfx::StringFormatFlags::NoClip, gfx::StringTrimming::None, false},
  };
  for (const Case& c : cases) {
    gfx::StringFormat fmt(c.flags);
    fmt.setTrimming(c.trimming);
    const Drawn d = draw(text, uiFont(), layout, &fmt);
    ASSERT_TRUE(d.ink) << c.name;
    EXPECT_EQ(d.ink->right < layout.right(), c.inside) << c.name << " right " << d.ink->right;
  }
  // The ellipsis ends the visible text: the last ink is the dots, well before the clip edge is filled.
  gfx::StringFormat ell(gfx::StringFormatFlags::NoWrap);
  ell.setTrimming(gfx::StringTrimming::EllipsisCharacter);
  EXPECT_LE(measure(text, uiFont(), layout, &ell).width, layout.width + 0.01f);
}

TEST(TextLayoutTest, TrailingSpacesCountOnlyWhenAskedFor) {
  const float bare = measure("ab", uiFont()).width;
  EXPECT_FLOAT_EQ(measure("ab   ", uiFont()).width, bare);
  gfx::StringFormat fmt(gfx::StringFormatFlags::MeasureTrailingSpaces);
  EXPECT_GT(measure("ab   ", uiFont(), {}, &fmt).width, bare + 5);
}

TEST(TextLayoutTest, HotkeyPrefixDrawsAnUnderlinedLetter) {
  gfx::StringFormat show, hide, none;
  show.setHotkeyPrefix(gfx::HotkeyPrefix::Show);
  hide.setHotkeyPrefix(gfx::HotkeyPrefix::Hide);
  const gfx::RectF layout{5, 5, 100, 40};
  const Drawn plain = draw("F", uiFont(), layout, nullptr);
  const Drawn shown = draw("&F", uiFont(), layout, &show);
  const Drawn hidden = draw("&F", uiFont(), layout, &hide);
  ASSERT_TRUE(plain.ink && shown.ink && hidden.ink);
  EXPECT_EQ(hidden.bitmap, plain.bitmap);
  EXPECT_GT(shown.ink->bottom, plain.ink->bottom);  // the underline sits below the letter
  EXPECT_FLOAT_EQ(measure("&F", uiFont(), {}, &show).width, measure("F", uiFont()).width);
  EXPECT_GT(measure("&F", uiFont(), {}, &none).width, measure("F", uiFont()).width);
  EXPECT_FLOAT_EQ(measure("a&&b", uiFont(), {}, &show).width, measure("a&b", uiFont()).width);
}

TEST(FontTest, ChineseFacesAndTahomaCoverCjkText) {
  const char* text = "录制区域开始录制";
  for (const char* face : {"宋体", "微软雅黑", "楷体", "黑体", "Tahoma", "NoSuchFace"}) {
    const gfx::Font font(face, 16);
    ASSERT_TRUE(font.ok()) << face;
    gfx::Bitmap b(1, 1);
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1);
    cairo_t* cr = cairo_create(s);
    PangoLayout* layout = pango_cairo_create_layout(cr);
    pango_layout_set_font_description(layout, font.description());
    pango_layout_set_text(layout, text, -1);
    EXPECT_EQ(pango_layout_get_unknown_glyphs_count(layout), 0) << face;
    g_object_unref(layout);
    cairo_destroy(cr);
    cairo_surface_destroy(s);
  }
  // Two different characters give different ink (no identical replacement boxes).
  const gfx::Font song("宋体", 20);
  const Drawn a = draw("录", song, {0, 0, 40, 40}, nullptr, 40, 40);
  const Drawn b = draw("制", song, {0, 0, 40, 40}, nullptr, 40, 40);
  ASSERT_TRUE(a.ink && b.ink);
  EXPECT_NE(a.bitmap, b.bitmap);
}

TEST(FontTest, InvalidFontsAreRefusedAndDrawNothing) {
  for (const auto& [face, size] : {std::pair{"", 12.0f}, {"Tahoma", 0.0f}, {"Tahoma", -3.0f}}) {
    const gfx::Font font(face, size);
    EXPECT_FALSE(font.ok()) << face << size;
    EXPECT_FALSE(draw("text", font, {0, 0, 100, 40}, nullptr).ink);
  }
}

TEST(FontTest, LineHeightAndStylesFollowTheSettings) {
  const float h12 = gfx::Font("Tahoma", 12).lineHeight(), h24 = gfx::Font("Tahoma", 24).lineHeight();
  EXPECT_GT(h12, 12);
  EXPECT_NEAR(h24 / h12, 2.0, 0.2);
  const gfx::RectF layout{2, 2, 150, 40};
  const Drawn regular = draw("STYLE", gfx::Font("Tahoma", 16), layout, nullptr);
  for (int style : {gfx::FontStyle::Bold, gfx::FontStyle::Italic, gfx::FontStyle::Underline, gfx::FontStyle::Strikeout}) {
    const Drawn styled = draw("STYLE", gfx::Font("Tahoma", 16, style), layout, nullptr);
    EXPECT_NE(styled.bitmap, regular.bitmap) << style;
  }
  const Drawn underlined = draw("STYLE", gfx::Font("Tahoma", 16, gfx::FontStyle::Underline), layout, nullptr);
  EXPECT_GT(underlined.ink->bottom, regular.ink->bottom);
}

TEST(TextEncodingTest, Utf16AndBrokenInputAreHandled) {
  EXPECT_EQ(gfx::TextLayout::utf16ToUtf8(u"A录\U0001F600"), "A录\U0001F600");
  EXPECT_EQ(gfx::TextLayout::utf16ToUtf8(std::u16string(1, char16_t(0xD800)) + u"x"), "\uFFFDx");
  gfx::Bitmap a(100, 30), b(100, 30);
  gfx::Graphics ga(a), gb(b);
  ga.drawString(u"录制 ok", uiFont(), {0, 0, 100, 30}, nullptr, gfx::SolidBrush(kInk));
  gb.drawString("录制 ok", uiFont(), {0, 0, 100, 30}, nullptr, gfx::SolidBrush(kInk));
  EXPECT_EQ(a, b);
  gb.drawString(std::string_view("\xff\xfe bad \xe5", 8), uiFont(), {0, 0, 100, 30}, nullptr, gfx::SolidBrush(kInk));
}

}  // namespace
