// Enlarge and Shrink: the picture resampled to a new pixel size through a
// 24-bit working copy (bilinear for enlarging, area averaging for
// shrinking) and given its former pixel format back.
#include "image/KestrelImg.h"

#include "core/Exception.h"
#include "gfx/Bitmap.h"
#include "image/KestrelImgSupport.h"
#include "image/Resample.h"

#include <vector>

namespace pictor {

namespace {

// The workers' frame: the 24-bit result of the target size and a 24-bit
// working copy of the source, with their row tables.
struct TResampleJob {
    std::unique_ptr<TBitmap> Result = std::make_unique<TBitmap>();
    TBitmap Work;
    std::vector<const std::uint8_t*> SourceRows;
    std::vector<std::uint8_t*> ResultRows;

    TResampleJob(const TBitmap& Source, int NewWidth, int NewHeight) : Work(Source)
    {
        Result->SetPixelFormat(pf24bit);
        Result->SetSize(NewWidth, NewHeight);
        Work.SetPixelFormat(pf24bit);
        SourceRows = ReadRows(Work);
        ResultRows = WriteRows(*Result);
    }
};

} // namespace

std::unique_ptr<TBitmap> TKestrelImage::EnlargeBitmap(const TBitmap& Source, int NewWidth, int NewHeight)
{
    const int width = Source.Width();
    const int height = Source.Height();
    PICTOR_ASSERT(width >= 1 && height >= 1);
    if (NewWidth == 0 || NewHeight == 0) throw EDivByZero();
    TResampleJob job(Source, NewWidth, NewHeight);
    EnlargeRows(job.SourceRows.data(), width, height, job.ResultRows.data(), NewWidth, NewHeight);
    return std::move(job.Result);
}

std::unique_ptr<TBitmap> TKestrelImage::ShrinkBitmap(const TBitmap& Source, int NewWidth, int NewHeight)
{
    const int width = Source.Width();
    const int height = Source.Height();
    PICTOR_ASSERT(width >= 1 && height >= 1);
    if (NewWidth == 0 || NewHeight == 0) throw EDivByZero();
    const float area = ShrinkArea(width, height, NewWidth, NewHeight);
    TResampleJob job(Source, NewWidth, NewHeight);
    ShrinkRows(job.SourceRows.data(), width, height, job.ResultRows.data(), NewWidth, NewHeight, area);
    return std::move(job.Result);
}

TRefusal TKestrelImage::EnlargeRefusal(int NewWidth, int NewHeight) const
{
    if (const TRefusal type = PictureTypeRefusal(); type != TRefusal::None) return type;
    const TBitmap& source = *PictureBitmap();
    if (NewWidth < source.Width() || NewHeight < source.Height()) return TRefusal::TargetSmaller;
    return TRefusal::None;
}

void TKestrelImage::Enlarge(int NewWidth, int NewHeight)
{
    BeginOperation("Enlarge");
    if (EnlargeRefusal(NewWidth, NewHeight) != TRefusal::None) return;
    const TBitmap& source = *PictureBitmap();
    const TPixelFormat format = source.PixelFormat();
    std::unique_ptr<TBitmap> result = EnlargeBitmap(source, NewWidth, NewHeight);
    if (format != pf24bit) result->SetPixelFormat(format);
    Picture().SetGraphic(std::move(result));
    DoAmended();
}

TRefusal TKestrelImage::ShrinkRefusal(int NewWidth, int NewHeight) const
{
    if (const TRefusal type = PictureTypeRefusal(); type != TRefusal::None) return type;
    const TBitmap& source = *PictureBitmap();
    if (NewWidth > source.Width() || NewHeight > source.Height()) return TRefusal::TargetLarger;
    // A negative size is refused like a size out of range.
    if (NewWidth < 0 || NewHeight < 0) return TRefusal::NegativeSize;
    return TRefusal::None;
}

void TKestrelImage::Shrink(int NewWidth, int NewHeight)
{
    BeginOperation("Shrink");
    if (ShrinkRefusal(NewWidth, NewHeight) != TRefusal::None) return;
    const TBitmap& source = *PictureBitmap();
    const TPixelFormat format = source.PixelFormat();
    std::unique_ptr<TBitmap> result = ShrinkBitmap(source, NewWidth, NewHeight);
    if (format != pf24bit) result->SetPixelFormat(format);
    Picture().SetGraphic(std::move(result));
    DoAmended();
}

} // namespace pictor
