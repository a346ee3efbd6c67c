// Whole-file reading and writing. Writing is atomic: the bytes go to a
// temporary file in the target's folder, are flushed to disk and then renamed
// over the target, so an existing file is never left half-written; the folder
// is flushed after the rename, so the new name survives a power cut too.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace pictor {

// Largest file any reader takes in whole (bytes). A larger file raises
// EFOpenError before anything is allocated.
inline constexpr std::uint64_t kMaxFileBytes = 1ull << 30;

// Reads the whole file. Raises EFOpenError (with the reason) when the file
// cannot be opened or read, is not a regular file, or exceeds maxBytes.
std::vector<std::uint8_t> ReadWholeFile(const std::string& path,
                                        std::uint64_t maxBytes = kMaxFileBytes);

// True when path names an existing regular file (symlinks followed).
bool FileExists(const std::string& path);

// True when anything exists at path (symlinks followed).
bool PathExists(const std::string& path);

// Size in bytes of an existing file, or nullopt.
std::optional<std::uint64_t> FileSize(const std::string& path);

// Writes size bytes atomically to path (see above). A symlink at path is
// followed, so the file it points to is replaced. The permissions of an
// existing file are kept. Raises EFCreateError when anything fails; the old
// file is then untouched and no temporary file is left behind.
void WriteFileAtomically(const std::string& path, const void* data, std::size_t size);
void WriteFileAtomically(const std::string& path, const std::vector<std::uint8_t>& bytes);

// Fault injection for tests: after this many bytes have been written by
// WriteFileAtomically, the next write fails as if the disk were full.
// nullopt (the default) disables it. Not thread-safe; tests only.
void SetWriteFaultAfterBytes(std::optional<std::uint64_t> bytes);

} // namespace pictor
