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

void MapBytes(const TToneTable& Table, std::uint8_t* Bytes, std::size_t Count)
{
    const std::uint8_t* t = Table.data();
    std::size_t n = 0;
    for (; n + 4 <= Count; n += 4) {
        const std::uint8_t a = t[Bytes[n]], b = t[Bytes[n + 1]], c = t[Bytes[n + 2]], d = t[Bytes[n + 3]];
        Bytes[n] = a;
        Bytes[n + 1] = b;
        Bytes[n + 2] = c;
        Bytes[n + 3] = d;
    }
    for (; n < Count; ++n) Bytes[n] = t[Bytes[n]];
}

} // namespace pictor
