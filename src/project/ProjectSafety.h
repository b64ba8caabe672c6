// SPDX-License-Identifier: GPL-3.0-or-later
// What keeps a writer's work safe beyond the atomic save: backups of the file a save
// replaces, crash-recovery snapshots of unsaved work, and a lock that tells a second
// Penwick that the project is already open.
//
// Backups and snapshots live in the user's data folder ($XDG_DATA_HOME/penwick/backups,
// ~/.local/share/penwick/backups by default), one folder per project named after a hash
// of the project's full path, so two projects of the same name never share one; a project
// not yet saved has the folder "untitled". The folders are 0700 and the files 0600 (or the
// project's own mode where that is stricter): snapshots hold unsaved text. Nothing here
// writes through a symbolic link, and no call throws.
//
// Backups are named "<sequence>-<UTC time>-<name>.xml" and kept in sequence order, so a
// change of time zone or of the clock never makes a new backup look older than the rest.
// Each process writes its own snapshot, "recovery-<PID>.xml", so two windows on one
// project never remove each other's. The lock is a small file beside the project holding
// the owner's PID and host.
#pragma once

#include "FileIO.h"

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

namespace penwick {

// Everything here can be switched off; the application reads these from its settings file.
struct SafetySettings {
    bool backups = true;
    bool recovery = true;
    bool lock = true;
    int keepBackups = 10;
    int recoveryIntervalSeconds = 30;
};

struct BackupEntry {
    std::string path;
    std::time_t modified = 0;
    std::uint64_t size = 0;
    bool recovery = false;   // a recovery snapshot rather than a backup
    long pid = 0;            // for a snapshot: the process that wrote it (0: unknown)
};

class BackupStore {
public:
    // root: the backups folder; empty = $XDG_DATA_HOME/penwick/backups.
    explicit BackupStore(std::string root = {}, FileOps& ops = FileOps::system());

    static std::string defaultRoot();
    // The folder for a project (its absolute path is hashed; the path need not exist);
    // an empty path stands for the untitled project.
    std::string folderFor(const std::string& projectPath) const;

    // Copies the file a save is about to replace into a new dated backup and keeps the
    // newest `keep`. Nothing to do (success) when the project file does not exist yet or
    // the newest backup holds the same bytes.
    FileResult backUp(const std::string& projectPath, int keep, std::time_t now = std::time(nullptr)) const;

    // This process's recovery snapshot: the whole document with unsaved work, written atomically.
    FileResult writeRecovery(const std::string& projectPath, std::string_view bytes) const;
    std::string recoveryPath(const std::string& projectPath, long pid = 0) const;   // 0: this process
    // Snapshots left by processes that are gone (or by this one) and newer than the project
    // file (or whose project file is gone), newest first: the ones to offer on open.
    std::vector<BackupEntry> pendingRecoveries(const std::string& projectPath) const;
    bool hasNewerRecovery(const std::string& projectPath) const { return !pendingRecoveries(projectPath).empty(); }
    void removeRecovery(const std::string& projectPath) const;   // this process's
    // Keeps a discarded snapshot (default: this process's) among the backups instead of deleting it.
    FileResult keepRecoveryAsBackup(const std::string& projectPath, int keep,
                                    std::time_t now = std::time(nullptr), std::string snapshot = {}) const;

    // Backups (oldest first), then the recovery snapshots.
    std::vector<BackupEntry> list(const std::string& projectPath) const;

private:
    FileResult ensureFolder(const std::string& folder) const;
    void prune(const std::string& folder, int keep) const;
    std::string newBackupName(const std::string& folder, const std::string& projectPath, std::time_t now,
                              const char* suffix) const;
    std::vector<BackupEntry> snapshots(const std::string& projectPath) const;

    std::string m_root;
    FileOps* m_ops;
};

// A lock file beside the project: ".<name>.penwick-lock" with "PID HOST".
class ProjectLock {
public:
    enum class State { Free, OwnedByUs, Stale, HeldByOther };

    ProjectLock() = default;
    ~ProjectLock() { release(); }
    ProjectLock(const ProjectLock&) = delete;
    ProjectLock& operator=(const ProjectLock&) = delete;

    static std::string lockPath(const std::string& projectPath);
    // What the lock file says: held by a live process (this host), stale (its PID is gone),
    // or free. A lock of another host is taken as held: its PID cannot be checked from here.
    // So is anything at the lock's name that is not a regular file of this user (a link,
    // a folder, another user's file): it is never read through, written or removed.
    static State probe(const std::string& projectPath, std::string* holder = nullptr);

    // Creates the lock file exclusively; a stale lock of ours is removed and created anew.
    // A lock held by another stays theirs. false when the lock is not ours (held by
    // another, or a folder we cannot write to): not an error worth stopping for.
    bool acquire(const std::string& projectPath);
    // Removes the lock file if it is still ours.
    void release();
    const std::string& projectPath() const { return m_project; }

private:
    std::string m_project;
};

// What a file on disk looked like when Penwick last read or wrote it, to notice another
// program changing it in between.
struct FileStamp {
    bool exists = false;
    std::uint64_t size = 0, inode = 0;
    std::int64_t mtimeSec = 0, mtimeNsec = 0;
    bool operator==(const FileStamp&) const = default;
    static FileStamp of(const std::string& path);
};

// 64-bit FNV-1a of the text, as 16 hex digits: names a project's backup folder.
std::string PathHash(std::string_view text);
// The absolute, normalised form of a path (symbolic links resolved where they exist).
std::string AbsoluteProjectPath(const std::string& path);

}  // namespace penwick
