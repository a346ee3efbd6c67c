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

    TPicture& Picture() { return picture_; }
    const TPicture& Picture() const { return picture_; }

    int Width() const { return width_; }
    int Height() const { return height_; }
    void SetWidth(int value);
    void SetHeight(int value);
    void SetBounds(int width, int height);

    bool Stretch() const { return stretch_; }
    void SetStretch(bool value);
    // When on and the picture is at least 1 by 1, every picture change sizes
    // the control to the picture.
    bool AutoSize() const { return autoSize_; }
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

    TPicture picture_;
    int width_ = 105;
    int height_ = 105;
    bool stretch_ = false;
    bool autoSize_ = false;
};

} // namespace pictor
