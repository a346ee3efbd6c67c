#include "cli/PictureFiles.h"

#include "cli/Options.h"

#include "core/Exception.h"
#include "core/Text.h"
#include "gfx/Bitmap.h"
#include "gfx/Canvas.h"
#include "gfx/GIFImage.h"
#include "gfx/Icon.h"
#include "gfx/JPEGImage.h"
#include "gfx/Metafile.h"
#include "gfx/PngImage.h"
#include "image/KestrelImg.h"
#include "image/MetafileRecording.h"

namespace pictor::cli {

void LoadPicture(TKestrelImage& image, const std::string& fileName)
{
    image.Picture().LoadFromFile(fileName);
    TGraphic* graphic = image.Picture().Graphic();
    if (auto* metafile = dynamic_cast<TMetafile*>(graphic)) {
        metafile->SetInch(1);
    } else if (dynamic_cast<TJPEGImage*>(graphic) != nullptr) {
        auto bitmap = std::make_unique<TBitmap>();
        bitmap->Assign(*graphic);
        image.Picture().SetGraphic(std::move(bitmap));
    }
}

std::unique_ptr<TBitmap> BaseBitmapOf(const TGraphic& graphic)
{
    auto bitmap = std::make_unique<TBitmap>();
    if (dynamic_cast<const TBitmap*>(&graphic) != nullptr) {
        bitmap->Assign(graphic);
    } else {
        bitmap->SetSize(graphic.Width(), graphic.Height());
        bitmap->Canvas().Draw(0, 0, graphic);
    }
    return bitmap;
}

std::unique_ptr<TGraphic> GraphicToSave(const TKestrelImage& image, const std::string& fileName)
{
    const TGraphic* graphic = image.Picture().Graphic();
    if (graphic == nullptr) throw EInvalidOperation("there is no picture to write");
    const std::string ext = AsciiLower(TPicture::ExtensionOf(fileName));

    if (ext == "bmp") return BaseBitmapOf(*graphic);
    if (ext == "jpg" || ext == "jpeg") {
        auto jpeg = std::make_unique<TJPEGImage>();
        jpeg->Assign(*BaseBitmapOf(*graphic));
        return jpeg;
    }
    if (ext == "gif") {
        std::unique_ptr<TBitmap> bitmap = BaseBitmapOf(*graphic);
        if (bitmap->BitsPerPixel() > 8)
            throw EInvalidOperation("a .gif file holds at most 256 colours and this picture has " +
                                    std::to_string(bitmap->BitsPerPixel()) +
                                    " bits per pixel: reduce its colours first (--reduce)");
        auto gif = std::make_unique<TGIFImage>();
        gif->Assign(*bitmap);
        return gif;
    }
    if (ext == "emf" || ext == "wmf") {
        if (dynamic_cast<const TMetafile*>(graphic) != nullptr) return graphic->Clone();
        const std::unique_ptr<TBitmap> bitmap = BaseBitmapOf(*graphic);
        return RecordBitmap(*bitmap, bitmap->Width(), bitmap->Height());
    }
    if (ext == "png") {
        auto png = std::make_unique<TPngImage>();
        png->Assign(*BaseBitmapOf(*graphic));
        return png;
    }
    if (ext == "ico") {
        if (dynamic_cast<const TIcon*>(graphic) != nullptr) return graphic->Clone();
        throw EInvalidOperation("an .ico file can only be written from an icon picture, and this one is " +
                                std::string(image.GetPictureType() == picMetafile ? "a metafile" : "a bitmap"));
    }
    throw EInvalidOperation(UnwritableExtensionMessage(ext));
}

} // namespace pictor::cli
