// SPDX-License-Identifier: GPL-3.0-or-later
#include "ProjectSafety.h"

#include "Fnv.h"
#include "UtcTime.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace penwick {

namespace {

constexpr const char* kLegacyRecoveryName = "recovery.xml";   // before snapshots had a PID
constexpr const char* kPathNote = "path.txt";
constexpr const char* kUntitledFolder = "untitled";

std::string hostName()
{
    char buf[256] = {};
    if (gethostname(buf, sizeof buf - 1) != 0)
        return "localhost";
    return buf;
}

bool statFile(const std::string& path, struct stat* st)
{
    return ::stat(path.c_str(), st) == 0 && S_ISREG(st->st_mode);
}

bool newer(const struct stat& a, const struct stat& b)
{
    if (a.st_mtim.tv_sec != b.st_mtim.tv_sec)
        return a.st_mtim.tv_sec > b.st_mtim.tv_sec;
    return a.st_mtim.tv_nsec > b.st_mtim.tv_nsec;
}

bool allDigits(std::string_view s)
{
    return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Backups: "<sequence>-YYYYMMDDTHHMMSSZ-<file name>", the sequence counting up in each
// folder. Older versions wrote "YYYYMMDD-HHMMSS-NNN-<file name>" in local time; those
// still count, as older than every numbered one.
struct BackupName {
    std::string name;
    bool legacy = false;
    unsigned long long sequence = 0;
    bool operator<(const BackupName& o) const
    {
        if (legacy != o.legacy)
            return legacy;
        return legacy ? name < o.name : sequence < o.sequence;
    }
};

bool parseBackupName(const std::string& name, BackupName* out)
{
    const std::string_view n = name;
    if (n.size() > 20 && n[8] == '-' && n[15] == '-' && n[19] == '-' && allDigits(n.substr(0, 8))
        && allDigits(n.substr(9, 6)) && allDigits(n.substr(16, 3))) {
        *out = {name, true, 0};
        return true;
    }
    const std::size_t dash = n.find('-');
    if (dash == std::string_view::npos || dash > 18 || !allDigits(n.substr(0, dash)) || n.size() < dash + 19
        || n[dash + 9] != 'T' || n[dash + 16] != 'Z' || n[dash + 17] != '-')
        return false;
    *out = {name, false, std::strtoull(name.c_str(), nullptr, 10)};
    return true;
}

// Lists a folder without std::filesystem's throwing iterator.
std::vector<std::string> fileNames(const std::string& folder)
{
    std::vector<std::string> names;
    if (DIR* dir = ::opendir(folder.c_str())) {
        while (const dirent* e = ::readdir(dir))
            names.emplace_back(e->d_name);
        ::closedir(dir);
    }
    return names;
}

std::vector<BackupName> backupNames(const std::string& folder)
{
    std::vector<BackupName> names;
    for (const std::string& name : fileNames(folder)) {
        BackupName b;
        struct stat st;
        if (parseBackupName(name, &b) && ::lstat((folder + "/" + name).c_str(), &st) == 0 && S_ISREG(st.st_mode))
            names.push_back(std::move(b));
    }
    std::sort(names.begin(), names.end());
    return names;
}

// "recovery-<pid>.xml" (pid > 0), or the one name older versions used (pid 0).
bool parseSnapshotName(const std::string& name, long* pid)
{
    if (name == kLegacyRecoveryName) {
        *pid = 0;
        return true;
    }
    const std::string_view n = name;
    if (n.size() < 14 || n.substr(0, 9) != "recovery-" || n.substr(n.size() - 4) != ".xml"
        || !allDigits(n.substr(9, n.size() - 13)) || n.size() - 13 > 10)
        return false;
    *pid = std::strtol(name.c_str() + 9, nullptr, 10);
    return *pid > 0;
}

std::string fileStem(const std::string& path)
{
    std::string name = path.substr(path.rfind('/') + 1);
    if (const std::size_t dot = name.rfind('.'); dot != std::string::npos && dot > 0)
        name.resize(dot);
    return name.empty() ? std::string("project") : name;
}

// A folder of ours: created 0700 where missing, and refused unless it is a folder owned
// by this user; one that others may read is made private. Only the backups root may be a
// link (the user's own, to another disk, say): a project's folder must be a real one.
int makePrivateFolder(const std::string& folder, bool mayBeLink)
{
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
        return errno;
    struct stat st;
    if ((mayBeLink ? ::stat(folder.c_str(), &st) : ::lstat(folder.c_str(), &st)) != 0)
        return errno;
    if (!S_ISDIR(st.st_mode) || st.st_uid != ::geteuid())
        return EPERM;
    if ((st.st_mode & 077) != 0 && ::chmod(folder.c_str(), 0700) != 0)
        return errno;
    return 0;
}

// The mode of files holding a project's text: 0600, or stricter when the project is.
int privateMode(const std::string& projectPath)
{
    struct stat st;
    if (!projectPath.empty() && statFile(projectPath, &st))
        return static_cast<int>(st.st_mode & 0600);
    return 0600;
}

}  // namespace

std::string PathHash(std::string_view text)
{
    char buf[17];
    std::snprintf(buf, sizeof buf, "%016llx", static_cast<unsigned long long>(Fnv1a64(text)));
    return buf;
}

std::string AbsoluteProjectPath(const std::string& path)
{
    std::error_code ec;
    const fs::path absolute = fs::absolute(path, ec);
    if (ec)
        return path;
    const fs::path p = fs::weakly_canonical(absolute, ec);
    return ec ? absolute.lexically_normal().string() : p.string();
}

FileStamp FileStamp::of(const std::string& path)
{
    FileStamp s;
    struct stat st;
    if (::stat(path.c_str(), &st) != 0)
        return s;
    s.exists = true;
    s.size = static_cast<std::uint64_t>(st.st_size);
    s.inode = static_cast<std::uint64_t>(st.st_ino);
    s.mtimeSec = st.st_mtim.tv_sec;
    s.mtimeNsec = st.st_mtim.tv_nsec;
    return s;
}

// ---- BackupStore ---------------------------------------------------------------------

BackupStore::BackupStore(std::string root, FileOps& ops)
    : m_root(root.empty() ? defaultRoot() : std::move(root)), m_ops(&ops)
{
}

std::string BackupStore::defaultRoot()
{
    const char* xdg = std::getenv("XDG_DATA_HOME");
    std::string base;
    if (xdg && *xdg == '/')
        base = xdg;
    else if (const char* home = std::getenv("HOME"); home && *home)
        base = std::string(home) + "/.local/share";
    else
        base = "/tmp";
    return base + "/penwick/backups";
}

std::string BackupStore::folderFor(const std::string& projectPath) const
{
    if (projectPath.empty())
        return m_root + "/" + kUntitledFolder;
    return m_root + "/" + PathHash(AbsoluteProjectPath(projectPath));
}

std::string BackupStore::recoveryPath(const std::string& projectPath, long pid) const
{
    return folderFor(projectPath) + "/recovery-" + std::to_string(pid > 0 ? pid : long(::getpid())) + ".xml";
}

FileResult BackupStore::ensureFolder(const std::string& folder) const
{
    // The folders above the backups root are the user's (created 0700 where missing, as
    // the data folder should be); the root and the project's folder must be ours alone.
    int err = 0;
    std::error_code ec;
    const fs::path parent = fs::path(m_root).parent_path();
    if (!parent.empty() && !fs::is_directory(parent, ec)) {
        fs::create_directories(parent, ec);
        if (!ec)
            fs::permissions(parent, fs::perms::owner_all, ec);
        err = ec.value();
    }
    if (!err)
        err = makePrivateFolder(m_root, true);
    if (!err)
        err = makePrivateFolder(folder, false);
    if (err) {
        FileResult r;
        r.hr = ResultFromErrno(err);
        r.sysErrno = err;
        r.message = "バックアップ用のフォルダー「" + folder + "」を作成できませんでした。\n" + ResultCodeText(r.hr);
        return r;
    }
    return {};
}

std::string BackupStore::newBackupName(const std::string& folder, const std::string& projectPath,
                                       std::time_t now, const char* suffix) const
{
    unsigned long long next = 1;
    for (const BackupName& b : backupNames(folder))
        if (!b.legacy)
            next = std::max(next, b.sequence + 1);
    const std::string stamp = FormatUtc(now, "%Y%m%dT%H%M%SZ");
    // The name stays well inside the 255 bytes a file name may have, however long the
    // project's name: the stem is cut at a character boundary.
    const std::string file = Utf8Prefix(fileStem(projectPath), 150) + suffix + ".xml";
    char prefix[64];
    std::snprintf(prefix, sizeof prefix, "%06llu-%s-", next, stamp.c_str());
    return folder + "/" + prefix + file;
}

void BackupStore::prune(const std::string& folder, int keep) const
{
    const std::vector<BackupName> names = backupNames(folder);
    const std::size_t limit = static_cast<std::size_t>(std::max(keep, 1));
    for (std::size_t i = 0; i + limit < names.size(); ++i)
        m_ops->unlink((folder + "/" + names[i].name).c_str());
}

FileResult BackupStore::backUp(const std::string& projectPath, int keep, std::time_t now) const
{
    struct stat st;
    if (!statFile(projectPath, &st))
        return {};   // nothing on disk yet: nothing to keep
    std::string bytes;
    FileResult r = ReadWholeFile(projectPath, bytes);
    if (!r)
        return r;
    const std::string folder = folderFor(projectPath);
    if (r = ensureFolder(folder); !r)
        return r;
    // A copy of what the newest backup already holds would only push an older version
    // out of the rotation.
    if (const std::vector<BackupName> names = backupNames(folder); !names.empty()) {
        std::string newest;
        if (ReadWholeFile(folder + "/" + names.back().name, newest, false) && newest == bytes)
            return {};
    }
    const WriteOptions options{false, privateMode(projectPath)};
    // A note of which project the folder belongs to, for people browsing it.
    const std::string note = folder + "/" + kPathNote;
    struct stat noteStat;
    if (::lstat(note.c_str(), &noteStat) != 0)
        WriteFileAtomically(note, AbsoluteProjectPath(projectPath) + "\n", *m_ops, {false, 0600});
    r = WriteFileAtomically(newBackupName(folder, projectPath, now, ""), bytes, *m_ops, options);
    if (r)
        prune(folder, keep);
    return r;
}

FileResult BackupStore::writeRecovery(const std::string& projectPath, std::string_view bytes) const
{
    const std::string folder = folderFor(projectPath);
    if (FileResult r = ensureFolder(folder); !r)
        return r;
    return WriteFileAtomically(recoveryPath(projectPath), bytes, *m_ops, {false, privateMode(projectPath)});
}

std::vector<BackupEntry> BackupStore::snapshots(const std::string& projectPath) const
{
    std::vector<BackupEntry> out;
    const std::string folder = folderFor(projectPath);
    for (const std::string& name : fileNames(folder)) {
        long pid = 0;
        struct stat st;
        const std::string path = folder + "/" + name;
        if (parseSnapshotName(name, &pid) && ::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode))
            out.push_back({path, st.st_mtim.tv_sec, static_cast<std::uint64_t>(st.st_size), true, pid});
    }
    std::sort(out.begin(), out.end(), [](const BackupEntry& a, const BackupEntry& b) { return a.path < b.path; });
    return out;
}

