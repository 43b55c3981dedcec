#pragma once
// The colour-matrix role of GDI+ image attributes: a 5 x 5 matrix applied to straight ARGB colours
// (row vector [r g b a 1] times the matrix, components 0..1) while an image is drawn.
#include <array>
#include <optional>

#include "gfx/Bitmap.h"

namespace gfx {

using ColorMatrix = std::array<std::array<float, 5>, 5>;

class ImageAttributes {
 public:
  static ColorMatrix identity();
  // The identity except element [3][3] = alpha: scales every pixel's alpha.
  static ColorMatrix constantAlpha(float alpha);

  void setColorMatrix(const ColorMatrix& m) { matrix_ = m; }
  void clearColorMatrix() { matrix_.reset(); }
  const std::optional<ColorMatrix>& colorMatrix() const { return matrix_; }

  // True when drawing through these attributes changes nothing.
  bool isIdentity() const;
  // The alpha factor when the matrix only scales alpha (the common case, drawn without a pixel pass).
  std::optional<float> alphaScale() const;
  // One straight ARGB colour through the matrix, clamped.
  Argb apply(Argb straight) const;

 private:
  std::optional<ColorMatrix> matrix_;
};

}  // namespace gfx
