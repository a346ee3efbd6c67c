// Trimming: crops a bitmap picture (in its own format and palette) or a
// metafile picture (rendered, cropped and recorded again as a metafile that
// holds one bitmap) to a rectangle, and gives the control the size the
// rectangle had on screen.
#include "image/KestrelImg.h"

#include "gfx/Bitmap.h"
#include "gfx/Metafile.h"
#include "image/KestrelImgSupport.h"
#include "image/MetafileRecording.h"
#include "image/TrimmingPlan.h"

namespace pictor {

namespace {

// The new bitmap: the source's format, palette and pixels of the area.
std::unique_ptr<TBitmap> CroppedBitmap(TBitmap& Source, const TTrimmingPlan& Plan)
{
    Source.SetHandleType(bmDIB);
    std::unique_ptr<TBitmap> bitmap = NewBitmapLike(Source, Plan.CropWidth(), Plan.CropHeight());
    CopyBitmapArea(Source, Plan.Source, *bitmap);
    return bitmap;
}

} // namespace

TTrimmingPlan TKestrelImage::TrimmingPlanOf(const TRect& ARect, bool PictureCoords) const
{
    const TGraphic& graphic = *Picture().Graphic();
    return PlanTrimming(ARect, PictureCoords, !AutoSize() && Stretch(), Width(), Height(), graphic.Width(),
                        graphic.Height());
}

TRefusal TKestrelImage::TrimmingRefusal(const TRect& ARect, bool PictureCoords) const
{
    if (const TRefusal type = PictureTypeRefusal(true); type != TRefusal::None) return type;
    return TrimmingPlanOf(ARect, PictureCoords).Refusal;
}

void TKestrelImage::Trimming(const TRect& ARect, bool PictureCoords)
{
    BeginOperation("Trimming");
    if (TrimmingRefusal(ARect, PictureCoords) != TRefusal::None) return;
    const TTrimmingPlan plan = TrimmingPlanOf(ARect, PictureCoords);
    const TPictureType type = GetPictureType();
    TGraphic& graphic = *Picture().Graphic();

    TControlLayoutKeeper layout(*this);
    try {
        std::unique_ptr<TGraphic> cropped;
        if (type == picBitmap)
            cropped = CroppedBitmap(dynamic_cast<TBitmap&>(graphic), plan);
        else
            cropped = CroppedMetafile(dynamic_cast<const TMetafile&>(graphic), plan);
        SetWidth(plan.ControlWidth);
        SetHeight(plan.ControlHeight);
        Picture().SetGraphic(std::move(cropped));
    } catch (...) {
        // Nothing of the picture changed: the control gets its size and
        // flags back.
        layout.RestoreAll();
        throw;
    }
    layout.RestoreFlags();
    DoAmended();
}

} // namespace pictor
