// SPDX-License-Identifier: GPL-3.0-or-later
#include "FileIO.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <csignal>
#include <string_view>
#include <fcntl.h>
#include <new>
#include <stdexcept>
#include <sys/stat.h>
#include <sys/mman.h>

#include <cstdint>
#include <unistd.h>

namespace penwick {

int FileOps::mkstemp(char* pathTemplate) { return ::mkostemp(pathTemplate, O_CLOEXEC); }
ssize_t FileOps::write(int fd, const void* data, size_t size) { return ::write(fd, data, size); }
int FileOps::fsync(int fd) { return ::fsync(fd); }
int FileOps::close(int fd) { return ::close(fd); }
int FileOps::rename(const char* from, const char* to) { return ::rename(from, to); }
int FileOps::unlink(const char* path) { return ::unlink(path); }
int FileOps::fchmod(int fd, mode_t mode) { return ::fchmod(fd, mode); }

FileOps& FileOps::system()
{
    static FileOps ops;
    return ops;
}

namespace {

// strerror_r comes in a GNU and a POSIX flavour; either way we want the text.
[[maybe_unused]] const char* ErrorText(const char* gnuResult, const char*) { return gnuResult; }
[[maybe_unused]] const char* ErrorText(int, const char* buffer) { return buffer; }

FileResult Failure(int err, const std::string& path, const char* verb, HRESULT hr = S_OK)
{
    FileResult r;
    r.sysErrno = err;
    r.hr = hr != S_OK ? hr : ResultFromErrno(err);
    char buf[256] = "";
    r.message = "ファイル「" + path + "」を" + verb + "。" + ResultCodeText(r.hr) + " ("
                + ErrorText(strerror_r(err, buf, sizeof buf), buf) + ")";
    return r;
}

// A refusal whose reason no errno names (a FIFO given as a file, a file too large).
FileResult Refusal(const std::string& path, const char* verb, HRESULT hr, const std::string& reason)
{
    FileResult r;
    r.sysErrno = EINVAL;
    r.hr = hr;
    r.message = "ファイル「" + path + "」を" + verb + "。" + reason;
    return r;
}

constexpr const char* kSaveVerb = "保存できませんでした";
constexpr const char* kReadVerb = "読み込めませんでした";

std::string DirName(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string BaseName(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The file a write to path must replace: symbolic links are followed so that the link
// itself stays in place. A path that does not exist (yet) is its own target.
bool ResolveTarget(const std::string& path, std::string& target, int& err)
{
    target = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st;
        if (::lstat(target.c_str(), &st) != 0) {
            err = errno;
            return err == ENOENT;
        }
        if (!S_ISLNK(st.st_mode))
            return true;
        std::string link(PATH_MAX, '\0');
        const ssize_t n = ::readlink(target.c_str(), link.data(), link.size());
        if (n < 0 || static_cast<std::size_t>(n) >= link.size()) {
            err = n < 0 ? errno : ENAMETOOLONG;
            return false;
        }
        link.resize(n);
        target = link.front() == '/' ? link : DirName(target) + "/" + link;
    }
    err = ELOOP;
    return false;
}

// ".<name>.penwick-": what every temporary for a write to name begins with. The name is
// cut short so that the whole stays well within the 255 bytes a file name may have.
std::string TemporaryPrefix(const std::string& target)
{
    std::string prefix = ".";   // appended piece by piece: GCC 12 at -O3 warns wrongly about a + chain
    prefix += Utf8Prefix(BaseName(target), 160);
    prefix += ".penwick-";
    return prefix;
}

mode_t CurrentUmask()
{
    // /proc tells without changing it; the umask() round trip is the fallback.
    if (FILE* f = std::fopen("/proc/self/status", "re")) {
        char line[256];
        unsigned mask = 0;
        bool found = false;
        while (!found && std::fgets(line, sizeof line, f))
            found = std::sscanf(line, "Umask: %o", &mask) == 1;
        std::fclose(f);
        if (found)
            return static_cast<mode_t>(mask);
    }
    const mode_t mask = ::umask(022);
    ::umask(mask);
    return mask;
}

// The rename is only durable once the folder's entry is on disk. Failing here cannot undo
// the rename and some file systems refuse to sync a folder, so it is not an error.
void SyncDirectory(const std::string& dir)
{
    const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

}  // namespace

FileResult WriteFileAtomically(const std::string& path, std::string_view bytes, FileOps& ops,
                               const WriteOptions& options)
{
    std::string target = path;
    int err = 0;
    if (options.followLinks && !ResolveTarget(path, target, err))
        return Failure(err, path, kSaveVerb);

    // lstat: without followLinks a link at the path is replaced by the rename, not followed.
    struct stat st;
    const bool exists = ::lstat(target.c_str(), &st) == 0 && !S_ISLNK(st.st_mode);
    mode_t mode = 0666 & ~CurrentUmask();
    if (exists) {
        if (S_ISDIR(st.st_mode))
            return Failure(EISDIR, path, kSaveVerb);
        // Renaming over a device or a pipe would replace it, not write to it.
        if (!S_ISREG(st.st_mode))
            return Failure(EPERM, path, kSaveVerb);
        // A read-only file stays read-only although its folder would let us replace it.
        if (::access(target.c_str(), W_OK) != 0)
            return Failure(errno, path, kSaveVerb);
        mode = st.st_mode & 07777;
    }
    if (options.mode >= 0)
        mode = static_cast<mode_t>(options.mode) & 07777;

    // Same folder, so that the rename stays on one file system. mkstemp creates the file
    // exclusively, so nothing planted at the name can be written through. The PID in the
    // name tells RemoveStaleTemporaries whether the writer is still alive.
    std::string temp = DirName(target) + "/" + TemporaryPrefix(target) + std::to_string(::getpid()) + "-XXXXXX";
    int fd = ops.mkstemp(temp.data());
    if (fd < 0)  // ENOENT here means the folder is missing
        return Failure(errno, path, kSaveVerb, errno == ENOENT ? E_PATH_NOT_FOUND : S_OK);
    const auto fail = [&](int error) {
        if (fd >= 0)
            ops.close(fd);
        ops.unlink(temp.c_str());
        return Failure(error, path, kSaveVerb);
    };

    // Keep the owner where we may (root may; anyone else replacing a file of another owner
    // ends up owning the new one, as with any editor). Owner first: it clears set-id bits.
    if (exists && options.mode < 0 && (st.st_uid != ::geteuid() || st.st_gid != ::getegid())
        && ::fchown(fd, st.st_uid, st.st_gid) != 0) {
        // not an error, see above
    }
    if (ops.fchmod(fd, mode) != 0)
        return fail(errno);

    const char* data = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        const ssize_t n = ops.write(fd, data, std::min<std::size_t>(left, 1u << 30));
        if (n < 0 && errno == EINTR)
            continue;
        // A write that makes no progress would loop for ever: a full disk by another name.
        if (n <= 0)
            return fail(n == 0 ? ENOSPC : errno);
        data += n;
        left -= static_cast<std::size_t>(n);
    }
    if (ops.fsync(fd) != 0)
        return fail(errno);
    const int closing = fd;
    fd = -1;  // closed whatever close() answers
    if (ops.close(closing) != 0)
        return fail(errno);
    if (ops.rename(temp.c_str(), target.c_str()) != 0)
        return fail(errno);
    SyncDirectory(DirName(target));
    return {};
}

std::string Utf8Prefix(const std::string& text, std::size_t max)
{
    if (text.size() <= max)
        return text;
    std::size_t end = max;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;
    return text.substr(0, end);
}

bool ProcessAlive(long pid)
{
    return pid > 0 && (::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM);
}

int RemoveStaleTemporaries(const std::string& path)
{
    std::string target;
    int err = 0;
    if (!ResolveTarget(path, target, err))
        return 0;
    const std::string dir = DirName(target);
    const std::string prefix = TemporaryPrefix(target);
    DIR* folder = ::opendir(dir.c_str());
    if (!folder)
        return 0;
    int removed = 0;
    while (const dirent* entry = ::readdir(folder)) {
        const std::string_view name = entry->d_name;
        if (name.substr(0, prefix.size()) != prefix)
            continue;
        // "<pid>-XXXXXX" after the prefix, nothing else.
        const std::string_view rest = name.substr(prefix.size());
        const std::size_t dash = rest.find('-');
        if (dash == 0 || dash == std::string_view::npos || dash > 10 || rest.size() != dash + 7
            || !std::all_of(rest.begin(), rest.begin() + dash, [](char c) { return c >= '0' && c <= '9'; }))
            continue;
        const long pid = std::strtol(std::string(rest.substr(0, dash)).c_str(), nullptr, 10);
        struct stat st;
        if (::fstatat(::dirfd(folder), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode)
            || st.st_uid != ::geteuid() || pid == ::getpid() || ProcessAlive(pid))
            continue;
        removed += ::unlinkat(::dirfd(folder), entry->d_name, 0) == 0;
    }
    ::closedir(folder);
    return removed;
}

void AdviseLargeBuffer(void* data, std::size_t size)
{
    constexpr std::size_t kPage = 4096, kWorthIt = std::size_t(4) << 20;
    if (size < kWorthIt)
        return;
    const auto start = (reinterpret_cast<std::uintptr_t>(data) + kPage - 1) & ~std::uintptr_t(kPage - 1);
    const auto end = (reinterpret_cast<std::uintptr_t>(data) + size) & ~std::uintptr_t(kPage - 1);
    if (end > start)
        ::madvise(reinterpret_cast<void*>(start), end - start, MADV_HUGEPAGE);
}

FileResult ReadWholeFile(const std::string& path, std::string& out, bool followLinks)
{
    // O_NONBLOCK: opening a FIFO must not wait for a writer that never comes.
    const int flags = O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY | (followLinks ? 0 : O_NOFOLLOW);
    int fd;
    do
        fd = ::open(path.c_str(), flags);
    while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return Failure(errno, path, kReadVerb);
    const auto fail = [&](int error) {
        ::close(fd);
        return Failure(error, path, kReadVerb);
    };

    struct stat st;
    if (::fstat(fd, &st) != 0)
        return fail(errno);
    if (S_ISDIR(st.st_mode))
        return fail(EISDIR);
    const auto tooLarge = [&] {
        ::close(fd);
        return Refusal(path, kReadVerb, ResultFromErrno(EFBIG),
                       "ファイルが大きすぎます（読み込めるのは " + std::to_string(kMaxReadSize >> 20) + " MB までです）。");
    };
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        return Refusal(path, kReadVerb, E_ACCESS_DENIED,
                       "通常のファイルではありません（名前付きパイプやデバイスは読み込めません）。");
    }
    if (static_cast<std::uint64_t>(st.st_size) > kMaxReadSize)
        return tooLarge();
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);

