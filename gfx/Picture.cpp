#include "gfx/Picture.h"

#include "core/Exception.h"
#include "core/FilePath.h"
#include "gfx/Bitmap.h"

namespace pictor {

void TPicture::SetGraphic(const TGraphic* graphic)
{
    // Copy first: if copying fails the picture keeps what it holds.
    std::unique_ptr<TGraphic> copy = graphic ? graphic->Clone() : nullptr;
    Attach(std::move(copy));
}

void TPicture::SetGraphic(std::unique_ptr<TGraphic> graphic)
{
    Attach(std::move(graphic));
}

void TPicture::Attach(std::unique_ptr<TGraphic> graphic)
{
    if (graphic) graphic->OnChange = [this](TGraphic&) { Changed(); };
    std::unique_ptr<TGraphic> previous = std::move(FGraphic);
    FGraphic = std::move(graphic);
    if (previous) previous->OnChange = nullptr;
    previous.reset();
    Changed();
}

void TPicture::Changed()
{
    if (OnChange) OnChange();
}

TBitmap& TPicture::Bitmap()
{
    if (!dynamic_cast<TBitmap*>(FGraphic.get())) Attach(std::make_unique<TBitmap>());
    return static_cast<TBitmap&>(*FGraphic);
}

int TPicture::Width() const
{
    return FGraphic ? FGraphic->Width() : 0;
}

int TPicture::Height() const
{
    return FGraphic ? FGraphic->Height() : 0;
}

void TPicture::LoadFromFile(const std::string& fileName)
{
    const std::string extension = ExtensionOf(fileName);
    std::unique_ptr<TGraphic> graphic = CreateForExtension(extension);
    if (!graphic) throw EInvalidGraphic::WithMessage("拡張子 ." + extension + " の画像形式は処理できません");
    graphic->LoadFromFile(fileName);
    Attach(std::move(graphic));
}

void TPicture::SaveToFile(const std::string& fileName) const
{
    if (FGraphic) FGraphic->SaveToFile(fileName);
}


} // namespace pictor
