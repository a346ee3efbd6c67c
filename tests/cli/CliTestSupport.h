// Running the built pictor-cli and making its input pictures for the tests.
#pragma once

#include "gfx/Bitmap.h"
#include "image/KestrelImg.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

extern char** environ;

namespace pictor::testing {

struct TCliRun {
    int Status = -1;
    std::string Out;
    std::string Err;
};

inline std::string ReadFileText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Runs the binary with args in folder dir (its standard output and error
// captured through files there, or standard output sent to stdoutPath).
inline TCliRun RunCliIn(const std::string& dir, const std::vector<std::string>& args,
                        const std::string& stdoutPath = {})
{
    const std::string outFile = stdoutPath.empty() ? dir + "/.cli-stdout" : stdoutPath;
    const std::string errFile = dir + "/.cli-stderr";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addchdir_np(&actions, dir.c_str());

    std::vector<std::string> all{PICTOR_CLI_PATH};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);

    TCliRun run;
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, PICTOR_CLI_PATH, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        ADD_FAILURE() << "cannot start " << PICTOR_CLI_PATH;
        return run;
    }
    int status = 0;
    waitpid(pid, &status, 0);
    run.Status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    run.Err = ReadFileText(errFile);
    std::remove(errFile.c_str());
    if (stdoutPath.empty()) {
        run.Out = ReadFileText(outFile);
        std::remove(outFile.c_str());
    }
    return run;
}

// The arguments input, steps..., -o output.
inline std::vector<std::string> Command(const std::string& input, const std::vector<std::string>& steps,
                                        const std::string& output)
{
    std::vector<std::string> args{input};
    args.insert(args.end(), steps.begin(), steps.end());
    args.insert(args.end(), {"-o", output});
    return args;
}

// A 24-bit picture of width by height whose pixels all differ from their
// neighbours in every channel.
inline TBitmap Gradient24(int width, int height)
{
    TBitmap bitmap;
    bitmap.SetPixelFormat(pf24bit);
    bitmap.SetSize(width, height);
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = bitmap.ScanLine(y);
        for (int x = 0; x < width; ++x) {
            row[3 * x] = static_cast<std::uint8_t>(x * 255 / std::max(1, width - 1));
            row[3 * x + 1] = static_cast<std::uint8_t>(y * 255 / std::max(1, height - 1));
            row[3 * x + 2] = static_cast<std::uint8_t>((x * 37 + y * 91) % 256);
        }
    }
    return bitmap;
}

// An 8-bit picture with a palette of its own of entries colours (at most
// 256), pixel (x, y) showing entry (x + y) mod entries.
inline TBitmap Paletted(int width, int height, int entries)
{
    TBitmap bitmap;
    bitmap.SetLayout(8, std::nullopt, width, height);
    std::vector<TPaletteEntry> palette;
    for (int i = 0; i < entries; ++i)
        palette.push_back(TPaletteEntry{static_cast<std::uint8_t>(i * 50), static_cast<std::uint8_t>(255 - i),
                                        static_cast<std::uint8_t>(i * 7), 0});
    bitmap.SetPalette(TPalette(std::move(palette)));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) bitmap.ScanLine(y)[x] = static_cast<std::uint8_t>((x + y) % entries);
    return bitmap;
}

inline TBitmap WithFormat(TBitmap bitmap, TPixelFormat format)
{
    bitmap.SetPixelFormat(format);
    return bitmap;
}

// The bytes the library gives: the file loaded into an image control, op run
// on it, and the control's bitmap in BMP form.
inline std::string LibraryBmp(const std::string& input, const std::function<void(TKestrelImage&)>& op)
{
    TKestrelImage image;
    image.Picture().LoadFromFile(input);
    op(image);
    const auto* bitmap = dynamic_cast<const TBitmap*>(image.Picture().Graphic());
    if (bitmap == nullptr) {
        ADD_FAILURE() << "the library left no bitmap";
        return {};
    }
    return Bytes(bitmap->SaveToBytes());
}

// A folder with pictures to work on; tests run the binary inside it.
class CliTest : public ::testing::Test {
protected:
    TCliRun Run(const std::vector<std::string>& args) const { return RunCliIn(FDir.Path(), args); }
    std::string File(const std::string& name) const { return FDir.File(name); }
    std::string Read(const std::string& name) const { return FDir.Read(name); }
    bool Exists(const std::string& name) const { return std::filesystem::exists(FDir.File(name)); }
    void Save(const TGraphic& graphic, const std::string& name) const { graphic.SaveToFile(FDir.File(name)); }
    const TempDir& Dir() const { return FDir; }

private:
    TempDir FDir;
};

} // namespace pictor::testing
