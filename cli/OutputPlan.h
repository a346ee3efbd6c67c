// Which file each input is written to, checked as a whole before anything
// is processed, so that no input's result can overwrite another's.
#pragma once

#include "cli/Options.h"

#include <string>
#include <vector>

namespace pictor::cli {

// One input and the file its picture is written to ("" when none: --info, or
// only a --histogram).
struct TJob {
    std::string Input;
    std::string Output;
};

// The output of each input, in input order: -o FILE, or
// DIR/<input name without its extension>.<--ext, else the input's own
// extension in lower case>. Raises EUsageError when two inputs would write
// one file, when an output would overwrite another input or a histogram file
// any input, or when a histogram file is also the output or written twice.
// An output may replace its own input.
// Paths are compared after making them absolute and resolving the symbolic
// links of their existing part.
std::vector<TJob> PlanJobs(const TCliOptions& options);

// The output name of input in folder with extension ext ("" for the input's
// own).
std::string OutputNameIn(const std::string& folder, const std::string& input, const std::string& ext);

// Creates --out-dir (and its parents) when it does not exist. Raises
// Exception when that fails or when it names something that is not a
// folder.
void PrepareOutDir(const TCliOptions& options);

} // namespace pictor::cli
