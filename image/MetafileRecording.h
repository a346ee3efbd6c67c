// The metafiles that TKestrelImage records: a bitmap drawn at (0, 0) into a
// new metafile with the screen as reference device and units per inch 1.
#pragma once

#include <memory>

namespace pictor {

class TBitmap;
class TGraphic;
class TMetafile;
struct TTrimmingPlan;

// A metafile of Width by Height holding Bitmap drawn at (0, 0).
std::unique_ptr<TMetafile> RecordBitmap(const TBitmap& Bitmap, int Width, int Height);

// The metafile Trimming makes: Source rendered at its own size, cropped to
// the plan's area and recorded as one bitmap; the source's palette copied.
std::unique_ptr<TMetafile> CroppedMetafile(const TMetafile& Source, const TTrimmingPlan& Plan);

} // namespace pictor
