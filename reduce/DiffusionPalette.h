// A palette fitted to error diffusion.
//
// The palette of least error without diffusion has its entries at the means
// of their clusters, inside the picture's colours, and diffusion needs entries
// around the colours it mixes: a colour beyond the outermost entries cannot
// be made by mixing and its error smears. So a sample of the picture is
// diffused against the palette, each entry moves part of the way towards the
// mean of the working colours it stood for, and that is repeated a few times.
// The sample is bands of whole rows spread over the picture, an eighth of
// it between a quarter of a megapixel and a megapixel, so that large
// pictures pay for no more.
#pragma once

#include "gfx/Palette.h"

#include <cstdint>
#include <vector>

namespace pictor {

// The palette refined for diffusing a 24-bit picture, given by its rows
// (width pixels each, top to bottom); duplicates that the refinement made
// are left out.
TPalette DiffusionPalette(const std::vector<const std::uint8_t*>& rows, int width, const TPalette& palette);

} // namespace pictor
