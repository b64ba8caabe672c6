// SPDX-License-Identifier: GPL-3.0-or-later
// Backups before saves, recovery snapshots and their questions, and the project lock,
// driven through the real main window with scripted prompts and injected file faults;
// then once end to end: a real penwick types, is killed, and its work comes back.
#include "AppSettings.h"
#include "CMainFrame.h"
#include "CVellApp.h"
#include "CNodePropertyDlg.h"
#include "CVellEditView.h"
#include "CommandIds.h"
#include "FileIO.h"
#include "ProjectSafety.h"
#include "SafetyKeeper.h"
#include "ScriptedPrompts.h"
#include "TypeIntoFirstNode.h"
#include "OutlineItems.h"
#include "VellTreeView.h"
#include "VerticalTextEdit.h"

#include <QAction>
#include <QLineEdit>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QSettings>
#include <QTest>

#include <cerrno>
#include <memory>
#include <sys/wait.h>
#include <unistd.h>

using penwick::BackupStore;
using penwick::ProjectLock;

namespace {

const char kNovel[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
    "<project title=\"小説\">"
    "<chapter title=\"第一章\" textout=\"yes\" type=\"Basic\"><text>一</text></chapter>"
    "<chapter title=\"第二章\" textout=\"yes\" type=\"Basic\"><text>二</text></chapter>"
    "</project>";

class FaultyOps : public penwick::FileOps {
public:
    int error;   // EACCES: the folder refuses new files; ENOSPC: the disk is full
    explicit FaultyOps(int e) : error(e) {}
    int mkstemp(char* t) override
    {
        if (error == EACCES) {
            errno = EACCES;
            return -1;
        }
        return FileOps::mkstemp(t);
    }
    ssize_t write(int fd, const void* data, size_t size) override
    {
        if (error == ENOSPC) {
            errno = ENOSPC;
            return -1;
        }
        return FileOps::write(fd, data, size);
    }
};

QByteArray ReadAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Writes the file, its folder made first.
bool WriteAll(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

std::string Native(const QString& path) { return QFile::encodeName(path).toStdString(); }

// A lock file naming pid on this host.
bool WriteLock(const QString& project, long pid)
{
    char host[256] = {};
    gethostname(host, sizeof host - 1);
    return WriteAll(QString::fromStdString(ProjectLock::lockPath(Native(project))),
                    QByteArray::number(qint64(pid)) + ' ' + host + '\n');
}

}  // namespace

class TestSafetyKeeper : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<CVellApp> app;
    ScriptedPrompts* prompts = nullptr;
    CMainFrame* frame = nullptr;
    VellTreeView* tree = nullptr;
    QTemporaryDir home;
    QString project;

    void start(const QStringList& args = {})
    {
        auto scripted = std::make_unique<ScriptedPrompts>();
        prompts = scripted.get();
        app = std::make_unique<CVellApp>(std::move(scripted));
        QVERIFY(app->InitInstance(args));
        frame = app->GetMainWnd();
        tree = frame->GetTreeView();
    }
    void type(const QString& text)
    {
        TypeIntoFirstNode(frame, text);
        QVERIFY(frame->GetEditView()->isModified());
    }
    // A snapshot of edited work, newer than the project file.
    void leaveSnapshot(const QByteArray& bytes)
    {
        QVERIFY(BackupStore().writeRecovery(Native(project), bytes.toStdString()));
        QFile f(project);
        QVERIFY(f.open(QIODevice::ReadWrite));
        QVERIFY(f.setFileTime(QDateTime::currentDateTime().addSecs(-60), QFileDevice::FileModificationTime));
    }

private slots:
    void initTestCase()
    {
        qputenv("XDG_DATA_HOME", QFile::encodeName(home.filePath(QStringLiteral("data"))));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath(QStringLiteral("config"))));
    }
    void init()
    {
        project = home.filePath(QStringLiteral("novel.xml"));
        QVERIFY(WriteAll(project, kNovel));
        QDir(home.filePath(QStringLiteral("data"))).removeRecursively();
        QFile::remove(QString::fromStdString(ProjectLock::lockPath(Native(project))));
        start({QStringLiteral("--project"), project});
    }
    void cleanup()
    {
        QCOMPARE(prompts->unexpectedCount(), 0);
        QVERIFY(prompts->allAnswered());
        app.reset();
    }

    void settingsFileIsRead()
    {
        const QString path = AppSettings::Path();
        QCOMPARE(path, home.filePath(QStringLiteral("config/penwick/penwick.conf")));
        QVERIFY(WriteAll(path, "[safety]\nbackups=false\nlock=false\nkeepBackups=3\nrecoveryIntervalSeconds=0\n"));
        const penwick::SafetySettings s = AppSettings::Safety();
        QFile::remove(path);
        QVERIFY(!s.backups && s.recovery && !s.lock);
        QCOMPARE(s.keepBackups, 3);
        QCOMPARE(s.recoveryIntervalSeconds, 1);   // never a busy timer
    }

    // The editor's [editor] settings are read at start; the zoom the writer leaves is kept.
    void editorSettingsAreReadAndTheZoomKept()
    {
        const QString path = AppSettings::Path();
        QVERIFY(WriteAll(path, "[editor]\n; as the README shows it\nfontFamily=Noto Sans CJK JP\nfontSize=20\nzoom=150\n"
                               "columnGap=1.5\ntateChuYoko=0\nruby=false\n"));
        app.reset();
        start({QStringLiteral("--project"), project});
        auto* edit = qobject_cast<VerticalTextEdit*>(frame->GetEditView()->control());
        QVERIFY(edit);
        QCOMPARE(edit->font().family(), QStringLiteral("Noto Sans CJK JP"));
        QCOMPARE(edit->font().pointSizeF(), 30.0);
        QCOMPARE(edit->zoom(), 150);
        QCOMPARE(edit->tateChuYoko(), 0);
        QVERIFY(!edit->rubyShown());
        edit->setFocus();
        QTest::keyClick(edit, Qt::Key_0, Qt::ControlModifier);
        QCOMPARE(edit->font().pointSizeF(), 20.0);
        QTest::keyClick(edit, Qt::Key_Plus, Qt::ControlModifier);
        QCOMPARE(edit->zoom(), 110);
        frame->close();
        QSettings file(path, QSettings::IniFormat);
        QCOMPARE(file.value(QStringLiteral("editor/zoom")).toInt(), 110);
        QCOMPARE(file.value(QStringLiteral("editor/fontSize")).toInt(), 20);  // the writer's own value stays
        QFile::remove(path);
        // Unusable values read as the defaults.
        QVERIFY(WriteAll(path, "[editor]\nfontSize=abc\nzoom=9000\ncolumnGap=-1\ntateChuYoko=7\n"));
        const EditorSettings e = AppSettings::Editor();
        QFile::remove(path);
        QCOMPARE(e.fontSize, 14.0);
        QCOMPARE(e.zoom, 400);
        QCOMPARE(e.columnGap, 0.75);
        QCOMPARE(e.tateChuYoko, 4);
    }

    void saveKeepsTheReplacedFileAsBackup()
    {
        penwick::SafetySettings s = frame->GetSafetyKeeper()->settings();
        s.keepBackups = 2;
        frame->GetSafetyKeeper()->SetSettings(s);
        QList<QByteArray> saved{kNovel};
        for (const char* text : {"甲", "乙", "丙"}) {
            type(QString::fromUtf8(text));
            frame->GetAction(ID_PROJECT_SAVE)->trigger();
            saved << ReadAll(project);
        }
        const auto list = BackupStore().list(Native(project));
        QCOMPARE(list.size(), std::size_t(2));   // the newest two, no snapshot left
        QCOMPARE(ReadAll(QString::fromStdString(list[0].path)), saved[1]);
        QCOMPARE(ReadAll(QString::fromStdString(list[1].path)), saved[2]);
    }

    void failedBackupNeverStopsTheSave_data()
    {
        QTest::addColumn<int>("error");
        QTest::newRow("folder not writable") << EACCES;
        QTest::newRow("disk full") << ENOSPC;
    }
    void failedBackupNeverStopsTheSave()
    {
        QFETCH(int, error);
        FaultyOps ops(error);
        frame->GetSafetyKeeper()->SetFileOps(&ops);
        prompts->answer(PromptAnswer::Ok);
        for (const char* text : {"甲", "乙"}) {
            type(QString::fromUtf8(text));
            frame->GetAction(ID_PROJECT_SAVE)->trigger();
            QVERIFY(ReadAll(project).contains(text));
            QVERIFY(!frame->IsProjectModified());
        }
        QCOMPARE(prompts->messages().size(), 1);   // once per project, not on every save
        QVERIFY(prompts->texts()[0].contains(QStringLiteral("バックアップ")));
        frame->GetSafetyKeeper()->SetFileOps(&penwick::FileOps::system());
    }

    void snapshotHoldsUnstoredTextAndLeavesTheWindowAlone()
    {
        SafetyKeeper* keeper = frame->GetSafetyKeeper();
        QVERIFY(!keeper->WriteSnapshot());   // nothing unsaved
        type(QStringLiteral("新しい"));
        QVERIFY(keeper->WriteSnapshot());
        QVERIFY(!keeper->WriteSnapshot());   // nothing new since
        const QString snapshot = QString::fromStdString(BackupStore().recoveryPath(Native(project)));
        QVERIFY(QString::fromUtf8(ReadAll(snapshot)).contains(QStringLiteral("<text>新しい一</text>")));
        QVERIFY(!frame->IsProjectModified());
        QVERIFY(frame->GetEditView()->isModified());
        QCOMPARE(VellTreeView::NodeOf(TopItem(tree, 0)).text(), std::string("一"));
        QCOMPARE(ReadAll(project), QByteArray(kNovel));

        frame->GetAction(ID_PROJECT_SAVE)->trigger();
        QVERIFY(!QFile::exists(snapshot));   // a clean save removes it
    }

    void failedSnapshotIsReportedOnce()
    {
        FaultyOps ops(ENOSPC);
        SafetyKeeper* keeper = frame->GetSafetyKeeper();
        keeper->SetFileOps(&ops);
        prompts->answer(PromptAnswer::Ok);
        type(QStringLiteral("甲"));
        QVERIFY(!keeper->WriteSnapshot());
        type(QStringLiteral("乙"));
        QVERIFY(!keeper->WriteSnapshot());
        QCOMPARE(prompts->messages().size(), 1);
        QVERIFY(frame->GetEditView()->isModified());   // the work itself is untouched
        keeper->SetFileOps(&penwick::FileOps::system());
    }

    void everythingCanBeSwitchedOff()
    {
        SafetyKeeper* keeper = frame->GetSafetyKeeper();
        keeper->SetSettings({false, false, false, 10, 30});
        type(QStringLiteral("甲"));
        QVERIFY(!keeper->WriteSnapshot());
        frame->GetAction(ID_PROJECT_SAVE)->trigger();
        QVERIFY(BackupStore().list(Native(project)).empty());

        const QString other = home.filePath(QStringLiteral("other.xml"));
        QVERIFY(QFile::copy(project, other));
        QVERIFY(tree->OpenProjectFile(other));
        QCOMPARE(ProjectLock::probe(Native(other)), ProjectLock::State::Free);
        QFile::remove(other);
    }

    void newerSnapshotIsOffered_data()
    {
        QTest::addColumn<PromptAnswer>("answer");
        QTest::newRow("restore") << PromptAnswer::Yes;
        QTest::newRow("discard") << PromptAnswer::No;
        QTest::newRow("cancel") << PromptAnswer::Cancel;
    }
    void newerSnapshotIsOffered()
    {
        QFETCH(PromptAnswer, answer);
        app.reset();
        QByteArray edited(kNovel);
        edited.replace("<text>一</text>", "<text>復旧</text>");
        leaveSnapshot(edited);
        const QString snapshot = QString::fromStdString(BackupStore().recoveryPath(Native(project)));
        start();
        prompts->answer(answer);
        QCOMPARE(tree->OpenProjectFile(project), answer != PromptAnswer::Cancel);
        QCOMPARE(prompts->messages().size(), 1);
        QCOMPARE(prompts->messages()[0].buttons, PromptButtons::YesNoCancel);
        QCOMPARE(ReadAll(project), QByteArray(kNovel));   // nothing saved by any answer
        const auto list = BackupStore().list(Native(project));
        if (answer == PromptAnswer::Yes) {
            QCOMPARE(VellTreeView::NodeOf(TopItem(tree, 0)).text(), std::string("復旧"));
            QCOMPARE(tree->ProjectPath(), project);
            QVERIFY(frame->IsProjectModified());
            QVERIFY(QFile::exists(snapshot));   // still the only copy of the work
        } else if (answer == PromptAnswer::No) {
            QCOMPARE(VellTreeView::NodeOf(TopItem(tree, 0)).text(), std::string("一"));
            QVERIFY(!frame->IsProjectModified());
            QCOMPARE(list.size(), std::size_t(1));
            QVERIFY(!list[0].recovery);
            QCOMPARE(ReadAll(QString::fromStdString(list[0].path)), edited);
        } else {
            QCOMPARE(TopItemCount(tree), 0);
            QCOMPARE(ReadAll(snapshot), edited);
        }
    }

    void staleLockIsTakenOverSilently()
    {
        app.reset();
        const pid_t child = fork();
        if (child == 0)
            _exit(0);
        QCOMPARE(waitpid(child, nullptr, 0), child);   // its PID is gone now
        QVERIFY(WriteLock(project, child));
        start();
        QVERIFY(tree->OpenProjectFile(project));
        QCOMPARE(prompts->shown.size(), 0);
        QCOMPARE(ProjectLock::probe(Native(project)), ProjectLock::State::OwnedByUs);
    }

    void liveLockAsks_data()
    {
        QTest::addColumn<bool>("anyway");
        QTest::newRow("open anyway") << true;
        QTest::newRow("cancel") << false;
    }
    void liveLockAsks()
    {
        QFETCH(bool, anyway);
        app.reset();
        QVERIFY(WriteLock(project, getppid()));   // the process that runs this test: alive
        start();
        prompts->answer(anyway ? PromptAnswer::Yes : PromptAnswer::No);
        QCOMPARE(tree->OpenProjectFile(project), anyway);
        QCOMPARE(prompts->messages().size(), 1);
        QVERIFY(prompts->texts()[0].contains(QString::number(getppid())));
        // Opened anyway or not, the lock stays the other window's: it is never taken from a
        // live process.
        QCOMPARE(ProjectLock::probe(Native(project)), ProjectLock::State::HeldByOther);
    }

    void lockGoesWithTheProject()
    {
        const std::string path = Native(project);
        QCOMPARE(ProjectLock::probe(path), ProjectLock::State::OwnedByUs);
        frame->GetAction(ID_PROJECT_NEW)->trigger();
        QCOMPARE(ProjectLock::probe(path), ProjectLock::State::Free);

        QVERIFY(tree->OpenProjectFile(project));
        const QString other = home.filePath(QStringLiteral("other.xml"));
        QVERIFY(QFile::copy(project, other));
        QVERIFY(tree->OpenProjectFile(other));
        QCOMPARE(ProjectLock::probe(path), ProjectLock::State::Free);
        QCOMPARE(ProjectLock::probe(Native(other)), ProjectLock::State::OwnedByUs);

        type(QStringLiteral("x"));
        QVERIFY(frame->GetSafetyKeeper()->WriteSnapshot());
        prompts->answer(PromptAnswer::No);   // close without saving
        QVERIFY(frame->close());
        QCOMPARE(ProjectLock::probe(Native(other)), ProjectLock::State::Free);
        QVERIFY(!BackupStore().hasNewerRecovery(Native(other)));
        QFile::remove(other);
    }

    // Two windows on one project each keep their own snapshot: a save in one never takes
    // the other's, and a crashed window's work is offered on the next open while a live
    // window's is left alone.
    void eachWindowKeepsItsOwnSnapshot()
    {
        app.reset();
        const pid_t dead = fork();
        if (dead == 0)
            _exit(0);
        QCOMPARE(waitpid(dead, nullptr, 0), dead);
        const BackupStore store;
        QByteArray crashed(kNovel), live(kNovel);
        crashed.replace("<text>一</text>", "<text>落ちた窓</text>");
        live.replace("<text>一</text>", "<text>生きている窓</text>");
        leaveSnapshot("this window's own, written first");   // makes the folder, dates the project back
        QVERIFY(penwick::WriteFileAtomically(store.recoveryPath(Native(project), dead), crashed.toStdString()));
        QVERIFY(penwick::WriteFileAtomically(store.recoveryPath(Native(project), getppid()), live.toStdString()));
        // An older crash's snapshot, still newer than the file.
        const pid_t older = fork();
        if (older == 0)
            _exit(0);
        QCOMPARE(waitpid(older, nullptr, 0), older);
        const QString olderPath = QString::fromStdString(store.recoveryPath(Native(project), older));
        QVERIFY(WriteAll(olderPath, "older crash"));
        QFile olderFile(olderPath);
        QVERIFY(olderFile.open(QIODevice::ReadWrite));
        QVERIFY(olderFile.setFileTime(QDateTime::currentDateTime().addSecs(-30), QFileDevice::FileModificationTime));
        olderFile.close();
        store.removeRecovery(Native(project));
        start();
        prompts->answer(PromptAnswer::Yes);
        QVERIFY(tree->OpenProjectFile(project));
        QCOMPARE(prompts->messages().size(), 1);   // the newest crashed window's only
        // The older one is kept among the backups, not asked about again.
        QVERIFY(!QFile::exists(olderPath));
        const auto kept = store.list(Native(project));
        QVERIFY(std::any_of(kept.begin(), kept.end(), [](const penwick::BackupEntry& e) {
            return !e.recovery && ReadAll(QString::fromStdString(e.path)) == "older crash";
        }));
        QCOMPARE(VellTreeView::NodeOf(TopItem(tree, 0)).text(), std::string("落ちた窓"));
        // Restored, it is this window's snapshot now; a save removes it and nothing else.
        QCOMPARE(ReadAll(QString::fromStdString(store.recoveryPath(Native(project)))), crashed);
        frame->GetAction(ID_PROJECT_SAVE)->trigger();
        QVERIFY(!QFile::exists(QString::fromStdString(store.recoveryPath(Native(project)))));
        QCOMPARE(ReadAll(QString::fromStdString(store.recoveryPath(Native(project), getppid()))), live);
        QFile::remove(QString::fromStdString(store.recoveryPath(Native(project), getppid())));
    }

    // Text typed into a project never saved survives a crash: the snapshot lives in the
    // data folder and is offered when Penwick next starts without a project.
    void untitledWorkSurvivesACrash()
    {
        frame->GetAction(ID_PROJECT_NEW)->trigger();
        QCOMPARE(tree->ProjectPath(), QString());
        prompts->answerDialog([](QDialog& d) {
            static_cast<CNodePropertyDlg&>(d).titleEdit()->setText(QStringLiteral("一"));
            return int(QDialog::Accepted);
        });
        QVERIFY(frame->RouteCommand(ID_TREE_ADDCHILD));
        type(QStringLiteral("題もまだない"));
        QVERIFY(frame->GetSafetyKeeper()->WriteSnapshot());
        const BackupStore store;
        const QString mine = QString::fromStdString(store.recoveryPath(""));
        QVERIFY(QString::fromUtf8(ReadAll(mine)).contains(QStringLiteral("題もまだない")));
        // The crash: the process ends without its close sequence.
        const pid_t dead = fork();
        if (dead == 0)
            _exit(0);
        QCOMPARE(waitpid(dead, nullptr, 0), dead);
        const QString left = QString::fromStdString(store.recoveryPath("", dead));
        QVERIFY(QFile::rename(mine, left));
        prompts->answer(PromptAnswer::No);   // close without saving (its own snapshot is gone already)
        app.reset();
        QVERIFY(QFile::exists(left));

        auto scripted = std::make_unique<ScriptedPrompts>();
        prompts = scripted.get();
        prompts->answer(PromptAnswer::Yes);
        app = std::make_unique<CVellApp>(std::move(scripted));
        QVERIFY(app->InitInstance({}));
        frame = app->GetMainWnd();
        tree = frame->GetTreeView();
        QCOMPARE(prompts->messages().size(), 1);
        QVERIFY(prompts->texts()[0].contains(QStringLiteral("無題")));
        QCOMPARE(tree->ProjectPath(), QString());
        QVERIFY(frame->IsProjectModified());
        tree->setCurrentIndex(TopItem(tree, 0));
        QVERIFY(frame->GetEditView()->toPlainText().startsWith(QStringLiteral("題もまだない")));
        QVERIFY(!QFile::exists(left));
        // Saved under a name, the untitled snapshot goes.
        prompts->answerPath(home.filePath(QStringLiteral("named.xml")));
        frame->GetAction(ID_PROJECT_SAVE)->trigger();
        QVERIFY(QString::fromUtf8(ReadAll(home.filePath(QStringLiteral("named.xml")))).contains(QStringLiteral("題もまだない")));
        QVERIFY(store.pendingRecoveries("").empty());
        QVERIFY(!QFile::exists(QString::fromStdString(store.recoveryPath(""))));
    }

    // A name too long for the backup's name, and temporaries left by crashed saves.
    void longNamesAndLeftoverTemporaries()
    {
        QString name;
        for (int i = 0; i < 80; ++i)
            name += QChar(0x3042 + i % 80);
        const QString longProject = home.filePath(name + QStringLiteral(".xml"));
        QVERIFY(WriteAll(longProject, kNovel));
        const pid_t dead = fork();
        if (dead == 0)
            _exit(0);
        QCOMPARE(waitpid(dead, nullptr, 0), dead);
        const QString prefix = home.filePath(QStringLiteral(".novel.xml.penwick-") + QString::number(dead));
        QVERIFY(WriteAll(prefix + QStringLiteral("-aaaaaa"), "half a save"));
        QVERIFY(tree->OpenProjectFile(project));   // open: the leftover goes
        QVERIFY(!QFile::exists(prefix + QStringLiteral("-aaaaaa")));
        QVERIFY(WriteAll(prefix + QStringLiteral("-bbbbbb"), "half a save"));
        type(QStringLiteral("甲"));
        frame->GetAction(ID_PROJECT_SAVE)->trigger();   // save: so does this one
        QVERIFY(!QFile::exists(prefix + QStringLiteral("-bbbbbb")));

        const bool opened = tree->OpenProjectFile(longProject);
        QVERIFY2(opened, qPrintable(prompts->texts().join(QLatin1Char('|'))));
        type(QStringLiteral("長い"));
        frame->GetAction(ID_PROJECT_SAVE)->trigger();
        QVERIFY(!frame->IsProjectModified());
        QVERIFY(QString::fromUtf8(ReadAll(longProject)).contains(QStringLiteral("長い")));
        QCOMPARE(BackupStore().list(Native(longProject)).size(), std::size_t(1));
        QFile::remove(longProject);
    }

    // Penwick in a process of its own types, writes its snapshot within a short interval and is killed;
    // the next start takes the dead process's lock silently and restores the typed text.
    void killedProcessLosesNothingTyped()
    {
        app.reset();
        const QString conf = AppSettings::Path();
        QVERIFY(WriteAll(conf, "[safety]\nrecoveryIntervalSeconds=1\n"));

        const QString typed = QStringLiteral("消えない言葉");
        QProcess penwick;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("HOME"), home.path());
        penwick.setProcessEnvironment(env);
        penwick.start(QStringLiteral(PENWICK_BIN_DIR "/typing_penwick"), {typed, QStringLiteral("--project"), project});
        QVERIFY(penwick.waitForStarted());
        const QString snapshot =
            QString::fromStdString(BackupStore().recoveryPath(Native(project), long(penwick.processId())));
        QTRY_VERIFY_WITH_TIMEOUT(QString::fromUtf8(ReadAll(snapshot)).contains(typed), 30000);
        penwick.kill();   // SIGKILL: no close sequence, the lock stays behind
        QVERIFY(penwick.waitForFinished());
        QFile::remove(conf);
        QCOMPARE(ReadAll(project), QByteArray(kNovel));
        QCOMPARE(ProjectLock::probe(Native(project)), ProjectLock::State::Stale);

        start();
        prompts->answer(PromptAnswer::Yes);
        QVERIFY(tree->OpenProjectFile(project));
        QCOMPARE(prompts->messages().size(), 1);   // the restore question only
        QCOMPARE(QString::fromStdString(VellTreeView::NodeOf(TopItem(tree, 0)).text()), typed + QStringLiteral("一"));
        QVERIFY(frame->IsProjectModified());
        frame->GetAction(ID_PROJECT_SAVE)->trigger();
        QVERIFY(QString::fromUtf8(ReadAll(project)).contains(typed));
        QVERIFY(!QFile::exists(snapshot));
    }
};

QTEST_MAIN(TestSafetyKeeper)
#include "tst_safetykeeper.moc"
