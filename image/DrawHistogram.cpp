// TKestrelImage::DrawHistogram: the histogram of the picture's blue, green
// and red channels, drawn into a bitmap or recorded into a metafile.
//
// Accepts a Target that is a TBitmap or a TMetafile (or a descendant),
// Scale 1 to 5 (the picture is 286 by 175 times Scale pixels), Shift 0 to 3
// (256 >> Shift bins per channel) and Ceiling 0 to 100 (the percentage at
// the top of the plot; 0 for one chosen from the picture). Anything else
// leaves Target untouched. The control's picture is only read.
#include "image/KestrelImg.h"

#include "gfx/Bitmap.h"
#include "gfx/Metafile.h"
#include "image/HistogramData.h"
#include "image/HistogramDrawing.h"
#include "image/LevelCountMemo.h"

namespace pictor {

namespace {

// The picture's pixels counted by channel: a bitmap as it is (or as counted
// before, when its pixels are unchanged since), any other graphic rendered at
// its own size into a temporary bitmap first.
THistogramCounts CountPicture(const TGraphic& Graphic, int Shift, TLevelCountMemo& Memo)
{
    if (const auto* bitmap = dynamic_cast<const TBitmap*>(&Graphic)) {
        const std::int64_t pixels = static_cast<std::int64_t>(bitmap->Width()) * bitmap->Height();
        if (const TLevelCounts* known = Memo.Find(bitmap->PixelsVersion())) return BinLevels(*known, Shift, pixels);
        const TLevelCounts levels = CountLevels(*bitmap);
        Memo.Keep(bitmap->PixelsVersion(), levels);
        return BinLevels(levels, Shift, pixels);
    }
    TBitmap rendering;
    rendering.SetSize(Graphic.Width(), Graphic.Height());
    if (!rendering.Empty()) rendering.Canvas().Draw(0, 0, Graphic);
    return CountChannels(rendering, Shift);
}

} // namespace

void TKestrelImage::DrawHistogram(TGraphic& Target, int Scale, int Shift, int Ceiling)
{
    auto* bitmapTarget = dynamic_cast<TBitmap*>(&Target);
    auto* metafileTarget = dynamic_cast<TMetafile*>(&Target);
    if (bitmapTarget == nullptr && metafileTarget == nullptr) return;
    if (Scale < 1 || Scale > 5 || Shift < 0 || Shift > 3 || Ceiling < 0 || Ceiling > 100) return;

    // Counted before Target is touched, so a failure leaves it as it was.
    const TGraphic* graphic = Picture().Graphic();
    const THistogramPlot plot =
        graphic != nullptr ? PlotOf(CountPicture(*graphic, Shift, *FLevelCounts), Ceiling) : EmptyPlot(Shift);

    const int width = kHistogramUnitsWide * Scale;
    const int height = kHistogramUnitsHigh * Scale;
    if (bitmapTarget != nullptr) {
        bitmapTarget->SetSize(width, height);
        DrawHistogramPicture(bitmapTarget->Canvas(), plot, Scale);
        return;
    }

    metafileTarget->SetWidth(width);
    metafileTarget->SetHeight(height);
    {
        // The recording is complete when the canvas goes.
        TMetafileCanvas canvas(*metafileTarget);
        DrawHistogramPicture(canvas, plot, Scale);
    }
    metafileTarget->SetInch(1);
}

} // namespace pictor
