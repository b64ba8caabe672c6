// SPDX-License-Identifier: GPL-3.0-or-later
// The export command through the real main window: the bytes written, the dialog, the
// save before it, failures that must leave files alone, and the enabling per pane.
#include "CMainFrame.h"
#include "CVellApp.h"
#include "CVellEditView.h"
#include "CommandIds.h"
#include "FileIO.h"
#include "AppHarness.h"
#include "ScriptedPrompts.h"
#include "OutlineItems.h"
#include "VellTreeView.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <cstring>
#include <memory>

namespace {

// Two chapters; A has P1 (exported) and P2 (not exported) below it.
const char kExample[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
    "<project title=\"例\">"
    "<chapter title=\"A\" textout=\"yes\" type=\"Basic\"><text>AAA</text>"
    "<paragraph title=\"P1\" textout=\"yes\" type=\"Basic\"><text>p1</text></paragraph>"
    "<paragraph title=\"P2\" textout=\"no\" type=\"Basic\"><text>p2</text></paragraph>"
    "</chapter>"
    "<chapter title=\"B\" textout=\"yes\" type=\"Basic\"><text>BBB</text></chapter>"
    "</project>";

// Fails the final rename of files whose name ends in suffix, as a full or read-only
// target folder would; everything else is written normally.
class FailingRename : public penwick::FileOps {
public:
    explicit FailingRename(const char* suffix) : m_suffix(suffix) {}
    int rename(const char* from, const char* to) override
    {
        const size_t n = std::strlen(to), k = std::strlen(m_suffix);
        if (n >= k && std::strcmp(to + n - k, m_suffix) == 0) {
            errno = EACCES;
            return -1;
        }
        return FileOps::rename(from, to);
    }

private:
    const char* m_suffix;
};

}  // namespace

class TestProjectExport : public QObject, private AppHarness {
    Q_OBJECT
private:
    QString projectPath;

    bool openExample()
    {
        projectPath = writeFile(QStringLiteral("example.xml"), kExample);
        prompts->answerPath(projectPath);
        frame->GetAction(ID_PROJECT_OPEN)->trigger();
        frame->SetActiveView(tree);
        prompts->clear();
        return TopItemCount(tree) == 2;
    }
    bool exportTo(const QString& path)
    {
        prompts->answerPath(path);
        return frame->RouteCommand(ID_PROJECT_EXPORT);
    }

private slots:
    void init()
    {
        QVERIFY(start());
    }
    void cleanup()
    {
        QCOMPARE(prompts->unexpectedCount(), 0);
        QVERIFY(prompts->allAnswered());
        app.reset();
    }

    void exportWritesTheTextsByteForByte()
    {
        QVERIFY(openExample());
        const QString out = dir.filePath(QStringLiteral("example.txt"));
        QVERIFY(exportTo(out));
        QCOMPARE(readFile(out), QByteArray("AAA\n\np1\n\n\nBBB\n"));
        QCOMPARE(prompts->shown.size(), 1);
        QCOMPARE(prompts->shown[0].kind, QStringLiteral("save"));
        QCOMPARE(prompts->shown[0].text, QStringLiteral("テキストファイル (*.txt)|*.txt|EPUB (*.epub)|*.epub|PDF (*.pdf)|*.pdf|その他(*.*)|*.*||"));
        QCOMPARE(prompts->shown[0].defaultExt, QStringLiteral("txt"));

        // An existing export is replaced whole; the editor's latest text goes in first.
        tree->setCurrentIndex(TopItem(tree, 1));
        edit->setPlainText(QStringLiteral("二行\n目"));
        edit->setModified(true);
        QVERIFY(exportTo(out));
        QCOMPARE(readFile(out), QByteArray("AAA\n\np1\n\n\n") + QByteArray("二行\r\n目\n"));
        QVERIFY(!edit->isModified());
        QVERIFY(readFile(projectPath).contains("二行"));
    }

    // A file ending in .epub gets the vertical e-book: a zip whose first entry is its mimetype.
    void exportToAnEpubFile()
    {
        QVERIFY(openExample());
        const QString out = dir.filePath(QStringLiteral("example.epub"));
        QVERIFY(exportTo(out));
        const QByteArray bytes = readFile(out);
        QVERIFY(bytes.startsWith("PK"));
        QCOMPARE(bytes.mid(30, 28), QByteArray("mimetypeapplication/epub+zip"));
    }

    // ... and one ending in .pdf manuscript paper, one 20×20 sheet a page.
    void exportToAPdfFile()
    {
        QVERIFY(openExample());
        const QString out = dir.filePath(QStringLiteral("example.PDF"));
        QVERIFY(exportTo(out));
        const QByteArray bytes = readFile(out);
        QVERIFY(bytes.startsWith("%PDF-1.7"));
        QVERIFY(bytes.contains("/Identity-V"));
        QVERIFY(bytes.contains("/Count 1 "));
    }

