// TMetafile: an enhanced metafile, or the records of an old-style one, with
// its physical size and units per inch. Copies share the records; changing
// the size, units or palette of one gives it its own description first.
#include "gfx/Metafile.h"

#include "core/Exception.h"
#include "core/FileIO.h"
#include "core/FilePath.h"
#include "core/Text.h"
#include "gfx/Picture.h"
#include "gfx/formats/EmfWriter.h"
#include "gfx/formats/MetafileFormats.h"
#include "gfx/metafile/MetafileData.h"
#include "gfx/metafile/Playback.h"

#include <algorithm>

namespace pictor {

namespace {

std::shared_ptr<TMetafile::TData> Unique(std::shared_ptr<TMetafile::TData>& data)
{
    if (data.use_count() > 1) data = std::make_shared<TMetafile::TData>(*data);
    return data;
}

} // namespace

TMetafile::TMetafile() : FData(std::make_shared<TData>()) {}

TMetafile::~TMetafile() = default;

std::unique_ptr<TGraphic> TMetafile::Clone() const
{
    auto copy = std::make_unique<TMetafile>();
    copy->FData = FData;
    return copy;
}

// --- size -----------------------------------------------------------------------

int TMetafile::Width() const
{
    const TData& d = *FData;
    if (d.Inch != 0) return MulDiv(d.MMWidth, kScreenDpi, kHundredthMMPerInch);
    return d.Device.PixelsFromHundredthMMX(d.MMWidth);
}

int TMetafile::Height() const
{
    const TData& d = *FData;
    if (d.Inch != 0) return MulDiv(d.MMHeight, kScreenDpi, kHundredthMMPerInch);
    return d.Device.PixelsFromHundredthMMY(d.MMHeight);
}

void TMetafile::SetWidth(int value)
{
    value = std::clamp<int>(value, 0, static_cast<int>(kMaxMetafileSide));
    TData& d = *Unique(FData);
    d.MMWidth = d.Inch != 0 ? MulDiv(value, kHundredthMMPerInch, kScreenDpi) : d.Device.HundredthMMFromPixelsX(value);
    Changed();
}

void TMetafile::SetHeight(int value)
{
    value = std::clamp<int>(value, 0, static_cast<int>(kMaxMetafileSide));
    TData& d = *Unique(FData);
    d.MMHeight = d.Inch != 0 ? MulDiv(value, kHundredthMMPerInch, kScreenDpi) : d.Device.HundredthMMFromPixelsY(value);
    Changed();
}

bool TMetafile::Empty() const
{
    return !FData->Stream;
}

int TMetafile::MMWidth() const { return FData->MMWidth; }
int TMetafile::MMHeight() const { return FData->MMHeight; }
int TMetafile::Inch() const { return FData->Inch; }

void TMetafile::SetInch(int value)
{
    value = std::clamp(value, 0, 65535);
    if (value == FData->Inch) return;
    Unique(FData)->Inch = value;
    Changed();
}

bool TMetafile::Enhanced() const
{
    return FData->Enhanced;
}

void TMetafile::SetEnhanced(bool value)
{
    if (value == FData->Enhanced) return;
    if (!FData->Stream) {
        Unique(FData)->Enhanced = value;
        Changed();
        return;
    }
    // Converts the records: through a placeable file to old-style, by playing
    // them onto a recording to enhanced.
    std::shared_ptr<TData> converted;
    if (!value) {
        converted = ReadWmf(WriteWmf(*FData));
    } else {
        TEmfRecorder recorder(Width(), Height());
        PlayOldStyleMetafile(*FData, recorder, Rect(0, 0, Width(), Height()));
        converted = recorder.Finish(FData->MMWidth, FData->MMHeight);
    }
    converted->MMWidth = FData->MMWidth;
    converted->MMHeight = FData->MMHeight;
    converted->Inch = FData->Inch;
    converted->Palette = FData->Palette;
    FData = std::move(converted);
    Changed();
}

// --- drawing and copying ------------------------------------------------------------

void TMetafile::Draw(TCanvas& canvas, const TRect& rect) const
{
    if (!FData->Stream) return;
    if (FData->Enhanced) PlayEnhancedMetafile(*FData, canvas, rect);
    else PlayOldStyleMetafile(*FData, canvas, rect);
}

void TMetafile::Assign(const TGraphic& source)
{
    if (auto* other = dynamic_cast<const TMetafile*>(&source)) {
        if (other == this) return;
        FData = other->FData;
        Changed();
        return;
    }
    TGraphic::Assign(source);
}

// --- files ----------------------------------------------------------------------------

void TMetafile::LoadFromBytes(std::span<const std::uint8_t> bytes)
{
    std::shared_ptr<TData> data;
    if (LooksLikeEmf(bytes)) data = ReadEmf(bytes);
    else if (LooksLikeWmf(bytes)) data = ReadWmf(bytes);
    else throw EInvalidGraphic();
    FData = std::move(data);
    Changed();
}

std::vector<std::uint8_t> TMetafile::SaveToBytes() const
{
    if (!FData->Enhanced) return WriteWmf(*FData);
    if (FData->Stream) return WriteEmf(*FData);
    // Nothing recorded: an enhanced metafile with no records, of this size.
    TEmfRecorder empty(Width(), Height());
    std::shared_ptr<TData> recorded = empty.Finish(FData->MMWidth, FData->MMHeight);
    recorded->Palette = FData->Palette;
    return WriteEmf(*recorded);
}

void TMetafile::SaveToFile(const std::string& fileName) const
{
    if (AsciiLower(ExtensionOf(fileName)) == "wmf") {
        WriteFileAtomically(fileName, WriteWmf(*FData));
        return;
    }
    WriteFileAtomically(fileName, SaveToBytes());
}

TPalette TMetafile::Palette() const
{
    return FData->Palette;
}

void TMetafile::SetPalette(const TPalette& palette)
{
    Unique(FData)->Palette = palette;
    Changed();
}

} // namespace pictor
