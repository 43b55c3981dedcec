#pragma once
// A font by face name, size in pixels and GDI+ style bits, drawn by pango through fontconfig.
//
// The face names the skins use are Windows faces ("宋体", "微软雅黑", "楷体", "黑体", Tahoma ...); they
// map to installed families with CJK coverage (see familiesFor), and pango falls back per character.
#include <pango/pango.h>

#include <string>
#include <string_view>

#include "gfx/CairoPtr.h"

namespace gfx {

namespace FontStyle {
constexpr int Regular = 0;
constexpr int Bold = 1;
constexpr int Italic = 2;
constexpr int Underline = 4;
constexpr int Strikeout = 8;
}  // namespace FontStyle

class Font {
 public:
  // An empty face name or a size that is not positive makes a font that is not ok(), as GDI+ refuses it.
  Font(std::string_view faceUtf8, float sizePx, int style = FontStyle::Regular);
  Font(const Font& other);
  Font& operator=(const Font& other);
  Font(Font&&) noexcept = default;
  Font& operator=(Font&&) noexcept = default;
  ~Font() = default;

  bool ok() const { return ok_; }
  const std::string& faceName() const { return face_; }
  float size() const { return size_; }
  int style() const { return style_; }

  // Distance between two baselines of single-spaced text, in pixels (the GDI+ font height role).
  float lineHeight() const;

  // The pango description (family list, pixel size, weight, slant); underline and strikeout are
  // applied as text attributes by the layout.
  const PangoFontDescription* description() const { return desc_.get(); }

  // The fontconfig family list a face name maps to, comma separated.
  static std::string familiesFor(std::string_view face);

 private:
  std::string face_;
  float size_;
  int style_;
  bool ok_;
  PangoFontDescriptionPtr desc_;
};

}  // namespace gfx
