#include "image/ToneTables.h"

#include <cmath>

namespace pictor {

// The products are formed in 64 bits, so that a huge Value saturates
// instead of wrapping around.

TToneTable BrightTable(int Value)
{
    const std::int64_t k = static_cast<std::int64_t>(Value) * 1024 / 100;
    TToneTable table{};
    for (int i = 0; i < 256; ++i) {
        const std::int64_t v = (i * k) >> 10;
        table[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v > 255 ? 255 : v);
    }
    return table;
}

TToneTable ContrastTable(int Value, int Pivot)
{
    TToneTable table{};
    for (int i = 0; i < 256; ++i) {
        const std::int64_t d = static_cast<std::int64_t>(i - Pivot) * Value / 100; // truncates toward 0
        const std::int64_t v = Pivot + d;
        table[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v);
    }
    return table;
}

TToneTable GammaTable(long double Value)
{
    const long double e = 1.0L / Value;
    TToneTable table{};
    for (int i = 0; i < 256; ++i) {
        const long double v = std::pow(static_cast<long double>(i) / 255.0L, e) * 255.0L;
        // lrint rounds half to even under the default rounding mode.
        table[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(std::lrint(v));
    }
    return table;
}

TToneTable ComposeTables(const TToneTable& First, const TToneTable& Then)
{
    TToneTable table{};
    for (std::size_t i = 0; i < 256; ++i) table[i] = Then[First[i]];
    return table;
}

void MapBytes(const TToneTable& Table, std::uint8_t* Bytes, std::size_t Count)
{
    MapBytes(Table, Bytes, Bytes, Count);
}

void MapBytes(const TToneTable& Table, const std::uint8_t* Source, std::uint8_t* Dest, std::size_t Count)
{
    const std::uint8_t* t = Table.data();
    std::size_t n = 0;
    for (; n + 4 <= Count; n += 4) {
        const std::uint8_t a = t[Source[n]], b = t[Source[n + 1]], c = t[Source[n + 2]], d = t[Source[n + 3]];
        Dest[n] = a;
        Dest[n + 1] = b;
        Dest[n + 2] = c;
        Dest[n + 3] = d;
    }
    for (; n < Count; ++n) Dest[n] = t[Source[n]];
}

} // namespace pictor
