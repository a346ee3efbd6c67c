// THistogramHost: what the histogram window needs of the main window, which
// implements it. Through it the window reads and writes its placement in the
// main window's settings store, takes the trimming rectangle out of the
// picture while it counts, draws the histogram of the main window's image
// control, and keeps the main window's menu item H1 ticked while it is
// shown.
#pragma once

namespace pictor {

class TKestrelImage;
class TParameter;

class THistogramHost {
public:
    virtual ~THistogramHost() = default;

    // The settings store ("HLeft", "HTop", "HWidth", "HHeight",
    // "HWindowState").
    virtual TParameter& Parameter1() = 0;
    // The image control whose picture the histogram counts.
    virtual TKestrelImage& KestrelImage1() = 0;
    // Whether the trimming rectangle is shown in the picture (menu item A1
    // ticked).
    virtual bool A1Checked() const = 0;
    // Draws the trimming rectangle once by inverting the pixels under it: the
    // first call takes a shown rectangle out, the second puts it back.
    virtual void DrawTrimRect() = 0;
    // Ticks or unticks the menu item H1 ("ヒストグラム(&H)").
    virtual void SetH1Checked(bool Checked) = 0;

protected:
    THistogramHost() = default;
    THistogramHost(const THistogramHost&) = default;
    THistogramHost& operator=(const THistogramHost&) = default;
};

} // namespace pictor
