// TRefusal: why an operation of TKestrelImage refuses its call, as the
// operation's own guard function says (TKestrelImage::BrightRefusal and its
// siblings). The operations refuse silently; pictor-cli words the reason.
#pragma once

namespace pictor {

enum class TRefusal {
    None,             // the operation runs
    NoPicture,        // the picture type guard, without a picture
    NotBitmap,        // the picture type guard: not a bitmap (nor a metafile where one is taken)
    NegativeValue,    // a negative percentage (Bright, Contrast)
    NoChange,         // an argument that leaves the picture as it is (100 %, a gamma of 1, whole turns)
    PivotOutOfRange,  // Contrast's pivot outside 0..255
    GammaOutOfRange,  // Gamma outside 0.1..10
    FewBits,          // too few bits per pixel (tone: fewer than 8; reduction: 8 or fewer)
    ModeOutOfRange,   // ReduceColors' mode
    ColorCount,       // a palette size the reduction mode does not take
    TargetSmaller,    // Enlarge: a side smaller than the picture's
    TargetLarger,     // Shrink: a side larger than the picture's
    NegativeSize,     // Shrink: a negative side
    NotQuarterTurn,   // Turn by an angle that is not a multiple of 90 degrees
    OutsidePicture,   // Trimming: the rectangle reaches outside the picture
    Reversed,         // Trimming: the rectangle's corners are reversed
};

} // namespace pictor
