// What a TMetafile holds, shared between copies (a change makes a private
// copy first), and the reference device that metafiles are recorded for.
#pragma once

#include "gfx/Metafile.h"
#include "gfx/Palette.h"
#include "gfx/Types.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace pictor {

// The reference device "the screen": 1920 by 1440 pixels at 96 dots per inch,
// which is exactly 508 by 381 millimetres, so that pixels and hundredths of a
// millimetre convert both ways without drift.
inline constexpr int kScreenWidthPx = 1920;
inline constexpr int kScreenHeightPx = 1440;
inline constexpr int kScreenWidthMM = 508;
inline constexpr int kScreenHeightMM = 381;
inline constexpr int kScreenDpi = 96;
inline constexpr int kHundredthMMPerInch = 2540;

// Limits of what a metafile may hold; a file beyond them is refused.
inline constexpr std::size_t kMaxMetafileBytes = std::size_t(256) << 20; // 256 MiB
inline constexpr std::size_t kMaxMetafileRecords = std::size_t(1) << 22; // 4,194,304
// Largest width or height in pixels a metafile may be given.
inline constexpr int kMaxMetafileSide = 1 << 20;

// a * b / c rounded to nearest (halves away from zero), in 64 bits; 0 when c is 0.
inline int MulDiv(std::int64_t a, std::int64_t b, std::int64_t c)
{
    if (c == 0) return 0;
    std::int64_t p = a * b;
    bool negative = (p < 0) != (c < 0);
    std::int64_t ap = p < 0 ? -p : p;
    std::int64_t ac = c < 0 ? -c : c;
    std::int64_t q = (ap + ac / 2) / ac;
    return static_cast<int>(negative ? -q : q);
}

// A reference device: its size in pixels and in millimetres.
struct TReferenceDevice {
    int PixelsX = kScreenWidthPx;
    int PixelsY = kScreenHeightPx;
    int MillimetersX = kScreenWidthMM;
    int MillimetersY = kScreenHeightMM;

    // Hundredths of a millimetre to pixels of this device, and back.
    int PixelsFromHundredthMMX(int v) const { return MulDiv(v, PixelsX, std::int64_t(MillimetersX) * 100); }
    int PixelsFromHundredthMMY(int v) const { return MulDiv(v, PixelsY, std::int64_t(MillimetersY) * 100); }
    int HundredthMMFromPixelsX(int v) const { return MulDiv(v, std::int64_t(MillimetersX) * 100, PixelsX); }
    int HundredthMMFromPixelsY(int v) const { return MulDiv(v, std::int64_t(MillimetersY) * 100, PixelsY); }
};

struct TMetafile::TData {
    // true: Stream is an enhanced metafile from its header record to its end
    // record. false: Stream is an old-style metafile from its 18-byte header
    // to its end record, without a placeable header.
    bool Enhanced = true;
    std::shared_ptr<const std::vector<std::uint8_t>> Stream; // null: no records

    // The physical frame in 0.01 mm and its top-left corner.
    int MMWidth = 0;
    int MMHeight = 0;
    int FrameLeft = 0;
    int FrameTop = 0;
    int Inch = 0;
    TPalette Palette;

    // Enhanced: the device the records were made for.
    TReferenceDevice Device;

    // Old-style: the bounding box in logical units that the picture occupies
    // and the file's own units per inch.
    TRect Box;
    int BoxInch = 0;
};

} // namespace pictor
