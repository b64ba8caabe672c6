// SPDX-License-Identifier: GPL-3.0-or-later
// The atomic writer under injected faults, and reading whole files. The faults come
// through the FileOps seam, never through permissions: CI runs as root.
#include "FileIO.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <sys/stat.h>
#include <sys/wait.h>
#include <QFileInfo>
#include <unistd.h>

using namespace penwick;

namespace {

enum class Fault { ShortThenNoSpace, NoSpace, WriteReturnsZero, Fsync, Close, RenameXdev, RenameDenied };

class FaultyOps : public FileOps {
public:
    explicit FaultyOps(Fault fault) : m_fault(fault) {}

    ssize_t write(int fd, const void* data, size_t size) override
    {
        switch (m_fault) {
        case Fault::ShortThenNoSpace:
            if (m_writes++ == 0)
                return FileOps::write(fd, data, size / 2);
            return fail(ENOSPC);
        case Fault::NoSpace: return fail(ENOSPC);
        case Fault::WriteReturnsZero: return 0;
        default: return FileOps::write(fd, data, size);
        }
    }
    int fsync(int fd) override { return m_fault == Fault::Fsync ? fail(EIO) : FileOps::fsync(fd); }
    int close(int fd) override
    {
        const int r = FileOps::close(fd);
        return m_fault == Fault::Close ? fail(EIO) : r;
    }
    int rename(const char* from, const char* to) override
    {
        if (m_fault == Fault::RenameXdev)
            return fail(EXDEV);
        if (m_fault == Fault::RenameDenied)
            return fail(EACCES);
        return FileOps::rename(from, to);
    }

private:
    static int fail(int err)
    {
        errno = err;
        return -1;
    }
    Fault m_fault;
    int m_writes = 0;
};

// Writes that never take more than a few bytes at a time, sometimes interrupted.
class TricklingOps : public FileOps {
public:
    ssize_t write(int fd, const void* data, size_t size) override
    {
        if (++m_calls % 5 == 0) {
            errno = EINTR;
            return -1;
        }
        return FileOps::write(fd, data, std::min<size_t>(size, 7));
    }

private:
    int m_calls = 0;
};

QByteArray ReadAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void WriteRaw(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(bytes), bytes.size());
}

mode_t ModeOf(const QString& path)
{
    struct stat st {};
    ::stat(QFile::encodeName(path).constData(), &st);
    return st.st_mode & 07777;
}

}  // namespace

class TestFileIO : public QObject {
    Q_OBJECT
private slots:
    void init();
    void faultLeavesTargetUntouched_data();
    void faultLeavesTargetUntouched();
    void shortAndInterruptedWritesComplete();
    void createsNewFileWithUmask();
    void keepsPermissions();
    void writesThroughSymbolicLink();
    void refusesFolders();
    void readWholeFile();
    void readFailures();
    void onlyRegularFilesOfSaneSizeAreRead();
    void privateWritesReplaceLinksInsteadOfFollowing();
    void staleTemporariesAreRemovedOnlyWhenTheirWriterIsGone();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString path(const char* name) const { return m_dir->filePath(QString::fromUtf8(name)); }
    QStringList entries() const { return QDir(m_dir->path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot); }
};

void TestFileIO::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestFileIO::faultLeavesTargetUntouched_data()
{
    QTest::addColumn<int>("fault");
    QTest::addColumn<int>("hr");
    QTest::newRow("short write, then full") << int(Fault::ShortThenNoSpace) << int(E_DISK_FULL);
    QTest::newRow("no space") << int(Fault::NoSpace) << int(E_DISK_FULL);
    QTest::newRow("write makes no progress") << int(Fault::WriteReturnsZero) << int(E_DISK_FULL);
    QTest::newRow("fsync EIO") << int(Fault::Fsync) << int(E_WRITE_FAULT);
    QTest::newRow("close EIO") << int(Fault::Close) << int(E_WRITE_FAULT);
    QTest::newRow("rename EXDEV") << int(Fault::RenameXdev) << int(ResultFromErrno(EXDEV));
    QTest::newRow("rename EACCES") << int(Fault::RenameDenied) << int(E_ACCESS_DENIED);
}

void TestFileIO::faultLeavesTargetUntouched()
{
    QFETCH(int, fault);
    QFETCH(int, hr);
    const QString target = path("原稿.xml");
    const QByteArray old = "<project title=\"前の版\"/>\n";
    WriteRaw(target, old);

    FaultyOps ops(static_cast<Fault>(fault));
    const std::string bytes(100000, 'x');
    const FileResult r = WriteFileAtomically(target.toStdString(), bytes, ops);
    QCOMPARE(r.hr, hr);
    QVERIFY(!r);
    QVERIFY2(QString::fromStdString(r.message).contains(QStringLiteral("原稿.xml")), r.message.c_str());
    QVERIFY2(r.message.find(ResultCodeText(r.hr)) != std::string::npos, r.message.c_str());
    QCOMPARE(ReadAll(target), old);
    QCOMPARE(entries(), QStringList{QStringLiteral("原稿.xml")});
}

