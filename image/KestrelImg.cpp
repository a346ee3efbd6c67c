// TKestrelImage core: the amend events, the operation frame's helpers and
// the picture type with its conversions.
#include "image/KestrelImg.h"

#include "gfx/Bitmap.h"
#include "gfx/Icon.h"
#include "gfx/Metafile.h"
#include "image/LevelCountMemo.h"
#include "image/MetafileRecording.h"

namespace pictor {

TKestrelImage::TKestrelImage() : FLevelCounts(std::make_unique<TLevelCountMemo>()) {}
TKestrelImage::~TKestrelImage() = default;

void TKestrelImage::DoAmend()
{
    if (!OnAmend) return;
    // Copies, so that a handler may reassign the event or start another
    // operation while it runs.
    TNotifyAmendEvent handler = OnAmend;
    const std::string kind = FKind;
    handler(*this, kind);
}

void TKestrelImage::DoAmended()
{
    if (!OnAmended) return;
    TNotifyAmendEvent handler = OnAmended;
    const std::string kind = FKind;
    handler(*this, kind);
}

void TKestrelImage::BeginOperation(const char* Kind)
{
    FKind = Kind;
    DoAmend();
}

TBitmap* TKestrelImage::PictureBitmap() const
{
    return dynamic_cast<TBitmap*>(Picture().Graphic());
}

TBitmap* TKestrelImage::DeviceIndependentBitmap(int MinBits) const
{
    TBitmap* bitmap = PictureBitmap();
    if (bitmap == nullptr) return nullptr;
    bitmap->SetHandleType(bmDIB);
    return bitmap->BitsPerPixel() >= MinBits ? bitmap : nullptr;
}

TPictureType TKestrelImage::GetPictureType() const
{
    const TGraphic* graphic = Picture().Graphic();
    if (graphic == nullptr) return picNil;
    if (dynamic_cast<const TBitmap*>(graphic) != nullptr) return picBitmap;
    if (dynamic_cast<const TMetafile*>(graphic) != nullptr) return picMetafile;
    if (dynamic_cast<const TIcon*>(graphic) != nullptr) return picIcon;
    return picUnknown;
}

void TKestrelImage::SetPictureType(TPictureType Value)
{
    const TPictureType current = GetPictureType();
    if (Value == current) return;
    if (Value == picIcon || Value == picUnknown) return;
    if (Value == picNil) {
        Picture().SetGraphic(static_cast<const TGraphic*>(nullptr));
        return;
    }

    // The picture as a bitmap: a copy of a bitmap, another graphic rendered
    // at its own size, or empty for an empty picture.
    const int width = Picture().Width();
    const int height = Picture().Height();
    TBitmap work;
    if (current == picBitmap) {
        work.Assign(*Picture().Graphic());
    } else if (current != picNil) {
        work.SetSize(width, height);
        work.Canvas().Draw(0, 0, *Picture().Graphic());
    }

    if (Value == picBitmap) {
        Picture().SetGraphic(&work);
        return;
    }

    // picMetafile: the bitmap recorded at (0, 0) into a metafile of the size
    // of the graphic it replaces.
    Picture().SetGraphic(RecordBitmap(work, width, height));
}

} // namespace pictor
