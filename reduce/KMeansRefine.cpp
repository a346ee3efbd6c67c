#include "reduce/KMeansRefine.h"

#include "core/Exception.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <limits>

namespace pictor {

namespace {

// Lloyd's rounds at most after a relocation.
constexpr int kTrialRounds = 6;
// Relocation trials at most, and only for this many points or fewer: each
// trial searches every point again.
constexpr int kTrials = 16;
constexpr std::size_t kTrialPoints = 1 << 15;
// The centres of the largest drift in a round, whose distance each point
// measures instead of lowering its bound by their drift.
constexpr std::size_t kMovers = 4;

// Positions in sixteenths of a level: the largest squared distance,
// 3 * 4080^2, fits an int32.
constexpr std::uint64_t kScale = 16;
constexpr std::int32_t kTop = 255 * kScale;
// Bounds are square roots in double; a margin keeps their rounding from
// ever skipping a point whose centre could change.
constexpr double kMargin = 1e-6;

using TPosition = std::array<std::int32_t, 3>;

TPosition MeanOf(const TColorSum& sum)
{
    const auto scaled = [&](std::uint64_t channel) {
        return static_cast<std::int32_t>((channel * kScale + sum.Count / 2) / sum.Count);
    };
    return TPosition{scaled(sum.Red), scaled(sum.Green), scaled(sum.Blue)};
}

std::int32_t Distance2(const TPosition& a, const TPosition& b)
{
    const std::int32_t dr = a[0] - b[0], dg = a[1] - b[1], db = a[2] - b[2];
    return dr * dr + dg * dg + db * db;
}

double Distance(const TPosition& a, const TPosition& b)
{
    return std::sqrt(static_cast<double>(Distance2(a, b)));
}

class TLloyd {
public:
    TLloyd(const std::vector<TColorSum>& points, const std::vector<TColorSum>& start) : FSums(points)
    {
        for (const TColorSum& point : points)
            FPoints.push_back(MeanOf(point));
        for (const TColorSum& cluster : start)
            FCentres.push_back(MeanOf(cluster));
        const std::size_t n = FPoints.size();
        FAssigned.assign(n, 0);
        FUpper.resize(n);
        FLower.resize(n);
        CentresMoved();
        // Points come in colour order, and neighbours mostly share a centre:
        // each search starts from the previous point's.
        for (std::size_t i = 0; i < n; ++i)
            Search(i, i == 0 ? 0 : FAssigned[i - 1]);
    }

    void Run(int rounds)
    {
        std::vector<double> drift(FCentres.size());
        for (int round = 0; round < rounds; ++round) {
            if (!MoveCentres(drift)) return;
            if (Reassign(drift) == 0) return;
        }
    }

    // Relocation trials while they lower the error.
    void Relocate(int trials)
    {
        if (FCentres.size() < 3) return;
        std::int64_t error = Error();
        for (int trial = 0; trial < trials; ++trial) {
            const TLloyd before = *this;
            std::size_t worst = 0, weakest = 0;
            if (!MoveWeakestIntoWorst(worst, weakest)) return;
            Reseat(worst, weakest);
            Run(kTrialRounds);
            const std::int64_t after = Error();
            if (after >= error) {
                *this = before;
                return;
            }
            error = after;
        }
    }

    // The clusters of the present assignment, empty ones left out.
    std::vector<TColorSum> Clusters() const
    {
        std::vector<TColorSum> clusters;
        for (const TColorSum& sum : ClusterSums())
            if (sum.Count != 0) clusters.push_back(sum);
        return clusters;
    }

private:
    struct TNeighbour {
        double Distance;
        std::size_t Centre;
    };

    std::vector<TColorSum> ClusterSums() const
    {
        std::vector<TColorSum> sums(FCentres.size());
        for (std::size_t i = 0; i < FPoints.size(); ++i)
            sums[FAssigned[i]] += FSums[i];
        return sums;
    }

    // The squared error of the points against the means of their clusters,
    // in 256ths of a squared level (the points' own spread left out).
    std::int64_t Error() const
    {
        std::vector<TPosition> means;
        for (const TColorSum& sum : ClusterSums())
            means.push_back(sum.Count != 0 ? MeanOf(sum) : TPosition{});
        std::int64_t error = 0;
        for (std::size_t i = 0; i < FPoints.size(); ++i)
            error += static_cast<std::int64_t>(FSums[i].Count) * Distance2(FPoints[i], means[FAssigned[i]]);
        return error;
    }

