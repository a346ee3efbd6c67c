#include "reduce/Diffusion.h"

#include "reduce/DiffusionEngine.h"

#include "core/Exception.h"
#include "reduce/MedianCut.h"
#include "reduce/StaticPalette.h"

#include <cstring>
#include <optional>
#include <vector>

namespace pictor {

namespace {

using detail::DiffuseAt;
using detail::FilterRows;

template <class Quantizer> std::unique_ptr<TBitmap> Diffuse(const TBitmap& source, const Quantizer& quantizer)
{
    detail::CheckFilterSource(source);
    auto result = std::make_unique<TBitmap>();
    result->SetLayout(24, std::nullopt, source.Width(), source.Height());
    std::uint8_t* row = nullptr;
    int rowNumber = -1;
    detail::DiffuseRows(source, quantizer, [&](int y, int x, const TRGBTriple& out) {
        if (y != rowNumber) {
            row = result->ScanLine(y);
            rowNumber = y;
        }
        std::memcpy(row + 3 * x, &out, 3);
    });
    return result;
}

} // namespace

std::unique_ptr<TBitmap> BitmapFilter(const TBitmap& source, TBitmapFilterProc proc, void* data)
{
    const int width = source.Width();
    return FilterRows(source, [&](int y, const TBitmapFilterWindow& slots, std::uint8_t* dst) {
        TBitmapFilterWindow working = slots;
        for (int x = 0; x < width; ++x, dst += 3) {
            TRGBTriple out;
            proc(x, y, working, out, data);
            std::memcpy(dst, &out, 3);
            for (auto& address : working) address += 3;
        }
    });
}

void DiffusePixel(int, int, const TBitmapFilterWindow& window, TRGBTriple& out, void* data)
{
    const auto& quantizer = *static_cast<const TQuantizeColor*>(data);
    DiffuseAt(quantizer, window[kFilterCurrentSlot] + kFilterMarginBytes,
              window[kFilterCurrentSlot + 1] + kFilterMarginBytes, out);
}

std::unique_ptr<TBitmap> DiffuseBitmap(const TBitmap& source, const TQuantizeColor& quantizer)
{
    // The quantisers of this library are final: calling them directly lets
    // the compiler inline the look-up into the pixel loop.
    if (const auto* fixed = dynamic_cast<const TQuantizeToStaticColor*>(&quantizer))
        return Diffuse(source, *fixed);
    if (const auto* medianCut = dynamic_cast<const TMedianCutQuantizeColor*>(&quantizer))
        return Diffuse(source, *medianCut);
    return Diffuse(source, quantizer);
}

} // namespace pictor
