#include "image/Resample.h"

#include "core/Parallel.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__GNUC__) && defined(__x86_64__)
#include <immintrin.h>
#endif

// Speed without changing a result: every channel is first evaluated in double
// precision (fast SSE arithmetic) and, when that value lies clearly away from
// a rounding boundary (a half-integer), rounded directly; the extended
// evaluation would round it the same way, since the two differ by far less
// than the margin kept. Only values within the margin of a half-integer are
// evaluated again in extended precision, exactly as defined.

namespace pictor {

namespace {

// Extended-precision value rounded half to even (the default rounding mode);
// the result channel is its low byte.
inline std::uint8_t RoundToByte(long double v)
{
#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
    // What lrintl does, without the call: the x87 store rounds by the
    // current mode, which is round to nearest, ties to even.
    long long n;
    __asm__("fistpll %0" : "=m"(n) : "t"(v) : "st");
    return static_cast<std::uint8_t>(n);
#else
    return static_cast<std::uint8_t>(std::lrint(v));
#endif
}

// The nearest integer's low byte when v lies more than margin away from a
// half-integer; otherwise false (the value needs the exact evaluation).
inline bool RoundClear(double v, double margin, std::uint8_t& out)
{
    // floor(v) without a library call (v is far inside the range of a long
    // long: resampled channels lie within a few units of 0..255).
    double below = static_cast<double>(static_cast<long long>(v));
    if (below > v) below -= 1;
    const double frac = v - below;
    if (std::fabs(frac - 0.5) <= margin) return false;
    out = static_cast<std::uint8_t>(static_cast<long long>(below) + (frac > 0.5 ? 1 : 0));
    return true;
}

// --- Enlarge ---------------------------------------------------------------

// The two source neighbours of one result column (or row) and the fraction
// between them (exact in a double: it is the fractional part of a double).
struct TBilinearTap {
    int Near = 0;
    int Far = 0;
    double Frac = 0;
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
        tap.Frac = f - f0;
        tap.Near = std::clamp(f0, 0, Last);
        tap.Far = std::clamp(f0 + 1, 0, Last);
    }
    return taps;
}

// The bilinear value as defined: ((dx StepX + (dx Cross) dy) + dy StepY) +
// p00 in extended precision, rounded half to even.
inline std::uint8_t ExactBilinear(int p00, int p10, int p01, int p11, double dx, double dy)
{
    const int stepX = p10 - p00;
    const int stepY = p01 - p00;
    const int cross = p11 + p00 - p10 - p01;
    const long double ldx = dx, ldy = dy;
    return RoundToByte(((ldx * stepX + (ldx * cross) * ldy) + ldy * stepY) + p00);
}

// The quick evaluation is separable: each source row is interpolated along
// the row once, h = a + dx (b - a), and each result channel is
// v = h0 + dy (h1 - h0), all in double. In exact arithmetic v is the defined
// bilinear value (the same polynomial in dx and dy), which lies in 0..255,
// and so does every intermediate here. Each of the six roundings is off by
// at most half a unit in the last place, 2^-46 below 256, and carried errors
// are scaled by dy <= 1 at most: v is within 2^-43 of the exact value. The
// extended evaluation rounds four times with 64-bit mantissas, within 2^-53
// of it. A v farther than the margin from every half-integer therefore
// rounds like the defined value; the others are evaluated again exactly.
constexpr double kBilinearMargin = 1.0 / (1LL << 40);

// Source rows interpolated along the row at every result column: channel i
// of the result row, for column i / 3, is a + dx (b - a) of the column's two
// source pixels. A row's channels are made doubles once, with the
// difference of each to the same channel of the next pixel (exact), so a
// column costs one multiplication and one addition per channel, the same
// operations on the same values as written out directly.
class TRowInterpolator {
public:
    TRowInterpolator(const std::vector<TBilinearTap>& columns, int width)
        : FWidth(static_cast<std::size_t>(width)), FValues(3 * FWidth + 1), FSteps(3 * FWidth + 4, 0)
    {
        FColumns.reserve(columns.size());
        for (const TBilinearTap& tap : columns) {
            // Neighbours are the same pixel or the next one.
            const std::size_t at = 3 * static_cast<std::size_t>(tap.Near);
            FColumns.push_back({at, tap.Far == tap.Near ? 3 * FWidth : at, tap.Frac});
        }
    }