std::vector<BackupEntry> BackupStore::pendingRecoveries(const std::string& projectPath) const
{
    struct stat project;
    const bool hasFile = !projectPath.empty() && statFile(projectPath, &project);
    std::vector<std::pair<struct stat, BackupEntry>> found;
    for (BackupEntry& e : snapshots(projectPath)) {
        // Another live window's snapshot is its work in progress, not a crash's leftover.
        if (e.pid != 0 && e.pid != long(::getpid()) && ProcessAlive(e.pid))
            continue;
        struct stat st;
        if (::lstat(e.path.c_str(), &st) == 0 && (!hasFile || newer(st, project)))
            found.emplace_back(st, std::move(e));
    }
    std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return newer(a.first, b.first); });
    std::vector<BackupEntry> out;
    for (auto& f : found)
        out.push_back(std::move(f.second));
    return out;
}

void BackupStore::removeRecovery(const std::string& projectPath) const
{
    m_ops->unlink(recoveryPath(projectPath).c_str());
}

FileResult BackupStore::keepRecoveryAsBackup(const std::string& projectPath, int keep, std::time_t now,
                                             std::string snapshot) const
{
    const std::string from = snapshot.empty() ? recoveryPath(projectPath) : std::move(snapshot);
    const std::string folder = folderFor(projectPath);
    if (m_ops->rename(from.c_str(), newBackupName(folder, projectPath, now, ".recovery").c_str()) != 0) {
        FileResult r;
        r.sysErrno = errno;
        r.hr = ResultFromErrno(errno);
        r.message = "復旧用データ「" + from + "」をバックアップとして残せませんでした。\n" + ResultCodeText(r.hr);
        return r;
    }
    prune(folder, keep);
    return {};
}