    void cancellingWritesNothing()
    {
        QVERIFY(openExample());
        tree->setCurrentIndex(TopItem(tree, 0));
        edit->setPlainText(QStringLiteral("changed"));
        edit->setModified(true);
        const QStringList before = QDir(dir.path()).entryList(QDir::Files);
        QVERIFY(exportTo(QString()));
        QCOMPARE(readFile(projectPath), QByteArray(kExample));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), before);
        QVERIFY(edit->isModified());
    }

    void failedWriteKeepsTheOldFile()
    {
        QVERIFY(openExample());
        const QString out = writeFile(QStringLiteral("old.txt"), "old export");
        FailingRename ops(".txt");
        tree->SetFileOps(&ops);
        prompts->answer(PromptAnswer::Ok);
        QVERIFY(exportTo(out));
        tree->SetFileOps(&penwick::FileOps::system());
        QCOMPARE(prompts->messages().size(), 1);
        const ScriptedPrompts::Shown m = prompts->messages()[0];
        QCOMPARE(m.text, QStringLiteral("ファイル操作に失敗しました。中断します"));
        QCOMPARE(m.caption, QStringLiteral("Penwick"));
        QCOMPARE(m.icon, PromptIcon::None);
        QCOMPARE(m.buttons, PromptButtons::Ok);
        QCOMPARE(readFile(out), QByteArray("old export"));
    }

    void badNodeCostsOnlyItsOwnPart()
    {
        // A chapter with one attribute has no include flag: a DOM failure, shown by its
        // result-code text, and the chapters after it are still exported.
        QByteArray xml(kExample);
        xml.replace("<chapter title=\"B\"", "<chapter title=\"bad\"/><chapter title=\"B\"");
        projectPath = writeFile(QStringLiteral("bad.xml"), xml);
        prompts->answerPath(projectPath);
        frame->GetAction(ID_PROJECT_OPEN)->trigger();
        frame->SetActiveView(tree);
        prompts->clear();
        const QString out = dir.filePath(QStringLiteral("bad.txt"));
        prompts->answer(PromptAnswer::Ok);
        QVERIFY(exportTo(out));
        QCOMPARE(prompts->texts(), QStringList{QString::fromStdString(penwick::ResultCodeText(penwick::E_POINTER))});
        QCOMPARE(readFile(out), QByteArray("AAA\n\np1\n\n\nBBB\n"));
    }

    void failedProjectSaveStopsTheExport()
    {
        QVERIFY(openExample());
        tree->session().setModified(true);   // unchanged, the project is not saved at all
        FailingRename ops(".xml");
        tree->SetFileOps(&ops);
        prompts->answer(PromptAnswer::Ok);   // the save's own report
        const QString out = dir.filePath(QStringLiteral("never.txt"));
        QVERIFY(exportTo(out));
        tree->SetFileOps(&penwick::FileOps::system());
        QCOMPARE(prompts->messages().size(), 1);
        QVERIFY(!QFile::exists(out));
    }

    // An unchanged project is exported without a save (one would fail here, and say so).
    void unchangedProjectIsNotSavedByExport()
    {
        QVERIFY(openExample());
        FailingRename ops(".xml");
        tree->SetFileOps(&ops);
        const QString out = dir.filePath(QStringLiteral("plain.txt"));
        QVERIFY(exportTo(out));
        tree->SetFileOps(&penwick::FileOps::system());
        QCOMPARE(prompts->messages().size(), 0);
        QVERIFY(QFile::exists(out));
    }

    void unreadableProjectWritesNothing()
    {
        // A document without a document element: the loop must end at the first failure.
        QVERIFY(openExample());
        tree->session().document().clear();
        tree->m_hSelectedItem = QPersistentModelIndex();
        const QString out = dir.filePath(QStringLiteral("never.txt"));
        prompts->answer(PromptAnswer::Ok);
        QVERIFY(exportTo(out));
        QCOMPARE(prompts->texts(), QStringList{QString::fromStdString(penwick::ResultCodeText(penwick::E_POINTER))});
        QVERIFY(!QFile::exists(out));
    }

    void enablingPerPaneAndPath_data()
    {
        QTest::addColumn<bool>("editorActive");
        QTest::addColumn<bool>("hasPath");
        QTest::addColumn<bool>("exportEnabled");
        QTest::addColumn<bool>("counterEnabled");
        QTest::newRow("tree, saved") << false << true << true << true;
        QTest::newRow("tree, never saved") << false << false << false << false;
        QTest::newRow("editor, saved") << true << true << false << true;
        QTest::newRow("editor, never saved") << true << false << false << false;
    }
    void enablingPerPaneAndPath()
    {
        QFETCH(bool, editorActive);
        QFETCH(bool, hasPath);
        QFETCH(bool, exportEnabled);
        QFETCH(bool, counterEnabled);
        if (hasPath)
            QVERIFY(openExample());
        else
            QVERIFY(tree->ProjectPath().isEmpty());
        frame->SetActiveView(editorActive ? static_cast<CommandTarget*>(edit) : tree);
        QCOMPARE(frame->IsCommandEnabled(ID_PROJECT_EXPORT), exportEnabled);
        QCOMPARE(frame->IsCommandEnabled(ID_COUNTER), counterEnabled);
    }
};

QTEST_MAIN(TestProjectExport)
#include "tst_projectexport.moc"
