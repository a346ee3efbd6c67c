// The histogram window TForm2 and THistogramHost as the main window sees
// them. Where the histogram unit does not provide its window yet, a stand-in
// that the program never creates keeps the main window building: the program
// then runs without a histogram window (H1 does nothing, the histogram
// window's placement keys keep the form description's values).
#pragma once

#if __has_include("histogram/Histgram.h")

#include "histogram/Histgram.h"
#include "histogram/HistogramHost.h"

namespace pictor {
inline constexpr bool kHistogramWindowAvailable = true;
}

#else

#include "gfx/Image.h"

#include <QWidget>

namespace pictor {

inline constexpr bool kHistogramWindowAvailable = false;

class TKestrelImage;
class TParameter;

class THistogramHost {
public:
    virtual ~THistogramHost() = default;
    virtual TParameter& Parameter1() = 0;
    virtual TKestrelImage& KestrelImage1() = 0;
    virtual bool A1Checked() const = 0;
    virtual void DrawTrimRect() = 0;
    virtual void SetH1Checked(bool Checked) = 0;

protected:
    THistogramHost() = default;
    THistogramHost(const THistogramHost&) = default;
    THistogramHost& operator=(const THistogramHost&) = default;
};

class TForm2 : public QWidget {
public:
    explicit TForm2(THistogramHost&, QWidget* Parent = nullptr) : QWidget(Parent) {}
    TImage Image1;
    void DrawPicture() {}
    int Left() const { return 694; }
    int Top() const { return 496; }
    int Width() const { return 294; }
    int Height() const { return 209; }
    void SetLeft(int) {}
    void SetTop(int) {}
    void SetWidth(int) {}
    void SetHeight(int) {}
    int WindowState() const { return 0; }
    void SetWindowState(int) {}
};

} // namespace pictor

#endif
