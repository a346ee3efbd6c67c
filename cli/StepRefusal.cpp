// Why a step was refused: the guards of each operation, read in the order the
// operation checks them, against the picture the refusal left unchanged.
#include "cli/Steps.h"

#include "gfx/Bitmap.h"
#include "image/KestrelImg.h"
#include "image/ReductionModes.h"

#include <climits>
#include <cmath>
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

// The bits per pixel the tone and reduction guards read (after the switch
// to the device-independent form, which leaves the display form at 32).
int BitsOf(const TKestrelImage& image)
{
    const auto* bitmap = dynamic_cast<const TBitmap*>(image.Picture().Graphic());
    return bitmap ? bitmap->BitsPerPixel() : 0;
}

std::string FewBits(const TKestrelImage& image)
{
    return "the picture has fewer than 8 bits per pixel (" + std::to_string(BitsOf(image)) + ")";
}

// The guards after the picture type, for each step.
std::string StepReason(const TKestrelImage& image, const TStep& step)
{
    const TGraphic& graphic = *image.Picture().Graphic();
    const std::string pictureSize = SizeText(graphic.Width(), graphic.Height());
    switch (step.Kind) {
    case TStepKind::Bright:
        if (step.Value < 0) return "a negative brightness (" + std::to_string(step.Value) + " %) is not accepted";
        if (step.Value == 100) return "100 % leaves the picture unchanged";
        return FewBits(image);
    case TStepKind::Contrast:
        if (step.Value < 0) return "a negative contrast (" + std::to_string(step.Value) + " %) is not accepted";
        if (step.Value == 100) return "100 % leaves the picture unchanged";
        if (step.Pivot < 0 || step.Pivot > 255)
            return "the pivot " + std::to_string(step.Pivot) + " is outside 0..255";
        return FewBits(image);
    case TStepKind::Gamma:
        if (step.Gamma < 0.1L || step.Gamma > 10.0L)
            return "the gamma " + DecimalText(step.Gamma) + " is outside 0.1..10";
        if (step.Gamma == 1.0L || std::isnan(step.Gamma)) return "a gamma of 1 leaves the picture unchanged";
        return FewBits(image);
    case TStepKind::Enlarge:
        return "the target " + SizeText(step.Width, step.Height) + " is smaller than the picture (" +
               pictureSize + ")";
    case TStepKind::Shrink:
        return "the target " + SizeText(step.Width, step.Height) + " is larger than the picture (" + pictureSize +
               ")";
    case TStepKind::Scale: {
        if (step.Value == 100) return "a scale of 100 % leaves the picture unchanged";
        const TScaledSize size = ScaledSize(graphic.Width(), graphic.Height(), step.Value);
        return "at " + std::to_string(step.Value) + " % the picture (" + pictureSize + ") would be " +
               SizeText(size.Width, size.Height) + " pixels";
    }
    case TStepKind::Turn:
        if (step.Value % 360 == 0) return "a turn by a multiple of 360 degrees leaves the picture unchanged";
        return std::to_string(step.Value) + " degrees is not a multiple of 90";
    case TStepKind::Trim: {
        const TRect& r = step.Area;
        if (r.Left < 0 || r.Top < 0 || r.Right >= graphic.Width() || r.Bottom >= graphic.Height())
            return "the rectangle " + RectText(r) + " reaches outside the picture (" + pictureSize + ")";
        return "the rectangle " + RectText(r) + " has its right edge left of its left edge or its bottom above "
                                                "its top";
    }
    case TStepKind::Reduce:
        if (!AcceptsColors(ColorCountsOf(step.Mode), step.Colors))
            return "the method does not reduce to " + std::to_string(step.Colors) + " colours";
        return "the picture has 8 bits per pixel or fewer";
    case TStepKind::Halftone: return "the picture already has 8 bits per pixel";
    case TStepKind::Mirror:
    case TStepKind::Histogram: break;
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
    const TPictureType type = image.GetPictureType();
    if (type == picNil) return "there is no picture";
    const bool metafileAccepted = step.Kind == TStepKind::Trim || step.Kind == TStepKind::Scale;
    if (type != picBitmap && !(type == picMetafile && metafileAccepted)) return "the picture is not a bitmap";
    return StepReason(image, step);
}

} // namespace pictor::cli
