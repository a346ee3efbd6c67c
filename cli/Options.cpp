// The command line parser: options in GNU style ("--jobs 2", "--jobs=2",
// "-j 2", "-j2"), inputs anywhere, "--" ending the options. A value is always
// the next argument, so "--bright -20" works.
#include "cli/Options.h"

#include "cli/ArgumentValues.h"
#include "core/Text.h"
#include "gfx/Picture.h"
#include "image/ReductionModes.h"

#include <algorithm>
#include <array>
#include <optional>

namespace pictor::cli {

namespace {

struct TReduceMethod {
    const char* Name;
    TStepKind Kind;
    std::uint8_t Mode;
};

// The methods of --reduce: a ReduceColors mode each, whose palette sizes
// (what --colors may give) come with the mode (image/ReductionModes.h), and
// the halftone conversion.
constexpr std::array<TReduceMethod, 7> kReduceMethods{{
    {"octree", TStepKind::Reduce, 0},
    {"mediancut", TStepKind::Reduce, 1},
    {"mediancut-variance", TStepKind::Reduce, 2},
    {"mediancut-diffusion", TStepKind::Reduce, 3},
    {"mediancut-variance-diffusion", TStepKind::Reduce, 4},
    {"fixed-diffusion", TStepKind::Reduce, 5},
    {"halftone", TStepKind::Halftone, 0},
}};

// Options that take a value, by their long name; short forms map here.
constexpr std::array<std::string_view, 16> kValueOptions{
    "--output", "--out-dir", "--ext",  "--jobs",   "--threads", "--bright",  "--contrast", "--gamma",
    "--enlarge", "--shrink", "--scale", "--turn", "--trim",    "--reduce", "--colors", "--histogram"};

constexpr std::array<std::string_view, 5> kFlagOptions{"--info", "--quiet", "--mirror", "--help", "--version"};

bool Contains(auto const& list, std::string_view name)
{
    return std::find(list.begin(), list.end(), name) != list.end();
}

std::string LowerExtensionOf(const std::string& fileName)
{
    return AsciiLower(TPicture::ExtensionOf(fileName));
}

TStep ReduceStep(const std::string& method)
{
    for (const TReduceMethod& m : kReduceMethods) {
        if (method == m.Name) {
            TStep step;
            step.Kind = m.Kind;
            step.Mode = m.Mode;
            return step;
        }
    }
    std::string names;
    for (const TReduceMethod& m : kReduceMethods) names += (names.empty() ? "" : ", ") + std::string(m.Name);
    throw EUsageError("--reduce: unknown method '" + method + "' (" + names + ")");
}

// The palette sizes --colors may give a method (none for the halftone
// conversion, which has no ReduceColors mode).
TColorCounts ColorCountsOfMethod(TStepKind kind, std::uint8_t mode)
{
    return kind == TStepKind::Reduce ? ColorCountsOf(mode) : TColorCounts::Only256;
}

const char* CountsText(TColorCounts counts)
{
    switch (counts) {
    case TColorCounts::From2To256: return "2 to 256";
    case TColorCounts::PowersOfTwo: return "2, 4, 8, 16, 32, 64, 128 or 256";
    case TColorCounts::Only256: break;
    }
    return "256";
}

// "octree: 2 to 256; mediancut, ...: 2, 4, ..., 256": the methods that take
// --colors, neighbours taking the same sizes together.
std::string ColorsAllowed()
{
    std::string text;
    std::optional<TColorCounts> group;
    for (const TReduceMethod& m : kReduceMethods) {
        const TColorCounts counts = ColorCountsOfMethod(m.Kind, m.Mode);
        if (counts == TColorCounts::Only256) continue;
        if (group == counts) {
            text += ", ";
        } else {
            if (group) text += std::string(": ") + CountsText(*group) + "; ";
            group = counts;
        }
        text += m.Name;
    }
    if (group) text += std::string(": ") + CountsText(*group);
    return text;
}

// --colors VALUE for the --reduce step just given.
void SetColors(TStep& step, const std::string& value)
{
    const char* method = "";
    for (const TReduceMethod& m : kReduceMethods)
        if (m.Kind == step.Kind && m.Mode == step.Mode) method = m.Name;
    const TColorCounts counts = ColorCountsOfMethod(step.Kind, step.Mode);
    if (counts == TColorCounts::Only256)
        throw EUsageError(std::string("--colors: ") + method + " takes no colour count (" + ColorsAllowed() + ")");
    step.Colors = ParseInt("--colors", value);
    if (!AcceptsColors(counts, step.Colors))
        throw EUsageError("--colors: '" + value + "' is not a colour count " + method + " takes (" +
                          ColorsAllowed() + ")");
}

TStep HistogramStep(const std::string& file)
{
    const std::string ext = LowerExtensionOf(file);
    if (ext != "bmp" && ext != "emf")
        throw EUsageError("--histogram: '" + file + "' must end in .bmp or .emf");
    TStep step;
    step.Kind = TStepKind::Histogram;
    step.File = file;
    return step;
}

// The step of a step option with its value (empty for --mirror).
TStep MakeStep(std::string_view option, const std::string& value)
{
    TStep step;
    if (option == "--bright") {
        step.Kind = TStepKind::Bright;
        step.Value = ParseInt(option, value);
    } else if (option == "--contrast") {
        step.Kind = TStepKind::Contrast;
        ParseContrast(option, value, step.Value, step.Pivot);
    } else if (option == "--gamma") {
        step.Kind = TStepKind::Gamma;
        step.Gamma = ParseDecimal(option, value);
    } else if (option == "--enlarge" || option == "--shrink") {
        step.Kind = option == "--enlarge" ? TStepKind::Enlarge : TStepKind::Shrink;
        ParseSize(option, value, step.Width, step.Height);
    } else if (option == "--scale") {
        step.Kind = TStepKind::Scale;
        step.Value = ParseInt(option, value);
        if (step.Value < 1) throw EUsageError("--scale: '" + value + "': the scale must be at least 1 %");
    } else if (option == "--turn") {
        step.Kind = TStepKind::Turn;
        step.Value = ParseInt(option, value);
    } else if (option == "--mirror") {
        step.Kind = TStepKind::Mirror;
    } else if (option == "--trim") {
        step.Kind = TStepKind::Trim;
        step.Area = ParseRect(option, value);
    } else if (option == "--reduce") {
        step = ReduceStep(value);
    } else {
        step = HistogramStep(value);
    }
    step.Option = std::string(option);
    return step;
}

class TParser {
public:
    explicit TParser(const std::vector<std::string>& args) : args_(args) {}

