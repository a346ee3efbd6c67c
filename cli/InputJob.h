// One input from file to files: load, run the steps, then write the output
// and any histogram, or describe the picture for --info. Nothing is written
// unless every step succeeded.
#pragma once

#include "cli/Options.h"
#include "cli/OutputPlan.h"

#include <string>

namespace pictor {
class TKestrelImage;
}

namespace pictor::cli {

// Exit statuses.
inline constexpr int kExitDone = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitRefused = 3;

struct TJobResult {
    int Status = kExitDone;
    // The error line's message when Status is not kExitDone.
    std::string Message;
    // The --info line (without its newline) when asked for and done.
    std::string Info;
};

// Processes one input; never raises.
TJobResult RunJob(const TJob& job, const TCliOptions& options);

// The --info line of the picture the control holds for input:
// <input>\t<width>\t<height>\t<bits per pixel>\t<palette entries>\t<type>,
// the type "gif (N frames)" while the picture is the first frame of a GIF
// of several.
std::string InfoLine(const std::string& input, const TKestrelImage& image);

} // namespace pictor::cli
