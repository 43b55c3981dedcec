#pragma once
// The value syntax every reader of theme attributes shares: rectangles "x,y,w,h", integer lists
// "l,t,r,b" or colour lists, and single integers. Parts are separated by ',' and may carry spaces.
#include <cstdint>
#include <string_view>
#include <vector>

#include "gfx/Geometry.h"

namespace engine {

// Reads four comma-separated numbers into `dest` (x, y, width, height) and answers true. A text that
// does not split into exactly four parts is no rectangle: `dest` stays as it was and the answer is false.
bool ParseRect(std::string_view text, gfx::RectF& dest);

// The comma-separated integers of `text`, in order; the empty text gives an empty list. Colours written
// as unsigned 32-bit values wrap to the same signed value the signed spelling gives.
std::vector<std::int32_t> ParseIntList(std::string_view text);

// One integer, as an attribute is read: the empty text (a missing attribute) and text that is no number
// read as 0; digits after a decimal point are dropped (truncation toward zero).
std::int32_t ParseThemeInt(std::string_view text);

}  // namespace engine