    TCliOptions Parse()
    {
        for (std::size_t i = 0; i < args_.size(); ++i) {
            const std::string& arg = args_[i];
            if (optionsEnded_ || arg == "-" || arg.empty() || arg[0] != '-') {
                options_.Inputs.push_back(arg);
            } else if (arg == "--") {
                optionsEnded_ = true;
            } else {
                i = Option(i);
            }
        }
        Check();
        return std::move(options_);
    }

private:
    // Handles the option at args_[i]; returns the index of the last
    // argument it used.
    std::size_t Option(std::size_t i)
    {
        const std::string& arg = args_[i];
        std::string name;
        std::optional<std::string> value;
        if (arg.starts_with("--")) {
            const std::size_t eq = arg.find('=');
            name = arg.substr(0, eq);
            if (eq != std::string::npos) value = arg.substr(eq + 1);
        } else {
            name = ShortToLong(arg.substr(0, 2));
            if (arg.size() > 2) value = arg.substr(2);
        }

        if (Contains(kFlagOptions, name)) {
            if (value) throw EUsageError(name + " takes no value");
            Flag(name);
            return i;
        }
        if (!Contains(kValueOptions, name)) throw EUsageError("unknown option '" + arg + "'");
        if (!value) {
            if (i + 1 >= args_.size()) throw EUsageError(name + " needs a value");
            value = args_[++i];
        }
        Valued(name, *value);
        return i;
    }

    static std::string ShortToLong(const std::string& option)
    {
        if (option == "-o") return "--output";
        if (option == "-j") return "--jobs";
        if (option == "-h") return "--help";
        throw EUsageError("unknown option '" + option + "'");
    }

    void Flag(const std::string& name)
    {
        if (name == "--info") options_.Info = true;
        else if (name == "--quiet") options_.Quiet = true;
        else if (name == "--help") options_.Help = true;
        else if (name == "--version") options_.Version = true;
        else options_.Steps.push_back(MakeStep(name, std::string()));
    }

