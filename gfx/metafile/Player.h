// TPlayer: the device context that metafile records act on during playback,
// and the drawing they ask for, carried out through any TCanvas's
// primitives. The enhanced and old-style players (EmfPlayer.cpp,
// WmfPlayer.cpp) read the records and call it; it keeps the mapping modes,
// window and viewport, world transform, the selected objects, colours and
// modes, the clipping, the current path and the saved states.
//
// Coordinates: records give logical units; the world transform, the page
// mapping and the device-to-canvas mapping of the playback take them to
// canvas pixels. Lines run through pixel centres and rectangles, ellipses
// and fills exclude their right and bottom edges, as the platform draws
// them at 1:1.
#pragma once

#include "gfx/Bitmap.h"
#include "gfx/Canvas.h"
#include "gfx/Path.h"
#include "gfx/formats/ByteReader.h"
#include "gfx/metafile/TextCodec.h"

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace pictor::mf {

// The numbers both metafile formats store for the settings of the device
// context.
// Mapping modes: one logical unit is a pixel, 0.1 mm, 0.01 mm, 0.01 inch,
// 0.001 inch or a twip (y upwards from the metric ones on), or the window
// maps onto the viewport keeping its aspect or not.
enum TMapMode { mmText = 1, mmLoMetric, mmHiMetric, mmLoEnglish, mmHiEnglish, mmTwips, mmIsotropic, mmAnisotropic };
// How a transform modifies the world transform.
enum TWorldModify { mwtIdentity = 1, mwtLeftMultiply, mwtRightMultiply, mwtSet };
// How a new region combines with the clipping.
enum TRegionMode { rgnAnd = 1, rgnOr, rgnXor, rgnDiff, rgnCopy };
// Whether text, hatches and dashes fill their background.
enum TBackgroundMode { bkTransparent = 1, bkOpaque };
// Which parts of a self-crossing polygon are filled.
enum TPolyFillMode { pfmAlternate = 1, pfmWinding };

// Bounds of playback, besides those of the file and record sizes.
inline constexpr std::size_t kMaxSavedStates = 256;  // nesting of save/restore
inline constexpr std::size_t kMaxClipItems = 64;     // clip operations in force at once
inline constexpr std::size_t kMaxPathElements = std::size_t(1) << 20; // elements of one path
inline constexpr double kMaxCanvasCoordinate = 1e7; // canvas pixels; beyond this nothing is drawn
// Pixels of the bitmaps that one playback decodes, all records together
// (two pictures of the largest size).
inline constexpr std::int64_t kMaxPlaybackBitmapPixels = std::int64_t(1) << 28;

struct TXform {
    double M11 = 1, M12 = 0, M21 = 0, M22 = 1, Dx = 0, Dy = 0;
    TPointF Apply(double x, double y) const { return {x * M11 + y * M21 + Dx, x * M12 + y * M22 + Dy}; }
    TPointF ApplyVector(double x, double y) const { return {x * M11 + y * M21, x * M12 + y * M22}; }
    // This transform followed by next.
    TXform Then(const TXform& next) const;
    double Determinant() const { return M11 * M22 - M12 * M21; }
    bool AxisAligned() const { return M12 == 0 && M21 == 0; }
};

struct TPenSpec {
    bool Null = false;
    TColor Color = clBlack;
    TPenStyle Style = psSolid;
    TPenCap Cap = pcRound;
    TPenJoin Join = pjRound;
    double Width = 0;       // logical units; 0 is one device pixel
    bool Cosmetic = false;  // one device pixel whatever the width and mapping
    bool Geometric = false; // dashes kept at any width
};

struct TBrushSpec {
    TBrushSpec() = default;
    TBrushSpec(bool null, TColor color, TBrushStyle style) : Null(null), Color(color), Style(style) {}

    bool Null = false;
    TColor Color = clWhite;
    TBrushStyle Style = bsSolid; // solid or a hatch
    // A pattern brush's bitmap, tiled from the canvas's top-left corner one
    // pixel to a canvas pixel; Color is then its mean colour, for canvases
    // that keep no pixels and for raster operations that mix a pattern into
    // a bitmap transfer.
    std::shared_ptr<const TBitmap> Pattern;
    // A monochrome pattern: 0 bits take the text colour and 1 bits the
    // background colour in force when it fills.
    bool Mono = false;
};

struct TFontSpec {
    std::string Name;
    double Height = 0; // logical units; negative: character height
    double Width = 0;  // average character width, logical units; 0: the face's own
    int Escapement = 0; // tenths of a degree
    int Weight = 400;
    bool Italic = false;
    bool Underline = false;
    bool StrikeOut = false;
    int CharSet = 1;
};

// A region: rectangles in logical units. Those of old-style regions have
// left < right and top < bottom. A region may be empty.
struct TRegionSpec {
    std::vector<std::array<double, 4>> Rects;
};

// An object of the table that records create and select. Bitmaps and the
// like only hold their slot.
struct TPlaceholder {};
using TObject = std::variant<std::monostate, TPenSpec, TBrushSpec, TFontSpec, TPalette, TRegionSpec, TPlaceholder>;

struct TClipItem {
    TPath Path; // canvas pixels
    TFillRule Rule = frWinding;
};

struct TDcState {
    int MapMode = mmText;
    double WinOrgX = 0, WinOrgY = 0, WinExtX = 1, WinExtY = 1;
    double VpOrgX = 0, VpOrgY = 0, VpExtX = 1, VpExtY = 1;
    TXform World;
    TPenSpec Pen;
    TBrushSpec Brush;
    TFontSpec Font;
    std::shared_ptr<const TPalette> Palette;
    TColor TextColor = clBlack;
    TColor BkColor = clWhite;
    bool BkOpaque = true;
    std::uint32_t TextAlign = 0;
    int Rop2 = 13; // copy pen
    bool Winding = false;
    bool ArcClockwise = false;
    TPointF Position; // logical
    std::vector<std::shared_ptr<const TClipItem>> Clip;
};

// The colours a monochrome bitmap takes on a colour canvas: the text colour
// for its 0 bits and the background colour for its 1 bits.
TPalette MonoColours(const TDcState& dc);

// Text of one text record.
struct TTextCall {
    double X = 0, Y = 0; // reference point, logical
    std::vector<TDecodedChar> Text;
    std::vector<double> Dx; // per unit of Text, logical; empty: the font's own
    std::vector<double> Dy; // per unit of Text, logical, towards the font's ascent; empty: none
    bool Opaque = false;    // fill Rect with the background colour
    bool Clipped = false;   // clip to Rect
    std::optional<std::array<double, 4>> Rect; // left, top, right, bottom, logical
};

// Pen and brush values as both formats' records give them: the style with
// its end cap and join bits, and the hatch index.
TPenStyle PenStyleOfRecord(std::uint32_t style);
TPenCap PenCapOfRecord(std::uint32_t style);
TPenJoin PenJoinOfRecord(std::uint32_t style);
TBrushStyle HatchOfRecord(std::uint32_t hatch);
// A logical font at offset: 32-bit fields and a UTF-16 face name in
// enhanced records, 16-bit fields and an 8-bit one in old-style records.
TFontSpec ReadLogFont(const TByteReader& r, std::size_t at, bool enhanced);
// The count advances of a text record at offset into call.Dx, each followed
// by a vertical offset into call.Dy when pdy (ETO_PDY): 32-bit in enhanced
// records, 16-bit in old-style ones. Left empty when they do not fit.
void ReadAdvances(const TByteReader& r, std::size_t at, std::size_t count, bool pdy, bool enhanced, TTextCall& call);

// The mean colour of a bitmap (of its top-left 64 by 64 pixels).
TColor AverageColor(const TBitmap& bitmap);
// A brush filling with pattern; mono makes a 1-bit pattern take the text and
// background colours instead of its own.
TBrushSpec PatternBrush(TBitmap pattern, bool mono);
// Raster operations of pattern brushes, whose tiles are transferred as a
// source: rop (one that reads no source) with the source in the pattern's
// place, and the one of a binary raster operation (SETROP2's code) with the
// pattern as its pen.
std::uint32_t PatternAsSource(std::uint32_t rop);
std::uint32_t PatternRopOfRop2(int rop2);
// Sets the bits of a 32-bit bitmap that carry no colour (the fourth byte) to
// 0.
void ClearUnusedBits(TBitmap& bitmap);

// Makes a figure part of the canvas's clipping for the guard's life.
class TClipGuard {
public:
    TClipGuard(TCanvas& canvas, const TPath& path, TFillRule rule) : FCanvas(canvas)
    {
        FCanvas.SaveClip();
        FCanvas.IntersectClip(path, rule);
    }
    ~TClipGuard() { FCanvas.RestoreClip(); }
    TClipGuard(const TClipGuard&) = delete;
    TClipGuard& operator=(const TClipGuard&) = delete;

private:
    TCanvas& FCanvas;
};

enum class TArcKind { Arc, ArcTo, Chord, Pie };

class TPlayer {
public:
    // Plays onto canvas; deviceToCanvas takes the records' device pixels to
    // the canvas; drawing is clipped to dest.
    TPlayer(TCanvas& canvas, const TRect& dest, const TXform& deviceToCanvas, std::size_t objectCount);
    ~TPlayer();
    TPlayer(const TPlayer&) = delete;
    TPlayer& operator=(const TPlayer&) = delete;

    TDcState& Dc() { return FDc; }

    // --- mapping -----------------------------------------------------------
    // The device of enhanced metafiles (pixels and millimetres), for the
    // metric mapping modes.
    void SetDeviceResolution(double pixelsPerMMX, double pixelsPerMMY);
    // Old-style metafiles: only the window maps, onto the fixed viewport.
    void SetViewportFixed(bool fixed) { FViewportFixed = fixed; }
    void SetMapMode(int mode);
    void SetWindowOrg(double x, double y);
    void SetWindowExt(double x, double y);
    void SetViewportOrg(double x, double y);
    void SetViewportExt(double x, double y);
    void SetWorld(const TXform& world);
    void ModifyWorld(const TXform& xform, int mode);
    void MappingChanged();
    const TXform& ToCanvas() const { return FToCanvas; }

    // --- state ---------------------------------------------------------------
    void SaveDc();
    void RestoreDc(int relative);
    TColor Resolve(std::uint32_t colorRef) const;

    // --- objects -------------------------------------------------------------
    std::size_t ObjectCount() const { return FObjects.size(); }
    // Stores at index (no effect beyond the table).
    void SetObject(std::size_t index, TObject object);
    // The lowest free index, or nullopt when the table is full.
    std::optional<std::size_t> FreeObjectIndex() const;
    // Selecting a region makes it the clipping region (SelectClipRegion).
    void SelectObject(std::size_t index);
    void SelectStockObject(std::uint32_t stock);
    void DeleteObject(std::size_t index);
    void SelectPalette(std::size_t index);
    // The brush at index of the table or, with the top bit set, a stock brush.
    std::optional<TBrushSpec> BrushObject(std::uint32_t index) const;
    // The region at index of the table, or null.
    const TRegionSpec* RegionObject(std::size_t index) const;

    // --- drawing (logical coordinates) ----------------------------------------
    void MoveTo(double x, double y);
    void LineTo(double x, double y);
    void Polyline(const std::vector<TPointF>& points);
    void PolylineTo(const std::vector<TPointF>& points);
    void PolyBezier(const std::vector<TPointF>& points);
    void PolyBezierTo(const std::vector<TPointF>& points);
    void PolyDraw(const std::vector<TPointF>& points, const std::vector<std::uint8_t>& types);
    void PolyPolygon(const std::vector<std::vector<TPointF>>& polygons);
    void PolyPolyline(const std::vector<std::vector<TPointF>>& polylines);
    void Rectangle(double l, double t, double r, double b);
    void RoundRect(double l, double t, double r, double b, double w, double h);
    void Ellipse(double l, double t, double r, double b);
    void Arc(TArcKind kind, double l, double t, double r, double b, double xs, double ys, double xe, double ye);
    void AngleArc(double x, double y, double radius, double start, double sweep);
    void SetPixel(double x, double y, TColor color);
    void Text(const TTextCall& call);
    // The character set that 8-bit text in the current font is read in: a
    // symbol font's codes are kept as they are.
    int TextCharSet() const;
    // Transfers src of bitmap onto the logical rectangle (x, y, w, h).
    void Bitmap(const TBitmap& bitmap, const TRect& src, double x, double y, double w, double h, std::uint32_t rop);
    // A transfer in which the pixels for which transparent(x, y) holds leave
    // the canvas as it is (colour keys, alpha).
    void MaskedBitmap(const TBitmap& bitmap, const TRect& src, double x, double y, double w, double h,
                      const std::function<bool(int, int)>& transparent);
    // ALPHABLEND: src blended over the picture with the constant alpha and,
    // when perPixel and the bitmap has 32 bits, each pixel's own
    // (premultiplied) alpha. Onto a canvas that keeps no pixels, or turned
    // by the mapping, the pixels at least half opaque are transferred
    // instead (all of them without per-pixel alpha).
    void BlendBitmap(const TBitmap& bitmap, const TRect& src, double x, double y, double w, double h,
                     int constantAlpha, bool perPixel);
    // A transfer without source: the brush (or nothing) under the raster op.
    void PatBlt(double x, double y, double w, double h, std::uint32_t rop);
    // Rectangles in logical units filled with a brush.
    void FillRects(const std::vector<std::array<double, 4>>& rects, const TBrushSpec& brush);
    // The border of a region, width by height logical units wide inside its
    // outline, filled with a brush.
    void FrameRegion(const TRegionSpec& region, const TBrushSpec& brush, int width, int height);
    // A region's pixels inverted.
    void InvertRegion(const TRegionSpec& region);
    void FillSolidPath(const TPath& canvasPath, TColor color);

    // --- paths -----------------------------------------------------------------
    void BeginPath();
    void EndPath();
    void AbortPath();
    void CloseFigure();
    void FillPath();
    void StrokePath();
    void StrokeAndFillPath();
    void SelectClipPath(int mode);

    // --- clipping ----------------------------------------------------------------
    void IntersectClipRect(double l, double t, double r, double b);
    void ExcludeClipRect(double l, double t, double r, double b);
    // rects in device pixels; empty with mode copy: no clipping.
    void SelectClipRegion(const std::vector<std::array<double, 4>>& deviceRects, int mode);
    // An old-style region replaces the clipping; its rectangles are mapped
    // as they are now. An empty region ends clipping, as an empty enhanced
    // one does.
    void SelectClipRegion(const TRegionSpec& region);
    void OffsetClip(double dx, double dy);

    TCanvas& Canvas() { return FCanvas; }

    // A record's bitmap about to be drawn: drawn into a picture, its fourth
    // bytes are cleared, so that only ALPHABLEND brings alpha into a picture
    // (and only to blend); a recording keeps them.
    void PrepareBitmap(TBitmap& bitmap) const
    {
        if (FCanvas.TargetBitmap()) ClearUnusedBits(bitmap);
    }

    // Takes pixels from the playback's budget for decoded bitmaps; false
    // (and nothing taken) when they would exceed it.
    bool SpendBitmapPixels(std::int64_t pixels);

private:
    TPointF P(double x, double y) const { return FToCanvas.Apply(x, y); }
    TPath RectPath(double l, double t, double r, double b) const;
    // Rectangles in logical units as one path; each goes round the way the
    // mapping turns it, all alike, so winding filling gives their union.
    TPath RectsPath(const std::vector<std::array<double, 4>>& rects) const;
    double PenWidth() const;
    TPen CanvasPen() const;
    TPenMode Mode() const;
    // Fills and strokes a figure, or adds it to the open path. fill is in
    // canvas pixels; stroke too, already on pixel centres.
    void Draw(const TPath& fill, const TPath& stroke, bool closed);
    void FillWithBrush(const TPath& path, const TBrushSpec& brush, TFillRule rule);
    // Fills path with a pattern brush's bitmap tiled, combined by the
    // ternary raster operation rop (the pattern in the source's place);
    // false when the canvas keeps no pixels to tile onto.
    bool FillWithPattern(const TPath& path, const TBrushSpec& brush, TFillRule rule, std::uint32_t rop);
    void Stroke(const TPath& path);
    void ApplyClip();
    void AddClip(std::shared_ptr<const TClipItem> item, int mode);
    void AppendBeziers(TPath& path, const TXform& m, double offset, double cx, double cy, double rx, double ry,
                       double t0, double t1) const;

    TCanvas& FCanvas;
    TRect FDest;
    TXform FDeviceToCanvas;
    TXform FToCanvas;
    double FPxPerMMX = 96 / 25.4, FPxPerMMY = 96 / 25.4;
    bool FViewportFixed = false;
    TDcState FDc;
    std::vector<TDcState> FSaved;
    std::size_t FRefusedSaves = 0;
    std::vector<TObject> FObjects;
    std::int64_t FBitmapPixels = 0;
    bool FInPath = false;
    TPath FPath;  // canvas pixels
    bool FPathDone = false;
    TPen FSavedPen;
    TBrush FSavedBrush;
    TFont FSavedFont;
};

} // namespace pictor::mf
