// A main for the fuzz targets when no fuzzing engine is linked: runs the
// target once over every file named, and over every regular file inside
// every folder named (not recursing). Options starting with "-" are ignored,
// so the same command line serves a libFuzzer build. Exits 0 when every
// input ran; a fault aborts the program (sanitizers) before that.
#include "fuzz/FuzzTarget.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace {

bool RunFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "cannot read %s\n", path.c_str());
        return false;
    }
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::fprintf(stderr, "Running: %s (%zu bytes)\n", path.c_str(), bytes.size());
    // A copy of exactly the file's size, so that an overread is caught.
    std::unique_ptr<std::uint8_t[]> copy(new std::uint8_t[std::max<std::size_t>(bytes.size(), 1)]);
    std::copy(bytes.begin(), bytes.end(), copy.get());
    LLVMFuzzerTestOneInput(copy.get(), bytes.size());
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    namespace fs = std::filesystem;
    std::size_t ran = 0;
    bool ok = true;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg.starts_with("-")) continue;
        std::error_code error;
        if (fs::is_directory(arg, error)) {
            std::vector<fs::path> files;
            for (const fs::directory_entry& entry : fs::directory_iterator(arg))
                if (entry.is_regular_file()) files.push_back(entry.path());
            std::sort(files.begin(), files.end());
            for (const fs::path& file : files) {
                ok = RunFile(file) && ok;
                ++ran;
            }
        } else {
            ok = RunFile(arg) && ok;
            ++ran;
        }
    }
    std::fprintf(stderr, "Executed %zu inputs\n", ran);
    return ok ? 0 : 1;
}
