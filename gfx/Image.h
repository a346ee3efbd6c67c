// TImage: the model of the picture control. It holds a TPicture, a size in
// screen pixels, Stretch and AutoSize, and tells a view when to repaint.
#pragma once

#include "gfx/Picture.h"

#include <functional>

namespace pictor {

class TCanvas;
class TBitmap;

class TImage {
public:
    TImage();
    virtual ~TImage();
    TImage(const TImage&) = delete;
    TImage& operator=(const TImage&) = delete;

    TPicture& Picture() { return FPicture; }
    const TPicture& Picture() const { return FPicture; }

    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    void SetWidth(int value);
    void SetHeight(int value);
    void SetBounds(int width, int height);

    bool Stretch() const { return FStretch; }
    void SetStretch(bool value);
    // When on and the picture is at least 1 by 1, every picture change sizes
    // the control to the picture.
    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool value);

    // The bitmap's canvas. An empty picture first receives a new bitmap of the
    // control's size; any other graphic raises EInvalidOperation
    // "ビットマップを持っている時のみイメージの変更が可能です".
    TCanvas& Canvas();

    // Asks the view to repaint (also done on every picture change and on
    // Stretch changes).
    void Invalidate();

    // Renders the control as it is shown into target (resized to the
    // control's size, display form): the picture stretched to the whole
    // control when Stretch is on (enlarged by nearest pixel, shrunk by
    // averaging: gfx/DisplayStretch.h), else at its own size from the
    // top-left; uncovered parts take background. For the display only.
    void RenderTo(TBitmap& target, TColor background = clBtnFace) const;
    // Renders only the part area of the control (in control pixels) into
    // target, resized to the area's size: pixel (x, y) of target is pixel
    // (area.Left + x, area.Top + y) of what RenderTo would give. A view uses
    // it to paint just the exposed tiles of a large control.
    void RenderAreaTo(TBitmap& target, const TRect& area, TColor background = clBtnFace) const;
    // True when RenderAreaTo may run on several threads at once, for
    // different targets: the picture is a bitmap (or there is none), read
    // only. Metafiles and icons draw through a canvas, on one thread.
    bool RendersOnAnyThread() const;

    // A view listens here.
    std::function<void()> OnRepaint;      // repaint the control
    std::function<void()> OnResize;       // the control's Width or Height changed

private:
    void PictureChanged();

    TPicture FPicture;
    int FWidth = 105;
    int FHeight = 105;
    bool FStretch = false;
    bool FAutoSize = false;
};

} // namespace pictor
