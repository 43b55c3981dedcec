#pragma once
// The fill role of GDI+ brushes: each kind turns itself into a cairo pattern in user space.
#include "gfx/CairoPtr.h"

namespace gfx {

class Brush {
 public:
  virtual ~Brush() = default;
  virtual CairoPatternPtr makePattern() const = 0;

 protected:
  Brush() = default;
  Brush(const Brush&) = default;
  Brush& operator=(const Brush&) = default;
};

}  // namespace gfx
