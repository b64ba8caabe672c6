// SPDX-License-Identifier: GPL-3.0-or-later
// The editor pane's facade: whole text, modified flag, selection, range search, the
// context menu's enabling and the project commands it passes to the tree.
#include "CMainFrame.h"
#include "CVellApp.h"
#include "CVellEditView.h"
#include "CommandIds.h"
#include "FindFlags.h"
#include "FindReplaceDialog.h"
#include "ScriptedPrompts.h"
#include "VellTreeView.h"

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>

#include <memory>

class TestEditView : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<CVellApp> app;
    ScriptedPrompts* prompts = nullptr;
    CVellEditView* edit = nullptr;

    QMap<int, bool> popupEnabling()
    {
        std::unique_ptr<QMenu> menu(edit->CreatePopupMenu(nullptr));
        QMap<int, bool> out;
        for (QAction* a : menu->actions())
            if (!a->isSeparator())
                out[a->data().toInt()] = a->isEnabled();
        return out;
    }

private slots:
    void init()
    {
        auto scripted = std::make_unique<ScriptedPrompts>();
        prompts = scripted.get();
        app = std::make_unique<CVellApp>(std::move(scripted));
        QVERIFY(app->InitInstance({}));
        edit = app->GetMainWnd()->GetEditView();
    }
    void cleanup()
    {
        QCOMPARE(prompts->unexpectedCount(), 0);
        QVERIFY(prompts->allAnswered());
        app.reset();
    }

    void wholeTextStartsAFreshHistory()
    {
        QTest::keyClicks(edit->control(), QStringLiteral("abc"));
        QVERIFY(edit->isModified());
        QVERIFY(edit->canUndo());
        edit->setPlainText(QStringLiteral("下人の行方は、誰も知らない。"));
        QVERIFY(!edit->isModified());
        QVERIFY(!edit->canUndo());
        QCOMPARE(edit->toPlainText(), QStringLiteral("下人の行方は、誰も知らない。"));
        edit->setModified(true);
        QVERIFY(edit->isModified());

        const QString exact = QStringLiteral("a\u00A0b\n\nc\n");  // no-break space, empty and last lines
        edit->setPlainText(exact);
        QCOMPARE(edit->toPlainText(), exact);
    }

    void selectionAndReplace()
    {
        edit->setPlainText(QStringLiteral("羅生門の下"));
        edit->setSelection(0, 3);
        int start = -1, end = -1;
        edit->selection(&start, &end);
        QCOMPARE(start, 0);
        QCOMPARE(end, 3);
        edit->replaceSelection(QStringLiteral("門"));
        QCOMPARE(edit->toPlainText(), QStringLiteral("門の下"));
        QVERIFY(edit->isModified());
        edit->selection(&start, &end);
        QCOMPARE(start, 1);
        QCOMPARE(end, 1);
        edit->setSelection(2, -1);  // to the end
        edit->selection(&start, &end);
        QCOMPARE(end, 3);
    }

    void findText_data()
    {
        QTest::addColumn<QString>("what");
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::addColumn<bool>("matchCase");
        QTest::addColumn<bool>("wholeWord");
        QTest::addColumn<int>("found");
        // Text: "aaa Word word 雨"
        QTest::newRow("overlapping, from 1") << "aa" << 1 << -1 << false << false << 1;
        QTest::newRow("ignoring case") << "word" << 0 << -1 << false << false << 4;
        QTest::newRow("matching case") << "word" << 0 << -1 << true << false << 9;
        QTest::newRow("whole word") << "wor" << 0 << -1 << false << true << -1;
        QTest::newRow("ends past the range") << "Word" << 0 << 7 << false << false << -1;
        QTest::newRow("ends at the range end") << "Word" << 0 << 8 << false << false << 4;
        QTest::newRow("japanese") << "雨" << 0 << -1 << false << false << 14;
        QTest::newRow("empty") << "" << 0 << -1 << false << false << -1;
    }
    void findText()
    {
        QFETCH(QString, what);
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(bool, matchCase);
        QFETCH(bool, wholeWord);
        QFETCH(int, found);
        edit->setPlainText(QStringLiteral("aaa Word word 雨"));
        int length = -1;
        QCOMPARE(edit->findText(what, from, to, matchCase, wholeWord, &length), found);
        QCOMPARE(length, found < 0 ? 0 : int(what.size()));
    }

    void popupMenuFollowsTheControl()
    {
        edit->setPlainText(QStringLiteral("本文"));
        auto enabled = popupEnabling();
        QVERIFY(!enabled[ID_EDIT_UNDO]);
        QVERIFY(!enabled[ID_EDIT_CUT]);
        QVERIFY(!enabled[ID_EDIT_COPY]);
        QVERIFY(enabled[ID_EDIT_SELECT_ALL]);
        QVERIFY(enabled[ID_EDIT_FIND]);
        QVERIFY(enabled[ID_EDIT_REPLACE]);
        QCOMPARE(enabled.size(), 7);

        edit->setSelection(0, 1);
        edit->replaceSelection(QStringLiteral("原"));
        edit->setSelection(0, 1);
        enabled = popupEnabling();
        QVERIFY(enabled[ID_EDIT_UNDO]);
        QVERIFY(enabled[ID_EDIT_CUT]);
        QVERIFY(enabled[ID_EDIT_COPY]);
    }

    void projectCommandsReachTheTree()
    {
        app->GetMainWnd()->SetActiveView(edit);
        prompts->answerPath(QString());  // save project asks for a name; cancelled
        QVERIFY(app->GetMainWnd()->RouteCommand(ID_PROJECT_SAVE));
        QCOMPARE(prompts->shown.size(), 1);
        QCOMPARE(prompts->shown[0].kind, QStringLiteral("save"));
        QCOMPARE(prompts->shown[0].text, VellTreeView::ProjectFileFilter());
    }

    void findAndReplaceThroughTheView()
    {
        CMainFrame* frame = app->GetMainWnd();
        frame->SetActiveView(edit);
        QVERIFY(!frame->IsCommandEnabled(ID_EDIT_FIND));  // nothing to search in
        edit->setPlainText(QStringLiteral("雨やみ、雨、雨"));
        QVERIFY(frame->IsCommandEnabled(ID_EDIT_FIND));
        QVERIFY(!frame->IsCommandEnabled(ID_EDIT_REPEAT));  // no Find Next yet

        FindReplaceDialog* find = edit->OnEditFind();
        QVERIFY(find->isVisible());
        QCOMPARE(find->findWhat(), QString());
        find->findChildren<QLineEdit*>().first()->setText(QStringLiteral("雨"));
        edit->setSelection(0, 0);
        emit find->findReplace(find, FR_FINDNEXT | FR_DOWN);
        int start = 0, end = 0;
        edit->selection(&start, &end);
        QCOMPARE(start, 0);
        QCOMPARE(end, 1);
        QVERIFY(frame->RouteCommand(ID_EDIT_REPEAT));  // F3 repeats it
        edit->selection(&start, &end);
        QCOMPARE(start, 4);

        FindReplaceDialog* replace = edit->OnEditReplace();
        QVERIFY(replace != find);
        const auto fields = replace->findChildren<QLineEdit*>();
        fields[0]->setText(QStringLiteral("雨"));
        fields[1]->setText(QStringLiteral("雪"));
        prompts->answer(PromptAnswer::Ok);
        emit replace->findReplace(replace, FR_REPLACEALL | FR_DOWN);
        QCOMPARE(prompts->texts().last(), QStringLiteral("3個の置換を行いました"));
        QCOMPARE(prompts->messages().last().buttons, PromptButtons::Ok);
        QCOMPARE(edit->toPlainText(), QStringLiteral("雪やみ、雪、雪"));
    }

    void keyReleaseIsSignalled()
    {
        QSignalSpy spy(edit, &CVellEditView::keyReleased);
        QTest::keyClick(edit->control(), Qt::Key_Return);
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy[0][0].toInt(), int(Qt::Key_Return));
    }
};

QTEST_MAIN(TestEditView)
#include "tst_editview.moc"