void TestFileIO::shortAndInterruptedWritesComplete()
{
    const QString target = path("a.txt");
    WriteRaw(target, "old");
    TricklingOps ops;
    std::string bytes;
    for (int i = 0; i < 1000; ++i)
        bytes += "行" + std::to_string(i) + "\n";
    const FileResult r = WriteFileAtomically(target.toStdString(), bytes, ops);
    QVERIFY2(r, r.message.c_str());
    QCOMPARE(ReadAll(target).toStdString(), bytes);
    QCOMPARE(entries(), QStringList{QStringLiteral("a.txt")});
}

void TestFileIO::createsNewFileWithUmask()
{
    const mode_t saved = ::umask(027);
    const FileResult r = WriteFileAtomically(path("new.xml").toStdString(), "<a/>");
    ::umask(saved);
    QVERIFY2(r, r.message.c_str());
    QCOMPARE(ReadAll(path("new.xml")), QByteArray("<a/>"));
    QCOMPARE(ModeOf(path("new.xml")), mode_t(0640));

    const FileResult empty = WriteFileAtomically(path("empty.txt").toStdString(), "");
    QVERIFY(empty);
    QCOMPARE(ReadAll(path("empty.txt")), QByteArray());
}

void TestFileIO::keepsPermissions()
{
    const QString target = path("p.xml");
    for (mode_t mode : {mode_t(0600), mode_t(0664), mode_t(0755)}) {
        WriteRaw(target, "old");
        QCOMPARE(::chmod(QFile::encodeName(target).constData(), mode), 0);
        QVERIFY(WriteFileAtomically(target.toStdString(), "new"));
        QCOMPARE(ModeOf(target), mode);
    }
}

void TestFileIO::writesThroughSymbolicLink()
{
    QVERIFY(QDir(m_dir->path()).mkdir("real"));
    const QString real = path("real/本体.xml");
    WriteRaw(real, "old");
    // A relative link, resolved against the link's own folder.
    const QString link = path("link.xml");
    QCOMPARE(::symlink("real/本体.xml", QFile::encodeName(link).constData()), 0);

    const FileResult r = WriteFileAtomically(link.toStdString(), "new");
    QVERIFY2(r, r.message.c_str());
    QVERIFY(QFileInfo(link).isSymLink());
    QCOMPARE(ReadAll(real), QByteArray("new"));
    QCOMPARE(QDir(path("real")).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("本体.xml")});

    // A dangling link gets its file created.
    const QString dangling = path("dangling.xml");
    QCOMPARE(::symlink("real/later.xml", QFile::encodeName(dangling).constData()), 0);
    QVERIFY(WriteFileAtomically(dangling.toStdString(), "later"));
    QVERIFY(QFileInfo(dangling).isSymLink());
    QCOMPARE(ReadAll(path("real/later.xml")), QByteArray("later"));
}

void TestFileIO::refusesFolders()
{
    QVERIFY(QDir(m_dir->path()).mkdir("folder.xml"));
    FileResult r = WriteFileAtomically(path("folder.xml").toStdString(), "x");
    QCOMPARE(r.hr, E_IS_DIRECTORY);
    QVERIFY(r.message.find("folder.xml") != std::string::npos);

    r = WriteFileAtomically(path("missing/a.xml").toStdString(), "x");
    QCOMPARE(r.hr, E_PATH_NOT_FOUND);
    QVERIFY(r.message.find("missing/a.xml") != std::string::npos);
    QCOMPARE(entries(), QStringList{QStringLiteral("folder.xml")});
}

void TestFileIO::readWholeFile()
{
    // Larger than any single read the reader starts with.
    QByteArray big(5 * 1024 * 1024 + 17, '\0');
    for (qsizetype i = 0; i < big.size(); ++i)
        big[i] = char(i * 7);
    WriteRaw(path("big.bin"), big);
    std::string out = "stale";
    const FileResult r = ReadWholeFile(path("big.bin").toStdString(), out);
    QVERIFY2(r, r.message.c_str());
    QVERIFY(out == big.toStdString());

    WriteRaw(path("empty"), {});
    QVERIFY(ReadWholeFile(path("empty").toStdString(), out));
    QVERIFY(out.empty());

    // A file longer than its size says (a /proc file says 0) is read to its end.
    QVERIFY(ReadWholeFile("/proc/self/maps", out));
    QVERIFY(out.size() > 4096);
    QCOMPARE(out.back(), '\n');
}

void TestFileIO::readFailures()
{
    std::string out = "kept";
    FileResult r = ReadWholeFile(path("なし.xml").toStdString(), out);
    QCOMPARE(r.hr, E_FILE_NOT_FOUND);
    QVERIFY(QString::fromStdString(r.message).contains(QStringLiteral("なし.xml")));
    QVERIFY(QString::fromStdString(r.message).contains(QStringLiteral("指定されたファイルが見つかりません。")));

    r = ReadWholeFile(m_dir->path().toStdString(), out);
    QCOMPARE(r.hr, E_IS_DIRECTORY);

    WriteRaw(path("plain"), "p");
    r = ReadWholeFile(path("plain/inner").toStdString(), out);
    QCOMPARE(r.hr, E_PATH_NOT_FOUND);
    QCOMPARE(out, std::string("kept"));
}

