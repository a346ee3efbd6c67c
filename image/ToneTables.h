// The 256-entry tables of the tone operations: entry i is the new value of a
// channel whose old value is i. One table serves blue, green and red.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace pictor {

using TToneTable = std::array<std::uint8_t, 256>;

// Value percent of every channel, rounded down: k = Value * 1024 div 100,
// entry i = min(i * k shr 10, 255). Value >= 0.
TToneTable BrightTable(int Value);
// Pivot + ((i - Pivot) * Value) div 100 (truncating toward zero), clamped
// to 0..255. Value >= 0.
TToneTable ContrastTable(int Value, int Pivot);
// (i / 255) ^ (1 / Value) * 255 in extended precision, rounded half to even.
// Value > 0.
TToneTable GammaTable(long double Value);

// The table of First and then Then: entry i is Then[First[i]], so mapping
// bytes through it gives what mapping them through First and then Then gives.
TToneTable ComposeTables(const TToneTable& First, const TToneTable& Then);

// Replaces every one of count bytes by its table entry.
void MapBytes(const TToneTable& Table, std::uint8_t* Bytes, std::size_t Count);
// Writes the table entry of each of Count bytes of Source to Dest (which may
// be Source).
void MapBytes(const TToneTable& Table, const std::uint8_t* Source, std::uint8_t* Dest, std::size_t Count);

} // namespace pictor