    // Point i's nearest centre, searched from centre from outward: the other
    // centres in order of their distance from it, until they lie too far
    // from from to be nearer than the second nearest found. Its bounds
    // become exact.
    void Search(std::size_t i, std::size_t from)
    {
        const TPosition& p = FPoints[i];
        const double fromDistance = Distance(p, FCentres[from]);
        std::int32_t best = Distance2(p, FCentres[from]), second = std::numeric_limits<std::int32_t>::max();
        std::size_t nearest = from;
        double secondDistance = std::numeric_limits<double>::infinity();
        const std::vector<TNeighbour>& neighbours = Neighbours(from);
        for (std::size_t j = 0; j < neighbours.size(); ++j) {
            if (j == FSorted[from]) SortMore(from);
            const TNeighbour& n = neighbours[j];
            if (n.Distance - fromDistance > secondDistance + kMargin) break;
            const std::int32_t d = Distance2(p, FCentres[n.Centre]);
            if (d < best || (d == best && n.Centre < nearest)) {
                second = best;
                best = d;
                nearest = n.Centre;
            } else if (d < second) {
                second = d;
            } else {
                continue;
            }
            secondDistance = std::sqrt(static_cast<double>(second));
        }
        FAssigned[i] = static_cast<std::uint16_t>(nearest);
        FUpper[i] = std::sqrt(static_cast<double>(best));
        FLower[i] = secondDistance;
    }

    // The centres have moved: distances between them again, and no list of
    // neighbours sorted yet.
    void CentresMoved()
    {
        const std::size_t k = FCentres.size();
        FApart.assign(k * k, 0);
        FNearestOther.assign(k, {std::numeric_limits<double>::infinity(), k});
        for (std::size_t a = 0; a < k; ++a)
            for (std::size_t b = a + 1; b < k; ++b) {
                const double d = Distance(FCentres[a], FCentres[b]);
                FApart[a * k + b] = FApart[b * k + a] = d;
                if (d < FNearestOther[a].Distance) FNearestOther[a] = TNeighbour{d, b};
                if (d < FNearestOther[b].Distance) FNearestOther[b] = TNeighbour{d, a};
            }
        FNeighbours.assign(k, {});
        FSorted.assign(k, 0);
    }

    // The other centres and their distances from centre a, made when first
    // asked for after the centres moved (in the later rounds few points need
    // a search) and sorted by distance only as far as searches go
    // (FSorted[a] of them, SortMore).
    const std::vector<TNeighbour>& Neighbours(std::size_t a)
    {
        std::vector<TNeighbour>& list = FNeighbours[a];
        const std::size_t k = FCentres.size();
        if (list.empty() && k > 1) {
            for (std::size_t b = 0; b < k; ++b)
                if (b != a) list.push_back(TNeighbour{FApart[a * k + b], b});
            FSorted[a] = 0;
        }
        return list;
    }

    // Sorts twice as many of centre a's neighbours (at least eight).
    void SortMore(std::size_t a)
    {
        std::vector<TNeighbour>& list = FNeighbours[a];
        const std::size_t from = FSorted[a], to = std::min(list.size(), std::max<std::size_t>(8, 2 * from));
        std::partial_sort(
            list.begin() + static_cast<std::ptrdiff_t>(from), list.begin() + static_cast<std::ptrdiff_t>(to),
            list.end(), [](const TNeighbour& x, const TNeighbour& y) {
                return x.Distance < y.Distance || (x.Distance == y.Distance && x.Centre < y.Centre);
            });
        FSorted[a] = to;
    }

    // Moves every centre to the mean of its points (an empty one to the
    // costliest point); drift[k] is how far centre k moved. False when none
    // moved.
    bool MoveCentres(std::vector<double>& drift)
    {
        const std::vector<TColorSum> sums = ClusterSums();
        std::vector<bool> taken(FPoints.size(), false);
        bool moved = false;
        for (std::size_t k = 0; k < FCentres.size(); ++k) {
            TPosition next = FCentres[k];
            if (sums[k].Count != 0) {
                next = MeanOf(sums[k]);
            } else if (const std::size_t far = CostliestPoint(taken); far != FPoints.size()) {
                taken[far] = true;
                next = FPoints[far];
            }
            drift[k] = Distance(FCentres[k], next);
            moved = moved || next != FCentres[k];
            FCentres[k] = next;
        }
        return moved;
    }

