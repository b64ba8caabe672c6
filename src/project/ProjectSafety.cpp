#include "ProjectSafety.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace penwick {

namespace {

constexpr const char* kRecoveryName = "recovery.xml";
constexpr const char* kPathNote = "path.txt";

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

// Backups sort by name in time order: "YYYYMMDD-HHMMSS-NNN-<file name>".
bool isBackupName(const std::string& name)
{
    return name.size() > 20 && name[8] == '-' && name[15] == '-' && name[19] == '-'
           && std::all_of(name.begin(), name.begin() + 8, ::isdigit);
}

std::vector<std::string> backupNames(const std::string& folder)
{
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec))
        if (entry.is_regular_file(ec) && isBackupName(entry.path().filename().string()))
            names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

std::string PathHash(std::string_view text)
{
    std::uint64_t h = 14695981039346656037ull;
    for (const unsigned char c : text) {
        h ^= c;
        h *= 1099511628211ull;
    }
    char buf[17];
    std::snprintf(buf, sizeof buf, "%016llx", static_cast<unsigned long long>(h));
    return buf;
}

std::string AbsoluteProjectPath(const std::string& path)
{
    std::error_code ec;
    fs::path p = fs::weakly_canonical(fs::absolute(path, ec), ec);
    return ec ? fs::absolute(path).lexically_normal().string() : p.string();
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
    return m_root + "/" + PathHash(AbsoluteProjectPath(projectPath));
}

std::string BackupStore::recoveryPath(const std::string& projectPath) const
{
    return folderFor(projectPath) + "/" + kRecoveryName;
}

FileResult BackupStore::ensureFolder(const std::string& folder) const
{
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec) {
        FileResult r;
        r.hr = ResultFromErrno(ec.value());
        r.sysErrno = ec.value();
        r.message = "バックアップ用のフォルダー「" + folder + "」を作成できませんでした。\n" + ResultCodeText(r.hr);
        return r;
    }
    return {};
}

std::string BackupStore::datedName(const std::string& folder, const std::string& projectPath,
                                   std::time_t now, const char* suffix) const
{
    std::tm tm{};
    localtime_r(&now, &tm);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &tm);
    const std::string file = fs::path(projectPath).stem().string() + suffix + ".xml";
    for (int seq = 0;; ++seq) {
        char prefix[48];
        std::snprintf(prefix, sizeof prefix, "%s-%03d-", stamp, seq);
        const std::string name = folder + "/" + prefix + file;
        if (!fs::exists(name) || seq == 999)
            return name;
    }
}

void BackupStore::prune(const std::string& folder, int keep) const
{
    const std::vector<std::string> names = backupNames(folder);
    const std::size_t limit = static_cast<std::size_t>(std::max(keep, 1));
    for (std::size_t i = 0; i + limit < names.size(); ++i)
        m_ops->unlink((folder + "/" + names[i]).c_str());
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
    // A note of which project the folder belongs to, for people browsing it.
    const std::string note = folder + "/" + kPathNote;
    if (!fs::exists(note))
        WriteFileAtomically(note, AbsoluteProjectPath(projectPath) + "\n", *m_ops);
    r = WriteFileAtomically(datedName(folder, projectPath, now, ""), bytes, *m_ops);
    if (r)
        prune(folder, keep);
    return r;
}

FileResult BackupStore::writeRecovery(const std::string& projectPath, std::string_view bytes) const
{
    const std::string folder = folderFor(projectPath);
    if (FileResult r = ensureFolder(folder); !r)
        return r;
    return WriteFileAtomically(recoveryPath(projectPath), bytes, *m_ops);
}

bool BackupStore::hasNewerRecovery(const std::string& projectPath) const
{
    struct stat snapshot, project;
    if (!statFile(recoveryPath(projectPath), &snapshot))
        return false;
    return !statFile(projectPath, &project) || newer(snapshot, project);
}

void BackupStore::removeRecovery(const std::string& projectPath) const
{
    m_ops->unlink(recoveryPath(projectPath).c_str());
}

FileResult BackupStore::keepRecoveryAsBackup(const std::string& projectPath, int keep, std::time_t now) const
{
    const std::string from = recoveryPath(projectPath);
    const std::string folder = folderFor(projectPath);
    if (m_ops->rename(from.c_str(), datedName(folder, projectPath, now, ".recovery").c_str()) != 0) {
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
    auto add = [&](const std::string& path, bool recovery) {
        struct stat st;
        if (statFile(path, &st))
            out.push_back({path, st.st_mtim.tv_sec, static_cast<std::uint64_t>(st.st_size), recovery});
    };
    for (const std::string& name : backupNames(folder))
        add(folder + "/" + name, false);
    add(recoveryPath(projectPath), true);
    return out;
}

// ---- ProjectLock ---------------------------------------------------------------------

std::string ProjectLock::lockPath(const std::string& projectPath)
{
    const fs::path p = fs::path(AbsoluteProjectPath(projectPath));
    return (p.parent_path() / ("." + p.filename().string() + ".penwick-lock")).string();
}

ProjectLock::State ProjectLock::probe(const std::string& projectPath, std::string* holder)
{
    std::string content;
    if (!ReadWholeFile(lockPath(projectPath), content))
        return State::Free;
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
    if (::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM)
        return State::HeldByOther;
    return State::Stale;
}

bool ProjectLock::acquire(const std::string& projectPath)
{
    release();
    const std::string content = std::to_string(getpid()) + " " + hostName() + "\n";
    if (!WriteFileAtomically(lockPath(projectPath), content))
        return false;
    m_project = projectPath;
    return true;
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