    // Fills 3 * columns + 1 doubles of out (the last one is scratch).
    void Run(const std::uint8_t* source, double* out)
    {
        const std::size_t channels = 3 * FWidth;
        for (std::size_t j = 0; j < channels; ++j) FValues[j] = source[j];
        for (std::size_t j = 0; j + 3 < channels; ++j) FSteps[j] = FValues[j + 3] - FValues[j];
        const double* values = FValues.data();
        const double* steps = FSteps.data();
        for (const TColumn& column : FColumns) {
            const double* a = values + column.At;
            const double* d = steps + column.StepAt;
#if defined(__SSE2__)
            const __m128d dx = _mm_set1_pd(column.Frac);
            _mm_storeu_pd(out, _mm_add_pd(_mm_loadu_pd(a), _mm_mul_pd(dx, _mm_loadu_pd(d))));
            _mm_storeu_pd(out + 2, _mm_add_pd(_mm_loadu_pd(a + 2), _mm_mul_pd(dx, _mm_loadu_pd(d + 2))));
#else
            for (int c = 0; c < 3; ++c) out[c] = a[c] + column.Frac * d[c];
#endif
            out += 3;
        }
    }

private:
    struct TColumn {
        std::size_t At;     // first channel of the near pixel
        std::size_t StepAt; // its steps, or zeros when both neighbours are one pixel
        double Frac;
    };

    std::size_t FWidth;
    std::vector<TColumn> FColumns;
    std::vector<double> FValues; // the row's channels, and one of scratch
    std::vector<double> FSteps;  // to the next pixel's channel; zero from the last pixel on
};

// Blending two interpolated source rows h0 (upper) and h1 (lower) into
// channels of one result row: each byte is written from the quick
// evaluation, and the channels within the margin of a tie are listed in
// unclear, to be evaluated again together (the extended evaluations of a
// row then overlap in the processor). The vector versions do whole groups
// from the start and return where they stopped; the same arithmetic in the
// same order per channel, so every version writes the same bytes.
//
// The rounding: v + 1.5 * 2^52 rounds v to the nearest integer n, which is
// then the low word of the sum's bits; |v - n| is exact, and v lies within
// the margin of a half-integer when it exceeds 0.5 - margin.
constexpr double kRoundingMagic = 6755399441055744.0;

void BlendTail(const double* h0, const double* h1, double dy, std::size_t i, std::size_t count, std::uint8_t* out,
               std::vector<std::uint32_t>& unclear)
{
    for (; i < count; ++i) {
        const double v = h0[i] + dy * (h1[i] - h0[i]);
        const auto below = static_cast<long long>(v + 0.5); // v + 0.5 > 0: truncation is floor
        out[i] = static_cast<std::uint8_t>(below);
        if (std::fabs(v - static_cast<double>(below)) > 0.5 - kBilinearMargin)
            unclear.push_back(static_cast<std::uint32_t>(i));
    }
}

#if defined(__SSE2__)
std::size_t BlendSse2(const double* h0, const double* h1, double dy, std::size_t count, std::uint8_t* out,
                      std::vector<std::uint32_t>& unclear)
{
    std::size_t i = 0;
    const __m128d vdy = _mm_set1_pd(dy), magic = _mm_set1_pd(kRoundingMagic);
    const __m128d nearTie = _mm_set1_pd(0.5 - kBilinearMargin);
    const __m128d absMask = _mm_castsi128_pd(_mm_set1_epi64x(0x7FFFFFFFFFFFFFFF));
    for (; i + 8 <= count; i += 8) {
        __m128i whole[4];
        int flags = 0;
        for (int j = 0; j < 4; ++j) {
            const __m128d a = _mm_loadu_pd(h0 + i + 2 * j), b = _mm_loadu_pd(h1 + i + 2 * j);
            const __m128d v = _mm_add_pd(a, _mm_mul_pd(vdy, _mm_sub_pd(b, a)));
            const __m128d rounded = _mm_add_pd(v, magic);
            const __m128d distance = _mm_and_pd(_mm_sub_pd(v, _mm_sub_pd(rounded, magic)), absMask);
            flags |= _mm_movemask_pd(_mm_cmpgt_pd(distance, nearTie)) << (2 * j);
            whole[j] = _mm_shuffle_epi32(_mm_castpd_si128(rounded), _MM_SHUFFLE(3, 1, 2, 0));
        }
        const __m128i words = _mm_packs_epi32(_mm_unpacklo_epi64(whole[0], whole[1]),
                                              _mm_unpacklo_epi64(whole[2], whole[3]));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out + i), _mm_packus_epi16(words, words));
        for (; flags != 0; flags &= flags - 1)
            unclear.push_back(static_cast<std::uint32_t>(i) + static_cast<std::uint32_t>(__builtin_ctz(flags)));
    }
    return i;
}
#endif

