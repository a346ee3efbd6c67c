// TMetafile: a vector picture held as an enhanced metafile, or as the records
// of an old-style metafile read from a ".wmf" file; it remembers which.
// TMetafileCanvas records drawing into a metafile.
//
// The reference device "the screen" is a fixed device of 96 dots per inch
// (its size is documented in Metafile.cpp).
#pragma once

#include "gfx/Canvas.h"
#include "gfx/Graphic.h"

#include <memory>

namespace pictor {

class TMetafile : public TGraphic {
public:
    TMetafile();
    ~TMetafile() override;

    const char* ClassName() const override { return "TMetafile"; }
    std::unique_ptr<TGraphic> Clone() const override;

    // Size in pixels. When Inch is not 0 it is derived from the physical
    // frame (MMWidth/MMHeight) at the screen's 96 dots per inch.
    int Width() const override;
    int Height() const override;
    void SetWidth(int value) override;
    void SetHeight(int value) override;
    bool Empty() const override;

    // Physical frame in 0.01 mm.
    int MMWidth() const;
    int MMHeight() const;

    // Units per inch: the value written into a placeable header.
    int Inch() const;
    void SetInch(int value);

    // True for an enhanced metafile, false for old-style records.
    bool Enhanced() const;
    void SetEnhanced(bool value);

    // Plays the records back onto canvas, scaled from the frame to rect.
    void Draw(TCanvas& canvas, const TRect& rect) const override;
    void Assign(const TGraphic& source) override;

    // Enhanced (".emf") or placeable old-style (".wmf"; plain old-style files
    // are read too), recognised by content.
    void LoadFromBytes(std::span<const std::uint8_t> bytes) override;
    // In the format it carries.
    std::vector<std::uint8_t> SaveToBytes() const override;
    // Under ".wmf" (any case) always the placeable old-style format.
    void SaveToFile(const std::string& fileName) const override;

    TPalette Palette() const override;
    void SetPalette(const TPalette& palette) override;

    struct Data;

private:
    friend class TMetafileCanvas;
    std::shared_ptr<Data> data_;
};

// Records into a metafile with the screen as reference device. The recording
// replaces the metafile's content when the canvas is destroyed.
class TMetafileCanvas : public TCanvas {
public:
    explicit TMetafileCanvas(TMetafile& metafile);
    ~TMetafileCanvas() override;

    struct Recorder;

private:
    TMetafile& metafile_;
    std::unique_ptr<Recorder> recorder_;
};

} // namespace pictor
