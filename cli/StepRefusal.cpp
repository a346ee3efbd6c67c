// Why a step would be refused: the guard function of the operation the step
// calls (TKestrelImage's), or for the scale OK button and the halftone
// conversion, which are the window's own commands, the guards written here;
// then the reason in words, with the step's values.
#include "cli/Steps.h"

#include "gfx/Bitmap.h"
#include "image/KestrelImg.h"

#include <climits>
#include <cstdint>
#include <sstream>

namespace pictor::cli {

namespace {

std::string SizeText(std::int64_t width, std::int64_t height)
{
    return std::to_string(width) + "x" + std::to_string(height);
}

std::string RectText(const TRect& r)
{
    return std::to_string(r.Left) + "," + std::to_string(r.Top) + "," + std::to_string(r.Right) + "," +
           std::to_string(r.Bottom);
}

std::string DecimalText(long double value)
{
    std::ostringstream text;
    text.imbue(std::locale::classic());
    text << static_cast<double>(value);
    return text.str();
}

// The picture type guard of the steps that are no operation of the control.
TRefusal TypeRefusal(const TKestrelImage& image, bool metafileToo)
{
    const TPictureType type = image.GetPictureType();
    if (type == picBitmap || (metafileToo && type == picMetafile)) return TRefusal::None;
    return type == picNil ? TRefusal::NoPicture : TRefusal::NotBitmap;
}

// The scale OK button: a bitmap or metafile, a scale other than 100 %, and
// a displayed size of at least one pixel each way.
TRefusal ScaleRefusal(const TKestrelImage& image, int percent)
{
    if (const TRefusal type = TypeRefusal(image, true); type != TRefusal::None) return type;
    if (percent == 100) return TRefusal::NoChange;
    const TGraphic& graphic = *image.Picture().Graphic();
    const TScaledSize size = ScaledSize(graphic.Width(), graphic.Height(), percent);
    return size.Width < 1 || size.Height < 1 ? TRefusal::TargetSmaller : TRefusal::None;
}

// The last item of the reduction menu: a bitmap not already at 8 bits.
TRefusal HalftoneRefusal(const TKestrelImage& image)
{
    if (const TRefusal type = TypeRefusal(image, false); type != TRefusal::None) return type;
    return dynamic_cast<const TBitmap&>(*image.Picture().Graphic()).PixelFormat() == pf8bit ? TRefusal::FewBits
                                                                                             : TRefusal::None;
}

TRefusal StepRefusal(const TKestrelImage& image, const TStep& step)
{
    switch (step.Kind) {
    case TStepKind::Bright: return image.BrightRefusal(step.Value);
    case TStepKind::Contrast: return image.ContrastRefusal(step.Value, step.Pivot);
    case TStepKind::Gamma: return image.GammaRefusal(step.Gamma);
    case TStepKind::Enlarge: return image.EnlargeRefusal(step.Width, step.Height);
    case TStepKind::Shrink: return image.ShrinkRefusal(step.Width, step.Height);
    case TStepKind::Scale: return ScaleRefusal(image, step.Value);
    case TStepKind::Turn: return image.TurnRefusal(step.Value);
    case TStepKind::Mirror: return image.ReverseRefusal();
    case TStepKind::Trim: return image.TrimmingRefusal(step.Area, true);
    case TStepKind::Reduce: return image.ReduceColorsRefusal(step.Mode, step.Colors);
    case TStepKind::Halftone: return HalftoneRefusal(image);
    case TStepKind::Histogram: break;
    }
    return TRefusal::None;
}

// The bits per pixel the tone guards read.
int BitsOf(const TKestrelImage& image)
{
    const auto* bitmap = dynamic_cast<const TBitmap*>(image.Picture().Graphic());
    return bitmap ? bitmap->BitsPerPixel() : 0;
}

std::string Words(TRefusal refusal, const TKestrelImage& image, const TStep& step)
{
    const TGraphic* graphic = image.Picture().Graphic();
    const std::string pictureSize = graphic ? SizeText(graphic->Width(), graphic->Height()) : std::string();
    const std::string value = std::to_string(step.Value);
    switch (refusal) {
    case TRefusal::None: return std::string();
    case TRefusal::NoPicture: return "there is no picture";
    case TRefusal::NotBitmap: return "the picture is not a bitmap";
    case TRefusal::NegativeValue:
        return std::string("a negative ") + (step.Kind == TStepKind::Bright ? "brightness" : "contrast") + " (" +
               value + " %) is not accepted";
    case TRefusal::NoChange:
        switch (step.Kind) {
        case TStepKind::Gamma: return "a gamma of 1 leaves the picture unchanged";
        case TStepKind::Turn: return "a turn by a multiple of 360 degrees leaves the picture unchanged";
        case TStepKind::Scale: return "a scale of 100 % leaves the picture unchanged";
        default: return "100 % leaves the picture unchanged";
        }
    case TRefusal::PivotOutOfRange: return "the pivot " + std::to_string(step.Pivot) + " is outside 0..255";
    case TRefusal::GammaOutOfRange: return "the gamma " + DecimalText(step.Gamma) + " is outside 0.1..10";
    case TRefusal::FewBits:
        if (step.Kind == TStepKind::Reduce) return "the picture has 8 bits per pixel or fewer";
        if (step.Kind == TStepKind::Halftone) return "the picture already has 8 bits per pixel";
        return "the picture has fewer than 8 bits per pixel (" + std::to_string(BitsOf(image)) + ")";
    case TRefusal::ModeOutOfRange: return "the method is no reduction mode";
    case TRefusal::ColorCount: return "the method does not reduce to " + std::to_string(step.Colors) + " colours";
    case TRefusal::TargetSmaller:
        if (step.Kind == TStepKind::Scale) {
            const TScaledSize size = ScaledSize(graphic->Width(), graphic->Height(), step.Value);
            return "at " + value + " % the picture (" + pictureSize + ") would be " +
                   SizeText(size.Width, size.Height) + " pixels";
        }
        return "the target " + SizeText(step.Width, step.Height) + " is smaller than the picture (" + pictureSize +
               ")";
    case TRefusal::TargetLarger:
        return "the target " + SizeText(step.Width, step.Height) + " is larger than the picture (" + pictureSize +
               ")";
    case TRefusal::NegativeSize: return "the target " + SizeText(step.Width, step.Height) + " is negative";
    case TRefusal::NotQuarterTurn: return value + " degrees is not a multiple of 90";
    case TRefusal::OutsidePicture:
        return "the rectangle " + RectText(step.Area) + " reaches outside the picture (" + pictureSize + ")";
    case TRefusal::Reversed:
        return "the rectangle " + RectText(step.Area) + " has its right edge left of its left edge or its bottom "
                                                        "above its top";
    }
    return "the operation refused the picture";
}

} // namespace

TScaledSize ScaledSize(int width, int height, int percent)
{
    const std::int64_t w = std::int64_t(width) * percent / 100;
    const std::int64_t h = std::int64_t(height) * percent / 100;
    if (w > INT_MAX || h > INT_MAX)
        throw EInvalidOperation("the scaled size " + SizeText(w, h) + " is too large");
    return TScaledSize{static_cast<int>(w), static_cast<int>(h)};
}

std::string RefusalReason(const TKestrelImage& image, const TStep& step)
{
    return Words(StepRefusal(image, step), image, step);
}

} // namespace pictor::cli
