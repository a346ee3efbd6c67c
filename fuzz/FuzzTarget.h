// Shared pieces of the fuzz targets. Each target defines
// LLVMFuzzerTestOneInput; built with clang it is a libFuzzer program, built
// otherwise ReplayMain.cpp gives it a main that runs it over files.
//
// A target treats a pictor::Exception as the clean rejection of a bad file.
// Anything else escaping (std::bad_alloc, std::out_of_range, ...) ends the
// run: it is a fault of the reader.
#pragma once

#include "core/Exception.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>

namespace pictor {
class TGraphic;
}

namespace pictor::fuzz {

// Largest side of the bitmap a graphic is rendered into: big enough to
// exercise stretching and clipping, small enough to keep each run quick.
inline constexpr int kRenderSide = 160;

inline std::span<const std::uint8_t> Bytes(const std::uint8_t* data, std::size_t size)
{
    return {data, size};
}

// Renders graphic into a white 24-bit bitmap of its own size (at most
// kRenderSide on each side), then stretched into a small odd-sized one.
void Render(const TGraphic& graphic);

} // namespace pictor::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
