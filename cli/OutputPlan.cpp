#include "cli/OutputPlan.h"

#include "core/FilePath.h"
#include "core/Text.h"
#include "gfx/Picture.h"

#include <filesystem>
#include <map>
#include <system_error>

namespace pictor::cli {

namespace fs = std::filesystem;

namespace {

// The path a file name stands for, for comparing names: absolute, with the
// symbolic links of its existing part resolved.
std::string Identity(const std::string& fileName)
{
    std::error_code error;
    fs::path path = fs::weakly_canonical(fs::absolute(fileName, error), error);
    if (error) path = fs::absolute(fileName, error).lexically_normal();
    return path.string();
}

// Every file that will be written, with the input writing it, and every
// input, so that no two writers share a file and no writer hits another
// input.
class TWriteCheck {
public:
    explicit TWriteCheck(const std::vector<std::string>& inputs)
    {
        for (std::size_t i = 0; i < inputs.size(); ++i) FInputs.emplace(Identity(inputs[i]), i);
    }

    // A picture may replace its own input; a histogram may not.
    void Add(const std::string& file, std::size_t input, const std::vector<std::string>& inputs,
             bool mayReplaceOwnInput)
    {
        const std::string id = Identity(file);
        const auto writer = FWritten.find(id);
        if (writer != FWritten.end()) {
            if (writer->second == input)
                throw EUsageError("'" + file + "' would be written twice for " + inputs[input]);
            throw EUsageError("inputs " + inputs[writer->second] + " and " + inputs[input] +
                              " would both be written to " + file);
        }
        const auto [first, last] = FInputs.equal_range(id);
        for (auto it = first; it != last; ++it)
            if (it->second != input || !mayReplaceOwnInput)
                throw EUsageError("the output " + file + " of " + inputs[input] + " would overwrite the input " +
                                  inputs[it->second]);
        FWritten.emplace(id, input);
    }

private:
    std::multimap<std::string, std::size_t> FInputs;
    std::map<std::string, std::size_t> FWritten;
};

} // namespace

std::string OutputNameIn(const std::string& folder, const std::string& input, const std::string& ext)
{
    const std::string name = fs::path(input).filename().string();
    const std::string inputExt = ExtensionOf(name);
    const std::string stem = inputExt.empty() ? name : name.substr(0, name.size() - inputExt.size() - 1);
    const std::string outputExt = ext.empty() ? AsciiLower(inputExt) : ext;
    return (fs::path(folder) / (stem + "." + outputExt)).string();
}

std::vector<TJob> PlanJobs(const TCliOptions& options)
{
    std::vector<TJob> jobs;
    TWriteCheck check(options.Inputs);
    for (std::size_t i = 0; i < options.Inputs.size(); ++i) {
        TJob job{options.Inputs[i], {}};
        if (!options.Output.empty())
            job.Output = options.Output;
        else if (!options.OutDir.empty())
            job.Output = OutputNameIn(options.OutDir, job.Input, options.Extension);
        for (const TStep& step : options.Steps)
            if (step.Kind == TStepKind::Histogram) check.Add(step.File, i, options.Inputs, false);
        if (!job.Output.empty()) check.Add(job.Output, i, options.Inputs, true);
        jobs.push_back(std::move(job));
    }
    return jobs;
}

void PrepareOutDir(const TCliOptions& options)
{
    if (options.OutDir.empty()) return;
    std::error_code error;
    fs::create_directories(options.OutDir, error);
    if (error) throw Exception("cannot create the output folder: " + error.message());
    if (!fs::is_directory(options.OutDir, error)) throw Exception("the output folder is not a folder");
}

} // namespace pictor::cli
