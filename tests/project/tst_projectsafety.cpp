// SPDX-License-Identifier: GPL-3.0-or-later
// Backups, recovery snapshots and the project lock, with failures injected through the
// file-operations seam (the tests run as root: permissions cannot make anything fail).
#include "FileIO.h"
#include "ProjectSafety.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>
#include <fcntl.h>
#include <fstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace penwick;

namespace {

void writeText(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

std::string readText(const std::string& path)
{
    std::string s;
    ReadWholeFile(path, s);
    return s;
}

// A backup folder that cannot be written to.
struct UnwritableOps : FileOps {
    int mkstemp(char*) override
    {
        errno = EACCES;
        return -1;
    }
};

}  // namespace

class TestProjectSafety : public QObject {
    Q_OBJECT
private slots:
    void backupsKeepTheNewestTen();
    void projectsOfTheSameNameDoNotShareBackups();
    void failedBackupLeavesTheProjectAlone();
    void recoverySnapshotLifecycle();
    void lockStates();
    void stampsNoticeChangesByOthers();
    void nothingIsWrittenThroughALink();
    void longNamesAndUnusableFoldersNeverThrow();
    void backupsAndSnapshotsArePrivate();
    void backupsOrderSurvivesTimeZoneChanges();
    void eachProcessHasItsOwnSnapshot();
};

void TestProjectSafety::backupsKeepTheNewestTen()
{
    QTemporaryDir dir;
    const std::string root = dir.filePath("backups").toStdString();
    const std::string project = dir.filePath("novel.xml").toStdString();
    BackupStore store(root);
    QVERIFY(store.backUp(project, 10));   // no file yet: nothing to keep, no error
    QVERIFY(store.list(project).empty());
    const std::time_t t0 = 1'800'000'000;
    for (int i = 0; i < 12; ++i) {
        writeText(project, "version " + std::to_string(i));
        QVERIFY(store.backUp(project, 10, t0 + (i / 2)));   // two saves within one second
    }
    const auto entries = store.list(project);
    QCOMPARE(entries.size(), std::size_t(10));
    QCOMPARE(readText(entries.front().path), std::string("version 2"));
    QCOMPARE(readText(entries.back().path), std::string("version 11"));
    // Named by sequence and UTC time: the twelfth backup, 2027-01-15 08:00:05 UTC.
    QVERIFY(QString::fromStdString(entries.back().path).endsWith("/000012-20270115T080005Z-novel.xml"));
    QCOMPARE(readText(store.folderFor(project) + "/path.txt"), AbsoluteProjectPath(project) + "\n");

    // Saving an unchanged project again keeps what the rotation holds: no copy of the newest.
    for (int i = 0; i < 10; ++i)
        QVERIFY(store.backUp(project, 10, t0 + 10 + i));
    const auto after = store.list(project);
    QCOMPARE(after.size(), std::size_t(10));
    QCOMPARE(readText(after.front().path), std::string("version 2"));
    writeText(project, "version 12");
    QVERIFY(store.backUp(project, 10, t0 + 30));
    QCOMPARE(readText(store.list(project).back().path), std::string("version 12"));
}

void TestProjectSafety::projectsOfTheSameNameDoNotShareBackups()
{
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkpath("a") && QDir(dir.path()).mkpath("b"));
    BackupStore store(dir.filePath("backups").toStdString());
    const std::string a = dir.filePath("a/novel.xml").toStdString();
    const std::string b = dir.filePath("b/novel.xml").toStdString();
    QVERIFY(store.folderFor(a) != store.folderFor(b));
    // Relative and absolute spellings of one file are one project.
    QCOMPARE(store.folderFor(a), store.folderFor(dir.filePath("b/../a/./novel.xml").toStdString()));
}

void TestProjectSafety::failedBackupLeavesTheProjectAlone()
{
    QTemporaryDir dir;
    const std::string project = dir.filePath("novel.xml").toStdString();
    writeText(project, "precious");
    UnwritableOps ops;
    BackupStore store(dir.filePath("backups").toStdString(), ops);
    const FileResult r = store.backUp(project, 10);
    QVERIFY(!r);
    QCOMPARE(r.hr, E_ACCESS_DENIED);
    QVERIFY(!r.message.empty());
    QCOMPARE(readText(project), std::string("precious"));
    QVERIFY(store.list(project).empty());
}

