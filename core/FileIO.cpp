#include "core/FileIO.h"

#include "core/Exception.h"
#include "core/LargeBuffer.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <random>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pictor {

namespace {

std::optional<std::uint64_t> g_writeFaultAfter;

std::string ErrnoText(int err)
{
    return std::strerror(err);
}

// Closes a file descriptor on every path out.
class FdGuard {
public:
    explicit FdGuard(int fd) : fd_(fd) {}
    ~FdGuard()
    {
        if (fd_ >= 0) ::close(fd_);
    }
    FdGuard(const FdGuard&) = delete;
    FdGuard& operator=(const FdGuard&) = delete;
    int get() const { return fd_; }
    int release()
    {
        int fd = fd_;
        fd_ = -1;
        return fd;
    }

private:
    int fd_;
};

// Removes the temporary file unless the write completed.
class TempFileGuard {
public:
    explicit TempFileGuard(std::string path) : path_(std::move(path)) {}
    ~TempFileGuard()
    {
        if (!committed_) ::unlink(path_.c_str());
    }
    TempFileGuard(const TempFileGuard&) = delete;
    TempFileGuard& operator=(const TempFileGuard&) = delete;
    void Commit() { committed_ = true; }

private:
    std::string path_;
    bool committed_ = false;
};

// The path whose file is really replaced: symlinks at path are followed.
std::string ResolveTarget(const std::string& path)
{
    std::string current = path;
    for (int depth = 0; depth < 32; ++depth) {
        struct stat st {};
        if (::lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return current;
        std::vector<char> buf(PATH_MAX + 1);
        ssize_t n = ::readlink(current.c_str(), buf.data(), PATH_MAX);
        if (n < 0) return current;
        std::string link(buf.data(), static_cast<std::size_t>(n));
        if (!link.empty() && link[0] == '/') {
            current = link;
        } else {
            auto slash = current.rfind('/');
            current = (slash == std::string::npos ? std::string() : current.substr(0, slash + 1)) + link;
        }
    }
    return current;
}

// Creates a new file in folder under a name no other file has, opened for
// writing, and returns its descriptor (path receives the name), or -1 with
// errno set. The kernel applies the umask to mode, so the process's umask is
// never changed: threads writing at the same time cannot see it cleared.
int CreateTempFile(const std::string& folder, mode_t mode, std::string& path)
{
    static std::atomic<unsigned> counter{0};
    static const char digits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    std::random_device entropy;
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = folder + "/.pictor-";
        std::uint64_t bits = (std::uint64_t(entropy()) << 32 | entropy()) ^ counter.fetch_add(1);
        for (int i = 0; i < 8; ++i, bits /= 36)
            name += digits[bits % 36];
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd >= 0 || errno != EEXIST) {
            path = std::move(name);
            return fd;
        }
    }
    errno = EEXIST;
    return -1;
}

std::string FolderOf(const std::string& path)
{
    auto slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

// Flushes the folder's entries, so that a rename survives a power cut. A
// folder that cannot be opened for reading (write-only) or a file system
// that cannot flush folders is left as the rename made it; a failed flush is
// reported, as the new name may then be lost.
void SyncFolder(const std::string& path, const std::string& folder)
{
    FdGuard fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.get() < 0) return;
    if (::fsync(fd.get()) != 0 && errno != EINVAL && errno != ENOTSUP) throw EFCreateError(path, ErrnoText(errno));
}

} // namespace

std::vector<std::uint8_t> ReadWholeFile(const std::string& path, std::uint64_t maxBytes)
{
    FdGuard fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0) throw EFOpenError(path, ErrnoText(errno));
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) throw EFOpenError(path, ErrnoText(errno));
    if (!S_ISREG(st.st_mode)) throw EFOpenError(path, "通常のファイルではありません");
    if (static_cast<std::uint64_t>(st.st_size) > maxBytes)
        throw EFOpenError(path, "ファイルが大きすぎます");

    std::vector<std::uint8_t> bytes;
    ReserveLargeBuffer(bytes, static_cast<std::size_t>(st.st_size));
    std::uint8_t chunk[65536];
    for (;;) {
        ssize_t n = ::read(fd.get(), chunk, sizeof chunk);
        if (n < 0) {
            if (errno == EINTR) continue;
            throw EFOpenError(path, ErrnoText(errno));
        }
        if (n == 0) break;
        if (bytes.size() + static_cast<std::size_t>(n) > maxBytes)
            throw EFOpenError(path, "ファイルが大きすぎます");
        bytes.insert(bytes.end(), chunk, chunk + n);
    }
    return bytes;
}

bool FileExists(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool PathExists(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

std::optional<std::uint64_t> FileSize(const std::string& path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return std::nullopt;
    return static_cast<std::uint64_t>(st.st_size);
}

void WriteFileAtomically(const std::string& path, const void* data, std::size_t size)
{
    if (path.empty()) throw EFCreateError(path, "ファイル名がありません");
    const std::string target = ResolveTarget(path);
    const std::string folder = FolderOf(target);

    // A folder at path is refused by the rename at the end, like every other
    // reason the new name cannot be given.
    struct stat old {};
    const bool hadOld = ::stat(target.c_str(), &old) == 0 && !S_ISDIR(old.st_mode);

    // A new file gets the usual mode under the umask; a replacement starts
    // private and then takes the old file's mode exactly.
    std::string tempPath;
    FdGuard fd(CreateTempFile(folder, hadOld ? 0600 : 0666, tempPath));
    if (fd.get() < 0) throw EFCreateError(path, ErrnoText(errno));
    TempFileGuard cleanup(tempPath);
    if (hadOld) ::fchmod(fd.get(), old.st_mode & 07777);

    const auto* p = static_cast<const std::uint8_t*>(data);
    std::size_t left = size;
    std::uint64_t written = 0;
    while (left > 0) {
        std::size_t chunk = left < (1u << 20) ? left : (1u << 20);
        if (g_writeFaultAfter) {
            if (written >= *g_writeFaultAfter) throw EFCreateError(path, ErrnoText(ENOSPC));
            std::uint64_t allowed = *g_writeFaultAfter - written;
            if (chunk > allowed) chunk = static_cast<std::size_t>(allowed);
        }
        ssize_t n = ::write(fd.get(), p, chunk);
        if (n < 0) {
            if (errno == EINTR) continue;
            throw EFCreateError(path, ErrnoText(errno));
        }
        p += n;
        left -= static_cast<std::size_t>(n);
        written += static_cast<std::uint64_t>(n);
    }
    if (::fsync(fd.get()) != 0) throw EFCreateError(path, ErrnoText(errno));
    if (::close(fd.release()) != 0) throw EFCreateError(path, ErrnoText(errno));
    if (::rename(tempPath.c_str(), target.c_str()) != 0) throw EFCreateError(path, ErrnoText(errno));
    cleanup.Commit();
    SyncFolder(path, folder);
}

void WriteFileAtomically(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
    WriteFileAtomically(path, bytes.data(), bytes.size());
}

void SetWriteFaultAfterBytes(std::optional<std::uint64_t> bytes)
{
    g_writeFaultAfter = bytes;
}

} // namespace pictor
