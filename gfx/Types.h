// Basic value types of the graphics layer: colours, points, rectangles,
// pixel formats and the attributes of pens, brushes and fonts.
#pragma once

#include <cstdint>
#include <string>

namespace pictor {

// A colour as one word: red in bits 0-7, green 8-15, blue 16-23 (the
// toolkit's convention). Bits 24-31 are 0 for a plain colour.
using TColor = std::uint32_t;

constexpr TColor RGBColor(int r, int g, int b)
{
    return static_cast<TColor>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}
constexpr int GetRValue(TColor c) { return static_cast<int>(c & 0xFF); }
constexpr int GetGValue(TColor c) { return static_cast<int>((c >> 8) & 0xFF); }
constexpr int GetBValue(TColor c) { return static_cast<int>((c >> 16) & 0xFF); }

// A colour in one word as pixels hold it: red in bits 16-23, green 8-15,
// blue 0-7, which is the three bytes of a 24-bit pixel read as a
// little-endian word. Bits 24-31 carry nothing and every reader ignores them.
using TPackedColor = std::uint32_t;

inline constexpr TColor clBlack = RGBColor(0, 0, 0);
inline constexpr TColor clWhite = RGBColor(255, 255, 255);
inline constexpr TColor clRed = RGBColor(255, 0, 0);
inline constexpr TColor clLime = RGBColor(0, 255, 0); // pure green
inline constexpr TColor clBlue = RGBColor(0, 0, 255);
// The button-face colour of our platform (the background of dialogs and of
// the histogram picture).
inline constexpr TColor clBtnFace = RGBColor(240, 240, 240);

struct TPoint {
    std::int32_t X = 0;
    std::int32_t Y = 0;
    friend bool operator==(const TPoint&, const TPoint&) = default;
};

// Left/Top inclusive; Right/Bottom exclusive wherever the graphics layer
// draws or copies (as the toolkit's rectangles are).
struct TRect {
    std::int32_t Left = 0;
    std::int32_t Top = 0;
    std::int32_t Right = 0;
    std::int32_t Bottom = 0;
    std::int32_t Width() const { return Right - Left; }
    std::int32_t Height() const { return Bottom - Top; }
    friend bool operator==(const TRect&, const TRect&) = default;
};

constexpr TRect Rect(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom)
{
    return TRect{left, top, right, bottom};
}

// A point in a canvas's own pixels, fractional (metafile playback).
struct TPointF {
    double X = 0;
    double Y = 0;
};

// Pixel formats, in the toolkit's order.
enum TPixelFormat { pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit, pfCustom };

// Storage of a bitmap: device-independent, or the display's own form.
enum TBitmapHandleType { bmDIB, bmDDB };

// The sixteen binary raster operations, applied to a destination pixel D
// and the pen (or brush) colour P. pmCopy: P; pmNotXor: not (P xor D);
// pmXor: P xor D; pmNot: not D; and so on. Applied to colour values in true-
// colour bitmaps and to palette indices in palette bitmaps.
enum TPenMode {
    pmBlack, pmWhite, pmNop, pmNot, pmCopy, pmNotCopy, pmMergePenNot, pmMaskPenNot,
    pmMergeNotPen, pmMaskNotPen, pmMerge, pmNotMerge, pmMask, pmNotMask, pmXor, pmNotXor
};

enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
enum TPenCap { pcRound, pcSquare, pcFlat };
enum TPenJoin { pjRound, pjBevel, pjMiter };

struct TPen {
    TColor Color = clBlack;
    int Width = 1;               // pixels of the canvas; 0 draws like 1
    TPenStyle Style = psSolid;
    TPenMode Mode = pmCopy;
    TPenCap Cap = pcRound;
    TPenJoin Join = pjRound;
};

enum TBrushStyle { bsSolid, bsClear, bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal, bsCross, bsDiagCross };

struct TBrush {
    TColor Color = clWhite;
    TBrushStyle Style = bsSolid;
};

// Fonts are chosen through fontconfig by Name (empty: the platform's default
// sans-serif face, which falls back to a Japanese Gothic face for Japanese
// text). Height follows the toolkit: negative is the character height in
// pixels, positive the cell height; Size() is points at 96 dots per inch.
struct TFont {
    std::string Name;
    int Height = -11;            // 8 points
    TColor Color = clBlack;
    bool Bold = false;
    bool Italic = false;
    bool Underline = false;
    bool StrikeOut = false;
    int Orientation = 0;         // tenths of a degree, counter-clockwise
    int Width = 0;               // average character width in pixels; 0: the face's own

    int Size() const { return Height < 0 ? (-Height * 72 + 48) / 96 : (Height * 72 + 48) / 96; }
    void SetSize(int points) { Height = -((points * 96 + 36) / 72); }
};

} // namespace pictor