void TestProjectSafety::recoverySnapshotLifecycle()
{
    QTemporaryDir dir;
    const std::string project = dir.filePath("novel.xml").toStdString();
    BackupStore store(dir.filePath("backups").toStdString());
    writeText(project, "saved");
    QVERIFY(!store.hasNewerRecovery(project));
    QVERIFY(store.writeRecovery(project, "unsaved work"));
    // Make the project file clearly older than the snapshot.
    struct timespec times[2] = {{1'000'000'000, 0}, {1'000'000'000, 0}};
    QCOMPARE(utimensat(AT_FDCWD, project.c_str(), times, 0), 0);
    QVERIFY(store.hasNewerRecovery(project));
    auto entries = store.list(project);
    QCOMPARE(entries.size(), std::size_t(1));
    QVERIFY(entries[0].recovery);
    QCOMPARE(entries[0].size, std::uint64_t(12));

    // Saving the project afterwards makes the snapshot the older one.
    writeText(project, "saved again");
    QVERIFY(!store.hasNewerRecovery(project));

    // A discarded snapshot is kept among the backups.
    QVERIFY(store.keepRecoveryAsBackup(project, 10));
    entries = store.list(project);
    QCOMPARE(entries.size(), std::size_t(1));
    QVERIFY(!entries[0].recovery);
    QCOMPARE(readText(entries[0].path), std::string("unsaved work"));

    QVERIFY(store.writeRecovery(project, "x"));
    store.removeRecovery(project);
    QVERIFY(!store.hasNewerRecovery(project));
}

void TestProjectSafety::lockStates()
{
    QTemporaryDir dir;
    const std::string project = dir.filePath("novel.xml").toStdString();
    const std::string lock = ProjectLock::lockPath(project);
    QVERIFY(QString::fromStdString(lock).endsWith("/.novel.xml.penwick-lock"));
    QCOMPARE(ProjectLock::probe(project), ProjectLock::State::Free);
    {
        ProjectLock held;
        QVERIFY(held.acquire(project));
        QCOMPARE(ProjectLock::probe(project), ProjectLock::State::OwnedByUs);
    }
    QCOMPARE(ProjectLock::probe(project), ProjectLock::State::Free);   // released on close

    char host[256] = {};
    gethostname(host, sizeof host - 1);
    // A process that has ended leaves a stale lock.
    const pid_t child = fork();
    if (child == 0)
        _exit(0);
    waitpid(child, nullptr, 0);
    writeText(lock, std::to_string(child) + " " + host + "\n");
    QCOMPARE(ProjectLock::probe(project), ProjectLock::State::Stale);
    // A live process of this host holds it.
    std::string holder;
    writeText(lock, std::to_string(getppid()) + " " + host + "\n");
    QCOMPARE(ProjectLock::probe(project, &holder), ProjectLock::State::HeldByOther);
    QVERIFY(QString::fromStdString(holder).contains(QString::number(getppid())));
    // Another host's lock cannot be checked: it counts as held.
    writeText(lock, "1 some-other-host\n");
    QCOMPARE(ProjectLock::probe(project), ProjectLock::State::HeldByOther);
    writeText(lock, "garbage");
    QCOMPARE(ProjectLock::probe(project), ProjectLock::State::Stale);
    // Releasing never removes someone else's lock.
    ProjectLock mine;
    QVERIFY(mine.acquire(project));
    writeText(lock, "1 some-other-host\n");
    mine.release();
    QCOMPARE(readText(lock), std::string("1 some-other-host\n"));
}

void TestProjectSafety::stampsNoticeChangesByOthers()
{
    QTemporaryDir dir;
    const std::string path = dir.filePath("novel.xml").toStdString();
    QVERIFY(!FileStamp::of(path).exists);
    writeText(path, "one");
    const FileStamp first = FileStamp::of(path);
    QVERIFY(first.exists);
    QCOMPARE(FileStamp::of(path), first);
    // Same size, same second: the nanoseconds or the inode (an atomic replace) still differ.
    QVERIFY(WriteFileAtomically(path, "two"));
    QVERIFY(!(FileStamp::of(path) == first));
}

