// TCanvas: draws on a bitmap (TBitmapCanvas, gfx/BitmapCanvas.h) or records
// into a metafile (TMetafileCanvas, gfx/Metafile.h).
//
// Two levels:
// - the toolkit's drawing calls (MoveTo, LineTo, Rectangle, TextOut, Draw,
//   CopyRect, ...) in integer canvas pixels with the current Pen, Brush and
//   Font; a metafile canvas overrides them to record the matching records;
// - the primitives (FillPath, StrokePath, DrawTextRun, DrawBitmap, clipping)
//   in fractional canvas pixels, which metafile playback calls after applying
//   the metafile's own mapping, and on which the default drawing calls are
//   built.
//
// Geometry follows the toolkit: Rectangle and FillRect exclude the right and
// bottom edges; LineTo draws up to, not including, the end point.
#pragma once

#include "gfx/Path.h"
#include "gfx/Types.h"

#include <cstdint>
#include <string>
#include <vector>

namespace pictor {

class TBitmap;
class TGraphic;

// Raster operations for bitmap transfers (the common ternary codes).
enum TCopyMode : std::uint32_t {
    cmSrcCopy = 0x00CC0020,
    cmSrcPaint = 0x00EE0086,
    cmSrcAnd = 0x008800C6,
    cmSrcInvert = 0x00660046,
    cmSrcErase = 0x00440328,
    cmNotSrcCopy = 0x00330008,
    cmNotSrcErase = 0x001100A6,
    cmMergeCopy = 0x00C000CA,
    cmMergePaint = 0x00BB0226,
    cmPatCopy = 0x00F00021,
    cmPatPaint = 0x00FB0A09,
    cmPatInvert = 0x005A0049,
    cmDstInvert = 0x00550009,
    cmBlackness = 0x00000042,
    cmWhiteness = 0x00FF0062,
};

enum TTextHAlign { taLeft, taCenter, taRight };
enum TTextVAlign { tvTop, tvBaseline, tvBottom };

// One line of text for DrawTextRun, in canvas pixels.
struct TTextRun {
    std::string Text;                // UTF-8
    TPointF Origin;                  // reference point, placed by the alignments
    TTextHAlign HAlign = taLeft;
    TTextVAlign VAlign = tvTop;
    TFont Font;                      // Font.Height in canvas pixels (see TFont)
    double Escapement = 0;           // degrees, counter-clockwise
    TColor Color = clBlack;
    bool Opaque = false;             // fill the text's cell box with Background
    TColor Background = clWhite;
    std::vector<double> Advances;    // per character, canvas pixels; empty: the font's own
    std::vector<double> Rises;       // per character, how far the next one sits higher; empty: none
};

class TCanvas {
public:
    virtual ~TCanvas() = default;
    TCanvas(const TCanvas&) = delete;
    TCanvas& operator=(const TCanvas&) = delete;

    TPen Pen;
    TBrush Brush;
    TFont Font;
    TCopyMode CopyMode = cmSrcCopy;

    // Size of the drawing surface in canvas pixels.
    virtual int Width() const = 0;
    virtual int Height() const = 0;

    // --- the toolkit's drawing calls -----------------------------------------
    TPoint PenPos() const { return FPenPos; }
    virtual void MoveTo(int x, int y);
    virtual void LineTo(int x, int y);
    // Outline with Pen, inside filled with Brush (unless bsClear).
    virtual void Rectangle(int x1, int y1, int x2, int y2);
    void Rectangle(const TRect& r) { Rectangle(r.Left, r.Top, r.Right, r.Bottom); }
    // Brush only, no outline.
    virtual void FillRect(const TRect& r);
    virtual void Ellipse(int x1, int y1, int x2, int y2);
    virtual void Polyline(const std::vector<TPoint>& points);
    virtual void Polygon(const std::vector<TPoint>& points);
    // Text with its top-left at (x, y) in Font; the cell background is filled
    // with Brush.Color unless Brush.Style is bsClear. Moves PenPos to the end.
    virtual void TextOut(int x, int y, const std::string& text);
    virtual int TextWidth(const std::string& text);
    virtual int TextHeight(const std::string& text);
    // graphic at (x, y) at its own size.
    virtual void Draw(int x, int y, const TGraphic& graphic);
    // graphic stretched into rect.
    virtual void StretchDraw(const TRect& rect, const TGraphic& graphic);
    // Copies source's srcRect into dest, pixel for pixel when the sizes are
    // equal, using CopyMode. The source must draw on a bitmap.
    virtual void CopyRect(const TRect& dest, TCanvas& source, const TRect& srcRect);

    // --- primitives (fractional canvas pixels) ------------------------------
    // Fills the path with brush, combining with mode (a TPenMode).
    virtual void FillPath(const TPath& path, TFillRule rule, const TBrush& brush, TPenMode mode) = 0;
    // Strokes the path with pen; width in canvas pixels (< 1 draws 1 pixel).
    virtual void StrokePath(const TPath& path, const TPen& pen, double width) = 0;
    virtual void DrawTextRun(const TTextRun& run) = 0;
    // Transfers srcRect of bitmap onto the destination rectangle (which may
    // have any size; a negative width or height mirrors) with a raster op.
    virtual void DrawBitmap(const TBitmap& bitmap, const TRect& srcRect, double destLeft, double destTop,
                            double destWidth, double destHeight, std::uint32_t rop) = 0;
    // Extents of a text in a font (canvas pixels): width and cell height.
    virtual TPointF MeasureText(const std::string& text, const TFont& font) = 0;

    // Clipping: the region drawing may touch. Save/Restore nest.
    virtual void SaveClip() = 0;
    virtual void RestoreClip() = 0;
    virtual void IntersectClip(const TPath& path, TFillRule rule) = 0;
    virtual void ResetClip() = 0;

    // The bitmap this canvas draws on, or nullptr (a metafile canvas).
    virtual TBitmap* TargetBitmap() { return nullptr; }

protected:
    TCanvas() = default;
    TPoint FPenPos;
};

} // namespace pictor
