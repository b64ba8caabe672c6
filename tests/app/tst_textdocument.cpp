// SPDX-License-Identifier: GPL-3.0-or-later
// The File menu's text documents: new, open (also from the command line), save and save
// as, each encoding read and written back as it was.
#include "CMainFrame.h"
#include "CVellApp.h"
#include "CVellDoc.h"
#include "CVellEditView.h"
#include "CommandIds.h"
#include "ScriptedPrompts.h"

#include <QAction>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

class TestTextDocument : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<CVellApp> app;
    ScriptedPrompts* prompts = nullptr;
    QTemporaryDir dir;

    bool start(const QStringList& args = {})
    {
        auto scripted = std::make_unique<ScriptedPrompts>();
        prompts = scripted.get();
        app = std::make_unique<CVellApp>(std::move(scripted));
        return app->InitInstance(args);
    }
    CMainFrame* frame() const { return app->GetMainWnd(); }
    CVellEditView* edit() const { return frame()->GetEditView(); }
    void run(int id) { frame()->GetAction(id)->trigger(); }
    QString writeFile(const QString& name, const QByteArray& bytes)
    {
        QFile f(dir.filePath(name));
        if (!f.open(QIODevice::WriteOnly))
            return {};
        f.write(bytes);
        return f.fileName();
    }
    static QByteArray readFile(const QString& path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

private slots:
    void cleanup()
    {
        if (prompts) {
            QCOMPARE(prompts->unexpectedCount(), 0);
            QVERIFY(prompts->allAnswered());
        }
        app.reset();
        prompts = nullptr;
    }

    void openEditSaveKeepsTheEncoding_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QByteArray>("saved");
        // 羅生門 then, after the edit, 羅生門。
        QTest::newRow("utf-8") << QByteArray("\xE7\xBE\x85\xE7\x94\x9F\xE9\x96\x80")
                               << QByteArray("\xE7\xBE\x85\xE7\x94\x9F\xE9\x96\x80\xE3\x80\x82");
        QTest::newRow("utf-8 bom") << QByteArray("\xEF\xBB\xBF\xE7\xBE\x85\xE7\x94\x9F\xE9\x96\x80")
                                   << QByteArray("\xEF\xBB\xBF\xE7\xBE\x85\xE7\x94\x9F\xE9\x96\x80\xE3\x80\x82");
        QTest::newRow("utf-16le") << QByteArray("\xFF\xFE\x85\x7F\x1F\x75\x80\x95", 8)
                                  << QByteArray("\xFF\xFE\x85\x7F\x1F\x75\x80\x95\x02\x30", 10);
        QTest::newRow("utf-16be") << QByteArray("\xFE\xFF\x7F\x85\x75\x1F\x95\x80", 8)
                                  << QByteArray("\xFE\xFF\x7F\x85\x75\x1F\x95\x80\x30\x02", 10);
        QTest::newRow("cp932") << QByteArray("\x97\x85\x90\xB6\x96\xE5")
                               << QByteArray("\x97\x85\x90\xB6\x96\xE5\x81\x42");
    }
    void openEditSaveKeepsTheEncoding()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QByteArray, saved);
        QVERIFY(start());
        const QString path = writeFile(QStringLiteral("story.txt"), bytes);
        prompts->answerPath(path);
        run(ID_FILE_OPEN);
        QCOMPARE(edit()->toPlainText(), QStringLiteral("羅生門"));
        QVERIFY(!edit()->isModified());
        QVERIFY(app->m_bTextFileOpen);
        QCOMPARE(frame()->windowTitle(), QStringLiteral("story.txt - Penwick"));

        edit()->setSelection(3, 3);
        edit()->replaceSelection(QStringLiteral("。"));
        QVERIFY(edit()->isModified());
        run(ID_FILE_SAVE);  // named already: no dialog
        QCOMPARE(readFile(path), saved);
        QVERIFY(!edit()->isModified());
        QCOMPARE(prompts->shown.size(), 1);
    }

    void saveAsAsksForAName()
    {
        QVERIFY(start());
        QCOMPARE(frame()->windowTitle(), QStringLiteral("無題 - Penwick"));
        edit()->setPlainText(QStringLiteral("下人"));
        const QString path = dir.filePath(QStringLiteral("new.txt"));
        prompts->answerPath(path);
        run(ID_FILE_SAVE);  // untitled: Save asks like Save As
        QCOMPARE(readFile(path), QByteArray("\xE4\xB8\x8B\xE4\xBA\xBA"));
        QCOMPARE(frame()->windowTitle(), QStringLiteral("new.txt - Penwick"));
        QCOMPARE(prompts->shown.last().kind, QStringLiteral("save"));

        prompts->answerPath(QString());  // Save As cancelled: nothing written
        run(ID_FILE_SAVE_AS);
        QCOMPARE(frame()->windowTitle(), QStringLiteral("new.txt - Penwick"));
    }

    // Typed text is a document of its own: New asks before it goes, and Cancel keeps it.
    void newOffersToSaveTypedText()
    {
        QVERIFY(start());
        QVERIFY(app->m_bTextFileOpen);
        QVERIFY(frame()->GetEditView()->holderNote().contains(QStringLiteral("無題")));
        QTest::keyClicks(edit()->control(), QStringLiteral("unsaved"));
        prompts->answer(PromptAnswer::Cancel);
        run(ID_FILE_NEW);
        QCOMPARE(edit()->toPlainText(), QStringLiteral("unsaved"));
        QVERIFY(edit()->isModified());
        QCOMPARE(prompts->messages().size(), 1);
        QVERIFY(prompts->messages()[0].text.contains(QStringLiteral("保存しますか")));

        const QString path = dir.filePath(QStringLiteral("kept.txt"));
        prompts->answer(PromptAnswer::Yes);
        prompts->answerPath(path);
        run(ID_FILE_NEW);
        QCOMPARE(readFile(path), QByteArray("unsaved"));
        QCOMPARE(edit()->toPlainText(), QString());
        QVERIFY(!edit()->isModified());
        QVERIFY(app->m_bTextFileOpen);

        // An untouched document goes without a word.
        prompts->shown.clear();
        run(ID_FILE_NEW);
        QVERIFY(prompts->shown.isEmpty());
    }

    // A cancelled Open changes nothing at all.
    void cancelledOpenChangesNothing()
    {
        QVERIFY(start());
        QTest::keyClicks(edit()->control(), QStringLiteral("typed"));
        const bool held = app->m_bTextFileOpen;
        prompts->answerPath(QString());
        run(ID_FILE_OPEN);
        QCOMPARE(edit()->toPlainText(), QStringLiteral("typed"));
        QVERIFY(edit()->isModified());
        QCOMPARE(app->m_bTextFileOpen, held);
        QCOMPARE(prompts->shown.size(), 1);
        QCOMPARE(prompts->shown[0].kind, QStringLiteral("open"));
    }

    void unreadableFileIsReportedAndChangesNothing()
    {
        QVERIFY(start());
        // Neither UTF-8 nor CP932: refusing is better than showing (and later saving) garbage.
        const QString path = writeFile(QStringLiteral("bad.txt"), QByteArray("\x85\xFF\xFD", 3));
        prompts->answerPath(path);
        prompts->answer(PromptAnswer::Ok);
        run(ID_FILE_OPEN);
        QCOMPARE(prompts->messages().size(), 1);
        QVERIFY(prompts->messages()[0].text.contains(QStringLiteral("bad.txt")));
        QCOMPARE(frame()->windowTitle(), QStringLiteral("無題 - Penwick"));
    }

    void characterOutsideCp932IsNotSavedSilently()
    {
        QVERIFY(start());
        const QString path = writeFile(QStringLiteral("sjis.txt"), QByteArray("\x82\xA0"));  // あ
        prompts->answerPath(path);
        run(ID_FILE_OPEN);
        edit()->setPlainText(QStringLiteral("あ😀"));
        prompts->answer(PromptAnswer::Ok);
        run(ID_FILE_SAVE);
        QCOMPARE(readFile(path), QByteArray("\x82\xA0"));
        QVERIFY(prompts->messages().last().text.contains(QStringLiteral("😀")));
    }

    void commandLineFileOpensAsTheTextDocument()
    {
        const QString path = writeFile(QStringLiteral("arg.txt"), "蜘蛛の糸");
        QVERIFY(start({path}));
        QCOMPARE(edit()->toPlainText(), QStringLiteral("蜘蛛の糸"));
        QCOMPARE(frame()->windowTitle(), QStringLiteral("arg.txt - Penwick"));
        QVERIFY(app->m_bTextFileOpen);
        QVERIFY(frame()->isVisible());
    }

    void commandLineFileMissingEndsTheProgram()
    {
        auto scripted = std::make_unique<ScriptedPrompts>();
        scripted->answer(PromptAnswer::Ok);
        prompts = scripted.get();
        app = std::make_unique<CVellApp>(std::move(scripted));
        QVERIFY(!app->InitInstance({dir.filePath(QStringLiteral("none.txt"))}));
        QCOMPARE(prompts->messages().size(), 1);
        QVERIFY(prompts->messages()[0].text.contains(QStringLiteral("none.txt")));
    }
};

QTEST_MAIN(TestTextDocument)
#include "tst_textdocument.moc"
