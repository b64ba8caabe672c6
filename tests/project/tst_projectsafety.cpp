// Backups, recovery snapshots and the project lock, with failures injected through the
// file-operations seam (the tests run as root: permissions cannot make anything fail).
#include "FileIO.h"
#include "ProjectSafety.h"

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
    QVERIFY(QString::fromStdString(entries.back().path).endsWith("-001-novel.xml"));
    QCOMPARE(readText(store.folderFor(project) + "/path.txt"), AbsoluteProjectPath(project) + "\n");
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

QTEST_APPLESS_MAIN(TestProjectSafety)
#include "tst_projectsafety.moc"
