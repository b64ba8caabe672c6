// SPDX-License-Identifier: GPL-3.0-or-later
// The main window driven headless: menus, enabling per active pane, routing, the
// direction toggle, the About box and the close sequence's questions.
#include "AppSettings.h"
#include "CMainFrame.h"
#include "CVellApp.h"
#include "CVellDoc.h"
#include "CVellEditView.h"
#include "CommandIds.h"
#include "FindReplaceDialog.h"
#include "AppHarness.h"
#include "SafetyKeeper.h"
#include "ScriptedPrompts.h"
#include "OutlineItems.h"
#include "VellTreeView.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QFontDatabase>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QSplitter>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>

#include <memory>

class TestMainFrame : public QObject, private AppHarness {
    Q_OBJECT
private:
    void focusPane(QWidget* pane, CommandTarget* view)
    {
        frame->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(frame));
        pane->setFocus(Qt::OtherFocusReason);
        QTRY_COMPARE(frame->GetActiveView(), view);
    }

private slots:
    void init()
    {
        QVERIFY(start());
        QVERIFY(QTest::qWaitForWindowExposed(frame));
    }
    void cleanup()
    {
        QCOMPARE(prompts->unexpectedCount(), 0);
        QVERIFY(prompts->allAnswered());
        app.reset();
    }

    void startsWithTwoPanesAndNoBars()
    {
        auto* splitter = qobject_cast<QSplitter*>(frame->centralWidget());
        QVERIFY(splitter);
        QCOMPARE(splitter->widget(0), tree);
        QCOMPARE(splitter->widget(1), edit);
        QCOMPARE(splitter->sizes().first(), 200);
        QVERIFY(frame->findChildren<QToolBar*>().isEmpty());
        QVERIFY(!frame->findChild<QStatusBar*>());
        QCOMPARE(frame->windowTitle(), QStringLiteral("無題 - Penwick"));
        QVERIFY(edit->isVertical());
        QCOMPARE(TopItemCount(tree), 0);
        QVERIFY(prompts->shown.isEmpty());
    }

    void mainMenuCaptionsInOrder()
    {
        // "-" is a separator; a tab separates the key sequence the menu shows.
        const QStringList expected = {
            "ﾌｧｲﾙ(&F)", "新規作成(&N)\tCtrl+N", "開く(&O)...\tCtrl+O", "上書き保存(&S)\tCtrl+S",
            "名前を付けて保存(&A)...", "-", "プロジェクト新規作成(&P)", "プロジェクトを開く(&W)",
            "プロジェクト保存(&V)\tCtrl+Shift+S", "プロジェクトを名前を付けて保存(&R)", "-",
            "プロジェクトをエクスポート(&E)", "-", "ｱﾌﾟﾘｹｰｼｮﾝの終了(&X)",
            "文書編集(&E)", "元に戻す(&U)\tCtrl+Z", "-", "切り取り(&T)\tCtrl+X", "ｺﾋﾟｰ(&C)\tCtrl+C",
            "貼り付け(&P)\tCtrl+V", "すべて選択(&L)\tCtrl+A", "-", "検索(&F)...\tCtrl+F",
            "置換(&E)\tCtrl+H",
            "木編集(&T)", "切り取り(&T)", "コピー(&C)", "選択中ノード下に貼り付け(&P)",
            "選択中ノード上に貼り付け(&U)", "削除(&D)", "-", "プロパティの変更(&I)", "-",
            "選択中ノード下に子を追加(&L)", "選択中ノード下に兄弟を追加(&A)",
            "選択中ノード上に兄弟を追加(&B)", "-", "プロジェクトのタイトルを変更(&N)",
            "その他(&O)", "縦・横表示の切り替え(&V)", "原稿用紙カウンター(&L)",
            "ﾍﾙﾌﾟ(&H)", "ﾊﾞｰｼﾞｮﾝ情報(&A)...",
        };
        QStringList shown;
        for (QMenu* menu : frame->GetMenus()) {
            shown << menu->title();
            for (QAction* a : menu->actions()) {
                if (a->isSeparator()) {
                    shown << QStringLiteral("-");
                    continue;
                }
                const QString keys = a->shortcut().toString(QKeySequence::PortableText);
                shown << (keys.isEmpty() ? a->text() : a->text() + QLatin1Char('\t') + keys);
            }
        }
        QCOMPARE(shown, expected);
        QCOMPARE(frame->menuBar()->actions().size(), 5);
    }

    void keySequences_data()
    {
        QTest::addColumn<int>("id");
        QTest::addColumn<QString>("keys");
        QTest::newRow("undo") << int(ID_EDIT_UNDO) << "Ctrl+Z, Alt+Backspace";
        QTest::newRow("cut") << int(ID_EDIT_CUT) << "Ctrl+X, Shift+Del";
        QTest::newRow("copy") << int(ID_EDIT_COPY) << "Ctrl+C, Ctrl+Ins";
        QTest::newRow("paste") << int(ID_EDIT_PASTE) << "Ctrl+V, Shift+Ins";
        QTest::newRow("repeat") << int(ID_EDIT_REPEAT) << "F3";
        QTest::newRow("next pane") << int(ID_NEXT_PANE) << "F6";
        QTest::newRow("redo") << int(ID_EDIT_REDO) << "Ctrl+Y, Ctrl+Shift+Z";
        QTest::newRow("project save") << int(ID_PROJECT_SAVE) << "Ctrl+Shift+S";
        QTest::newRow("text save") << int(ID_FILE_SAVE) << "Ctrl+S";
    }
    void keySequences()
    {
        QFETCH(int, id);
        QFETCH(QString, keys);
        QAction* a = frame->GetAction(id);
        QVERIFY(a);
        QStringList got;
        for (const QKeySequence& k : a->shortcuts())
            got << k.toString(QKeySequence::PortableText);
        QCOMPARE(got.join(QStringLiteral(", ")), keys);
    }

    void enablingPerActivePane_data()
    {
        QTest::addColumn<bool>("editorActive");
        QTest::addColumn<int>("id");
        QTest::addColumn<bool>("enabled");
        // Tree pane: the editor's commands have no handler there; tree commands need a
        // current item; export and the counter need a project file.
        QTest::newRow("tree: cut text") << false << int(ID_EDIT_CUT) << false;
        QTest::newRow("tree: copy node") << false << int(ID_TREE_COPY) << false;
        QTest::newRow("tree: paste node") << false << int(ID_TREE_PASTE) << false;
        QTest::newRow("tree: export") << false << int(ID_PROJECT_EXPORT) << false;
        QTest::newRow("tree: counter") << false << int(ID_COUNTER) << false;
        QTest::newRow("tree: save project") << false << int(ID_PROJECT_SAVE) << true;
        QTest::newRow("tree: direction") << false << int(ID_VIEW_DIRECTION) << true;
        QTest::newRow("tree: new text") << false << int(ID_FILE_NEW) << true;
        QTest::newRow("tree: about") << false << int(ID_APP_ABOUT) << true;
        // Editor pane with "text" typed and its first two characters selected.
        QTest::newRow("editor: cut text") << true << int(ID_EDIT_CUT) << true;
        QTest::newRow("editor: undo") << true << int(ID_EDIT_UNDO) << true;
        QTest::newRow("editor: select all") << true << int(ID_EDIT_SELECT_ALL) << true;
        QTest::newRow("editor: copy node") << true << int(ID_TREE_COPY) << false;
        QTest::newRow("editor: add child") << true << int(ID_TREE_ADDCHILD) << false;
        QTest::newRow("editor: export") << true << int(ID_PROJECT_EXPORT) << false;
        QTest::newRow("editor: save project") << true << int(ID_PROJECT_SAVE) << true;
        QTest::newRow("editor: direction") << true << int(ID_VIEW_DIRECTION) << true;
    }
    void enablingPerActivePane()
    {
        QFETCH(bool, editorActive);
        QFETCH(int, id);
        QFETCH(bool, enabled);
        if (editorActive) {
            focusPane(edit, edit);
            QTest::keyClicks(edit->control(), QStringLiteral("text"));
            edit->setSelection(0, 2);
        } else {
            focusPane(tree, tree);
        }
        QCOMPARE(frame->IsCommandEnabled(id), enabled);
        // The menus ask the same rules when they open, and give the keys back after.
        QAction* action = frame->GetAction(id);
        for (QMenu* menu : frame->GetMenus()) {
            if (!menu->actions().contains(action))
                continue;
            emit menu->aboutToShow();
            QCOMPARE(action->isEnabled(), enabled);
            emit menu->aboutToHide();
            QVERIFY(action->isEnabled());
        }
    }

    // After 次を検索 the keyboard is the editor's again; F3 repeats the search from the
    // editor and from the Find dialog alike.
    void findGivesTheKeyboardBackAndF3RepeatsFromTheDialog()
    {
        focusPane(edit, edit);
        edit->setPlainText(QStringLiteral("猫と猫と猫と猫"));
        edit->setSelection(0, 0);
        FindReplaceDialog* find = edit->OnEditFind();
        QVERIFY(find);
        find->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(find));
        find->findChildren<QLineEdit*>().first()->setText(QStringLiteral("猫"));
        QPushButton* next = nullptr;
        for (QPushButton* b : find->findChildren<QPushButton*>())
            if (b->text() == QStringLiteral("次を検索(&F)"))
                next = b;
        QVERIFY(next);
        QTest::mouseClick(next, Qt::LeftButton);
        int start = -1, end = -1;
        edit->selection(&start, &end);
        QCOMPARE(start, 0);
        QTRY_COMPARE(QApplication::focusWidget(), edit->control());
        QTest::keyClick(edit->control(), Qt::Key_F3);
        edit->selection(&start, &end);
        QCOMPARE(start, 2);
        find->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(find));
        QTest::keyClick(find, Qt::Key_F3);
        edit->selection(&start, &end);
        QCOMPARE(start, 4);
        find->close();
    }

    // Typed into the editor, both redo keys bring back what Ctrl+Z took.
    void bothRedoKeysRedoTyping()
    {
        focusPane(edit, edit);
        for (const QKeyCombination redo : {Qt::CTRL | Qt::Key_Y, Qt::CTRL | Qt::SHIFT | Qt::Key_Z}) {
            edit->setPlainText(QString());
            QTest::keyClicks(edit->control(), QStringLiteral("ab"));
            QTest::keyClick(edit->control(), Qt::Key_Z, Qt::ControlModifier);
            QVERIFY(edit->toPlainText().size() < 2);
            QTest::keyClick(edit->control(), redo.key(), redo.keyboardModifiers());
            QCOMPARE(edit->toPlainText(), QStringLiteral("ab"));
        }
    }

    // Alt+F opens the File menu from the editor also when it reaches the editor itself, as
    // a key an input method forwards does (past the window's shortcuts), and with a
    // composition open; an Alt key that is no menu's types nothing.
    void menuKeysReachTheMenusFromTheEditor()
    {
        focusPane(edit, edit);
        edit->setPlainText(QStringLiteral("あ"));
        edit->setSelection(1, 1);
        QInputMethodEvent composing(QStringLiteral("かな"), {});
        QApplication::sendEvent(edit->control(), &composing);
        QTest::keyPress(edit->control(), Qt::Key_Alt);
        QKeyEvent altF(QEvent::KeyPress, Qt::Key_F, Qt::AltModifier, QStringLiteral("f"));
        QApplication::sendEvent(edit->control(), &altF);
        QTRY_VERIFY(qobject_cast<QMenu*>(QApplication::activePopupWidget()));
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        QCOMPARE(menu, frame->menuBar()->actions().first()->menu());
        menu->close();
        QCOMPARE(edit->toPlainText(), QStringLiteral("あかな"));   // committed once, no f
        focusPane(edit, edit);
        QKeyEvent altQ(QEvent::KeyPress, Qt::Key_Q, Qt::AltModifier, QStringLiteral("q"));
        QApplication::sendEvent(edit->control(), &altQ);
        QCOMPARE(edit->toPlainText(), QStringLiteral("あかな"));
        QVERIFY(!QApplication::activePopupWidget());
    }

    void editCommandsGoToTheActivePaneOnly()
    {
        edit->setPlainText(QStringLiteral("あいうえお"));
        edit->setSelection(0, 3);
        focusPane(tree, tree);
        frame->GetAction(ID_EDIT_CUT)->trigger();
        QCOMPARE(edit->toPlainText(), QStringLiteral("あいうえお"));

        focusPane(edit, edit);
        edit->setSelection(0, 3);
        frame->GetAction(ID_EDIT_CUT)->trigger();
        QCOMPARE(edit->toPlainText(), QStringLiteral("えお"));
        // With nothing selected the rule refuses the command before it runs.
        edit->setSelection(1, 1);
        QVERIFY(!frame->RouteCommand(ID_EDIT_COPY));
        QVERIFY(frame->RouteCommand(ID_EDIT_UNDO));
        QCOMPARE(edit->toPlainText(), QStringLiteral("あいうえお"));
    }

    void missingJapaneseFontsAreExplained()
    {
        // This machine has Japanese fonts, so starting showed nothing (cleanup checks it).
        QVERIFY(!QFontDatabase::families(QFontDatabase::Japanese).isEmpty());
        QVERIFY(CVellApp::MissingFontHint({QStringLiteral("Noto Serif CJK JP")}).isEmpty());
        const QString hint = CVellApp::MissingFontHint({});
        QVERIFY(hint.contains(QStringLiteral("fonts-noto-cjk")));
    }

    void windowSizeAndSplitterAreRemembered()
    {
        const QString path = AppSettings::Path();
        frame->resize(700, 520);   // inside the offscreen screen (800x600)
        auto* splitter = qobject_cast<QSplitter*>(frame->centralWidget());
        splitter->setSizes({310, 390});
        QTRY_COMPARE(splitter->sizes().first(), 310);
        QTRY_COMPARE(frame->size(), QSize(700, 520));
        QVERIFY(frame->close());   // nothing modified: no question
        app = std::make_unique<CVellApp>(std::make_unique<ScriptedPrompts>());
        QVERIFY(app->InitInstance({}));
        CMainFrame* again = app->GetMainWnd();
        QVERIFY(QTest::qWaitForWindowExposed(again));
        QCOMPARE(again->size(), QSize(700, 520));
        QCOMPARE(qobject_cast<QSplitter*>(again->centralWidget())->sizes().first(), 310);
        QVERIFY(again->GetEditView()->isVertical());   // the editor still opens vertical
        // Leave the other tests their defaults.
        QSettings(path, QSettings::IniFormat).remove(QStringLiteral("window"));
        app.reset();
        init();
    }

    void directionToggleFromEitherPane()
    {
        QVERIFY(edit->isVertical());
        focusPane(tree, tree);
        frame->GetAction(ID_VIEW_DIRECTION)->trigger();
        QVERIFY(!edit->isVertical());
        focusPane(edit, edit);
        frame->GetAction(ID_VIEW_DIRECTION)->trigger();
        QVERIFY(edit->isVertical());
    }

    void nextPaneMovesTheFocus()
    {
        focusPane(tree, tree);
        frame->GetAction(ID_NEXT_PANE)->trigger();
        QTRY_COMPARE(frame->GetActiveView(), static_cast<CommandTarget*>(edit));
        frame->GetAction(ID_PREV_PANE)->trigger();
        QTRY_COMPARE(frame->GetActiveView(), static_cast<CommandTarget*>(tree));
    }

    void aboutBox()
    {
        QString version;
        prompts->answerDialog([&](QDialog& dlg) {
            for (QLabel* l : dlg.findChildren<QLabel*>())
                if (!l->text().isEmpty())
                    version = l->text();
            return int(QDialog::Accepted);
        });
        frame->GetAction(ID_APP_ABOUT)->trigger();
        QCOMPARE(prompts->shown.size(), 1);
        QCOMPARE(prompts->shown[0].kind, QStringLiteral("dialog"));
        QCOMPARE(prompts->shown[0].caption, QStringLiteral("『Penwick』のﾊﾞｰｼﾞｮﾝ情報"));
        QCOMPARE(version, QStringLiteral("Penwick Version b0.1"));
        QVERIFY(!QApplication::windowIcon().pixmap(32).isNull());
    }

    void closeSequence_data()
    {
        QTest::addColumn<bool>("projectModified");
        QTest::addColumn<bool>("editorModified");
        QTest::addColumn<bool>("textFileOpen");
        QTest::addColumn<QList<int>>("answers");   // PromptAnswer values, in order
        QTest::addColumn<QStringList>("asked");    // "text" / "project", in order
        QTest::addColumn<bool>("closed");
        using A = PromptAnswer;
        const QString T = QStringLiteral("text"), P = QStringLiteral("project");
        QTest::newRow("nothing changed") << false << false << false << QList<int>{} << QStringList{} << true;
        QTest::newRow("text file open, nothing changed") << false << false << true << QList<int>{} << QStringList{} << true;
        QTest::newRow("typed only: No") << false << true << false << QList<int>{int(A::No)} << QStringList{P} << true;
        QTest::newRow("typed only: Cancel") << false << true << false << QList<int>{int(A::Cancel)} << QStringList{P} << false;
        QTest::newRow("project: No") << true << false << false << QList<int>{int(A::No)} << QStringList{P} << true;
        QTest::newRow("project: Cancel") << true << false << false << QList<int>{int(A::Cancel)} << QStringList{P} << false;
        QTest::newRow("both: No") << true << true << false << QList<int>{int(A::No)} << QStringList{P} << true;
        QTest::newRow("text file, typed: No, No") << false << true << true << QList<int>{int(A::No), int(A::No)} << QStringList{T, P} << true;
        QTest::newRow("text file, project: No, Cancel") << true << false << true << QList<int>{int(A::No), int(A::Cancel)} << QStringList{T, P} << false;
        QTest::newRow("text file, both: No, No") << true << true << true << QList<int>{int(A::No), int(A::No)} << QStringList{T, P} << true;
    }
    void closeSequence()
    {
        QFETCH(bool, projectModified);
        QFETCH(bool, editorModified);
        QFETCH(bool, textFileOpen);
        QFETCH(QList<int>, answers);
        QFETCH(QStringList, asked);
        QFETCH(bool, closed);

        // Whether the editor holds the text document (as at start) or a node's text.
        frame->SetTextFileOpen(textFileOpen);
        frame->session().setModified(projectModified);
        if (editorModified)
            QTest::keyClicks(edit->control(), QStringLiteral("draft"));
        QCOMPARE(edit->isModified(), editorModified);
        for (int a : answers)
            prompts->answer(PromptAnswer(a));

        frame->GetAction(ID_APP_EXIT)->trigger();

        const QString textQ = QStringLiteral("現在開かれているテキストは変更されている可能性があります。保存しますか？");
        const QString projectQ = QStringLiteral("現在開いているプロジェクトは変更されている可能性があります。保存しますか？");
        const auto shown = prompts->messages();
        QCOMPARE(shown.size(), asked.size());
        for (int i = 0; i < asked.size(); ++i) {
            const bool text = asked[i] == QLatin1String("text");
            QCOMPARE(shown[i].text, text ? textQ : projectQ);
            QCOMPARE(shown[i].caption, QStringLiteral("Penwick"));
            QCOMPARE(shown[i].icon, PromptIcon::Exclamation);
            QCOMPARE(shown[i].buttons, text ? PromptButtons::YesNo : PromptButtons::YesNoCancel);
        }
        QCOMPARE(frame->isVisible(), !closed);
    }

    void closeSavesWhenAskedTo()
    {
        // Yes to both: the text goes to its file first, then the project to the path asked for.
        const QString textPath = writeFile(QStringLiteral("note.txt"), "メモ");
        prompts->answerPath(textPath);
        frame->GetAction(ID_FILE_OPEN)->trigger();
        QCOMPARE(edit->toPlainText(), QStringLiteral("メモ"));
        QCOMPARE(frame->windowTitle(), QStringLiteral("note.txt - Penwick"));
        edit->setPlainText(QStringLiteral("メモ２"));
        edit->setModified(true);
        frame->session().setModified(true);
        const QString projectPath = dir.filePath(QStringLiteral("saved"));
        prompts->clear();
        prompts->answer(PromptAnswer::Yes);
        prompts->answer(PromptAnswer::Yes);
        prompts->answerPath(projectPath);
        QVERIFY(frame->close());
        QFile text(textPath);
        QVERIFY(text.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(text.readAll()), QStringLiteral("メモ２"));
        QVERIFY(QFile::exists(projectPath + QStringLiteral(".xml")));
        QCOMPARE(tree->ProjectPath(), projectPath + QStringLiteral(".xml"));
        QVERIFY(!frame->IsProjectModified());
        QCOMPARE(prompts->shown.last().kind, QStringLiteral("save"));
        QCOMPARE(prompts->shown.last().text, VellTreeView::ProjectFileFilter());
        QCOMPARE(prompts->shown.last().defaultExt, QStringLiteral("xml"));
    }

    void closeStaysOpenWhenTheProjectIsNotSaved()
    {
        // Yes, then the save dialog cancelled: closing now would throw the work away.
        frame->session().setModified(true);
        prompts->answer(PromptAnswer::Yes);
        prompts->answerPath(QString());
        QVERIFY(!frame->close());
        QVERIFY(frame->isVisible());
        QVERIFY(frame->IsProjectModified());

        // Yes with a path that cannot be written: reported, still open, still modified.
        prompts->clear();
        prompts->answer(PromptAnswer::Yes);
        prompts->answerPath(dir.filePath(QStringLiteral("missing/folder/p.xml")));
        prompts->answer(PromptAnswer::Ok);
        QVERIFY(!frame->close());
        QVERIFY(frame->IsProjectModified());
        QCOMPARE(prompts->messages().size(), 2);
        QCOMPARE(prompts->messages().last().buttons, PromptButtons::Ok);
        QVERIFY(!prompts->messages().last().text.isEmpty());
    }

    void standardButtonsAreJapanese()
    {
        QVERIFY(CVellApp::LoadTranslations());
        QMessageBox box(QMessageBox::Warning, QStringLiteral("Penwick"), QStringLiteral("?"),
                        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        QVERIFY(box.button(QMessageBox::Yes)->text().startsWith(QStringLiteral("はい")));
        QVERIFY(box.button(QMessageBox::No)->text().startsWith(QStringLiteral("いいえ")));
        QVERIFY(box.button(QMessageBox::Cancel)->text().startsWith(QStringLiteral("キャンセル")));
    }

    void fileFilterShownTheQtWay()
    {
        QCOMPARE(QtFileFilter(VellTreeView::ProjectFileFilter()),
                 QStringLiteral("プロジェクトファイル (*.xml);;その他(*.*) (*)"));
        QCOMPARE(QtFileFilter(QStringLiteral("Text (*.txt;*.log)|*.txt;*.log||")),
                 QStringLiteral("Text (*.txt;*.log) (*.txt *.log)"));
        QFileDialog dlg;
        dlg.setOption(QFileDialog::DontUseNativeDialog);
        dlg.setNameFilter(QtFileFilter(VellTreeView::ProjectFileFilter()));
        QCOMPARE(dlg.nameFilters(), (QStringList{"プロジェクトファイル (*.xml)", "その他(*.*) (*)"}));
        QCOMPARE(WithDefaultExtension(QStringLiteral("/a/b"), QStringLiteral("xml")), QStringLiteral("/a/b.xml"));
        QCOMPARE(WithDefaultExtension(QStringLiteral("/a.d/b"), QStringLiteral("xml")), QStringLiteral("/a.d/b.xml"));
        QCOMPARE(WithDefaultExtension(QStringLiteral("/a/b.txt"), QStringLiteral("xml")), QStringLiteral("/a/b.txt"));
        QCOMPARE(WithDefaultExtension(QStringLiteral("/a/b"), QString()), QStringLiteral("/a/b"));
    }
};

QTEST_MAIN(TestMainFrame)
#include "tst_mainframe.moc"
