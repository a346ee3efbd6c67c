#include "reduce/WuQuantizer.h"

#include "core/Exception.h"

namespace pictor {

namespace {

double SquaredLength(double red, double green, double blue)
{
    return red * red + green * green + blue * blue;
}

} // namespace

TWuQuantizer::TWuQuantizer(const TColorHistogram& histogram)
    : FCumulative(static_cast<std::size_t>(kCorners) * kCorners * kCorners)
{
    constexpr int side = TColorHistogram::kSide;
    for (int r = 0; r < side; ++r)
        for (int g = 0; g < side; ++g)
            for (int b = 0; b < side; ++b)
                FCumulative[At(r + 1, g + 1, b + 1)] = histogram.Cell(r << 12 | g << 6 | b);
    // Running sums along blue, then green, then red.
    for (int r = 1; r < kCorners; ++r)
        for (int g = 1; g < kCorners; ++g)
            for (int b = 2; b < kCorners; ++b)
                FCumulative[At(r, g, b)] += FCumulative[At(r, g, b - 1)];
    for (int r = 1; r < kCorners; ++r)
        for (int g = 2; g < kCorners; ++g)
            for (int b = 1; b < kCorners; ++b)
                FCumulative[At(r, g, b)] += FCumulative[At(r, g - 1, b)];
    for (int r = 2; r < kCorners; ++r)
        for (int g = 1; g < kCorners; ++g)
            for (int b = 1; b < kCorners; ++b)
                FCumulative[At(r, g, b)] += FCumulative[At(r - 1, g, b)];
}

TWuQuantizer::TMoments TWuQuantizer::Volume(const TBox& box) const
{
    // The eight corners, in and out by turns; the sums wrap on the way and
    // end exact.
    TMoments v;
    const auto add = [&](int r, int g, int b, int sign) {
        if (sign > 0)
            v += FCumulative[At(r, g, b)];
        else
            v -= FCumulative[At(r, g, b)];
    };
    const int r0 = box.Low[0], r1 = box.High[0], g0 = box.Low[1], g1 = box.High[1], b0 = box.Low[2],
              b1 = box.High[2];
    add(r1, g1, b1, 1);
    add(r1, g1, b0, -1);
    add(r1, g0, b1, -1);
    add(r1, g0, b0, 1);
    add(r0, g1, b1, -1);
    add(r0, g1, b0, 1);
    add(r0, g0, b1, 1);
    add(r0, g0, b0, -1);
    return v;
}

double TWuQuantizer::Variance(const TBox& box) const
{
    const TMoments v = Volume(box);
    if (v.Count == 0) return 0;
    return static_cast<double>(v.Squares) - SquaredLength(static_cast<double>(v.Red),
                                                          static_cast<double>(v.Green),
                                                          static_cast<double>(v.Blue)) /
                                                static_cast<double>(v.Count);
}

bool TWuQuantizer::Cut(TBox& box, TBox& upper) const
{
    const TMoments whole = Volume(box);
    // The halves' sum of |sum|^2 / count is largest where their variances
    // together are least; the whole box's own term is the bar to beat.
    double best = 0;
    int bestAxis = -1, bestAt = 0;
    for (int axis = 0; axis < 3; ++axis) {
        for (int at = box.Low[axis] + 1; at < box.High[axis]; ++at) {
            TBox lower = box;
            lower.High[axis] = at;
            const TMoments half = Volume(lower);
            const std::uint64_t restCount = whole.Count - half.Count;
            if (half.Count == 0 || restCount == 0) continue;
            const double score = SquaredLength(static_cast<double>(half.Red), static_cast<double>(half.Green),
                                               static_cast<double>(half.Blue)) /
                                     static_cast<double>(half.Count) +
                                 SquaredLength(static_cast<double>(whole.Red - half.Red),
                                               static_cast<double>(whole.Green - half.Green),
                                               static_cast<double>(whole.Blue - half.Blue)) /
                                     static_cast<double>(restCount);
            if (bestAxis < 0 || score > best) {
                best = score;
                bestAxis = axis;
                bestAt = at;
            }
        }
    }
    if (bestAxis < 0) return false;
    upper = box;
    upper.Low[bestAxis] = bestAt;
    box.High[bestAxis] = bestAt;
    return true;
}

std::vector<TColorSum> TWuQuantizer::Boxes(int colors) const
{
    PICTOR_ASSERT(colors >= 1);
    constexpr int side = TColorHistogram::kSide;
    std::vector<TBox> boxes{TBox{{0, 0, 0}, {side, side, side}}};
    std::vector<double> variance{Variance(boxes[0])};
    if (Volume(boxes[0]).Count == 0) return {};

    while (static_cast<int>(boxes.size()) < colors) {
        std::size_t next = 0;
        for (std::size_t i = 1; i < boxes.size(); ++i)
            if (variance[i] > variance[next]) next = i;
        if (variance[next] <= 0) break;
        TBox upper;
        if (!Cut(boxes[next], upper)) {
            // All its pixels lie in one cell: nothing to cut.
            variance[next] = 0;
            continue;
        }
        boxes.push_back(upper);
        variance[next] = Variance(boxes[next]);
        variance.push_back(Variance(upper));
    }

    std::vector<TColorSum> sums;
    for (const TBox& box : boxes)
        sums.push_back(Volume(box));
    return sums;
}

} // namespace pictor
