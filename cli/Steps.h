// The steps: each runs through the image control's own operation, so the
// result is the window's. A step that the operation's guards would refuse
// fails with EStepRefused, naming the guard, before anything runs.
#pragma once

#include "cli/Options.h"
#include "cli/PendingFiles.h"

#include <memory>
#include <string>
#include <vector>

namespace pictor {
class TGraphic;
class TKestrelImage;
} // namespace pictor

namespace pictor::cli {

// A step the picture's operation refused: exit status 3.
class EStepRefused : public Exception {
public:
    using Exception::Exception;
};

// Runs one step on the picture. A metafile or icon picture first becomes a
// bitmap when the step needs one (every step but --trim, which takes a
// metafile too, --scale, which re-records a metafile at the new size, and
// --histogram). Raises EStepRefused with the reason, or passes the
// operation's exception on.
void RunStep(TKestrelImage& image, const TStep& step, std::vector<TPendingFile>& pending);

// The displayed size at percent % of a picture of width by height (each side
// times percent div 100), the size the scale OK button resamples to. Raises
// EInvalidOperation when it does not fit an int.
struct TScaledSize {
    int Width = 0;
    int Height = 0;
};
TScaledSize ScaledSize(int width, int height, int percent);

// Why the picture's operation would refuse the step (the first of its guards
// that fails, in the operation's order), or "" when it runs.
std::string RefusalReason(const TKestrelImage& image, const TStep& step);

} // namespace pictor::cli
