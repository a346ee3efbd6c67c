#include "gfx/canvas/TextLayout.h"

#include "core/LeakCheck.h"
#include "core/Text.h"
#include "gfx/canvas/FontHandles.h"
#include "gfx/canvas/SymbolFonts.h"

#include <cairo-ft.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <mutex>
#include <tuple>

namespace pictor::raster {

namespace {

// The em size of a font whose Height is 0: the default 8 points.
constexpr double kDefaultEm = 11;
// Larger glyphs than this are drawn at this size (also across, for a font
// of a given width).
constexpr double kMaxEm = 32768;
// Per-character rises are kept within this many pixels of the baseline.
constexpr double kMaxRise = 1 << 20;

// The faces fontconfig offers for one request, best first, each with the
// characters it has. Built once per name, weight and slant. Only cairo's
// faces and the character sets are kept, not fontconfig's patterns: a
// pattern reaches its elements through an offset rather than a pointer, so
// a leak checker would count every pattern held here as lost.
struct TFaceList {
    struct TFace {
        TCairoFacePtr face;
        TFcCharSetPtr charset;
        std::string family;
        double averageWidth = -1; // per pixel of em; measured on first use
    };
    std::vector<TFace> faces;
};

std::mutex gFaceMutex;

using TFaceKey = std::tuple<std::string, bool, bool>;

// fontconfig's configuration, loaded on first use and released at exit, and
// the face lists built from it. The configuration reaches some of its parts
// through offsets, so while it lives a leak checker would count them lost.
FcConfig* LoadConfiguration()
{
    TLeakCheckPause pause;
    return FcInitLoadConfigAndFonts();
}

struct TFontSystem {
    TFcConfigPtr config{LoadConfiguration()};
    std::map<TFaceKey, std::unique_ptr<TFaceList>> lists;
    ~TFontSystem() { lists.clear(); }
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

TFcPatternPtr NewRequest(const char* family, const TFont& font)
{
    TFcPatternPtr pattern{FcPatternCreate()};
    FcPatternAddString(pattern.get(), FC_FAMILY, reinterpret_cast<const FcChar8*>(family));
    FcPatternAddInteger(pattern.get(), FC_WEIGHT, font.Bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern.get(), FC_SLANT, font.Italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    return pattern;
}

// The face of a pattern prepared for rendering.
TFaceList::TFace FaceOf(TFcPatternPtr prepared)
{
    TFaceList::TFace f;
    f.face.reset(cairo_ft_font_face_create_for_pattern(prepared.get()));
    FcCharSet* charset = nullptr;
    if (FcPatternGetCharSet(prepared.get(), FC_CHARSET, 0, &charset) == FcResultMatch && charset)
        f.charset.reset(FcCharSetCopy(charset));
    f.family = FamilyOf(prepared.get());
    return f;
}

TFaceList& FacesFor(const TFont& font)
{
    TFontSystem& fonts = Fonts();
    FcConfig* config = fonts.config.get();
    auto& cache = fonts.lists;
    TFaceKey key{font.Name, font.Bold, font.Italic};
    auto it = cache.find(key);
    if (it != cache.end()) return *it->second;
    if (cache.size() >= 64) cache.clear(); // layouts never outlive a drawing call

    auto list = std::make_unique<TFaceList>();
    if (!config) return *(cache[key] = std::move(list));
    TFcPatternPtr pattern = NewRequest(font.Name.empty() ? "sans-serif" : font.Name.c_str(), font);
    if (!font.Name.empty())
        FcPatternAddString(pattern.get(), FC_FAMILY, reinterpret_cast<const FcChar8*>("sans-serif"));
    FcConfigSubstitute(config, pattern.get(), FcMatchPattern);
    FcDefaultSubstitute(pattern.get());
    FcResult result = FcResultNoMatch;
    if (TFcFontSetPtr set{FcFontSort(config, pattern.get(), FcTrue, nullptr, &result)}) {
        for (int i = 0; i < set->nfont; ++i) {
            if (TFcPatternPtr prepared{FcFontRenderPrepare(config, pattern.get(), set->fonts[i])})
                list->faces.push_back(FaceOf(std::move(prepared)));
        }
    }

    if (!list->faces.empty() && list->faces[0].family != kJapaneseFallback) {
        TFcPatternPtr request = NewRequest(kJapaneseFallback, font);
        FcConfigSubstitute(config, request.get(), FcMatchPattern);
        FcDefaultSubstitute(request.get());
        TFcPatternPtr match{FcFontMatch(config, request.get(), &result)};
        if (match && FamilyOf(match.get()) == kJapaneseFallback) {
            if (TFcPatternPtr prepared{FcFontRenderPrepare(config, request.get(), match.get())})
                list->faces.insert(list->faces.begin() + 1, FaceOf(std::move(prepared)));
        }
    }
    auto& slot = cache[key];
    slot = std::move(list);
    return *slot;
}

TFontOptionsPtr TextOptions()
{
    TFontOptionsPtr options{cairo_font_options_create()};
    cairo_font_options_set_antialias(options.get(), CAIRO_ANTIALIAS_GRAY);
    cairo_font_options_set_hint_style(options.get(), CAIRO_HINT_STYLE_SLIGHT);
    cairo_font_options_set_hint_metrics(options.get(), CAIRO_HINT_METRICS_ON);
    return options;
}

// A face at em pixels high and emAcross pixels wide.
TScaledFontPtr MakeScaledFont(cairo_font_face_t* face, double emAcross, double em, bool hinted)
{
    cairo_matrix_t fontMatrix, ctm;
    cairo_matrix_init_scale(&fontMatrix, emAcross, em);
    cairo_matrix_init_identity(&ctm);
    TFontOptionsPtr options = TextOptions();
    if (!hinted) {
        cairo_font_options_set_hint_style(options.get(), CAIRO_HINT_STYLE_NONE);
        cairo_font_options_set_hint_metrics(options.get(), CAIRO_HINT_METRICS_OFF);
    }
    return TScaledFontPtr{cairo_scaled_font_create(face, &fontMatrix, &ctm, options.get())};
}

// The glyph of one character in a font, with its advance; false when the
// font has none.
bool GlyphOf(cairo_scaled_font_t* font, char32_t c, unsigned long& index, double& advance)
{
    std::string one;
    AppendUtf8(one, c);
    cairo_glyph_t* glyphs = nullptr;
    int count = 0;
    bool found = cairo_scaled_font_text_to_glyphs(font, 0, 0, one.data(), static_cast<int>(one.size()), &glyphs,
                                                  &count, nullptr, nullptr, nullptr) == CAIRO_STATUS_SUCCESS &&
                 count > 0;
    if (found) {
        cairo_text_extents_t te;
        cairo_scaled_font_glyph_extents(font, glyphs, 1, &te);
        index = glyphs[0].index;
        advance = te.x_advance;
    }
    if (glyphs) cairo_glyph_free(glyphs);
    return found;
}

// The average character width of a face per pixel of em, as the platform
// reckons it for a font's width: the advances of the small letters and the
// space weighted by how often they occur in English text. Computed from the
// glyphs rather than read from the face's own table, whose figure some
// faces of the same widths give over all their glyphs instead.
double AverageWidthOf(cairo_font_face_t* face)
{
    static constexpr int kWeights[27] = {64, 14, 27, 35, 100, 20, 14, 42, 63, 3, 6, 35, 20, 56,
                                         56, 17, 4,  49, 56, 71,  31, 10, 18, 3,  18, 2, 166};
    TScaledFontPtr probe = MakeScaledFont(face, 1000, 1000, false);
    double sum = 0, weights = 0;
    for (int i = 0; i < 27; ++i) {
        unsigned long index = 0;
        double advance = 0;
        if (GlyphOf(probe.get(), i < 26 ? U'a' + i : U' ', index, advance) && index != 0) {
            sum += advance * kWeights[i];
            weights += kWeights[i];
        }
    }
    return weights > 0 && sum > 0 ? sum / weights / 1000 : 0.5;
}

double AverageWidth(TFaceList::TFace& f)
{
    if (f.averageWidth < 0) f.averageWidth = AverageWidthOf(f.face.get());
    return f.averageWidth;
}

// What is asked of fontconfig for a font: Symbol and Wingdings text is drawn
// as the characters it means, from a face that has them.
TFont Requested(const TFont& font)
{
    TFont request = font;
    const TSymbolSet symbols = SymbolSetOf(font.Name);
    if (symbols == TSymbolSet::Symbol || symbols == TSymbolSet::Wingdings) request.Name = kSymbolFace;
    return request;
}

} // namespace

std::string PrimaryFamily(const TFont& font)
{
    std::lock_guard<std::mutex> lock(gFaceMutex);
    const TFaceList& list = FacesFor(Requested(font));
    return list.faces.empty() ? std::string() : list.faces[0].family;
}

struct TTextLayout::TRun {
    TScaledFontPtr font;
    std::vector<cairo_glyph_t> glyphs;
};

TTextLayout::TTextLayout(const std::string& utf8, const TFont& font, const std::vector<double>* advances,
                         const std::vector<double>* rises)
{
    std::lock_guard<std::mutex> lock(gFaceMutex);
    const TSymbolSet symbols = SymbolSetOf(font.Name);
    TFaceList& list = FacesFor(Requested(font));
    if (list.faces.empty()) return; // no fonts at all: nothing to draw, zero extents

    // The em size: a negative Height is the em itself, a positive one the
    // cell (ascent plus descent) of the first face.
    cairo_font_face_t* primary = list.faces[0].face.get();
    if (font.Height < 0) {
        FEm = -static_cast<double>(font.Height);
    } else if (font.Height > 0) {
        TScaledFontPtr probe = MakeScaledFont(primary, 1000, 1000, false);
        cairo_font_extents_t fe;
        cairo_scaled_font_extents(probe.get(), &fe);
        double cell = fe.ascent + fe.descent;
        FEm = cell > 0 ? font.Height * 1000.0 / cell : font.Height;
    } else {
        FEm = kDefaultEm;
    }
    FEm = std::min(FEm, kMaxEm);
    if (FEm <= 0) return;
    // A font with a width is condensed or expanded until the first face's
    // average character width is that width.
    double emAcross = FEm;
    if (font.Width != 0) emAcross = std::min(std::abs(font.Width) / AverageWidth(list.faces[0]), kMaxEm);

    std::vector<TScaledFontPtr> scaled(list.faces.size());
    auto scaledFont = [&](std::size_t i) {
        if (!scaled[i]) scaled[i] = MakeScaledFont(list.faces[i].face.get(), emAcross, FEm, true);
        return scaled[i].get();
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
    double x = 0, rise = 0;
    std::size_t index = 0;
    for (std::size_t i = 0; i < utf8.size(); ++index) {
        char32_t c = DecodeUtf8Char(utf8, i);
        if (c > 0x10FFFF) c = 0xFFFD;
        c = SymbolToUnicode(c, symbols);
        std::size_t faceIndex = 0;
        for (std::size_t f = 0; f < list.faces.size(); ++f) {
            if (list.faces[f].charset && FcCharSetHasChar(list.faces[f].charset.get(), c)) {
                faceIndex = f;
                break;
            }
        }
        cairo_scaled_font_t* sf = scaledFont(faceIndex);
        unsigned long glyph = 0;
        double advance = 0;
        if (GlyphOf(sf, c, glyph, advance)) {
            if (FRuns.empty() || FRuns.back()->font.get() != sf) {
                auto run = std::make_unique<TRun>();
                run->font.reset(cairo_scaled_font_reference(sf));
                FRuns.push_back(std::move(run));
            }
            FRuns.back()->glyphs.push_back(cairo_glyph_t{glyph, x, -rise});
        }
        if (advances && index < advances->size()) advance = (*advances)[index];
        x += advance;
        if (rises && index < rises->size() && std::isfinite((*rises)[index]))
            rise = std::clamp(rise + (*rises)[index], -kMaxRise, kMaxRise);
        FMaxRise = std::max(FMaxRise, std::abs(rise));
    }
    FWidth = x;
}

TTextLayout::~TTextLayout() = default;

void TTextLayout::ShowGlyphs(cairo_t* cr) const
{
    TFontOptionsPtr options = TextOptions();
    for (const auto& run : FRuns) {
        cairo_set_scaled_font(cr, run->font.get());
        cairo_set_font_options(cr, options.get());
        cairo_show_glyphs(cr, run->glyphs.data(), static_cast<int>(run->glyphs.size()));
    }
}

} // namespace pictor::raster
