// Splitting an operation's rows over threads: the ranges cover every item
// once and in order, respect the grain and the alignment, and a failure in
// any range reaches the caller only after every range has ended.
#include "core/Parallel.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <set>
#include <stdexcept>
#include <thread>
#include <utility>
#include <vector>

namespace pictor {
namespace {

// Restores the process-wide settings a test changes.
struct TSplitSettings {
    TSplitSettings(int threads, std::size_t grain)
    {
        SetOperationThreads(threads);
        SetThreadGrain(grain);
    }
    ~TSplitSettings()
    {
        SetOperationThreads(0);
        SetThreadGrain(kDefaultThreadGrain);
    }
};

using TRanges = std::vector<std::pair<std::size_t, std::size_t>>;

TRanges RangesOf(std::size_t count, std::size_t itemPixels, std::size_t align = 1)
{
    std::mutex mutex;
    std::set<std::pair<std::size_t, std::size_t>> seen;
    SplitWork(
        count, itemPixels,
        [&](std::size_t first, std::size_t end) {
            const std::lock_guard<std::mutex> lock(mutex);
            seen.emplace(first, end);
        },
        align);
    return TRanges(seen.begin(), seen.end());
}

// The ranges, sorted, must tile [0, count) without gaps or overlaps.
void ExpectTiling(const TRanges& ranges, std::size_t count)
{
    ASSERT_FALSE(ranges.empty());
    EXPECT_EQ(ranges.front().first, 0u);
    EXPECT_EQ(ranges.back().second, count);
    for (std::size_t i = 0; i < ranges.size(); ++i) {
        EXPECT_LT(ranges[i].first, ranges[i].second);
        if (i > 0) {
            EXPECT_EQ(ranges[i].first, ranges[i - 1].second);
        }
    }
}

TEST(SplitWork, RangesTileTheItemsWithinTheThreadCountAndGrain)
{
    {
        const TSplitSettings settings(3, 1);
        for (const std::size_t count : {1u, 2u, 3u, 4u, 7u, 1000u, 1001u}) {
            const TRanges ranges = RangesOf(count, 1);
            ExpectTiling(ranges, count);
            EXPECT_EQ(ranges.size(), std::min<std::size_t>(count, 3)) << count;
        }
    }
    {
        // 100 rows of 1000 pixels against a grain of 30,000 pixels: at most
        // three ranges of 30 rows or more, whatever the threads allow.
        const TSplitSettings settings(8, 30000);
        const TRanges ranges = RangesOf(100, 1000);
        ExpectTiling(ranges, 100);
        EXPECT_EQ(ranges.size(), 3u);
        // Under the grain the caller does it all.
        EXPECT_EQ(RangesOf(50, 1000).size(), 1u);
    }
    {
        const TSplitSettings settings(1, 1);
        EXPECT_EQ(RangesOf(1000, 1000), (TRanges{{0, 1000}}));
    }
    {
        const TSplitSettings settings(3, 1);
        bool called = false;
        SplitWork(0, 1, [&](std::size_t, std::size_t) { called = true; });
        EXPECT_FALSE(called);
    }
}

TEST(SplitWork, AlignedRangesStartOnWholeBlocks)
{
    const TSplitSettings settings(4, 1);
    for (const std::size_t count : {64u, 65u, 200u, 300u, 1000u}) {
        const TRanges ranges = RangesOf(count, 1, 64);
        ExpectTiling(ranges, count);
        for (const auto& range : ranges)
            EXPECT_EQ(range.first % 64, 0u) << count;
        EXPECT_EQ(ranges.size(), std::min<std::size_t>((count + 63) / 64, 4)) << count;
    }
}

TEST(SplitWork, TheSettingIsClampedAndZeroMeansEveryCore)
{
    const TSplitSettings settings(0, 1);
    const int cores = static_cast<int>(std::thread::hardware_concurrency());
    EXPECT_EQ(OperationThreads(), cores < 1 ? 1 : std::min(cores, 16));
    SetOperationThreads(-5);
    EXPECT_GE(OperationThreads(), 1);
    SetOperationThreads(1000);
    EXPECT_EQ(OperationThreads(), 16);
    SetOperationThreads(2);
    EXPECT_EQ(OperationThreads(), 2);
}

TEST(SplitWork, RangesRunAtTheSameTimeOnOtherThreads)
{
    const TSplitSettings settings(2, 1);
    std::atomic<int> arrived{0};
    std::mutex mutex;
    std::set<std::thread::id> threads;
    SplitWork(2, 1, [&](std::size_t, std::size_t) {
        {
            const std::lock_guard<std::mutex> lock(mutex);
            threads.insert(std::this_thread::get_id());
        }
        // Each range waits for the other: on one thread this would never end.
        ++arrived;
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (arrived < 2 && std::chrono::steady_clock::now() < giveUp)
            std::this_thread::yield();
    });
    EXPECT_EQ(arrived, 2);
    EXPECT_EQ(threads.size(), 2u);
    EXPECT_TRUE(threads.count(std::this_thread::get_id()));
}

TEST(SplitWork, AFailureIsRaisedAfterEveryRangeHasEnded)
{
    const TSplitSettings settings(4, 1);
    std::atomic<int> finished{0};
    try {
        SplitWork(4, 1, [&](std::size_t first, std::size_t) {
            if (first == 1) throw std::runtime_error("second");
            if (first == 3) throw std::logic_error("fourth");
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            ++finished;
        });
        FAIL() << "no exception";
    } catch (const std::runtime_error& error) {
        // The earliest failing range wins, whatever finished first.
        EXPECT_STREQ(error.what(), "second");
    }
    EXPECT_EQ(finished, 2);
}

} // namespace
} // namespace pictor
