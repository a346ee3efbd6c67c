// Helpers the replacing operations of TKestrelImage share: a new
// bitmap in the layout of another, and the control's flags kept while a
// picture is replaced.
#pragma once

#include "gfx/BitmapRows.h"
#include "gfx/Types.h"
#include "image/PixelMove.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace pictor {

class TBitmap;
class TImage;

// A new bitmap given, in this order, Source's pixel format (a custom format
// raises EInvalidGraphic), Width, Height and a copy of Source's palette.
std::unique_ptr<TBitmap> NewBitmapLike(const TBitmap& Source, int Width, int Height);

// Copies the Area (Right and Bottom exclusive) of Source pixel for pixel to
// the top-left of Target, which has the same depth.
void CopyBitmapArea(const TBitmap& Source, const TRect& Area, TBitmap& Target);

// Moves Source's pixels into Target, which has the same depth and the size
// the mapping gives.
void MoveBitmapPixels(const TBitmap& Source, TPixelMapping Mapping, TBitmap& Target);

// Remembers the control's AutoSize, Stretch, Width and Height and switches
// AutoSize off, then Stretch, so that a new picture neither resizes nor is
// shown stretched while an operation sets the control's size itself.
class TControlLayoutKeeper {
public:
    explicit TControlLayoutKeeper(TImage& Control);
    TControlLayoutKeeper(const TControlLayoutKeeper&) = delete;
    TControlLayoutKeeper& operator=(const TControlLayoutKeeper&) = delete;

    int Width() const { return FWidth; }
    int Height() const { return FHeight; }

    // Sets Stretch back, then AutoSize.
    void RestoreFlags();
    // After a failure: the size, then the flags, as they were.
    void RestoreAll();

private:
    TImage& FControl;
    bool FAutoSize;
    bool FStretch;
    int FWidth;
    int FHeight;
};

} // namespace pictor
