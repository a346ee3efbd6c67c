// TBitmapCanvas: the canvas of a TBitmap. cairo decides which pixels a shape,
// line or glyph covers; our own code then writes those pixels in the
// bitmap's own format with the pen's (or brush's) raster operation, so that a
// not-xor pen inverts pixel values in every format and a second drawing
// restores them exactly. Lines and shapes are not antialiased.
#pragma once

#include "gfx/Canvas.h"

#include <memory>

namespace pictor {

class TBitmap;

class TBitmapCanvas : public TCanvas {
public:
    explicit TBitmapCanvas(TBitmap& bitmap);
    ~TBitmapCanvas() override;

    int Width() const override;
    int Height() const override;

    void FillPath(const TPath& path, TFillRule rule, const TBrush& brush, TPenMode mode) override;
    void StrokePath(const TPath& path, const TPen& pen, double width) override;
    void DrawTextRun(const TTextRun& run) override;
    void DrawBitmap(const TBitmap& bitmap, const TRect& srcRect, double destLeft, double destTop,
                    double destWidth, double destHeight, std::uint32_t rop) override;
    TPointF MeasureText(const std::string& text, const TFont& font) override;

    void SaveClip() override;
    void RestoreClip() override;
    void IntersectClip(const TPath& path, TFillRule rule) override;
    void ResetClip() override;

    TBitmap* TargetBitmap() override { return &FBitmap; }

    struct TState;

private:
    TBitmap& FBitmap;
    std::unique_ptr<TState> FState;
};

} // namespace pictor
