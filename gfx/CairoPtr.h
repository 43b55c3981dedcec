#pragma once
// Owning handles for the cairo, pango and glib objects the drawing layer creates.
#include <cairo.h>
#include <glib-object.h>
#include <pango/pango.h>

#include <memory>

namespace gfx {

template <auto Release>
struct ReleaseWith {
  template <typename T>
  void operator()(T* p) const {
    if (p) Release(p);
  }
};

using CairoSurfacePtr = std::unique_ptr<cairo_surface_t, ReleaseWith<cairo_surface_destroy>>;
using CairoPtr = std::unique_ptr<cairo_t, ReleaseWith<cairo_destroy>>;
using CairoPatternPtr = std::unique_ptr<cairo_pattern_t, ReleaseWith<cairo_pattern_destroy>>;
using CairoFontOptionsPtr = std::unique_ptr<cairo_font_options_t, ReleaseWith<cairo_font_options_destroy>>;
using PangoFontDescriptionPtr =
    std::unique_ptr<PangoFontDescription, ReleaseWith<pango_font_description_free>>;
using PangoAttrListPtr = std::unique_ptr<PangoAttrList, ReleaseWith<pango_attr_list_unref>>;
using PangoFontMetricsPtr = std::unique_ptr<PangoFontMetrics, ReleaseWith<pango_font_metrics_unref>>;

// GObject-derived objects (layouts, contexts, fonts) are released with g_object_unref.
template <typename T>
using GObjectPtr = std::unique_ptr<T, ReleaseWith<g_object_unref>>;

}  // namespace gfx
