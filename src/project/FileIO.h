// Reading whole files, and replacing a file atomically.
//
// WriteFileAtomically is the one writer for project saves, exports and text documents:
// the bytes go to a temporary file in the same folder, every write is checked for its
// full length, the file is synced and then renamed over the target. On any failure the
// temporary file is removed and the target is left byte for byte as it was.
#pragma once

#include "ResultCode.h"

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

// The target keeps its permissions (a new file gets 0666 & ~umask); a symbolic link is
// followed and stays a link. A folder, a device or a read-only file is refused, not replaced.
FileResult WriteFileAtomically(const std::string& path, std::string_view bytes,
                               FileOps& ops = FileOps::system());

// Reads the whole file into out (out untouched on failure).
FileResult ReadWholeFile(const std::string& path, std::string& out);

}  // namespace penwick
