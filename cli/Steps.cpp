// Running the steps on the image control. Each step calls the operation the
// window's command calls and watches OnAmended to learn whether it ran.
#include "cli/Steps.h"

#include "core/Exception.h"
#include "core/Text.h"
#include "gfx/Bitmap.h"
#include "gfx/Metafile.h"
#include "gfx/Picture.h"
#include "image/KestrelImg.h"

namespace pictor::cli {

namespace {

// Whether a picture of this type must become a bitmap before the step: the
// histogram counts any picture; trimming and the scale OK button take a
// metafile as it is; everything else works on bitmaps.
bool NeedsBitmap(TStepKind kind, TPictureType type)
{
    if (type != picMetafile && type != picIcon) return false;
    switch (kind) {
    case TStepKind::Histogram: return false;
    case TStepKind::Scale:
    case TStepKind::Trim: return type == picIcon;
    default: return true;
    }
}

// The scale OK button on a metafile: a new metafile of the displayed size
// with the old one drawn stretched into it. Not an operation of the control.
void ScaleMetafile(TKestrelImage& image, const TScaledSize& size)
{
    const auto& source = dynamic_cast<const TMetafile&>(*image.Picture().Graphic());
    auto scaled = std::make_unique<TMetafile>();
    scaled->SetWidth(size.Width);
    scaled->SetHeight(size.Height);
    {
        TMetafileCanvas canvas(*scaled);
        canvas.StretchDraw(Rect(0, 0, size.Width, size.Height), source);
    }
    scaled->SetInch(1);
    image.Picture().SetGraphic(std::move(scaled));
}

// The scale OK button: Enlarge above 100 %, Shrink otherwise, to the
// displayed size; false when it does not run (see RefusalReason).
bool Scale(TKestrelImage& image, int percent, bool& amended)
{
    const TGraphic& graphic = *image.Picture().Graphic();
    const TScaledSize size = ScaledSize(graphic.Width(), graphic.Height(), percent);
    if (percent == 100 || size.Width < 1 || size.Height < 1) return false;
    if (image.GetPictureType() == picMetafile) {
        ScaleMetafile(image, size);
        return true;
    }
    if (percent > 100)
        image.Enlarge(size.Width, size.Height);
    else
        image.Shrink(size.Width, size.Height);
    return amended;
}

// The last item of the reduction menu: the graphics layer's conversion to 8
// bits per pixel onto the halftone palette.
bool Halftone(TKestrelImage& image)
{
    auto& bitmap = dynamic_cast<TBitmap&>(*image.Picture().Graphic());
    if (bitmap.PixelFormat() == pf8bit) return false;
    bitmap.SetPixelFormat(pf8bit);
    image.Invalidate();
    return true;
}

void Histogram(TKestrelImage& image, const TStep& step, std::vector<TPendingFile>& pending)
{
    std::unique_ptr<TGraphic> target;
    if (AsciiLower(TPicture::ExtensionOf(step.File)) == "bmp")
        target = std::make_unique<TBitmap>();
    else
        target = std::make_unique<TMetafile>();
    image.DrawHistogram(*target, 2, 2, 0);
    pending.push_back(TPendingFile{step.File, std::move(target)});
}

// Sets the flag when the control's operation completes, for as long as it
// lives.
class TAmendedWatch {
public:
    TAmendedWatch(TKestrelImage& image, bool& amended) : image_(image)
    {
        image_.OnAmended = [&amended](TKestrelImage&, const std::string&) { amended = true; };
    }
    ~TAmendedWatch() { image_.OnAmended = nullptr; }
    TAmendedWatch(const TAmendedWatch&) = delete;
    TAmendedWatch& operator=(const TAmendedWatch&) = delete;

private:
    TKestrelImage& image_;
};

// Runs the step; false when it was refused.
bool Run(TKestrelImage& image, const TStep& step, std::vector<TPendingFile>& pending, bool& amended)
{
    switch (step.Kind) {
    case TStepKind::Bright: image.Bright(step.Value); break;
    case TStepKind::Contrast: image.Contrast(step.Value, step.Pivot); break;
    case TStepKind::Gamma: image.Gamma(step.Gamma); break;
    case TStepKind::Enlarge: image.Enlarge(step.Width, step.Height); break;
    case TStepKind::Shrink: image.Shrink(step.Width, step.Height); break;
    case TStepKind::Scale: return Scale(image, step.Value, amended);
    case TStepKind::Turn: image.Turn(step.Value); break;
    case TStepKind::Mirror: image.Reverse(); break;
    case TStepKind::Trim: image.Trimming(step.Area, true); break;
    case TStepKind::Reduce: image.ReduceColors(step.Mode, step.Colors); break;
    case TStepKind::Halftone: return Halftone(image);
    case TStepKind::Histogram: Histogram(image, step, pending); return true;
    }
    return amended;
}

} // namespace

void RunStep(TKestrelImage& image, const TStep& step, std::vector<TPendingFile>& pending)
{
    // Rendered at (0, 0) into a white bitmap of the picture's size.
    if (NeedsBitmap(step.Kind, image.GetPictureType())) image.SetPictureType(picBitmap);

    bool amended = false;
    const TAmendedWatch watch(image, amended);
    if (!Run(image, step, pending, amended)) throw EStepRefused(RefusalReason(image, step));
}

} // namespace pictor::cli
