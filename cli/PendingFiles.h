// The files one input makes: histogram pictures as the steps run, then the
// output. They are written together at the end, all or none.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace pictor {
class TGraphic;
}

namespace pictor::cli {

struct TPendingFile {
    std::string FileName;
    std::unique_ptr<TGraphic> Graphic;
};

// Writes every file in order, each atomically (SaveToFile). When one fails,
// the files written before it get their previous contents back, or are
// removed when they are new, and the error is passed on: a failed input
// leaves every file as it found it. The old contents of all files but the
// last are read before anything is written.
void WritePendingFiles(const std::vector<TPendingFile>& files);

} // namespace pictor::cli