void TestProjectSafety::nothingIsWrittenThroughALink()
{
    QTemporaryDir dir;
    const std::string project = dir.filePath("novel.xml").toStdString();
    const std::string victim = dir.filePath("victim.txt").toStdString();
    writeText(project, "the novel");
    writeText(victim, "someone's file");
    const std::string lock = ProjectLock::lockPath(project);

    // A lock that is a link (to another file, to the project itself, dangling) is someone
    // else's: asked about, never written through or removed.
    for (const std::string& target : {victim, project, dir.filePath("nowhere").toStdString()}) {
        ::unlink(lock.c_str());
        QCOMPARE(::symlink(target.c_str(), lock.c_str()), 0);
        std::string holder;
        QCOMPARE(ProjectLock::probe(project, &holder), ProjectLock::State::HeldByOther);
        QVERIFY(!holder.empty());
        ProjectLock l;
        QVERIFY(!l.acquire(project));
        l.release();
        struct stat st;
        QVERIFY(::lstat(lock.c_str(), &st) == 0 && S_ISLNK(st.st_mode));
    }
    QCOMPARE(readText(victim), std::string("someone's file"));
    QCOMPARE(readText(project), std::string("the novel"));
    QVERIFY(!QFile::exists(dir.filePath("nowhere")));
    // A folder at the lock's name is not a lock either.
    ::unlink(lock.c_str());
    QCOMPARE(::mkdir(lock.c_str(), 0700), 0);
    QCOMPARE(ProjectLock::probe(project), ProjectLock::State::HeldByOther);
    QCOMPARE(::rmdir(lock.c_str()), 0);
    // A stale lock of ours is made anew: a regular file holding our PID.
    writeText(lock, "garbage");
    {
        ProjectLock l;
        QVERIFY(l.acquire(project));
        QVERIFY(QString::fromStdString(readText(lock)).startsWith(QString::number(getpid()) + " "));
    }

    // Links planted where snapshots and backups go are replaced, not followed.
    BackupStore store(dir.filePath("backups").toStdString());
    QVERIFY(store.writeRecovery(project, "first"));
    const std::string snapshot = store.recoveryPath(project);
    QCOMPARE(::unlink(snapshot.c_str()), 0);
    QCOMPARE(::symlink(victim.c_str(), snapshot.c_str()), 0);
    QVERIFY(store.writeRecovery(project, "unsaved"));
    QCOMPARE(readText(victim), std::string("someone's file"));
    QCOMPARE(readText(snapshot), std::string("unsaved"));
    // The backups root may be the user's own link to another folder.
    QVERIFY(QDir().mkpath(dir.filePath("otherdisk")));
    QCOMPARE(::symlink(dir.filePath("otherdisk").toLocal8Bit().constData(), dir.filePath("linked").toLocal8Bit().constData()), 0);
    QVERIFY(BackupStore(dir.filePath("linked").toStdString()).backUp(project, 10));
    QCOMPARE(QDir(dir.filePath("otherdisk")).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size(), 1);
    // A project folder among the backups that is a link is refused, with a message.
    const std::string other = dir.filePath("other.xml").toStdString();
    writeText(other, "other");
    QVERIFY(QDir().mkpath(dir.filePath("elsewhere")));
    QCOMPARE(::symlink(dir.filePath("elsewhere").toLocal8Bit().constData(), store.folderFor(other).c_str()), 0);
    const FileResult r = store.backUp(other, 10);
    QVERIFY(!r);
    QVERIFY(!r.message.empty());
    QVERIFY(QDir(dir.filePath("elsewhere")).isEmpty());
}

