// TKestrelImage: the picture control that carries out every change made to
// its picture. It adds to TImage the picture type (with conversion between
// bitmap and metafile), the amend notification and the operations.
//
// Every operation follows one frame: it records its Kind, fires OnAmend,
// checks its guards (the first is always the picture type), does its work
// either in place on the picture's bitmap or by assigning a new graphic, and
// fires OnAmended. A call refused by a guard fires OnAmend alone and changes
// nothing (but, for the tone and reduction operations, the bitmap's storage
// form, which may now be device-independent).
//
// The operations live in files of their own:
//   KestrelImgTone.cpp      Bright, Contrast, Gamma
//   ReduceColors.cpp        ReduceColors
//   KestrelImgResample.cpp  Enlarge, Shrink and their workers
//   KestrelImgTurn.cpp      Turn, Reverse
//   KestrelImgTrim.cpp      Trimming
// and the histogram picture, which is no operation, in DrawHistogram.cpp.
#pragma once

#include "gfx/Image.h"
#include "gfx/Types.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace pictor {

class TBitmap;
class TGraphic;
class TLevelCountMemo;

// The class of graphic the control holds, computed at every read.
enum TPictureType { picNil, picBitmap, picMetafile, picIcon, picUnknown };

class TKestrelImage;

// Called with the control and the Kind of the operation ("Bright",
// "Contrast", "Gamma", "Reduce", "Enlarge", "Shrink", "Reverse", "Turn",
// "Trimming").
using TNotifyAmendEvent = std::function<void(TKestrelImage& Sender, const std::string& Kind)>;

class TKestrelImage : public TImage {
public:
    TKestrelImage();
    ~TKestrelImage() override;

    // The Kind of the operation last started ("" before the first); kept
    // whether or not that operation completed.
    const std::string& Kind() const { return FKind; }

    // picNil for no graphic, else by class (descendants included): TBitmap,
    // TMetafile, TIcon; picUnknown for any other graphic.
    TPictureType GetPictureType() const;
    // Converts the picture between bitmap and metafile, or clears it
    // (picNil). picIcon, picUnknown and the present type change nothing.
    void SetPictureType(TPictureType Value);

    // Fired with the Kind at the start of every operation.
    TNotifyAmendEvent OnAmend;
    // Fired with the Kind when an operation has completed.
    TNotifyAmendEvent OnAmended;

    // --- tone (in place, 8 or more bits per pixel) ----------------------------
    // Scales every channel by Value percent (100: unchanged; 0 accepted).
    void Bright(int Value);
    // Stretches channel values about Pivot (0..255) by Value percent.
    void Contrast(int Value, int Pivot);
    // Applies the power curve 1 / Value to every channel (0.1 <= Value <= 10).
    void Gamma(long double Value);
    // Shows Base with the three tone operations applied, as
    //   Picture().SetGraphic(&Base); Gamma(GammaValue);
    //   Contrast(ContrastValue, Pivot); Bright(BrightValue);
    // does, with the same events in the same order, the same refusals and
    // the same bytes. A plain 24-bit Base is mapped through the composed
    // table in one pass, into the picture's former storage where no copy
    // shares it; a handler that reads the picture from the first OnAmended
    // on then already sees the final pixels. Any other Base takes the three
    // operations one by one.
    void ToneFrom(const TBitmap& Base, long double GammaValue, int ContrastValue, int Pivot, int BrightValue);

    // --- colour reduction -----------------------------------------------------
    // Reduces a picture of more than 8 bits per pixel to 8 bits by one of
    // the reduction drivers (Mode 0..5, image/ReductionModes.h), with a
    // palette of at most Colors entries where the mode takes that size (the
    // window's menu asks for 256); any other size is refused like a mode
    // out of range.
    void ReduceColors(std::uint8_t Mode, int Colors = 256);

    // --- resampling -------------------------------------------------------------
    // Bilinear enlargement to a target at least as large as the picture.
    void Enlarge(int NewWidth, int NewHeight);
    // Area-averaging reduction to a target at most as large as the picture.
    void Shrink(int NewWidth, int NewHeight);
    // The workers: a new 24-bit bitmap of the target size, resampled from
    // Source (any format; never written). A source of width or height 0
    // raises EAssertionFailed; a target side of 0 raises EDivByZero.
    static std::unique_ptr<TBitmap> EnlargeBitmap(const TBitmap& Source, int NewWidth, int NewHeight);
    static std::unique_ptr<TBitmap> ShrinkBitmap(const TBitmap& Source, int NewWidth, int NewHeight);

    // --- rotation and mirror (exact, every device-independent depth) --------
    // Mirrors the picture left to right.
    void Reverse();
    // Turns the picture clockwise by a multiple of 90 degrees (not of 360).
    void Turn(int Angle);

    // --- trimming ---------------------------------------------------------------
    // Crops a bitmap or metafile picture to ARect (Right and Bottom
    // inclusive), given in control pixels or, with PictureCoords, in picture
    // pixels; the two differ only while the picture is shown stretched.
    void Trimming(const TRect& ARect, bool PictureCoords);

    // --- histogram --------------------------------------------------------------
    // Draws the picture's histogram into Target (a TBitmap or TMetafile),
    // 286 x 175 times Scale pixels. Not an operation: no Kind, no events.
    void DrawHistogram(TGraphic& Target, int Scale, int Shift, int Ceiling);

protected:
    // Call OnAmend / OnAmended, when assigned, with this control and Kind.
    virtual void DoAmend();
    virtual void DoAmended();

    // Start of every operation: records the Kind, then DoAmend.
    void BeginOperation(const char* Kind);
    // The picture's graphic as a bitmap, or nullptr when it is none.
    TBitmap* PictureBitmap() const;
    // The bit-depth guard of the tone and reduction operations: switches the
    // picture's bitmap to the device-independent form and returns it when
    // its bits per pixel are at least MinBits, else nullptr.
    TBitmap* DeviceIndependentBitmap(int MinBits) const;

private:
    // Rewrites the 24-bit bytes of the picture's bitmap through a 256-entry
    // table and sets the former pixel format back (the tone operations).
    void ApplyToneTable(TBitmap& Bitmap, const std::array<std::uint8_t, 256>& Table);
    // The picture now holds the pixels of version SourceVersion in another
    // order (a turn, the mirror): their channel counts, when known, are its.
    void CarryLevelCounts(std::uint64_t SourceVersion);

    std::string FKind;
    // The channel counts of pictures lately counted or toned, for
    // DrawHistogram; a cache, never part of what the control shows.
    std::unique_ptr<TLevelCountMemo> FLevelCounts;
};

} // namespace pictor
