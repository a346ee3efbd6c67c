// TMetafile: an enhanced metafile, or the records of an old-style one, with
// its physical size and units per inch. Copies share the records; changing
// the size, units or palette of one gives it its own description first.
#include "gfx/Metafile.h"

#include "core/Exception.h"
#include "core/FileIO.h"
#include "core/Text.h"
#include "gfx/Picture.h"
#include "gfx/formats/EmfWriter.h"
#include "gfx/formats/MetafileFormats.h"
#include "gfx/metafile/MetafileData.h"
#include "gfx/metafile/Playback.h"

#include <algorithm>

namespace pictor {

namespace {

std::shared_ptr<TMetafile::Data> Unique(std::shared_ptr<TMetafile::Data>& data)
{
    if (data.use_count() > 1) data = std::make_shared<TMetafile::Data>(*data);
    return data;
}

} // namespace

TMetafile::TMetafile() : data_(std::make_shared<Data>()) {}

TMetafile::~TMetafile() = default;

std::unique_ptr<TGraphic> TMetafile::Clone() const
{
    auto copy = std::make_unique<TMetafile>();
    copy->data_ = data_;
    return copy;
}

// --- size -----------------------------------------------------------------------

int TMetafile::Width() const
{
    const Data& d = *data_;
    if (d.Inch != 0) return MulDiv(d.MMWidth, kScreenDpi, kHundredthMMPerInch);
    return d.Device.PixelsFromHundredthMMX(d.MMWidth);
}

int TMetafile::Height() const
{
    const Data& d = *data_;
    if (d.Inch != 0) return MulDiv(d.MMHeight, kScreenDpi, kHundredthMMPerInch);
    return d.Device.PixelsFromHundredthMMY(d.MMHeight);
}

void TMetafile::SetWidth(int value)
{
    value = std::clamp<int>(value, 0, static_cast<int>(kMaxMetafileSide));
    Data& d = *Unique(data_);
    d.MMWidth = d.Inch != 0 ? MulDiv(value, kHundredthMMPerInch, kScreenDpi) : d.Device.HundredthMMFromPixelsX(value);
    Changed();
}

void TMetafile::SetHeight(int value)
{
    value = std::clamp<int>(value, 0, static_cast<int>(kMaxMetafileSide));
    Data& d = *Unique(data_);
    d.MMHeight = d.Inch != 0 ? MulDiv(value, kHundredthMMPerInch, kScreenDpi) : d.Device.HundredthMMFromPixelsY(value);
    Changed();
}

bool TMetafile::Empty() const
{
    return !data_->Stream;
}

int TMetafile::MMWidth() const { return data_->MMWidth; }
int TMetafile::MMHeight() const { return data_->MMHeight; }
int TMetafile::Inch() const { return data_->Inch; }

void TMetafile::SetInch(int value)
{
    value = std::clamp(value, 0, 65535);
    if (value == data_->Inch) return;
    Unique(data_)->Inch = value;
    Changed();
}

bool TMetafile::Enhanced() const
{
    return data_->Enhanced;
}

void TMetafile::SetEnhanced(bool value)
{
    if (value == data_->Enhanced) return;
    if (!data_->Stream) {
        Unique(data_)->Enhanced = value;
        Changed();
        return;
    }
    // Converts the records: through a placeable file to old-style, by playing
    // them onto a recording to enhanced.
    std::shared_ptr<Data> converted;
    if (!value) {
        converted = ReadWmf(WriteWmf(*data_));
    } else {
        TEmfRecorder recorder(Width(), Height());
        PlayOldStyleMetafile(*data_, recorder, Rect(0, 0, Width(), Height()));
        converted = recorder.Finish(data_->MMWidth, data_->MMHeight);
    }
    converted->MMWidth = data_->MMWidth;
    converted->MMHeight = data_->MMHeight;
    converted->Inch = data_->Inch;
    converted->Palette = data_->Palette;
    data_ = std::move(converted);
    Changed();
}

// --- drawing and copying ------------------------------------------------------------

void TMetafile::Draw(TCanvas& canvas, const TRect& rect) const
{
    if (!data_->Stream) return;
    if (data_->Enhanced) PlayEnhancedMetafile(*data_, canvas, rect);
    else PlayOldStyleMetafile(*data_, canvas, rect);
}

void TMetafile::Assign(const TGraphic& source)
{
    if (auto* other = dynamic_cast<const TMetafile*>(&source)) {
        if (other == this) return;
        data_ = other->data_;
        Changed();
        return;
    }
    TGraphic::Assign(source);
}

// --- files ----------------------------------------------------------------------------

void TMetafile::LoadFromBytes(std::span<const std::uint8_t> bytes)
{
    std::shared_ptr<Data> data;
    if (LooksLikeEmf(bytes)) data = ReadEmf(bytes);
    else if (LooksLikeWmf(bytes)) data = ReadWmf(bytes);
    else throw EInvalidGraphic();
    data_ = std::move(data);
    Changed();
}

std::vector<std::uint8_t> TMetafile::SaveToBytes() const
{
    if (!data_->Enhanced) return WriteWmf(*data_);
    if (data_->Stream) return WriteEmf(*data_);
    // Nothing recorded: an enhanced metafile with no records, of this size.
    TEmfRecorder empty(Width(), Height());
    std::shared_ptr<Data> recorded = empty.Finish(data_->MMWidth, data_->MMHeight);
    recorded->Palette = data_->Palette;
    return WriteEmf(*recorded);
}

void TMetafile::SaveToFile(const std::string& fileName) const
{
    if (AsciiLower(TPicture::ExtensionOf(fileName)) == "wmf") {
        WriteFileAtomically(fileName, WriteWmf(*data_));
        return;
    }
    WriteFileAtomically(fileName, SaveToBytes());
}

TPalette TMetafile::Palette() const
{
    return data_->Palette;
}

void TMetafile::SetPalette(const TPalette& palette)
{
    Unique(data_)->Palette = palette;
    Changed();
}

} // namespace pictor
