// TGraphic: the abstract base of every picture class (bitmap, metafile,
// icon, JPEG).
#pragma once

#include "gfx/Palette.h"
#include "gfx/Types.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace pictor {

class TCanvas;

class TGraphic {
public:
    virtual ~TGraphic() = default;
    TGraphic(const TGraphic&) = delete;
    TGraphic& operator=(const TGraphic&) = delete;

    // The class name, as messages show it ("TBitmap", "TMetafile", ...).
    virtual const char* ClassName() const = 0;
    // A new graphic of the same class, assigned from this one (deep copy;
    // a bitmap's pixels are shared until one side writes).
    virtual std::unique_ptr<TGraphic> Clone() const = 0;

    virtual int Width() const = 0;
    virtual int Height() const = 0;
    virtual void SetWidth(int value) = 0;
    virtual void SetHeight(int value) = 0;
    virtual bool Empty() const = 0;

    // Draws the graphic onto the canvas into rect (Right/Bottom exclusive),
    // stretched when rect differs from the graphic's size.
    virtual void Draw(TCanvas& canvas, const TRect& rect) const = 0;

    // Makes this graphic a copy of source. The default asks source to
    // AssignTo this one and raises EConvertError ("Cannot assign a X to a Y")
    // when it cannot.
    virtual void Assign(const TGraphic& source);
    // Converts this graphic into dest if the class knows how; false if not.
    virtual bool AssignTo(TGraphic& dest) const;

    // Reads a whole file's bytes. On any failure raises EInvalidGraphic (or
    // another Exception) and leaves the graphic exactly as it was.
    virtual void LoadFromBytes(std::span<const std::uint8_t> bytes) = 0;
    // The bytes of a file in the class's own format.
    virtual std::vector<std::uint8_t> SaveToBytes() const = 0;

    // File wrappers: whole-file read (EFOpenError) then LoadFromBytes;
    // SaveToBytes then an atomic write (EFCreateError). A class may choose its
    // format by the name's extension (a metafile saved as ".wmf").
    virtual void LoadFromFile(const std::string& fileName);
    virtual void SaveToFile(const std::string& fileName) const;

    virtual TPalette Palette() const { return TPalette(); }
    virtual void SetPalette(const TPalette&) {}

    // Fired after every change of the graphic's content or size.
    std::function<void(TGraphic&)> OnChange;
    // Fires OnChange (canvases call it after drawing).
    void Changed();

protected:
    TGraphic() = default;
};

} // namespace pictor
