// A canvas without a bitmap whose primitives draw nothing, for tests that
// log or refuse what a canvas is asked to do: a test overrides only the calls
// it watches.
#pragma once

#include "gfx/Canvas.h"

#include <cstdint>
#include <string>

namespace pictor::testing {

class TInertCanvas : public TCanvas {
public:
    explicit TInertCanvas(int width = 0, int height = 0) : FWidth(width), FHeight(height) {}

    int Width() const override { return FWidth; }
    int Height() const override { return FHeight; }
    void FillPath(const TPath&, TFillRule, const TBrush&, TPenMode) override {}
    void StrokePath(const TPath&, const TPen&, double) override {}
    void DrawTextRun(const TTextRun&) override {}
    void DrawBitmap(const TBitmap&, const TRect&, double, double, double, double, std::uint32_t) override {}
    TPointF MeasureText(const std::string&, const TFont&) override { return {}; }
    void SaveClip() override {}
    void RestoreClip() override {}
    void IntersectClip(const TPath&, TFillRule) override {}
    void ResetClip() override {}

private:
    int FWidth;
    int FHeight;
};

} // namespace pictor::testing
