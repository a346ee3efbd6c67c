// JPEG reading and writing on raw pixel rows, with libjpeg-turbo.
//
// Pixels are 3 bytes blue, green, red; the caller hands one pointer per row
// (row 0 at the top), so the decoder writes straight into a bitmap's rows.
// Every libjpeg error becomes EInvalidGraphic; warnings (damaged but
// decodable data) are counted and the decoder goes on with what it can.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace pictor {

// Colour space of the coded components, as the header gives it.
enum TJpegColorSpace { jcsGray, jcsYCbCr, jcsRGB, jcsCMYK, jcsYCCK, jcsOther };

struct TJpegHeader {
    int Width = 0;
    int Height = 0;
    int Components = 0;
    TJpegColorSpace ColorSpace = jcsOther;
    bool Progressive = false;
    // An Adobe APP14 marker was seen: CMYK samples are stored inverted
    // (0 is full ink), as Adobe's programs write them.
    bool AdobeMarker = false;
};

// The outcome of a decode that produced a picture.
struct TJpegDecodeResult {
    // Rows written; fewer than the height when an error stopped the decoder
    // after it had started writing rows (the rest keep what they held).
    int RowsDecoded = 0;
    // Warnings about damaged data (libjpeg decodes such data as best it can).
    int Warnings = 0;
};

// Reads a JPEG stream's header (every marker up to the first scan). The
// header's size is checked against gfx/Limits.h. Raises EInvalidGraphic.
class TJpegDecoder {
public:
    explicit TJpegDecoder(std::span<const std::uint8_t> bytes);
    ~TJpegDecoder() = default;
    TJpegDecoder(const TJpegDecoder&) = delete;
    TJpegDecoder& operator=(const TJpegDecoder&) = delete;

    const TJpegHeader& Header() const { return FHeader; }

    // Decodes the picture at full size into rows (Height pointers to
    // Width * 3 bytes each). Greyscale gives equal blue, green and red;
    // CMYK and YCCK are converted to RGB. Call once. Raises EInvalidGraphic
    // when libjpeg fails before the first row is written.
    TJpegDecodeResult Decode(std::span<std::uint8_t* const> rows);

    struct TState;
    struct TStateDeleter {
        void operator()(TState* state) const;
    };

private:
    std::unique_ptr<TState, TStateDeleter> FState;
    TJpegHeader FHeader;
};

struct TJpegEncodeOptions {
    int Quality = 90;          // 1..100, clamped
    bool Progressive = false;  // false: sequential baseline
    bool Grayscale = false;
};

// Encodes width by height pixels given as rows of width * 3 bytes (blue,
// green, red). Colour files use full chroma resolution (4:4:4): this
// program's pictures are often colour-reduced and dithered, with colour
// detail at single-pixel scale that 4:2:0 subsampling would smear; at
// quality 90 the size cost (a fifth to a third more) is the lesser evil.
// Huffman tables are optimised (still baseline). Raises EInvalidGraphic.
std::vector<std::uint8_t> EncodeJpeg(int width, int height, std::span<const std::uint8_t* const> rows,
                                     const TJpegEncodeOptions& options);

} // namespace pictor
