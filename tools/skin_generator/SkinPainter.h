#pragma once
// Paints the default theme's skin image. The theme description is the single source of the layout:
// every cell is drawn exactly at the rectangle the description names for it, so moving a cell means
// editing the XML and running the generator again.
#include <string>
#include <string_view>
#include <vector>

#include "engine/xml/XmlDocument.h"
#include "gfx/Bitmap.h"
#include "gfx/Geometry.h"

namespace skin {

inline constexpr int kSkinWidth = 400;
inline constexpr int kSkinHeight = 170;

// One picture of the skin: the element and attribute that name its rectangle, and for strips the
// number of state cells laid out by `blocksize` and `splitter`.
struct SkinCell {
  std::string_view element;
  std::string_view attribute;
  int stripCells = 0;  // 0: a plain rectangle
};

// Every cell the painter draws (and therefore every rectangle the description must name).
const std::vector<SkinCell>& SkinCells();

// The rectangles of one cell as the engine will cut them: one for a plain cell, one per state for a
// strip. Empty when the description lacks the attribute or it is no rectangle.
std::vector<gfx::RectF> CellRects(const engine::XmlDocument& description, const SkinCell& cell);

class SkinPainter {
 public:
  explicit SkinPainter(const engine::XmlDocument& description) : description_(description) {}

  // The 400 x 170 RGBA skin; an empty bitmap (and the reason in `error`) when the description misses
  // a cell or places one outside the image.
  gfx::Bitmap Paint(std::string* error = nullptr) const;

 private:
  const engine::XmlDocument& description_;
};

}  // namespace skin