    // The point whose pixels lie farthest from their centre in sum, among
    // those not taken; FPoints.size() when every point costs nothing.
    std::size_t CostliestPoint(const std::vector<bool>& taken) const
    {
        std::size_t far = FPoints.size();
        std::uint64_t most = 0;
        for (std::size_t i = 0; i < FPoints.size(); ++i) {
            if (taken[i]) continue;
            const std::uint64_t cost =
                FSums[i].Count * static_cast<std::uint64_t>(Distance2(FPoints[i], FCentres[FAssigned[i]]));
            if (cost > most) {
                most = cost;
                far = i;
            }
        }
        return far;
    }

    // Gives every point its nearest centre after the centres moved by drift;
    // returns how many points changed centre.
    std::size_t Reassign(const std::vector<double>& drift)
    {
        const std::size_t k = FCentres.size();
        CentresMoved();
        // Half the distance from each centre to its nearest other: a point
        // nearer than that to its centre keeps it.
        std::vector<double> half(k);
        for (std::size_t a = 0; a < k; ++a)
            half[a] = FNearestOther[a].Distance / 2;
        // The centres that moved farthest are measured against each point
        // instead of lowering every point's bound by their drift; the others
        // lower it by the largest of their drifts (the next one for a point
        // whose own centre has it).
        std::vector<std::size_t> order(k);
        for (std::size_t c = 0; c < k; ++c)
            order[c] = c;
        std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
            return drift[a] > drift[b] || (drift[a] == drift[b] && a < b);
        });
        const std::size_t movers = std::min(kMovers, k);
        const std::size_t next = movers < k ? order[movers] : k;
        const double nextDrift = movers < k ? drift[next] : 0;
        const double afterNext = movers + 1 < k ? drift[order[movers + 1]] : 0;

        std::size_t changed = 0;
        for (std::size_t i = 0; i < FPoints.size(); ++i) {
            const std::size_t own = FAssigned[i];
            FUpper[i] += drift[own];
            FLower[i] -= own == next ? afterNext : nextDrift;
            std::int32_t nearestMover = std::numeric_limits<std::int32_t>::max();
            for (std::size_t m = 0; m < movers; ++m)
                if (order[m] != own)
                    nearestMover = std::min(nearestMover, Distance2(FPoints[i], FCentres[order[m]]));
            FLower[i] = std::min(FLower[i], std::sqrt(static_cast<double>(nearestMover)));
            const double bound = std::max(half[own], FLower[i]) - kMargin;
            if (FUpper[i] < bound) continue;
            FUpper[i] = Distance(FPoints[i], FCentres[own]);
            if (FUpper[i] < bound) continue;
            Search(i, own);
            if (FAssigned[i] != own) ++changed;
        }
        return changed;
    }

    // Gives every point its nearest centre after centres a and b alone moved
    // (a relocation): only their points are searched again; every other point
    // keeps its centre unless one of the two came nearer.
    void Reseat(std::size_t a, std::size_t b)
    {
        CentresMoved();
        for (std::size_t i = 0; i < FPoints.size(); ++i) {
            const std::size_t own = FAssigned[i];
            if (own == a || own == b) {
                Search(i, own);
                continue;
            }
            const std::int32_t toOwn = Distance2(FPoints[i], FCentres[own]),
                               toA = Distance2(FPoints[i], FCentres[a]),
                               toB = Distance2(FPoints[i], FCentres[b]);
            std::size_t nearest = own;
            std::int32_t best = toOwn;
            for (const auto& [c, d] : {std::pair{a, toA}, std::pair{b, toB}})
                if (d < best || (d == best && c < nearest)) {
                    nearest = c;
                    best = d;
                }
            const double bestDistance = std::sqrt(static_cast<double>(best));
            // The centres that did not move lie at least FLower[i] away; one
            // as near as a moved centre might win a tie by its index.
            if (nearest != own && bestDistance >= FLower[i] - kMargin) {
                Search(i, own);
                continue;
            }
            std::int32_t second = std::numeric_limits<std::int32_t>::max();
            for (const auto& [c, d] : {std::pair{own, toOwn}, std::pair{a, toA}, std::pair{b, toB}})
                if (c != nearest) second = std::min(second, d);
            FAssigned[i] = static_cast<std::uint16_t>(nearest);
            FUpper[i] = bestDistance;
            FLower[i] = std::min(FLower[i], std::sqrt(static_cast<double>(second)));
        }
    }

