#include "core/Parallel.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <system_error>
#include <thread>
#include <vector>

namespace pictor {

namespace {

// More threads than this gain nothing on passes bound by memory speed.
constexpr int kMostThreads = 16;

std::atomic<int> gThreads{0};
std::atomic<std::size_t> gGrain{kDefaultThreadGrain};

int Cores()
{
    const unsigned cores = std::thread::hardware_concurrency();
    return cores == 0 ? 1 : static_cast<int>(std::min<unsigned>(cores, kMostThreads));
}

} // namespace

void SetOperationThreads(int Count)
{
    gThreads = std::clamp(Count, 0, kMostThreads);
}

int OperationThreads()
{
    const int count = gThreads;
    return count == 0 ? Cores() : count;
}

void SetThreadGrain(std::size_t Pixels)
{
    gGrain = std::max<std::size_t>(Pixels, 1);
}

void SplitWork(std::size_t Count, std::size_t ItemPixels,
               const std::function<void(std::size_t, std::size_t)>& Work, std::size_t Align)
{
    if (Count == 0) return;
    Align = std::max<std::size_t>(Align, 1);
    const std::size_t pixels = std::max<std::size_t>(ItemPixels, 1);
    const std::size_t grainItems = std::max<std::size_t>((gGrain + pixels - 1) / pixels, 1);
    // Whole aligned blocks, shared out as evenly as they go.
    const std::size_t blocks = (Count + Align - 1) / Align;
    const std::size_t byGrain = std::max<std::size_t>(Count / grainItems, 1);
    const std::size_t parts = std::min({static_cast<std::size_t>(OperationThreads()), byGrain, blocks});
    if (parts <= 1) {
        Work(0, Count);
        return;
    }

    std::vector<std::size_t> starts(parts + 1);
    for (std::size_t p = 0; p <= parts; ++p)
        starts[p] = std::min(blocks * p / parts * Align, Count);
    std::vector<std::exception_ptr> failures(parts);
    const auto run = [&](std::size_t p) {
        try {
            Work(starts[p], starts[p + 1]);
        } catch (...) {
            failures[p] = std::current_exception();
        }
    };
    {
        std::vector<std::jthread> helpers;
        helpers.reserve(parts - 1);
        std::size_t started = 1;
        for (; started < parts; ++started) {
            try {
                helpers.emplace_back(run, started);
            } catch (const std::system_error&) {
                break;
            }
        }
        run(0);
        // Ranges no thread could be started for.
        for (std::size_t p = started; p < parts; ++p)
            run(p);
    } // joins
    for (const std::exception_ptr& failure : failures)
        if (failure) std::rethrow_exception(failure);
}

} // namespace pictor
