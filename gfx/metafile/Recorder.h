// TRecordingCanvas: the part of a recording canvas that both metafile
// formats share. It turns the canvas primitives (paths, text runs, bitmap
// transfers, clipping) into the selections of pens, brushes and fonts, the
// colour and mode settings and the drawing records that a format's
// subclass emits, keeping a bounded cache of objects so that recordings of
// any length use a bounded object table.
//
// Strokes arrive on pixel centres (the way playback hands them out) and are
// recorded half a pixel back, on the pixel grid, so that playing back and
// recording again keeps lines where they were.
#pragma once

#include "gfx/Bitmap.h"
#include "gfx/Canvas.h"

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace pictor::mf {

// Objects alive at once in a recording (beyond this the least recently used
// one that no saved state holds is deleted).
inline constexpr std::size_t kRecorderObjects = 64;

struct TPenKey {
    bool Null = false;
    TColor Color = clBlack;
    TPenStyle Style = psSolid;
    TPenCap Cap = pcRound;
    TPenJoin Join = pjRound;
    int Width = 0;          // logical units; 0: one pixel whatever the mapping
    bool Geometric = false; // caps, joins and dashes at every width
    friend bool operator==(const TPenKey&, const TPenKey&) = default;
};

struct TBrushKey {
    bool Null = false;
    TColor Color = clWhite;
    TBrushStyle Style = bsSolid;
    friend bool operator==(const TBrushKey&, const TBrushKey&) = default;
};

struct TFontKey {
    std::string Name;
    int Height = 0; // logical units
    int Width = 0;  // average character width, logical units; 0: the face's own
    int Escapement = 0; // tenths of a degree
    bool Bold = false, Italic = false, Underline = false, StrikeOut = false;
    int CharSet = 1;
    friend bool operator==(const TFontKey&, const TFontKey&) = default;
};

using TObjectKey = std::variant<TPenKey, TBrushKey, TFontKey>;

// Pen styles, end caps, joins and hatches as both formats' records give them.
std::uint16_t RecordPenStyle(TPenStyle style);
std::uint16_t RecordPenEnds(TPenCap cap, TPenJoin join);
std::uint16_t RecordHatch(TBrushStyle style);

// Text alignment flags of the records.
inline constexpr std::uint32_t kAlignLeft = 0, kAlignRight = 2, kAlignCenter = 6;
inline constexpr std::uint32_t kAlignTop = 0, kAlignBottom = 8, kAlignBaseline = 24;

class TRecordingCanvas : public TCanvas {
public:
    // width by height canvas pixels; unitsPerPixel logical units to a pixel;
    // firstSlot the lowest object index the format allows.
    TRecordingCanvas(int width, int height, int unitsPerPixel, int firstSlot);
    ~TRecordingCanvas() override;

    int Width() const override { return FWidth; }
    int Height() const override { return FHeight; }

    void FillPath(const TPath& path, TFillRule rule, const TBrush& brush, TPenMode mode) override;
    void StrokePath(const TPath& path, const TPen& pen, double width) override;
    void DrawTextRun(const TTextRun& run) override;
    void DrawBitmap(const TBitmap& bitmap, const TRect& srcRect, double destLeft, double destTop, double destWidth,
                    double destHeight, std::uint32_t rop) override;
    TPointF MeasureText(const std::string& text, const TFont& font) override;
    void SaveClip() override;
    void RestoreClip() override;
    void IntersectClip(const TPath& path, TFillRule rule) override;
    void ResetClip() override;

    // The screen's canvas, which measures text as the screen shows it.
    TCanvas& Screen();

    // Where drawing went, in canvas pixels (left, top, right, bottom), or
    // nothing yet.
    const std::optional<std::array<double, 4>>& Bounds() const { return FBounds; }

protected:
    int Units(double pixels) const;
    // Logical point of a canvas point.
    std::array<int, 2> Logical(TPointF p) const { return {Units(p.X), Units(p.Y)}; }

    // Makes the object (or setting) current, emitting what it takes.
    void UsePen(const TPenKey& key);
    void UseBrush(const TBrushKey& key);
    void UseFont(const TFontKey& key);
    void UseTextColor(TColor color);
    void UseBkColor(TColor color);
    void UseBkOpaque(bool opaque);
    void UseRop2(TPenMode mode);
    void UseWinding(bool winding);
    void UseTextAlign(std::uint32_t align);

    // The keys of the toolkit's pen, brush and font (natural records).
    TPenKey PenKeyOf(const TPen& pen) const;
    TBrushKey BrushKeyOf(const TBrush& brush) const;
    TFontKey FontKeyOf(const TFont& font) const;

    void AddBounds(double l, double t, double r, double b);
    void AddBounds(const TPath& path);

    // The character set a font needs for text (formats that store 8-bit
    // text choose the code page by it).
    virtual int CharSetFor(const std::u32string&) const { return 1; }

    // --- emitted by the format --------------------------------------------------
    virtual void EmitCreate(int slot, const TObjectKey& key) = 0;
    virtual void EmitSelect(int slot) = 0;
    virtual void EmitDelete(int slot) = 0;
    virtual void EmitTextColor(TColor color) = 0;
    virtual void EmitBkColor(TColor color) = 0;
    virtual void EmitBkOpaque(bool opaque) = 0;
    virtual void EmitRop2(int rop2) = 0;
    virtual void EmitWinding(bool winding) = 0;
    virtual void EmitTextAlign(std::uint32_t align) = 0;
    virtual void EmitSaveDc() = 0;
    virtual void EmitRestoreDc() = 0;
    // A filled path (current brush, no pen) and a stroked one (current pen,
    // no fill), in canvas pixels on the grid.
    virtual void EmitFill(const TPath& path) = 0;
    virtual void EmitStroke(const TPath& path) = 0;
    virtual void EmitIntersectClipRect(double l, double t, double r, double b) = 0;
    virtual void EmitIntersectClipPath(const TPath& path, bool winding) = 0;
    virtual void EmitResetClip() = 0;
    // Text at origin (canvas pixels) with the current font, colours and
    // alignment; advances per code point in canvas pixels.
    virtual void EmitText(TPointF origin, const std::u32string& text, const std::vector<double>& advances,
                          bool opaque) = 0;
    virtual void EmitBitmap(const TBitmap& bitmap, double l, double t, double w, double h, std::uint32_t rop) = 0;

    int FUnitsPerPixel;

private:
    struct TState {
        std::array<int, 3> Selected{-1, -1, -1}; // pen, brush, font slots
        std::optional<TColor> TextColor, BkColor;
        std::optional<bool> BkOpaque, Winding;
        std::optional<int> Rop2;
        std::optional<std::uint32_t> Align;
    };
    struct TEntry {
        TObjectKey Key;
        int Slot;
        std::uint64_t LastUse;
    };
    void Use(int kind, const TObjectKey& key);
    bool Pinned(int slot) const;

    int FWidth, FHeight;
    int FFirstSlot;
    TState FState;
    std::vector<TState> FSaved;
    std::vector<TEntry> FEntries;
    std::uint64_t FClock = 0;
    std::optional<std::array<double, 4>> FBounds;
    std::unique_ptr<TBitmap> FScreen;
};

// The box (left, top, right, bottom) of a path that is exactly the ellipse
// TPath::AddEllipse makes of that box, or nothing.
std::optional<std::array<double, 4>> EllipseBox(const TPath& path);

// The part of bitmap inside src, at the bitmap's own layout and palette.
TBitmap CropBitmap(const TBitmap& bitmap, const TRect& src);

} // namespace pictor::mf
