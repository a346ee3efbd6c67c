// What pictor-cli was asked to do: the inputs, where the results go, and the
// steps in the order they were given. ParseArguments builds it from the
// command line and rejects everything malformed with EUsageError, before any
// file is touched.
#pragma once

#include "core/Exception.h"
#include "gfx/Types.h"

#include <cstdint>
#include <string>
#include <vector>

namespace pictor::cli {

// A malformed command line: exit status 2, nothing processed.
class EUsageError : public Exception {
public:
    using Exception::Exception;
};

enum class TStepKind {
    Bright,    // Bright(Value)
    Contrast,  // Contrast(Value, Pivot)
    Gamma,     // Gamma(Gamma)
    Enlarge,   // Enlarge(Width, Height)
    Shrink,    // Shrink(Width, Height)
    Scale,     // the scale OK button at Value percent
    Turn,      // Turn(Value)
    Mirror,    // Reverse
    Trim,      // Trimming(Area, picture pixels)
    Reduce,    // ReduceColors(Mode, Colors)
    Halftone,  // the 8-bit pixel-format conversion
    Histogram, // the histogram picture written to File
};

struct TStep {
    TStepKind Kind = TStepKind::Mirror;
    // The option as the user knows it ("--bright"), for messages.
    std::string Option;
    int Value = 0;
    int Pivot = 127;
    long double Gamma = 1.0L;
    int Width = 0;
    int Height = 0;
    TRect Area;             // Right and Bottom inclusive
    std::uint8_t Mode = 0;  // ReduceColors mode 0..5
    int Colors = 256;       // --colors after --reduce: ReduceColors' palette size
    std::string File;       // --histogram
};

struct TCliOptions {
    std::vector<std::string> Inputs;
    std::string Output;     // -o: the output of the single input
    std::string OutDir;     // --out-dir
    std::string Extension;  // --ext, lower case without the dot; "" = each input's own
    int Jobs = 1;
    // --threads: threads inside each step; 0 = not given, which is one per
    // core with a single job and 1 with -j above 1.
    int Threads = 0;
    bool Info = false;
    bool Quiet = false;
    bool Help = false;
    bool Version = false;
    std::vector<TStep> Steps;
};

// Parses the arguments after the program name. -h/--help and --version win
// over everything else (the rest is then not checked). Raises EUsageError.
TCliOptions ParseArguments(const std::vector<std::string>& args);

// The threads each step may use: --threads, else one per core (0) with a
// single job and 1 when -j runs several inputs at once.
int StepThreads(const TCliOptions& options);

// The extensions an output may have (lower case, without the dot): those
// that the window's save command writes (TPicture::Writes).
bool WritableExtension(const std::string& lowerExtension);
// Why an output of that extension ("" for none) is not written, naming the
// extensions that are, as the window's message does:
// "cannot write '.gif' files; the extensions written are .bmp, ...".
std::string UnwritableExtensionMessage(const std::string& lowerExtension);

} // namespace pictor::cli
