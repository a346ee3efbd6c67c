#include "image/Resample.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

namespace pictor {

namespace {

// Extended-precision value rounded half to even (the default rounding mode);
// the result channel is its low byte.
inline std::uint8_t RoundToByte(long double v)
{
    return static_cast<std::uint8_t>(std::lrint(v));
}

// --- Enlarge ---------------------------------------------------------------

// The two source neighbours of one result column (or row) and the fraction
// between them.
struct TBilinearTap {
    int Near = 0;
    int Far = 0;
    long double Frac = 0;
};

// Result index k samples the source at (k + 0.5) * scale - 0.5, stored as a
// double; Near is its floor (0 when negative), Far the next index (clamped
// to Last).
std::vector<TBilinearTap> BilinearTaps(int Count, double Scale, int Last)
{
    std::vector<TBilinearTap> taps(static_cast<std::size_t>(Count));
    for (int k = 0; k < Count; ++k) {
        const double f = static_cast<double>((static_cast<long double>(k) + 0.5L) * Scale - 0.5L);
        const int f0 = static_cast<int>(std::floor(f));
        TBilinearTap& tap = taps[static_cast<std::size_t>(k)];
        tap.Frac = static_cast<long double>(f) - f0;
        tap.Near = std::clamp(f0, 0, Last);
        tap.Far = std::clamp(f0 + 1, 0, Last);
    }
    return taps;
}

inline std::uint8_t Bilinear(int p00, int p10, int p01, int p11, long double dx, long double dy)
{
    const int stepX = p10 - p00;
    const int stepY = p01 - p00;
    const int cross = p11 + p00 - p10 - p01;
    return RoundToByte(((dx * stepX + (dx * cross) * dy) + dy * stepY) + p00);
}

// --- Shrink ----------------------------------------------------------------

// The source indices one result column (or row) covers, First to
// First + Count - 1, with their weights at Weights[Offset...].
struct TBoxSpan {
    int First = 0;
    int Count = 0;
    std::size_t Offset = 0;
};

struct TBoxAxis {
    std::vector<TBoxSpan> Spans;
    std::vector<double> Weights;
};

// The overlap of source pixel j with the box [Low, High].
double BoxWeight(int j, double Low, double High)
{
    if (j > Low && j + 1 < High) return 1;
    if (j <= Low && j + 1 < High) return static_cast<double>(1.0L - (static_cast<long double>(Low) - j));
    if (j > Low) return static_cast<double>(static_cast<long double>(High) - j);
    return static_cast<double>(static_cast<long double>(High) - static_cast<long double>(Low));
}

// Result index k covers the box from k * scale to (k + 1) * scale - 0.000001
// (each end stored as a double) of a source axis of Size pixels.
TBoxAxis BoxAxis(int Count, double Scale, int Size)
{
    TBoxAxis axis;
    axis.Spans.resize(static_cast<std::size_t>(Count));
    for (int k = 0; k < Count; ++k) {
        const double low = static_cast<double>(static_cast<long double>(k) * Scale);
        const double high = static_cast<double>((static_cast<long double>(k) + 1) * Scale - 0.000001L);
        // Both ends lie within the source (at most Size - 0.000001 plus a
        // rounding error); the clamps only guard the reads.
        const int first = std::max(static_cast<int>(std::floor(low)), 0);
        const int last = std::min(static_cast<int>(std::floor(high)), Size - 1);
        TBoxSpan& span = axis.Spans[static_cast<std::size_t>(k)];
        span.First = first;
        span.Count = std::max(last - first + 1, 0);
        span.Offset = axis.Weights.size();
        for (int j = first; j <= last; ++j) axis.Weights.push_back(BoxWeight(j, low, high));
    }
    return axis;
}

} // namespace

double ResampleScale(int From, int To)
{
    return static_cast<double>(static_cast<long double>(From) / static_cast<long double>(To));
}

float ShrinkArea(int Width, int Height, int NewWidth, int NewHeight)
{
    const long double pixels = static_cast<long double>(static_cast<std::int64_t>(Width) * Height);
    return static_cast<float>((pixels / NewWidth) / NewHeight);
}

void EnlargeRows(const std::uint8_t* const* Source, int Width, int Height, std::uint8_t* const* Dest,
                 int NewWidth, int NewHeight)
{
    const std::vector<TBilinearTap> columns = BilinearTaps(NewWidth, ResampleScale(Width, NewWidth), Width - 1);
    const std::vector<TBilinearTap> rows = BilinearTaps(NewHeight, ResampleScale(Height, NewHeight), Height - 1);

    for (int y = 0; y < NewHeight; ++y) {
        const TBilinearTap& row = rows[static_cast<std::size_t>(y)];
        const std::uint8_t* upper = Source[row.Near];
        const std::uint8_t* lower = Source[row.Far];
        const long double dy = row.Frac;
        std::uint8_t* out = Dest[y];
        for (const TBilinearTap& column : columns) {
            const std::uint8_t* a = upper + 3 * static_cast<std::ptrdiff_t>(column.Near);
            const std::uint8_t* b = upper + 3 * static_cast<std::ptrdiff_t>(column.Far);
            const std::uint8_t* c = lower + 3 * static_cast<std::ptrdiff_t>(column.Near);
            const std::uint8_t* d = lower + 3 * static_cast<std::ptrdiff_t>(column.Far);
            const long double dx = column.Frac;
            out[0] = Bilinear(a[0], b[0], c[0], d[0], dx, dy);
            out[1] = Bilinear(a[1], b[1], c[1], d[1], dx, dy);
            out[2] = Bilinear(a[2], b[2], c[2], d[2], dx, dy);
            out += 3;
        }
    }
}

void ShrinkRows(const std::uint8_t* const* Source, int Width, int Height, std::uint8_t* const* Dest,
                int NewWidth, int NewHeight, float Area)
{
    const TBoxAxis columns = BoxAxis(NewWidth, ResampleScale(Width, NewWidth), Width);
    const TBoxAxis rows = BoxAxis(NewHeight, ResampleScale(Height, NewHeight), Height);
    const long double area = Area;

    for (int y = 0; y < NewHeight; ++y) {
        const TBoxSpan& rowSpan = rows.Spans[static_cast<std::size_t>(y)];
        const double* wy = rows.Weights.data() + rowSpan.Offset;
        std::uint8_t* out = Dest[y];
        for (const TBoxSpan& colSpan : columns.Spans) {
            const double* wx = columns.Weights.data() + colSpan.Offset;
            // Rows outer, columns inner, each term added to a double sum
            // in extended precision: the order and roundings of the sums
            // are part of the result.
            double blue = 0, green = 0, red = 0;
            for (int i = 0; i < rowSpan.Count; ++i) {
                const long double rowWeight = wy[i];
                const std::uint8_t* p = Source[rowSpan.First + i] + 3 * static_cast<std::ptrdiff_t>(colSpan.First);
                for (int j = 0; j < colSpan.Count; ++j, p += 3) {
                    const long double w = wx[j] * rowWeight;
                    red = static_cast<double>(red + w * p[2]);
                    green = static_cast<double>(green + w * p[1]);
                    blue = static_cast<double>(blue + w * p[0]);
                }
            }
            out[2] = RoundToByte(red / area);
            out[1] = RoundToByte(green / area);
            out[0] = RoundToByte(blue / area);
            out += 3;
        }
    }
}

} // namespace pictor
