// The texts of --help and --version.
#pragma once

#include <string>

namespace pictor::cli {

// The whole --help text, ending in a newline.
const std::string& HelpText();

// "pictor-cli <version>\n".
std::string VersionText();

} // namespace pictor::cli
