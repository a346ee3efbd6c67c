#include "cli/InputJob.h"

#include "cli/PictureFiles.h"
#include "cli/Steps.h"
#include "gfx/Bitmap.h"
#include "gfx/GIFImage.h"
#include "gfx/Icon.h"
#include "image/KestrelImg.h"

#include <new>

namespace pictor::cli {

namespace {

const char* TypeName(TPictureType type)
{
    switch (type) {
    case picNil: return "nil";
    case picBitmap: return "bitmap";
    case picMetafile: return "metafile";
    case picIcon: return "icon";
    case picUnknown: break;
    }
    return "unknown";
}

// A failure with the exit status it gives.
struct TJobFailure {
    int Status;
    std::string Message;
};

// Runs the steps, prefixing every failure with the step's option.
void RunSteps(TKestrelImage& image, const TCliOptions& options, std::vector<TPendingFile>& pending)
{
    for (const TStep& step : options.Steps) {
        try {
            RunStep(image, step, pending);
        } catch (const EStepRefused& refused) {
            throw TJobFailure{kExitRefused, step.Option + ": " + refused.what()};
        } catch (const std::bad_alloc&) {
            throw TJobFailure{kExitFailed, step.Option + ": out of memory"};
        } catch (const std::exception& error) {
            throw TJobFailure{kExitFailed, step.Option + ": " + error.what()};
        }
    }
}

TJobResult Run(const TJob& job, const TCliOptions& options)
{
    TKestrelImage image;
    LoadPicture(image, job.Input);
    std::vector<TPendingFile> pending;
    RunSteps(image, options, pending);

    TJobResult result;
    if (options.Info) {
        result.Info = InfoLine(job.Input, image);
        return result;
    }
    // Everything is made before the first file is written.
    if (!job.Output.empty()) pending.push_back(TPendingFile{job.Output, GraphicToSave(image, job.Output)});
    WritePendingFiles(pending);
    return result;
}

} // namespace

TJobResult RunJob(const TJob& job, const TCliOptions& options)
{
    try {
        return Run(job, options);
    } catch (const TJobFailure& failure) {
        return TJobResult{failure.Status, failure.Message, {}};
    } catch (const std::bad_alloc&) {
        return TJobResult{kExitFailed, "out of memory", {}};
    } catch (const std::exception& error) {
        return TJobResult{kExitFailed, error.what(), {}};
    }
}

std::string InfoLine(const std::string& input, const TKestrelImage& image)
{
    const TGraphic* graphic = image.Picture().Graphic();
    int bits = 0;
    int entries = 0;
    if (const auto* bitmap = dynamic_cast<const TBitmap*>(graphic)) {
        bits = bitmap->BitsPerPixel();
        entries = bitmap->PaletteRef().Count();
    } else if (const auto* icon = dynamic_cast<const TIcon*>(graphic)) {
        bits = icon->BitsPerPixel();
    } else if (graphic != nullptr) {
        entries = graphic->Palette().Count();
    }
    const int width = graphic ? graphic->Width() : 0;
    const int height = graphic ? graphic->Height() : 0;
    // A GIF of several frames shows its first; the type says so.
    const auto* gif = dynamic_cast<const TGIFImage*>(graphic);
    const std::string type = gif && gif->FrameCount() > 1 ? "gif (" + std::to_string(gif->FrameCount()) + " frames)"
                                                          : TypeName(image.GetPictureType());
    return input + "\t" + std::to_string(width) + "\t" + std::to_string(height) + "\t" + std::to_string(bits) +
           "\t" + std::to_string(entries) + "\t" + type;
}

} // namespace pictor::cli
