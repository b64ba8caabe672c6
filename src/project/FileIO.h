// SPDX-License-Identifier: GPL-3.0-or-later
// Reading whole files, and replacing a file atomically.
//
// WriteFileAtomically is the one writer for project saves, exports and text documents:
// the bytes go to a temporary file in the same folder, every write is checked for its
// full length, the file is synced and then renamed over the target. On any failure the
// temporary file is removed and the target is left byte for byte as it was.
#pragma once

#include "ResultCode.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <sys/types.h>

namespace penwick {

// The system calls the writer makes. Tests derive from it to inject short writes,
// a full disk, a failed sync or a failed rename; errors are reported through errno.
class FileOps {
public:
    virtual ~FileOps() = default;
    virtual int mkstemp(char* pathTemplate);
    virtual ssize_t write(int fd, const void* data, size_t size);
    virtual int fsync(int fd);
    virtual int close(int fd);
    virtual int rename(const char* from, const char* to);
    virtual int unlink(const char* path);
    virtual int fchmod(int fd, mode_t mode);
    static FileOps& system();
};

// message: Japanese, names the file and the system's reason; empty on success.
struct FileResult : Status {
    int sysErrno = 0;
};

// How a write treats what already stands at the path.
struct WriteOptions {
    // true: a symbolic link is followed and stays a link (a user's own project file).
    // false: whatever stands at the path is replaced, never written through (files in
    // folders of our own making: backups, snapshots).
    bool followLinks = true;
    // The new file's permissions; negative: the target's own (a new file gets 0666 & ~umask).
    int mode = -1;
};

// The target keeps its permissions and, where we may, its owner. A folder, a device or a
// read-only file is refused, not replaced. The temporary file is named
// ".<name>.penwick-<pid>-XXXXXX" beside the target and created exclusively.
FileResult WriteFileAtomically(const std::string& path, std::string_view bytes,
                               FileOps& ops = FileOps::system(), const WriteOptions& options = {});

// Removes temporaries that interrupted writes to path left beside it: only names of the
// pattern above, only regular files of this user, only when their process is gone.
// Returns how many were removed.
int RemoveStaleTemporaries(const std::string& path);

// At most max bytes of text, never ending inside a UTF-8 sequence (file names of our own
// making that must stay within the system's 255 bytes).
std::string Utf8Prefix(const std::string& text, std::size_t max);

// Whether a process of that ID runs on this machine.
bool ProcessAlive(long pid);

// The largest file ReadWholeFile reads; a project is far smaller.
constexpr std::uint64_t kMaxReadSize = 512ull << 20;

// Reads the whole file into out (out untouched on failure). Only regular files of at most
// kMaxReadSize are read: a FIFO or a device is refused without blocking on it. With
// followLinks false a symbolic link at path is refused too.
FileResult ReadWholeFile(const std::string& path, std::string& out, bool followLinks = true);

// Asks the kernel to back a large buffer (a whole manuscript) with huge pages: touching
// 30 MB in 4 KB pages costs more than reading the file. Advice only; small buffers are left.
void AdviseLargeBuffer(void* data, std::size_t size);

}  // namespace penwick
