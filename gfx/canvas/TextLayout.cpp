#include "gfx/canvas/TextLayout.h"

#include "core/Text.h"

#include <cairo-ft.h>
#include <cairo.h>
#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <mutex>
#include <tuple>

namespace pictor::raster {

namespace {

// The em size of a font whose Height is 0: the default 8 points.
constexpr double kDefaultEm = 11;
// Larger glyphs than this are drawn at this size.
constexpr double kMaxEm = 32768;

// The faces fontconfig offers for one request, best first, each with the
// characters it has. Built once per name, weight and slant.
struct TFaceList {
    struct TFace {
        FcPattern* pattern = nullptr; // prepared for rendering; owned
        FcCharSet* charset = nullptr; // owned by pattern
        cairo_font_face_t* face = nullptr;
    };
    std::vector<TFace> faces;
    ~TFaceList()
    {
        for (TFace& f : faces) {
            if (f.face) cairo_font_face_destroy(f.face);
            FcPatternDestroy(f.pattern);
        }
    }
};

std::mutex gFaceMutex;

using TFaceKey = std::tuple<std::string, bool, bool>;

// fontconfig's configuration, loaded on first use and released at exit, and
// the face lists built from it.
struct TFontSystem {
    FcConfig* config = FcInitLoadConfigAndFonts();
    std::map<TFaceKey, std::unique_ptr<TFaceList>> lists;
    ~TFontSystem()
    {
        lists.clear();
        if (config) FcConfigDestroy(config);
    }
};

TFontSystem& Fonts()
{
    static TFontSystem fonts;
    return fonts;
}

// Japanese text that the asked face lacks is drawn preferably in this
// proportional Gothic face (the stand-in for the platform's Japanese UI
// face), else in the first face of fontconfig's list that has it.
constexpr const char* kJapaneseFallback = "IPAPGothic";

std::string FamilyOf(FcPattern* pattern)
{
    FcChar8* family = nullptr;
    if (FcPatternGetString(pattern, FC_FAMILY, 0, &family) != FcResultMatch || !family) return {};
    return reinterpret_cast<const char*>(family);
}

FcPattern* NewRequest(const char* family, const TFont& font)
{
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family));
    FcPatternAddInteger(pattern, FC_WEIGHT, font.Bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern, FC_SLANT, font.Italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    return pattern;
}

TFaceList::TFace FaceOf(FcPattern* prepared)
{
    TFaceList::TFace f;
    f.pattern = prepared;
    if (FcPatternGetCharSet(prepared, FC_CHARSET, 0, &f.charset) != FcResultMatch) f.charset = nullptr;
    return f;
}

const TFaceList& FacesFor(const TFont& font)
{
    TFontSystem& fonts = Fonts();
    FcConfig* config = fonts.config;
    auto& cache = fonts.lists;
    TFaceKey key{font.Name, font.Bold, font.Italic};
    auto it = cache.find(key);
    if (it != cache.end()) return *it->second;
    if (cache.size() >= 64) cache.clear(); // layouts never outlive a drawing call

    auto list = std::make_unique<TFaceList>();
    if (!config) return *(cache[key] = std::move(list));
    FcPattern* pattern = NewRequest(font.Name.empty() ? "sans-serif" : font.Name.c_str(), font);
    if (!font.Name.empty()) FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>("sans-serif"));
    FcConfigSubstitute(config, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcFontSet* set = FcFontSort(config, pattern, FcTrue, nullptr, &result);
    if (set) {
        for (int i = 0; i < set->nfont; ++i) {
            if (FcPattern* prepared = FcFontRenderPrepare(config, pattern, set->fonts[i]))
                list->faces.push_back(FaceOf(prepared));
        }
        FcFontSetDestroy(set);
    }
    FcPatternDestroy(pattern);

    if (!list->faces.empty() && FamilyOf(list->faces[0].pattern) != kJapaneseFallback) {
        FcPattern* request = NewRequest(kJapaneseFallback, font);
        FcConfigSubstitute(config, request, FcMatchPattern);
        FcDefaultSubstitute(request);
        FcPattern* match = FcFontMatch(config, request, &result);
        if (match && FamilyOf(match) == kJapaneseFallback) {
            if (FcPattern* prepared = FcFontRenderPrepare(config, request, match))
                list->faces.insert(list->faces.begin() + 1, FaceOf(prepared));
        }
        if (match) FcPatternDestroy(match);
        FcPatternDestroy(request);
    }
    auto& slot = cache[key];
    slot = std::move(list);
    return *slot;
}

cairo_font_face_t* CairoFace(const TFaceList& list, std::size_t index)
{
    auto& f = const_cast<TFaceList::TFace&>(list.faces[index]);
    if (!f.face) f.face = cairo_ft_font_face_create_for_pattern(f.pattern);
    return f.face;
}

cairo_font_options_t* TextOptions()
{
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_SLIGHT);
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_ON);
    return options;
}

