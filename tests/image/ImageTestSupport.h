// Shared pieces of the TKestrelImage tests: an event log, bitmaps of every
// layout filled unit by unit, and a graphic class the control does not know.
#pragma once

#include "gfx/Bitmap.h"
#include "gfx/Canvas.h"
#include "image/KestrelImg.h"
#include "tests/image/RgbPicture.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace pictor::testing {

// "Amend Kind" and "Amended Kind" in the order the events came.
struct TAmendLog {
    std::vector<std::string> Events;

    void Attach(TKestrelImage& image)
    {
        image.OnAmend = [this](TKestrelImage&, const std::string& kind) { Events.push_back("Amend " + kind); };
        image.OnAmended = [this](TKestrelImage&, const std::string& kind) { Events.push_back("Amended " + kind); };
    }
    // The events since the last call.
    std::vector<std::string> Take() { return std::exchange(Events, {}); }
};

inline std::vector<std::string> AmendOnly(const std::string& kind) { return {"Amend " + kind}; }
inline std::vector<std::string> Completed(const std::string& kind) { return {"Amend " + kind, "Amended " + kind}; }

// Puts a copy of graphic into the control's picture.
inline void SetPicture(TKestrelImage& image, const TGraphic& graphic) { image.Picture().SetGraphic(&graphic); }

// The control's picture as a bitmap (fails the test when it is none).
inline const TBitmap& PictureBitmap(const TKestrelImage& image)
{
    return dynamic_cast<const TBitmap&>(*image.Picture().Graphic());
}

// A device-independent bitmap of the layout whose pixel (x, y) holds the
// unit value(x, y).
inline TBitmap LayoutBitmap(int bits, std::optional<TColorMasks> masks, int width, int height,
                            const std::function<std::uint32_t(int, int)>& value)
{
    TBitmap b;
    b.SetLayout(bits, masks, width, height);
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = b.ScanLine(y);
        for (int x = 0; x < width; ++x) SetUnit(row, bits, x, value(x, y));
    }
    return b;
}

// The unit values of every pixel, row by row.
inline std::vector<std::uint32_t> Units(const TBitmap& b)
{
    std::vector<std::uint32_t> units;
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x) units.push_back(GetUnit(b.ScanLine(y), b.BitsPerPixel(), x));
    return units;
}

// A 24-bit bitmap of the given colours (0x00BBGGRR), row by row.
inline TBitmap ColourBitmap(int width, int height, const std::vector<TColor>& colours)
{
    return LayoutBitmap(24, std::nullopt, width, height, [&](int x, int y) {
        const TColor c = colours[static_cast<std::size_t>(y * width + x)];
        // The unit is blue, green, red in memory order: 0x00RRGGBB.
        return static_cast<std::uint32_t>(GetBValue(c) | GetGValue(c) << 8 | GetRValue(c) << 16);
    });
}

// A palette of count distinct colours.
inline TPalette DistinctPalette(int count)
{
    std::vector<TPaletteEntry> entries;
    for (int i = 0; i < count; ++i)
        entries.push_back({static_cast<std::uint8_t>(i * 7 + 1), static_cast<std::uint8_t>(255 - i),
                           static_cast<std::uint8_t>(i * 13 % 256), 0});
    return TPalette(std::move(entries));
}

// A graphic of a class the control does not know (as a JPEG picture would
// be): a plain colour of its own size, drawn straight into a bitmap.
class TPlainGraphic : public TGraphic {
public:
    TPlainGraphic(int width, int height, TColor colour) : FWidth(width), FHeight(height), FColour(colour) {}
    const char* ClassName() const override { return "TPlainGraphic"; }
    std::unique_ptr<TGraphic> Clone() const override
    {
        return std::make_unique<TPlainGraphic>(FWidth, FHeight, FColour);
    }
    int Width() const override { return FWidth; }
    int Height() const override { return FHeight; }
    void SetWidth(int value) override { FWidth = value; }
    void SetHeight(int value) override { FHeight = value; }
    bool Empty() const override { return FWidth == 0 || FHeight == 0; }
    void Draw(TCanvas& canvas, const TRect& rect) const override
    {
        TBitmap* target = canvas.TargetBitmap();
        if (target == nullptr) return;
        for (int y = rect.Top; y < rect.Bottom; ++y)
            for (int x = rect.Left; x < rect.Right; ++x) target->SetPixel(x, y, FColour);
    }
    void Assign(const TGraphic& source) override
    {
        const auto& other = dynamic_cast<const TPlainGraphic&>(source);
        FWidth = other.FWidth;
        FHeight = other.FHeight;
        FColour = other.FColour;
    }
    void LoadFromBytes(std::span<const std::uint8_t>) override {}
    std::vector<std::uint8_t> SaveToBytes() const override { return {}; }

private:
    int FWidth;
    int FHeight;
    TColor FColour;
};

} // namespace pictor::testing