    // One relocation: the centre whose pixels would cost least to merge into
    // its nearest neighbour's (Ward's cost) and the centre of the cluster of
    // the largest error become the two halves of that cluster, a standard
    // deviation apart along its principal axis. False when there is nothing
    // to split.
    bool MoveWeakestIntoWorst(std::size_t& worst, std::size_t& weakest)
    {
        const std::vector<TColorSum> sums = ClusterSums();
        const std::size_t k = FCentres.size();
        std::vector<std::int64_t> error(k, 0);
        for (std::size_t i = 0; i < FPoints.size(); ++i)
            error[FAssigned[i]] +=
                static_cast<std::int64_t>(FSums[i].Count) * Distance2(FPoints[i], FCentres[FAssigned[i]]);
        worst = static_cast<std::size_t>(std::max_element(error.begin(), error.end()) - error.begin());
        if (error[worst] == 0 || sums[worst].Count < 2) return false;

        weakest = k;
        double least = std::numeric_limits<double>::infinity();
        for (std::size_t c = 0; c < k; ++c) {
            if (c == worst) continue;
            const TNeighbour& n = FNearestOther[c];
            const double w = static_cast<double>(sums[c].Count),
                         v = static_cast<double>(sums[n.Centre].Count);
            const double cost = w + v > 0 ? w * v / (w + v) * n.Distance * n.Distance : 0;
            if (cost < least) {
                least = cost;
                weakest = c;
            }
        }
        if (weakest == k) return false;

        // The worst cluster's spread, and its axis by power iteration.
        const TPosition& centre = FCentres[worst];
        double spread[3][3] = {};
        for (std::size_t i = 0; i < FPoints.size(); ++i) {
            if (FAssigned[i] != worst) continue;
            double d[3];
            for (int c = 0; c < 3; ++c)
                d[c] = FPoints[i][static_cast<std::size_t>(c)] - centre[static_cast<std::size_t>(c)];
            const double w = static_cast<double>(FSums[i].Count);
            for (int a = 0; a < 3; ++a)
                for (int b = 0; b < 3; ++b)
                    spread[a][b] += w * d[a] * d[b];
        }
        double axis[3] = {1, 1, 1}, length = 0;
        for (int step = 0; step < 32; ++step) {
            double next[3];
            for (int a = 0; a < 3; ++a)
                next[a] = spread[a][0] * axis[0] + spread[a][1] * axis[1] + spread[a][2] * axis[2];
            length = std::sqrt(next[0] * next[0] + next[1] * next[1] + next[2] * next[2]);
            if (length == 0) return false;
            for (int a = 0; a < 3; ++a)
                axis[a] = next[a] / length;
        }
        // length is now the largest eigenvalue: the variance along the axis
        // times the cluster's pixels.
        const double half = std::sqrt(length / static_cast<double>(sums[worst].Count)) / 2;
        TPosition up, down;
        for (std::size_t c = 0; c < 3; ++c) {
            const double offset = half * axis[c];
            up[c] = std::clamp(static_cast<std::int32_t>(std::lround(centre[c] + offset)), 0, kTop);
            down[c] = std::clamp(static_cast<std::int32_t>(std::lround(centre[c] - offset)), 0, kTop);
        }
        if (up == down) return false;
        FCentres[worst] = up;
        FCentres[weakest] = down;
        return true;
    }

    std::vector<TColorSum> FSums;
    std::vector<TPosition> FPoints;
    std::vector<TPosition> FCentres;
    std::vector<std::uint16_t> FAssigned;
    // Bounds: the distance to the own centre is at most FUpper, to any other
    // at least FLower.
    std::vector<double> FUpper;
    std::vector<double> FLower;
    // Distances between the centres (k by k), each centre's nearest other,
    // and the sorted neighbour lists made so far.
    std::vector<double> FApart;
    std::vector<TNeighbour> FNearestOther;
    std::vector<std::vector<TNeighbour>> FNeighbours;
    std::vector<std::size_t> FSorted;
};

} // namespace

std::vector<TColorSum> KMeansRefine(const std::vector<TColorSum>& points, const std::vector<TColorSum>& start,
                                    const TKMeansEffort& effort)
{
    PICTOR_ASSERT(!start.empty() && start.size() <= 256);
    for (const TColorSum& cluster : start)
        PICTOR_ASSERT(cluster.Count != 0);
    TLloyd lloyd(points, start);
    lloyd.Run(effort.Rounds);
    if (effort.Relocate && points.size() <= kTrialPoints) lloyd.Relocate(kTrials);
    return lloyd.Clusters();
}

} // namespace pictor
