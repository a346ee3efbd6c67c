#include "image/MetafileRecording.h"

#include "core/Exception.h"

namespace pictor {

// Recording waits for the metafile classes of the graphics layer.

std::unique_ptr<TMetafile> RecordBitmap(const TBitmap&, int, int)
{
    throw EInvalidOperation("メタファイルの記録は未実装です");
}

std::unique_ptr<TMetafile> CroppedMetafile(const TMetafile&, const TTrimmingPlan&)
{
    throw EInvalidOperation("メタファイルの記録は未実装です");
}

} // namespace pictor