    void Valued(const std::string& name, const std::string& value)
    {
        if (name == "--output") {
            Once(name, options_.Output, value);
        } else if (name == "--out-dir") {
            Once(name, options_.OutDir, value);
        } else if (name == "--ext") {
            std::string ext = AsciiLower(value.starts_with('.') ? value.substr(1) : value);
            if (!WritableExtension(ext)) throw EUsageError("--ext: " + UnwritableExtensionMessage(ext));
            Once(name, options_.Extension, ext);
        } else if (name == "--jobs") {
            if (jobsGiven_) throw EUsageError(name + " given twice");
            jobsGiven_ = true;
            options_.Jobs = ParseInt(name, value);
            if (options_.Jobs < 1) throw EUsageError("--jobs: '" + value + "': at least 1 thread is needed");
        } else if (name == "--colors") {
            // It belongs to the --reduce step just before it.
            if (options_.Steps.empty() || (options_.Steps.back().Kind != TStepKind::Reduce &&
                                           options_.Steps.back().Kind != TStepKind::Halftone))
                throw EUsageError("--colors must follow --reduce METHOD");
            if (colorsStep_ == options_.Steps.size()) throw EUsageError("--colors given twice for one --reduce");
            colorsStep_ = options_.Steps.size();
            SetColors(options_.Steps.back(), value);
        } else if (name == "--threads") {
            if (options_.Threads != 0) throw EUsageError(name + " given twice");
            const int threads = ParseInt(name, value);
            if (threads < 1) throw EUsageError("--threads: '" + value + "': at least 1 thread is needed");
            options_.Threads = threads;
        } else {
            options_.Steps.push_back(MakeStep(name, value));
        }
    }

    static void Once(const std::string& name, std::string& field, const std::string& value)
    {
        if (!field.empty()) throw EUsageError(name + " given twice");
        if (value.empty()) throw EUsageError(name + " needs a value");
        field = value;
    }

    // The rules that involve several options.
    void Check() const
    {
        const TCliOptions& o = options_;
        if (o.Inputs.empty()) throw EUsageError("no INPUT given");
        if (!o.Output.empty() && !o.OutDir.empty()) throw EUsageError("-o and --out-dir exclude each other");
        if (!o.Output.empty() && o.Inputs.size() > 1)
            throw EUsageError("-o names the output of a single INPUT; use --out-dir for several");
        if (!o.Extension.empty() && o.OutDir.empty()) throw EUsageError("--ext works with --out-dir only");
        if (!o.Output.empty() && !WritableExtension(LowerExtensionOf(o.Output)))
            throw EUsageError("-o: '" + o.Output + "': " + UnwritableExtensionMessage(LowerExtensionOf(o.Output)));

        const bool histogram = std::any_of(o.Steps.begin(), o.Steps.end(),
                                           [](const TStep& s) { return s.Kind == TStepKind::Histogram; });
        if (o.Info && (!o.Output.empty() || !o.OutDir.empty() || histogram))
            throw EUsageError("--info writes nothing: it excludes -o, --out-dir and --histogram");
        if (histogram && o.Inputs.size() > 1) throw EUsageError("--histogram works with a single INPUT");
        if (!o.Info && o.Output.empty() && o.OutDir.empty() && !histogram)
            throw EUsageError("nothing to write: give -o FILE or --out-dir DIR (or --info)");
    }

    const std::vector<std::string>& args_;
    TCliOptions options_;
    bool optionsEnded_ = false;
    bool jobsGiven_ = false;
    // How many steps there were when --colors was last given.
    std::size_t colorsStep_ = 0;
};

} // namespace

int StepThreads(const TCliOptions& options)
{
    if (options.Threads != 0) return options.Threads;
    return options.Jobs > 1 ? 1 : 0;
}

bool WritableExtension(const std::string& lowerExtension)
{
    return TPicture::Writes(lowerExtension);
}

std::string UnwritableExtensionMessage(const std::string& lowerExtension)
{
    return (lowerExtension.empty() ? std::string("the name has no extension")
                                   : "cannot write '." + lowerExtension + "' files") +
           "; the extensions written are " + TPicture::WritableExtensionList();
}

TCliOptions ParseArguments(const std::vector<std::string>& args)
{
    // Help and version answer whatever else the line holds.
    for (const std::string& arg : args) {
        if (arg == "--") break;
        if (arg == "-h" || arg == "--help") {
            TCliOptions options;
            options.Help = true;
            return options;
        }
        if (arg == "--version") {
            TCliOptions options;
            options.Version = true;
            return options;
        }
    }
    return TParser(args).Parse();
}

} // namespace pictor::cli
