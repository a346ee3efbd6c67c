// TIcon: an icon file (".ico"). It keeps the file's bytes, so saving writes
// the icon back unchanged, and shows one of its images: the largest (ties:
// the deepest colour, then the first). Images may be BMP-style (1 to 32 bits
// with AND mask, 32-bit alpha) or PNG; cursor files share the layout and are
// read too. Directory and image size limits: gfx/formats/Ico.h.
#pragma once

#include "gfx/Graphic.h"

#include <memory>

namespace pictor {

class TIcon : public TGraphic {
public:
    TIcon();
    ~TIcon() override;

    const char* ClassName() const override { return "TIcon"; }
    std::unique_ptr<TGraphic> Clone() const override;

    int Width() const override;
    int Height() const override;
    void SetWidth(int value) override;   // icons cannot be resized: EInvalidGraphic
    void SetHeight(int value) override;
    bool Empty() const override;
    // Bits per pixel of the shown image as its file stores it (a PNG image:
    // bit depth times channels); 0 when empty.
    int BitsPerPixel() const;

    // Composites the shown image over what the canvas holds: transparent
    // pixels leave it as it was.
    void Draw(TCanvas& canvas, const TRect& rect) const override;
    // From a TIcon: the same file (saved byte for byte as it was read).
    void Assign(const TGraphic& source) override;

    void LoadFromBytes(std::span<const std::uint8_t> bytes) override;
    std::vector<std::uint8_t> SaveToBytes() const override;

    struct TData;

private:
    std::shared_ptr<const TData> FData;
};

} // namespace pictor
