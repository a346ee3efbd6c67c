// Owners of the fontconfig and cairo objects that text layout holds: each
// releases its object with the library's own call when it goes.
#pragma once

#include <cairo.h>
#include <fontconfig/fontconfig.h>

#include <memory>

namespace pictor::raster {

template <typename T, void (*Release)(T*)>
struct TReleaser {
    void operator()(T* p) const
    {
        if (p) Release(p);
    }
};

using TFcConfigPtr = std::unique_ptr<FcConfig, TReleaser<FcConfig, FcConfigDestroy>>;
using TFcPatternPtr = std::unique_ptr<FcPattern, TReleaser<FcPattern, FcPatternDestroy>>;
using TFcFontSetPtr = std::unique_ptr<FcFontSet, TReleaser<FcFontSet, FcFontSetDestroy>>;
using TFcCharSetPtr = std::unique_ptr<FcCharSet, TReleaser<FcCharSet, FcCharSetDestroy>>;
using TCairoFacePtr = std::unique_ptr<cairo_font_face_t, TReleaser<cairo_font_face_t, cairo_font_face_destroy>>;
using TScaledFontPtr = std::unique_ptr<cairo_scaled_font_t, TReleaser<cairo_scaled_font_t, cairo_scaled_font_destroy>>;
using TFontOptionsPtr =
    std::unique_ptr<cairo_font_options_t, TReleaser<cairo_font_options_t, cairo_font_options_destroy>>;

} // namespace pictor::raster
