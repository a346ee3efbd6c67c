// Real-world picture files for the reader tests: the selection kept in the
// repository under tests/data/corpus (files whose licences let them travel,
// listed in its LICENSES.md) and, when present, the full corpus beside the
// repository, which has the same layout. Tests read both through here, so
// every clone runs them on the selection and a machine with the full corpus
// on everything.
#pragma once

#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace pictor::testing {

// The roots, the full corpus last so that its copy of a file wins.
inline std::vector<std::filesystem::path> CorpusRoots()
{
    return {PICTOR_BUNDLED_CORPUS_DIR, PICTOR_CORPUS_DIR};
}

// Every regular file under folder (relative to the roots, such as "bmp" or
// "png/pngsuite"), once per relative path, in the order of those paths.
inline std::vector<std::filesystem::path> CorpusFiles(const std::string& folder)
{
    std::map<std::filesystem::path, std::filesystem::path> byRelative;
    for (const std::filesystem::path& root : CorpusRoots()) {
        if (!std::filesystem::is_directory(root / folder)) continue;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(root / folder))
            if (entry.is_regular_file()) byRelative[entry.path().lexically_relative(root)] = entry.path();
    }
    std::vector<std::filesystem::path> files;
    for (const auto& [relative, path] : byRelative) files.push_back(path);
    return files;
}

// The file at relative (a path under the roots), from the full corpus when it
// has it; empty when no root has it.
inline std::filesystem::path CorpusFile(const std::string& relative)
{
    std::filesystem::path found;
    for (const std::filesystem::path& root : CorpusRoots())
        if (std::filesystem::exists(root / relative)) found = root / relative;
    return found;
}

} // namespace pictor::testing
