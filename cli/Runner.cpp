#include "cli/Runner.h"

#include "cli/Help.h"
#include "cli/InputJob.h"
#include "cli/Options.h"
#include "cli/OutputPlan.h"
#include "core/Parallel.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>

namespace pictor::cli {

namespace {

// How bad a status is: a failure outranks a refusal, which outranks success.
int Severity(int status)
{
    switch (status) {
    case kExitDone: return 0;
    case kExitRefused: return 1;
    default: return 2;
    }
}

// What the workers report, in the order the inputs finish; info lines are
// held back until the inputs before them have finished.
class TReporter {
public:
    TReporter(const TCliOptions& options, std::size_t count, std::ostream& out, std::ostream& err)
        : FOptions(options), FInfo(count), FOut(out), FErr(err)
    {
    }

    void Finished(std::size_t index, const TJob& job, const TJobResult& result)
    {
        const std::lock_guard<std::mutex> lock(FMutex);
        ++FFinished;
        if (Severity(result.Status) > Severity(FStatus)) FStatus = result.Status;
        if (result.Status != kExitDone) {
            FErr << "pictor-cli: " << job.Input << ": " << result.Message << '\n' << std::flush;
        } else if (FOptions.Inputs.size() > 1 && !FOptions.Quiet && !FOptions.Info) {
            FErr << '[' << FFinished << '/' << FInfo.size() << "] " << job.Input << " -> " << job.Output << '\n'
                 << std::flush;
        }
        FInfo[index] = result.Status == kExitDone ? result.Info : std::string();
        while (FNextInfo < FInfo.size() && FInfo[FNextInfo]) {
            if (FOptions.Info && !FInfo[FNextInfo]->empty()) FOut << *FInfo[FNextInfo] << '\n';
            ++FNextInfo;
        }
        FOut << std::flush;
    }

    int Status() const { return FStatus; }

private:
    const TCliOptions& FOptions;
    std::mutex FMutex;
    std::size_t FFinished = 0;
    int FStatus = kExitDone;
    std::vector<std::optional<std::string>> FInfo;
    std::size_t FNextInfo = 0;
    std::ostream& FOut;
    std::ostream& FErr;
};

// Runs every job on the calling thread and up to options.Jobs - 1 more.
int RunJobs(const std::vector<TJob>& jobs, const TCliOptions& options, std::ostream& out, std::ostream& err)
{
    TReporter reporter(options, jobs.size(), out, err);
    std::atomic<std::size_t> next{0};
    auto work = [&] {
        for (std::size_t i = next++; i < jobs.size(); i = next++) reporter.Finished(i, jobs[i], RunJob(jobs[i], options));
    };

    const std::size_t threads = std::min<std::size_t>(static_cast<std::size_t>(options.Jobs), jobs.size());
    std::vector<std::jthread> helpers;
    for (std::size_t t = 1; t < threads; ++t) {
        try {
            helpers.emplace_back(work);
        } catch (const std::system_error&) {
            break; // fewer threads than asked for; the others take the work
        }
    }
    work();
    helpers.clear(); // joins
    return reporter.Status();
}

int UsageError(const std::string& message, std::ostream& err)
{
    err << "pictor-cli: " << message << "\nTry 'pictor-cli --help' for more information.\n";
    return kExitUsage;
}

// Everything but the check of standard output.
int RunAll(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    TCliOptions options;
    std::vector<TJob> jobs;
    try {
        options = ParseArguments(args);
        if (options.Help) {
            out << HelpText();
            return kExitDone;
        }
        if (options.Version) {
            out << VersionText();
            return kExitDone;
        }
        jobs = PlanJobs(options);
    } catch (const EUsageError& error) {
        return UsageError(error.what(), err);
    }

    try {
        PrepareOutDir(options);
    } catch (const std::exception& error) {
        err << "pictor-cli: " << options.OutDir << ": " << error.what() << '\n';
        return kExitFailed;
    }
    // With several inputs in parallel the cores are already busy: each step
    // then runs on its input's thread alone unless --threads says otherwise.
    SetOperationThreads(StepThreads(options));
    return RunJobs(jobs, options, out, err);
}

} // namespace

int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    const int status = RunAll(args, out, err);
    // Info lines or help that could not be written (a full disk) are a
    // failure, not a success.
    if (!out.flush()) {
        err << "pictor-cli: standard output: cannot write\n";
        if (status != kExitUsage) return kExitFailed;
    }
    return status;
}

} // namespace pictor::cli