std::vector<BackupEntry> BackupStore::list(const std::string& projectPath) const
{
    std::vector<BackupEntry> out;
    const std::string folder = folderFor(projectPath);
    for (const BackupName& b : backupNames(folder)) {
        struct stat st;
        const std::string path = folder + "/" + b.name;
        if (statFile(path, &st))
            out.push_back({path, st.st_mtim.tv_sec, static_cast<std::uint64_t>(st.st_size), false, 0});
    }
    for (BackupEntry& e : snapshots(projectPath))
        out.push_back(std::move(e));
    return out;
}

// ---- ProjectLock ---------------------------------------------------------------------

std::string ProjectLock::lockPath(const std::string& projectPath)
{
    const fs::path p = fs::path(AbsoluteProjectPath(projectPath));
    // A name near the system's limit is cut (at a character) so that the lock's fits.
    return (p.parent_path() / ("." + Utf8Prefix(p.filename().string(), 220) + ".penwick-lock")).string();
}

ProjectLock::State ProjectLock::probe(const std::string& projectPath, std::string* holder)
{
    const std::string path = lockPath(projectPath);
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0)
        return State::Free;   // none, or none that could be made here
    // Not a lock we could have written: never read through it, never replace it.
    if (!S_ISREG(st.st_mode) || st.st_uid != ::geteuid()) {
        if (holder)
            *holder = "不明（" + path + " は Penwick のロックファイルではありません）";
        return State::HeldByOther;
    }
    std::string content;
    if (!ReadWholeFile(path, content, false))
        return State::Free;   // gone in between
    long pid = 0;
    char host[256] = {};
    if (std::sscanf(content.c_str(), "%ld %255s", &pid, host) != 2 || pid <= 0)
        return State::Stale;
    if (holder)
        *holder = std::string(host) + " (PID " + std::to_string(pid) + ")";
    if (host != hostName())
        return State::HeldByOther;
    if (pid == static_cast<long>(getpid()))
        return State::OwnedByUs;
    return ProcessAlive(pid) ? State::HeldByOther : State::Stale;
}

bool ProjectLock::acquire(const std::string& projectPath)
{
    release();
    const std::string path = lockPath(projectPath);
    const std::string content = std::to_string(getpid()) + " " + hostName() + "\n";
    for (int attempt = 0; attempt < 2; ++attempt) {
        // O_EXCL | O_NOFOLLOW: whatever stands at the name, nothing is written through it.
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
        if (fd >= 0) {
            const bool written = ::write(fd, content.data(), content.size()) == ssize_t(content.size());
            ::close(fd);
            if (!written) {
                ::unlink(path.c_str());
                return false;
            }
            m_project = projectPath;
            return true;
        }
        if (errno != EEXIST)
            return false;
        // A stale lock of ours (its process is gone) is removed and made anew; any other
        // lock stays as it is.
        const State state = probe(projectPath);
        if (state == State::OwnedByUs) {
            m_project = projectPath;
            return true;
        }
        if (state != State::Stale || ::unlink(path.c_str()) != 0)
            return false;
    }
    return false;
}

void ProjectLock::release()
{
    if (m_project.empty())
        return;
    if (probe(m_project) == State::OwnedByUs)
        ::unlink(lockPath(m_project).c_str());
    m_project.clear();
}

}  // namespace penwick
