// Rendering shared by the fuzz targets: the same path the program takes when
// it shows a picture (own size) and when it scales one (stretched).
#include "fuzz/FuzzTarget.h"

#include "gfx/Bitmap.h"
#include "gfx/Canvas.h"

namespace pictor::fuzz {

void Render(const TGraphic& graphic)
{
    const int w = std::clamp(graphic.Width(), 1, kRenderSide);
    const int h = std::clamp(graphic.Height(), 1, kRenderSide);
    TBitmap target;
    target.SetPixelFormat(pf24bit);
    target.SetSize(w, h);
    graphic.Draw(target.Canvas(), Rect(0, 0, w, h));

    TBitmap small;
    small.SetSize(7, 5);
    graphic.Draw(small.Canvas(), Rect(-2, -1, 9, 13));
}

} // namespace pictor::fuzz