#if defined(__GNUC__) && defined(__x86_64__)
#define PICTOR_BLEND_AVX2 1
// Four channels to a register where the processor has AVX2 (checked at run
// time).
__attribute__((target("avx2"))) std::size_t BlendAvx2(const double* h0, const double* h1, double dy,
                                                      std::size_t count, std::uint8_t* out,
                                                      std::vector<std::uint32_t>& unclear)
{
    std::size_t i = 0;
    const __m256d vdy = _mm256_set1_pd(dy), magic = _mm256_set1_pd(kRoundingMagic);
    const __m256d nearTie = _mm256_set1_pd(0.5 - kBilinearMargin);
    const __m256d absMask = _mm256_castsi256_pd(_mm256_set1_epi64x(0x7FFFFFFFFFFFFFFF));
    const __m256i lowWords = _mm256_setr_epi32(0, 2, 4, 6, 1, 3, 5, 7);
    for (; i + 16 <= count; i += 16) {
        __m128i whole[4];
        int flags = 0;
        for (int j = 0; j < 4; ++j) {
            const __m256d a = _mm256_loadu_pd(h0 + i + 4 * j), b = _mm256_loadu_pd(h1 + i + 4 * j);
            const __m256d v = _mm256_add_pd(a, _mm256_mul_pd(vdy, _mm256_sub_pd(b, a)));
            const __m256d rounded = _mm256_add_pd(v, magic);
            const __m256d distance = _mm256_and_pd(_mm256_sub_pd(v, _mm256_sub_pd(rounded, magic)), absMask);
            flags |= _mm256_movemask_pd(_mm256_cmp_pd(distance, nearTie, _CMP_GT_OQ)) << (4 * j);
            whole[j] = _mm256_castsi256_si128(_mm256_permutevar8x32_epi32(_mm256_castpd_si256(rounded), lowWords));
        }
        const __m128i bytes =
            _mm_packus_epi16(_mm_packs_epi32(whole[0], whole[1]), _mm_packs_epi32(whole[2], whole[3]));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), bytes);
        for (; flags != 0; flags &= flags - 1)
            unclear.push_back(static_cast<std::uint32_t>(i) + static_cast<std::uint32_t>(__builtin_ctz(flags)));
    }
    return i;
}
#endif

using TBlendGroups = std::size_t (*)(const double*, const double*, double, std::size_t, std::uint8_t*,
                                     std::vector<std::uint32_t>&);

int gVectorLanes = 4;

// The widest group blend this processor runs within gVectorLanes, or none.
TBlendGroups GroupBlend()
{
#if defined(PICTOR_BLEND_AVX2)
    if (gVectorLanes >= 4 && __builtin_cpu_supports("avx2")) return BlendAvx2;
#endif
#if defined(__SSE2__)
    if (gVectorLanes >= 2) return BlendSse2;
#endif
    return nullptr;
}

void BlendRows(TBlendGroups groups, const double* h0, const double* h1, double dy, std::size_t count,
               std::uint8_t* out, std::vector<std::uint32_t>& unclear)
{
    unclear.clear();
    const std::size_t done = groups != nullptr ? groups(h0, h1, dy, count, out, unclear) : 0;
    BlendTail(h0, h1, dy, done, count, out, unclear);
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

// One result pixel of Shrink: the source pixels of its box.
struct TBox {
    const std::uint8_t* const* Rows;
    const TBoxSpan* RowSpan;
    const double* RowWeights;
    const TBoxSpan* ColumnSpan;
    const double* ColumnWeights;
};

// The channel sums as defined: rows outer, columns inner, each term
// (wx * wy) * value formed in extended precision and added to a double sum
// in extended precision; the quotient by Area rounded half to even.
void ExactBoxAverage(const TBox& box, long double area, std::uint8_t* out)
{
    double blue = 0, green = 0, red = 0;
    for (int i = 0; i < box.RowSpan->Count; ++i) {
        const long double wy = box.RowWeights[i];
        const std::uint8_t* p = box.Rows[box.RowSpan->First + i] + 3 * static_cast<std::ptrdiff_t>(box.ColumnSpan->First);
        for (int j = 0; j < box.ColumnSpan->Count; ++j, p += 3) {
            const long double w = box.ColumnWeights[j] * wy;
            red = static_cast<double>(red + w * p[2]);
            green = static_cast<double>(green + w * p[1]);
            blue = static_cast<double>(blue + w * p[0]);
        }
    }
    out[2] = RoundToByte(red / area);
    out[1] = RoundToByte(green / area);
    out[0] = RoundToByte(blue / area);
}

// The same sums in double arithmetic. The terms are not negative, so each of
// the n additions moves a sum by at most a few units in the last place of
// the final sum: the quotients of the two evaluations differ by less than
// 255 * (2n + 5) * 2^-53, which the margin exceeds sixteenfold. A pixel
// with a quotient inside the margin is evaluated again exactly.
void QuickBoxAverage(const TBox& box, double area, long double exactArea, std::uint8_t* out)
{
    double blue = 0, green = 0, red = 0;
    for (int i = 0; i < box.RowSpan->Count; ++i) {
        const double wy = box.RowWeights[i];
        const std::uint8_t* p = box.Rows[box.RowSpan->First + i] + 3 * static_cast<std::ptrdiff_t>(box.ColumnSpan->First);
        for (int j = 0; j < box.ColumnSpan->Count; ++j, p += 3) {
            const double w = box.ColumnWeights[j] * wy;
            red += w * p[2];
            green += w * p[1];
            blue += w * p[0];
        }
    }
    const double taps = static_cast<double>(box.RowSpan->Count) * box.ColumnSpan->Count;
    const double margin = (taps + 8) * (1.0 / (1LL << 40));
    if (!RoundClear(red / area, margin, out[2]) || !RoundClear(green / area, margin, out[1]) ||
        !RoundClear(blue / area, margin, out[0]))
        ExactBoxAverage(box, exactArea, out);
}

} // namespace