    std::string data;
    try {
        // The size is a hint only: the file may change while we read, and /proc says 0. The
        // buffer is filled to the size given; a small read past it then tells the end from a
        // file that grew, without growing (and copying) a long manuscript for nothing.
        data.reserve(static_cast<std::size_t>(st.st_size));
        AdviseLargeBuffer(data.data(), data.capacity());
        data.resize(static_cast<std::size_t>(st.st_size));
        std::size_t used = 0;
        char probe[4096];
        for (;;) {
            const bool full = used == data.size();
            const ssize_t n = full ? ::read(fd, probe, sizeof probe) : ::read(fd, data.data() + used, data.size() - used);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                return fail(errno);
            if (n == 0)
                break;
            if (used + static_cast<std::size_t>(n) > kMaxReadSize)   // grew while we read
                return tooLarge();
            if (full) {   // grown, or a file that says 0: grow geometrically
                data.resize(used + std::max<std::size_t>(used, 65536));
                std::memcpy(data.data() + used, probe, static_cast<std::size_t>(n));
            }
            used += static_cast<std::size_t>(n);
        }
        data.resize(used);
    } catch (const std::bad_alloc&) {
        return fail(ENOMEM);
    } catch (const std::length_error&) {
        return fail(EFBIG);
    }
    ::close(fd);
    out.swap(data);
    return {};
}

}  // namespace penwick