void TestProjectSafety::longNamesAndUnusableFoldersNeverThrow()
{
    QTemporaryDir dir;
    // 80 kana: 240 bytes, the longest name a file may nearly have.
    QString name;
    for (int i = 0; i < 80; ++i)
        name += QChar(0x3042 + i % 80);
    const std::string project = dir.filePath(name + ".xml").toStdString();
    writeText(project, "long");
    BackupStore store(dir.filePath("backups").toStdString());
    QVERIFY(store.backUp(project, 10));
    QVERIFY(!store.keepRecoveryAsBackup(project, 10));   // no snapshot yet: a clear failure
    QVERIFY(store.writeRecovery(project, "unsaved"));
    QVERIFY(store.keepRecoveryAsBackup(project, 10));
    const auto entries = store.list(project);
    QCOMPARE(entries.size(), std::size_t(2));
    for (const BackupEntry& e : entries) {
        const std::string file = e.path.substr(e.path.rfind('/') + 1);
        QVERIFY(file.size() <= 255);
        QVERIFY(QString::fromUtf8(file.c_str()).toUtf8().toStdString() == file);   // cut at a character
    }
    QCOMPARE(readText(entries.front().path), std::string("long"));

    // A backups root below a regular file cannot be made: failures, never exceptions.
    writeText(dir.filePath("plain").toStdString(), "x");
    BackupStore blocked(dir.filePath("plain/backups").toStdString());
    QVERIFY(!blocked.backUp(project, 10));
    QVERIFY(!blocked.writeRecovery(project, "x"));
    QVERIFY(blocked.list(project).empty());
    QVERIFY(!blocked.hasNewerRecovery(project));
    blocked.removeRecovery(project);
    // A path too long for the system.
    const std::string deep = dir.filePath(QString(5000, QLatin1Char('d'))).toStdString();
    QVERIFY(!BackupStore(deep).backUp(project, 10));
    QVERIFY(!AbsoluteProjectPath(std::string(5000, 'x')).empty());
}

void TestProjectSafety::backupsAndSnapshotsArePrivate()
{
    QTemporaryDir dir;
    const mode_t old = ::umask(022);
    const std::string project = dir.filePath("private.xml").toStdString();
    writeText(project, "secret");
    QCOMPARE(::chmod(project.c_str(), 0600), 0);
    const std::string root = dir.filePath("backups").toStdString();
    BackupStore store(root);
    QVERIFY(store.backUp(project, 10));
    QVERIFY(store.writeRecovery(project, "unsaved secret"));
    const auto modeOf = [](const std::string& p) {
        struct stat st;
        return ::stat(p.c_str(), &st) == 0 ? int(st.st_mode & 0777) : -1;
    };
    QCOMPARE(modeOf(root), 0700);
    QCOMPARE(modeOf(store.folderFor(project)), 0700);
    for (const BackupEntry& e : store.list(project))
        QCOMPARE(modeOf(e.path), 0600);
    QCOMPARE(modeOf(store.folderFor(project) + "/path.txt"), 0600);
    // Stricter than 0600: the project's own mode; a folder made by an older version is tightened.
    writeText(project, "secret, saved again");
    QCOMPARE(::chmod(project.c_str(), 0400), 0);
    QCOMPARE(::chmod(store.folderFor(project).c_str(), 0755), 0);
    QVERIFY(store.backUp(project, 10));
    QCOMPARE(modeOf(store.list(project)[1].path), 0400);
    QCOMPARE(modeOf(store.folderFor(project)), 0700);
    // The save itself keeps the project's mode, and its owner where we may set it.
    QCOMPARE(::chmod(project.c_str(), 0640), 0);
    QVERIFY(WriteFileAtomically(project, "saved"));
    QCOMPARE(modeOf(project), 0640);
    if (::geteuid() == 0) {
        QCOMPARE(::chown(project.c_str(), 4321, 4322), 0);
        QVERIFY(WriteFileAtomically(project, "saved again"));
        struct stat st;
        QCOMPARE(::stat(project.c_str(), &st), 0);
        QCOMPARE(st.st_uid, uid_t(4321));
        QCOMPARE(st.st_gid, gid_t(4322));
        QCOMPARE(int(st.st_mode & 0777), 0640);
    }
    ::umask(old);
}