void LimitResampleVectors(int Lanes)
{
    gVectorLanes = Lanes;
}

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
    const std::size_t channels = 3 * static_cast<std::size_t>(NewWidth);
    const TBlendGroups groups = GroupBlend();

    // Each thread takes a band of result rows with its own interpolated
    // source rows, two at a time: consecutive result rows mostly share
    // theirs. A source row two bands need is interpolated by both, to the
    // same values.
    SplitWork(static_cast<std::size_t>(NewHeight), channels, [&](std::size_t top, std::size_t bottom) {
        TRowInterpolator interpolate(columns, Width);
        std::vector<double> store(2 * (channels + 1));
        double* const buffers[2] = {store.data(), store.data() + channels + 1};
        int held[2] = {-1, -1};
        std::vector<std::uint32_t> unclear;
        unclear.reserve(channels);
        const auto slotOf = [&](int row, int keep) {
            for (int s = 0; s < 2; ++s)
                if (held[s] == row) return s;
            const int s = keep == 0 ? 1 : 0;
            interpolate.Run(Source[row], buffers[s]);
            held[s] = row;
            return s;
        };

        for (std::size_t y = top; y < bottom; ++y) {
            const TBilinearTap& row = rows[y];
            const int farSlot = held[0] == row.Far ? 0 : held[1] == row.Far ? 1 : -1;
            const int upperSlot = slotOf(row.Near, farSlot);
            const int lowerSlot = slotOf(row.Far, upperSlot);
            const std::uint8_t* upper = Source[row.Near];
            const std::uint8_t* lower = Source[row.Far];
            const double dy = row.Frac;
            std::uint8_t* out = Dest[y];
            BlendRows(groups, buffers[upperSlot], buffers[lowerSlot], dy, channels, out, unclear);
            for (const std::uint32_t i : unclear) {
                const TBilinearTap& column = columns[i / 3];
                const std::size_t c = i % 3;
                const std::size_t near = 3 * static_cast<std::size_t>(column.Near) + c;
                const std::size_t far = 3 * static_cast<std::size_t>(column.Far) + c;
                out[i] = ExactBilinear(upper[near], upper[far], lower[near], lower[far], column.Frac, dy);
            }
        }
    });
}

void ShrinkRows(const std::uint8_t* const* Source, int Width, int Height, std::uint8_t* const* Dest,
                int NewWidth, int NewHeight, float Area)
{
    const TBoxAxis columns = BoxAxis(NewWidth, ResampleScale(Width, NewWidth), Width);
    const TBoxAxis rows = BoxAxis(NewHeight, ResampleScale(Height, NewHeight), Height);

    // Bands of result rows on the threads; a result row costs about the
    // source pixels its boxes cover.
    const std::size_t rowPixels =
        static_cast<std::size_t>(Width) * static_cast<std::size_t>(std::max(Height / std::max(NewHeight, 1), 1));
    SplitWork(static_cast<std::size_t>(NewHeight), rowPixels, [&](std::size_t top, std::size_t bottom) {
        for (std::size_t y = top; y < bottom; ++y) {
            const TBoxSpan& rowSpan = rows.Spans[y];
            std::uint8_t* out = Dest[y];
            for (const TBoxSpan& columnSpan : columns.Spans) {
                const TBox box{Source, &rowSpan, rows.Weights.data() + rowSpan.Offset, &columnSpan,
                               columns.Weights.data() + columnSpan.Offset};
                QuickBoxAverage(box, Area, Area, out);
                out += 3;
            }
        }
    });
}

} // namespace pictor
