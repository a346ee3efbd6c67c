#include "cli/PendingFiles.h"

#include "core/FileIO.h"
#include "gfx/Graphic.h"

#include <cstdio>
#include <optional>

namespace pictor::cli {

namespace {

// A file as it was before this input wrote it.
struct TPreviousFile {
    std::string FileName;
    std::optional<std::vector<std::uint8_t>> Bytes; // nullopt: it did not exist
};

// Puts the files back as they were, last written first. Best effort: the
// write that failed is what gets reported.
void Restore(const std::vector<TPreviousFile>& written) noexcept
{
    for (auto it = written.rbegin(); it != written.rend(); ++it) {
        try {
            if (it->Bytes)
                WriteFileAtomically(it->FileName, *it->Bytes);
            else
                std::remove(it->FileName.c_str());
        } catch (...) {
        }
    }
}

} // namespace

void WritePendingFiles(const std::vector<TPendingFile>& files)
{
    // Nothing needs restoring after the last file; a file that exists but
    // cannot be read fails the input before anything is written.
    std::vector<TPreviousFile> previous;
    for (std::size_t i = 0; i + 1 < files.size(); ++i) {
        TPreviousFile file{files[i].FileName, std::nullopt};
        if (PathExists(file.FileName)) file.Bytes = ReadWholeFile(file.FileName);
        previous.push_back(std::move(file));
    }

    std::size_t done = 0;
    try {
        for (; done < files.size(); ++done)
            files[done].Graphic->SaveToFile(files[done].FileName);
    } catch (...) {
        previous.resize(done);
        Restore(previous);
        throw;
    }
}

} // namespace pictor::cli
