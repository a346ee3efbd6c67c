#include "image/MetafileRecording.h"

#include "core/Exception.h"
#include "gfx/Bitmap.h"
#include "gfx/Metafile.h"
#include "image/KestrelImgSupport.h"
#include "image/PixelMove.h"
#include "image/TrimmingPlan.h"

namespace pictor {

std::unique_ptr<TMetafile> RecordBitmap(const TBitmap& Bitmap, int Width, int Height)
{
    auto metafile = std::make_unique<TMetafile>();
    metafile->SetWidth(Width);
    metafile->SetHeight(Height);
    {
        TMetafileCanvas canvas(*metafile); // the recording completes when it goes
        canvas.Draw(0, 0, Bitmap);
    }
    metafile->SetInch(1);
    return metafile;
}

std::unique_ptr<TMetafile> CroppedMetafile(const TMetafile& Source, const TTrimmingPlan& Plan)
{
    auto metafile = std::make_unique<TMetafile>();
    metafile->SetWidth(Plan.CropWidth());
    metafile->SetHeight(Plan.CropHeight());
    metafile->SetPalette(Source.Palette());
    {
        TMetafileCanvas canvas(*metafile);
        TBitmap crop;
        crop.SetSize(Plan.CropWidth(), Plan.CropHeight());
        {
            TBitmap full;
            full.SetSize(Source.Width(), Source.Height());
            full.Canvas().Draw(0, 0, Source);
            CopyBitmapArea(full, Plan.Source, crop);
        }
        canvas.Draw(0, 0, crop);
    }
    metafile->SetInch(1);
    return metafile;
}

} // namespace pictor
