// TTextLayout: one line of text in a TFont, laid out on a baseline.
//
// Faces come from fontconfig: the font's Name (or "sans-serif" when empty)
// with its weight and slant, and for each character the first face of
// fontconfig's sorted fallback list that has it, so Japanese text finds a
// Japanese face whatever face was asked for. Text in the Symbol and
// Wingdings fonts is drawn as the characters its codes stand for
// (gfx/canvas/SymbolFonts.h). A font with a Width is condensed or expanded to
// that average character width. Advances, ascent and descent are whole
// pixels (hinted metrics), so widths measured here are exactly the widths
// drawn, and the result depends only on the installed fonts.
#pragma once

#include "gfx/Types.h"

#include <memory>
#include <string>
#include <vector>

typedef struct _cairo cairo_t;

namespace pictor::raster {

class TTextLayout {
public:
    // advances: the distance from each character to the next, in pixels
    // (nullptr or too short: the font's own for the rest); rises: how far
    // each character's successor sits above it, towards the ascent (nullptr
    // or too short: on one baseline).
    TTextLayout(const std::string& utf8, const TFont& font, const std::vector<double>* advances = nullptr,
                const std::vector<double>* rises = nullptr);
    ~TTextLayout();
    TTextLayout(const TTextLayout&) = delete;
    TTextLayout& operator=(const TTextLayout&) = delete;

    // The em size used, in pixels.
    double EmSize() const { return FEm; }
    // Distance from the origin to the end of the last character.
    double Width() const { return FWidth; }
    double Ascent() const { return FAscent; }
    double Descent() const { return FDescent; }
    double CellHeight() const { return FAscent + FDescent; }
    // Underline and strike-out bars: top edge below the baseline (negative:
    // above) and thickness, in pixels.
    double UnderlineTop() const { return FUnderlineTop; }
    double StrikeOutTop() const { return FStrikeTop; }
    double BarThickness() const { return FBarThickness; }
    // The largest distance of a character's baseline from the first one's.
    double MaxRise() const { return FMaxRise; }

    // Draws the glyphs on cr with the baseline's origin at cr's (0, 0),
    // advancing along cr's x axis; grey coverage.
    void ShowGlyphs(cairo_t* cr) const;

    struct TRun;

private:
    double FEm = 0;
    double FWidth = 0;
    double FAscent = 0;
    double FDescent = 0;
    double FUnderlineTop = 0;
    double FStrikeTop = 0;
    double FBarThickness = 1;
    double FMaxRise = 0;
    std::vector<std::unique_ptr<TRun>> FRuns;
};

// The family of the face that draws text in font (the first one asked for
// it), or "" when there are no fonts at all.
std::string PrimaryFamily(const TFont& font);

} // namespace pictor::raster