void TestProjectSafety::backupsOrderSurvivesTimeZoneChanges()
{
    QTemporaryDir dir;
    const std::string project = dir.filePath("novel.xml").toStdString();
    BackupStore store(dir.filePath("backups").toStdString());
    const QByteArray tz = qgetenv("TZ");
    // A save in Tokyo, then one a minute later after moving to Los Angeles, where the
    // local clock reads seventeen hours earlier; then the autumn hour repeated.
    const std::time_t t = 1'800'000'000;
    qputenv("TZ", "Asia/Tokyo");
    tzset();
    writeText(project, "first");
    QVERIFY(store.backUp(project, 1, t));
    qputenv("TZ", "America/Los_Angeles");
    tzset();
    writeText(project, "second");
    QVERIFY(store.backUp(project, 1, t + 60));
    QCOMPARE(readText(store.list(project).back().path), std::string("second"));
    writeText(project, "third");
    QVERIFY(store.backUp(project, 1, t - 3600));   // the clock went back
    const auto entries = store.list(project);
    QCOMPARE(entries.size(), std::size_t(1));
    QCOMPARE(readText(entries[0].path), std::string("third"));
    if (tz.isNull())
        qunsetenv("TZ");
    else
        qputenv("TZ", tz);
    tzset();

    // Backups an older version named by local time count as older than every new one.
    const std::string folder = store.folderFor(project);
    writeText(folder + "/29991231-235959-000-novel.xml", "legacy");
    writeText(project, "fourth");
    QVERIFY(store.backUp(project, 2, t));
    const auto kept = store.list(project);
    QCOMPARE(kept.size(), std::size_t(2));
    QCOMPARE(readText(kept[0].path), std::string("third"));
    QCOMPARE(readText(kept[1].path), std::string("fourth"));
}

void TestProjectSafety::eachProcessHasItsOwnSnapshot()
{
    QTemporaryDir dir;
    const std::string project = dir.filePath("novel.xml").toStdString();
    writeText(project, "saved");
    struct timespec old[2] = {{1'000'000'000, 0}, {1'000'000'000, 0}};
    QCOMPARE(utimensat(AT_FDCWD, project.c_str(), old, 0), 0);
    BackupStore store(dir.filePath("backups").toStdString());
    const pid_t dead = fork();
    if (dead == 0)
        _exit(0);
    waitpid(dead, nullptr, 0);
    QVERIFY(store.recoveryPath(project) != store.recoveryPath(project, getppid()));
    QVERIFY(store.writeRecovery(project, "this window"));
    // Another live window's, a crashed window's, and an older version's single snapshot.
    QVERIFY(WriteFileAtomically(store.recoveryPath(project, getppid()), "live window"));
    QVERIFY(WriteFileAtomically(store.recoveryPath(project, dead), "crashed window"));
    QVERIFY(WriteFileAtomically(store.folderFor(project) + "/recovery.xml", "older version"));
    // This window's save removes only its own.
    store.removeRecovery(project);
    QCOMPARE(readText(store.recoveryPath(project, dead)), std::string("crashed window"));
    // What is offered: every snapshot whose window is gone, never a live one's.
    const auto pending = store.pendingRecoveries(project);
    QCOMPARE(pending.size(), std::size_t(2));
    for (const BackupEntry& e : pending)
        QVERIFY(e.pid == dead || e.pid == 0);
    QCOMPARE(store.list(project).size(), std::size_t(3));
    // Kept as a backup, a crashed window's snapshot is offered no more.
    QVERIFY(store.keepRecoveryAsBackup(project, 10, std::time(nullptr), store.recoveryPath(project, dead)));
    QCOMPARE(store.pendingRecoveries(project).size(), std::size_t(1));

    // The untitled project has a folder of its own.
    QVERIFY(store.folderFor("") != store.folderFor(project));
    QVERIFY(store.writeRecovery("", "typed before the first save"));
    QCOMPARE(readText(store.recoveryPath("")), std::string("typed before the first save"));
    QCOMPARE(store.pendingRecoveries("").size(), std::size_t(1));
}

QTEST_APPLESS_MAIN(TestProjectSafety)
#include "tst_projectsafety.moc"
