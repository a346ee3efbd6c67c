#pragma once
// Work inside one operation spread over the processor's cores. The work is a
// count of items (rows, as a rule) cut into contiguous ranges, one per
// thread; each range writes only its own outputs and reads nothing another
// range writes, so a result never depends on how many threads made it. The
// calling thread takes the first range itself and returns when every range
// has ended; nothing is left running in the background.
#include <cstddef>
#include <functional>

namespace pictor {

// How many threads one operation may use, the caller's included: 0 = one
// per core (the default), 1 = the caller alone. The setting holds for the
// whole process; a program that already runs several operations at once
// (pictor-cli -j) sets 1.
void SetOperationThreads(int Count);
// The threads an operation uses now (at least 1).
int OperationThreads();

// The least work, in pixels, worth a thread of its own: below it the cost of
// starting the thread outweighs what it saves. Tests set 1 to have every
// picture split.
inline constexpr std::size_t kDefaultThreadGrain = std::size_t{1} << 17;
void SetThreadGrain(std::size_t Pixels);

// Runs Work(Begin, End) over ranges that cover [0, Count) in order, each of
// at least the grain's worth of items (ItemPixels pixels an item) and each
// but the last a multiple of Align items long, on up to OperationThreads()
// threads. An exception leaving a range is raised again on the caller once
// every range has ended (the first range's, in order, when several fail);
// when a thread cannot be started its range runs on the caller.
void SplitWork(std::size_t Count, std::size_t ItemPixels,
               const std::function<void(std::size_t, std::size_t)>& Work, std::size_t Align = 1);

} // namespace pictor