void TestFileIO::onlyRegularFilesOfSaneSizeAreRead()
{
    std::string out = "kept";
    // A FIFO with no writer would block an ordinary open for ever.
    QCOMPARE(::mkfifo(path("pipe.xml").toLocal8Bit().constData(), 0600), 0);
    FileResult r = ReadWholeFile(path("pipe.xml").toStdString(), out);
    QVERIFY(!r);
    QVERIFY(QString::fromStdString(r.message).contains(QStringLiteral("通常のファイルではありません")));
    // An endless device is refused before a byte is read.
    r = ReadWholeFile("/dev/zero", out);
    QVERIFY(!r);
    QVERIFY(QString::fromStdString(r.message).contains(QStringLiteral("/dev/zero")));
    // A (sparse) file beyond the cap is refused by its size.
    {
        QFile huge(path("huge.xml"));
        QVERIFY(huge.open(QIODevice::WriteOnly));
        QVERIFY(huge.resize(qint64(kMaxReadSize) + 1));
    }
    r = ReadWholeFile(path("huge.xml").toStdString(), out);
    QVERIFY(!r);
    QVERIFY(QString::fromStdString(r.message).contains(QStringLiteral("大きすぎます")));
    QCOMPARE(out, std::string("kept"));
    // Without following links, a link is refused.
    WriteRaw(path("real.xml"), "real");
    QCOMPARE(::symlink("real.xml", path("link.xml").toLocal8Bit().constData()), 0);
    QVERIFY(ReadWholeFile(path("link.xml").toStdString(), out));
    QVERIFY(!ReadWholeFile(path("link.xml").toStdString(), out, false));
}

void TestFileIO::privateWritesReplaceLinksInsteadOfFollowing()
{
    WriteRaw(path("victim"), "untouched");
    QCOMPARE(::symlink(path("victim").toLocal8Bit().constData(), path("snapshot.xml").toLocal8Bit().constData()), 0);
    const FileResult r = WriteFileAtomically(path("snapshot.xml").toStdString(), "mine", FileOps::system(), {false, 0600});
    QVERIFY2(r, r.message.c_str());
    QCOMPARE(ReadAll(path("victim")), QByteArray("untouched"));
    QCOMPARE(ReadAll(path("snapshot.xml")), QByteArray("mine"));
    QCOMPARE(ModeOf(path("snapshot.xml")), mode_t(0600));
    QVERIFY(!QFileInfo(path("snapshot.xml")).isSymLink());
}

void TestFileIO::staleTemporariesAreRemovedOnlyWhenTheirWriterIsGone()
{
    const pid_t dead = fork();
    if (dead == 0)
        _exit(0);
    QCOMPARE(waitpid(dead, nullptr, 0), dead);
    const QString target = path("小説.xml");
    WriteRaw(target, "novel");
    const QString prefix = QStringLiteral(".小説.xml.penwick-");
    const QString crashed = prefix + QString::number(dead) + QStringLiteral("-a1B2c3");
    const QString live = prefix + QString::number(getppid()) + QStringLiteral("-zzzzzz");
    WriteRaw(path(crashed.toUtf8().constData()), "half a save");
    WriteRaw(path(live.toUtf8().constData()), "a save in progress elsewhere");
    // Not ours by name: another program's, another project's, a folder, a link.
    WriteRaw(path(".小説.xml.swp"), "editor");
    WriteRaw(path((QStringLiteral(".別.xml.penwick-") + QString::number(dead) + QStringLiteral("-a1B2c3")).toUtf8().constData()), "other");
    QVERIFY(QDir(m_dir->path()).mkdir(prefix + QString::number(dead) + QStringLiteral("-dddddd")));
    QCOMPARE(::symlink(path("victim").toLocal8Bit().constData(),
                       path((prefix + QString::number(dead) + QStringLiteral("-llllll")).toUtf8().constData()).toLocal8Bit().constData()),
             0);
    const QStringList before = entries();
    QCOMPARE(RemoveStaleTemporaries(target.toStdString()), 1);
    QStringList expected = before;
    expected.removeOne(crashed);
    QCOMPARE(entries(), expected);
    QCOMPARE(ReadAll(target), QByteArray("novel"));

    // A write names its temporary so: an interrupted one is found again.
    struct FailRename : FileOps {
        int rename(const char*, const char*) override
        {
            errno = EIO;
            return -1;
        }
        int unlink(const char*) override { return 0; }   // as if the process died first
    } crash;
    QVERIFY(!WriteFileAtomically(target.toStdString(), "lost", crash));
    QCOMPARE(entries().size(), expected.size() + 1);
    QCOMPARE(RemoveStaleTemporaries(target.toStdString()), 0);   // its writer, this process, lives
}

QTEST_APPLESS_MAIN(TestFileIO)
#include "tst_fileio.moc"
