// pictor-cli as a whole: parse, plan, then process the inputs on a pool of
// threads, each thread taking whole inputs. Every input has its own image
// control and pictures; the threads share only the read-only options and
// the reporting below, which one mutex guards.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace pictor::cli {

// Runs pictor-cli with the arguments after the program name and returns the
// exit status. Info lines go to out in input order; errors ("pictor-cli:
// <file>: <message>") and progress lines go to err as inputs finish.
int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

} // namespace pictor::cli
