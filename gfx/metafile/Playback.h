// Playing a metafile's records onto a canvas (the enhanced and the old-style
// record sets), and the inventory of what is played.
#pragma once

#include "gfx/Canvas.h"
#include "gfx/metafile/MetafileData.h"

namespace pictor {

// Draws the metafile of data into dest on canvas, its frame (enhanced) or
// bounding box (old-style) stretched to dest. Records that cannot be read are
// skipped.
void PlayEnhancedMetafile(const TMetafile::TData& data, TCanvas& canvas, const TRect& dest);
void PlayOldStyleMetafile(const TMetafile::TData& data, TCanvas& canvas, const TRect& dest);

} // namespace pictor
