// The histogram picture drawn on a canvas: the button-face background, the
// three curves (blue, green, red), then the frame, ticks and labels over
// them.
//
// The layout is a grid of 286 by 175 units, a unit being Scale pixels. The
// plot runs from x = 15 to 271 and from y = 159 (0 %) up to 9 (the ceiling);
// the two upright axes end 10 pixels (not units) from the top.
#pragma once

namespace pictor {

class TCanvas;
struct THistogramPlot;

inline constexpr int kHistogramUnitsWide = 286;
inline constexpr int kHistogramUnitsHigh = 175;

// The histogram window's picture (TKestrelImage::DrawHistogram's Scale, Shift
// and Ceiling), which pictor-cli's --histogram writes too: 572 by 350 pixels,
// 64 bins a channel, the ceiling chosen from the picture.
inline constexpr int kWindowHistogramScale = 2;
inline constexpr int kWindowHistogramShift = 2;
inline constexpr int kWindowHistogramCeiling = 0;

// Draws Plot at Scale (1 to 5) over the canvas's top-left 286 by 175 units.
// The canvas's pen, brush and font are set here (a 1-pixel solid copy pen,
// the default font at Scale times 8 points); what they were before does not
// matter.
void DrawHistogramPicture(TCanvas& Canvas, const THistogramPlot& Plot, int Scale);

} // namespace pictor