cairo_scaled_font_t* MakeScaledFont(cairo_font_face_t* face, double em, bool hinted)
{
    cairo_matrix_t fontMatrix, ctm;
    cairo_matrix_init_scale(&fontMatrix, em, em);
    cairo_matrix_init_identity(&ctm);
    cairo_font_options_t* options = TextOptions();
    if (!hinted) {
        cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
        cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
    }
    cairo_scaled_font_t* font = cairo_scaled_font_create(face, &fontMatrix, &ctm, options);
    cairo_font_options_destroy(options);
    return font;
}

} // namespace

struct TTextLayout::TRun {
    cairo_scaled_font_t* font = nullptr;
    std::vector<cairo_glyph_t> glyphs;
    ~TRun()
    {
        if (font) cairo_scaled_font_destroy(font);
    }
};

TTextLayout::TTextLayout(const std::string& utf8, const TFont& font, const std::vector<double>* advances)
{
    std::lock_guard<std::mutex> lock(gFaceMutex);
    const TFaceList& list = FacesFor(font);
    if (list.faces.empty()) return; // no fonts at all: nothing to draw, zero extents

    // The em size: a negative Height is the em itself, a positive one the
    // cell (ascent plus descent) of the first face.
    cairo_font_face_t* primary = CairoFace(list, 0);
    if (font.Height < 0) {
        FEm = -static_cast<double>(font.Height);
    } else if (font.Height > 0) {
        cairo_scaled_font_t* probe = MakeScaledFont(primary, 1000, false);
        cairo_font_extents_t fe;
        cairo_scaled_font_extents(probe, &fe);
        cairo_scaled_font_destroy(probe);
        double cell = fe.ascent + fe.descent;
        FEm = cell > 0 ? font.Height * 1000.0 / cell : font.Height;
    } else {
        FEm = kDefaultEm;
    }
    FEm = std::min(FEm, kMaxEm);
    if (FEm <= 0) return;

    std::vector<cairo_scaled_font_t*> scaled(list.faces.size(), nullptr);
    auto scaledFont = [&](std::size_t i) {
        if (!scaled[i]) scaled[i] = MakeScaledFont(CairoFace(list, i), FEm, true);
        return scaled[i];
    };

    cairo_font_extents_t fe;
    cairo_scaled_font_extents(scaledFont(0), &fe);
    FAscent = fe.ascent;
    FDescent = fe.descent;
    {
        cairo_scaled_font_t* sf = scaledFont(0);
        FT_Face face = cairo_ft_scaled_font_lock_face(sf);
        if (face && face->units_per_EM > 0) {
            double unit = FEm / face->units_per_EM;
            FBarThickness = std::max(1.0, std::round(face->underline_thickness * unit));
            FUnderlineTop = std::max(1.0, std::round(-face->underline_position * unit - FBarThickness / 2));
        } else {
            FBarThickness = std::max(1.0, std::round(FEm / 14));
            FUnderlineTop = std::max(1.0, std::round(FDescent / 2));
        }
        if (face) cairo_ft_scaled_font_unlock_face(sf);
        FStrikeTop = -std::round(FEm * 0.26 + FBarThickness / 2);
    }

    // Characters, each with the first face that has it.
    double x = 0;
    std::size_t index = 0;
    for (std::size_t i = 0; i < utf8.size(); ++index) {
        char32_t c = DecodeUtf8Char(utf8, i);
        if (c > 0x10FFFF) c = 0xFFFD;
        std::size_t faceIndex = 0;
        for (std::size_t f = 0; f < list.faces.size(); ++f) {
            if (list.faces[f].charset && FcCharSetHasChar(list.faces[f].charset, c)) {
                faceIndex = f;
                break;
            }
        }
        cairo_scaled_font_t* sf = scaledFont(faceIndex);
        cairo_glyph_t* glyphs = nullptr;
        int count = 0;
        std::string one;
        AppendUtf8(one, c);
        double advance = 0;
        if (cairo_scaled_font_text_to_glyphs(sf, 0, 0, one.data(), static_cast<int>(one.size()), &glyphs, &count,
                                             nullptr, nullptr, nullptr) == CAIRO_STATUS_SUCCESS &&
            count > 0) {
            cairo_text_extents_t te;
            cairo_scaled_font_glyph_extents(sf, glyphs, 1, &te);
            advance = te.x_advance;
            if (FRuns.empty() || FRuns.back()->font != sf) {
                auto run = std::make_unique<TRun>();
                run->font = cairo_scaled_font_reference(sf);
                FRuns.push_back(std::move(run));
            }
            FRuns.back()->glyphs.push_back(cairo_glyph_t{glyphs[0].index, x, 0});
        }
        if (glyphs) cairo_glyph_free(glyphs);
        if (advances && index < advances->size()) advance = (*advances)[index];
        x += advance;
    }
    FWidth = x;
    for (cairo_scaled_font_t* sf : scaled) {
        if (sf) cairo_scaled_font_destroy(sf);
    }
}

TTextLayout::~TTextLayout() = default;

void TTextLayout::ShowGlyphs(cairo_t* cr) const
{
    cairo_font_options_t* options = TextOptions();
    for (const auto& run : FRuns) {
        cairo_set_scaled_font(cr, run->font);
        cairo_set_font_options(cr, options);
        cairo_show_glyphs(cr, run->glyphs.data(), static_cast<int>(run->glyphs.size()));
    }
    cairo_font_options_destroy(options);
}

} // namespace pictor::raster
