// SPDX-License-Identifier: GPL-3.0-or-later
// Selection and text synchronisation, the project commands and the one save path,
// driven through the real main window with scripted prompts and injected file faults.
#include "CMainFrame.h"
#include "CProjectTitleDlg.h"
#include "CVellApp.h"
#include "CVellEditView.h"
#include "CommandIds.h"
#include "FileIO.h"
#include "AppHarness.h"
#include "ScriptedPrompts.h"
#include "OutlineItems.h"
#include "VellTreeView.h"
#include "WellFormed.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <memory>

using penwick::DomNode;

namespace {

const char kNovel[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
    "<project title=\"小説\">"
    "<chapter title=\"第一章\" textout=\"yes\" type=\"Basic\"><text>一</text></chapter>"
    "<chapter title=\"第二章\" textout=\"yes\" type=\"Basic\"><text/>"
    "<paragraph title=\"二の一\" textout=\"yes\" type=\"Basic\"><text>a</text></paragraph>"
    "</chapter>"
    "<chapter title=\"空\"/>"
    "</project>";

// The node's own text as the editor would be given it.
std::string TextOf(QModelIndex item)
{
    const DomNode holder = VellTreeView::NodeOf(item).firstChild();
    return holder.firstChild() ? holder.firstChild().text() : std::string();
}

class FaultyOps : public penwick::FileOps {
public:
    enum Fault { ShortWrite, NoSpace, SyncFails, RenameFails } fault;
    explicit FaultyOps(Fault f) : fault(f) {}
    ssize_t write(int fd, const void* data, size_t size) override
    {
        if (fault == ShortWrite)
            return size > 1 ? FileOps::write(fd, data, size / 2) : 0;  // then 0: no progress
        if (fault == NoSpace) {
            errno = ENOSPC;
            return -1;
        }
        return FileOps::write(fd, data, size);
    }
    int fsync(int fd) override
    {
        if (fault == SyncFails) {
            errno = EIO;
            return -1;
        }
        return FileOps::fsync(fd);
    }
    int rename(const char* from, const char* to) override
    {
        if (fault == RenameFails) {
            errno = EXDEV;
            return -1;
        }
        return FileOps::rename(from, to);
    }
};

}  // namespace

class TestProjectCommands : public QObject, private AppHarness {
    Q_OBJECT
private:

    bool openNovel()
    {
        prompts->answerPath(writeFile(QStringLiteral("novel.xml"), kNovel));
        frame->GetAction(ID_PROJECT_OPEN)->trigger();
        return TopItemCount(tree) == 3;
    }
    void select(QModelIndex item) { tree->setCurrentIndex(item); }

private slots:
    void init() { QVERIFY(start()); }
    void cleanup()
    {
        QCOMPARE(prompts->unexpectedCount(), 0);
        QVERIFY(prompts->allAnswered());
        app.reset();
    }

    void openShowsTheProjectUnmodified()
    {
        QVERIFY(openNovel());
        QCOMPARE(frame->windowTitle(), QStringLiteral("小説 - Penwick - [  ]"));
        QCOMPARE(tree->ProjectPath(), dir.filePath(QStringLiteral("novel.xml")));
        QVERIFY(!frame->IsProjectModified());
        QVERIFY(!tree->m_hSelectedItem.isValid());
        QCOMPARE(prompts->shown[0].kind, QStringLiteral("open"));
        QCOMPARE(prompts->shown[0].text, QStringLiteral("プロジェクトファイル (*.xml)|*.xml|その他(*.*)|*.*||"));
    }

    void selectionCarriesTheTextAcross()
    {
        QVERIFY(openNovel());
        QModelIndex first = TopItem(tree, 0);
        QModelIndex second = TopItem(tree, 1);
        select(first);
        QCOMPARE(edit->toPlainText(), QStringLiteral("一"));
        QVERIFY(!edit->isModified());
        QCOMPARE(frame->windowTitle(), QStringLiteral("小説 - Penwick - [ 第一章 ]"));

        select(second);  // nothing edited: nothing written
        QVERIFY(!frame->IsProjectModified());
        QCOMPARE(edit->toPlainText(), QString());

        edit->setPlainText(QStringLiteral("行一\n行二"));
        edit->setModified(true);
        select(first);  // the empty holder of the second chapter gets a text node
        QCOMPARE(TextOf(second), std::string("行一\r\n行二"));
        QVERIFY(frame->IsProjectModified());
        QCOMPARE(edit->toPlainText(), QStringLiteral("一"));

        edit->setPlainText(QString());
        edit->setModified(true);
        select(second);  // an emptied text replaces the old one with an empty text node
        QCOMPARE(TextOf(first), std::string());
        QVERIFY(VellTreeView::NodeOf(first).firstChild().firstChild());
        QCOMPARE(edit->toPlainText(), QStringLiteral("行一\n行二"));
    }

    void nodeWithoutTextHolderIsReported()
    {
        QVERIFY(openNovel());
        select(TopItem(tree, 0));
        prompts->answer(PromptAnswer::Ok);
        select(TopItem(tree, 2));
        QCOMPARE(prompts->texts(), QStringList{QString::fromStdString(penwick::ResultCodeText(penwick::E_POINTER))});
        QCOMPARE(edit->toPlainText(), QStringLiteral("一"));  // kept, but no longer counts as edited
        QVERIFY(!edit->isModified());
    }

    // A title of megabytes is shown cut short: handed whole to the window system it ended
    // the connection.
    void hugeTitlesAreCutInTheCaption()
    {
        const QByteArray title(20 * 1024 * 1024, 'T');
        prompts->answerPath(writeFile(QStringLiteral("huge.xml"),
                                      "<project title=\"" + title +
                                          "\"><chapter title=\"一\" textout=\"yes\" type=\"Basic\"><text>一</text></chapter></project>"));
        frame->GetAction(ID_PROJECT_OPEN)->trigger();
        QCOMPARE(TopItemCount(tree), 1);
        QCOMPARE(frame->windowTitle().size(), 300);
        QVERIFY(frame->windowTitle().endsWith(QChar(0x2026)));
        select(TopItem(tree, 0));
        QCOMPARE(frame->windowTitle().size(), 300);
        // Never half a character: a pair that would be split goes whole.
        const QString emoji = QString(298, QLatin1Char('x')) + QString::fromUtf8("\xF0\x9F\x98\x80") + QStringLiteral("tail");
        QCOMPARE(CMainFrame::ClampCaption(emoji), QString(298, QLatin1Char('x')) + QChar(0x2026));
        QCOMPARE(CMainFrame::ClampCaption(QStringLiteral("短い")), QStringLiteral("短い"));
    }

    // Characters XML cannot hold: a file holding them opens with the text after them
    // intact and says so once; typed or pasted, they never reach the saved file.
    void unholdableCharactersNeverCutTextShort()
    {
        prompts->answerPath(writeFile(QStringLiteral("nul.xml"),
            "<project title=\"小説\"><chapter title=\"一\" textout=\"yes\" type=\"Basic\"><text>前&#0;後&#xD800;尾</text></chapter></project>"));
        prompts->answer(PromptAnswer::Ok);
        frame->GetAction(ID_PROJECT_OPEN)->trigger();
        QCOMPARE(prompts->messages().size(), 1);
        QVERIFY(prompts->texts()[0].contains(QStringLiteral("U+FFFD")));
        QVERIFY(frame->IsProjectModified());   // what a save will write differs from the file
        select(TopItem(tree, 0));
        QCOMPARE(edit->toPlainText(), QStringLiteral("前\uFFFD後\uFFFD尾"));

        edit->setPlainText(QStringLiteral("打") + QChar(0) + QStringLiteral("鍵") + QChar(1) + QChar(0x1b) + QStringLiteral("終"));
        edit->setModified(true);
        frame->GetAction(ID_PROJECT_SAVE)->trigger();
        QVERIFY(!frame->IsProjectModified());
        QFile saved(tree->ProjectPath());
        QVERIFY(saved.open(QIODevice::ReadOnly));
        const QByteArray bytes = saved.readAll();
        QCOMPARE(penwick::test::XmlProblem(bytes.toStdString()), std::string());
        QVERIFY(bytes.contains("<text>打\xEF\xBF\xBD鍵\xEF\xBF\xBD\xEF\xBF\xBD終</text>"));
    }

    // A file from another tool whose chapter holds a sub-node where its text element
    // should be: text typed into the chapter goes into a new text element, and the
    // sub-node and its tree item stay.
    void typingIntoANodeWithoutItsTextElementKeepsItsChildren()
    {
        prompts->answerPath(writeFile(QStringLiteral("other.xml"),
            "<project title=\"p\"><chapter title=\"A\" textout=\"yes\" type=\"Basic\">"
            "<paragraph title=\"A1\" textout=\"yes\" type=\"Basic\"><paragraph title=\"A11\" textout=\"yes\" type=\"Basic\">"
            "<text>深</text></paragraph></paragraph></chapter></project>"));
        frame->GetAction(ID_PROJECT_OPEN)->trigger();
        QModelIndex a = TopItem(tree, 0);
        QModelIndex a1 = ChildItem(a, 0);
        QModelIndex a11 = ChildItem(a1, 0);
        const DomNode a1Node = VellTreeView::NodeOf(a1), a11Node = VellTreeView::NodeOf(a11);
        for (QModelIndex item : {a, a1}) {
            select(item);
            QCOMPARE(edit->toPlainText(), QString());
            edit->setPlainText(Title(item) + QStringLiteral("の本文"));
            edit->setModified(true);
        }
        select(a11);
        QCOMPARE(edit->toPlainText(), QStringLiteral("深"));
        QVERIFY(tree->session().document().contains(a1Node) && tree->session().document().contains(a11Node));
        QCOMPARE(VellTreeView::NodeOf(a1), a1Node);
        QCOMPARE(VellTreeView::NodeOf(a11), a11Node);
        select(a);
        QCOMPARE(edit->toPlainText(), QStringLiteral("Aの本文"));
        select(a1);
        QCOMPARE(edit->toPlainText(), QStringLiteral("A1の本文"));
        QVERIFY(tree->SaveXMLToFile());
        QVERIFY(tree->OpenProjectFile(tree->ProjectPath()));
        QCOMPARE(Title(ChildItem(ChildItem(TopItem(tree, 0), 0), 0)), QStringLiteral("A11"));
    }

    void separateTextFileAsksOnce_data()
    {
        QTest::addColumn<bool>("take");
        QTest::newRow("Yes: stored") << true;
        QTest::newRow("No: node kept") << false;
    }
    void separateTextFileAsksOnce()
    {
        QFETCH(bool, take);
        QVERIFY(openNovel());
        select(TopItem(tree, 0));
        prompts->answerPath(writeFile(QStringLiteral("memo.txt"), "メモ"));
        frame->GetAction(ID_FILE_OPEN)->trigger();
        QVERIFY(app->m_bTextFileOpen);
        prompts->clear();
        prompts->answer(take ? PromptAnswer::Yes : PromptAnswer::No);
        select(TopItem(tree, 1));
        QCOMPARE(prompts->messages().size(), 1);
        QCOMPARE(prompts->messages()[0].buttons, PromptButtons::YesNo);
        QCOMPARE(prompts->messages()[0].icon, PromptIcon::Exclamation);
        QVERIFY(!app->m_bTextFileOpen);
        QCOMPARE(TextOf(TopItem(tree, 0)), take ? std::string("メモ") : std::string("一"));
        QCOMPARE(frame->IsProjectModified(), take);
    }

    // Typed with no node selected, text belongs to the text document: a node takes it only
    // when the writer says so, and a No offers to save it, Cancel staying where it was.
    void typingWithNoNodeIsTheTextDocument()
    {
        QVERIFY(openNovel());
        QVERIFY(!tree->m_hSelectedItem.isValid());
        QVERIFY(app->m_bTextFileOpen);
        QVERIFY(!frame->GetEditView()->holderNote().isEmpty());
        QTest::keyClicks(edit->control(), QStringLiteral("orphan"));

        prompts->answer(PromptAnswer::No);       // not the node's text
        prompts->answer(PromptAnswer::Cancel);   // nor thrown away
        select(TopItem(tree, 1));
        QCOMPARE(prompts->messages().size(), 2);
        QVERIFY(prompts->messages()[0].text.contains(QStringLiteral("別の文書ファイルです")));
        QCOMPARE(prompts->messages()[1].buttons, PromptButtons::YesNoCancel);
        QVERIFY(!tree->m_hSelectedItem.isValid());
        QVERIFY(!tree->GetSelectedItem().isValid());
        QCOMPARE(edit->toPlainText(), QStringLiteral("orphan"));
        QVERIFY(edit->isModified());

        prompts->clear();
        prompts->answer(PromptAnswer::Yes);      // the chosen node takes it
        select(TopItem(tree, 1));
        QCOMPARE(TextOf(TopItem(tree, 1)), std::string("orphan"));
        QCOMPARE(edit->toPlainText(), QStringLiteral("orphan"));
        QVERIFY(!app->m_bTextFileOpen);
        QVERIFY(frame->GetEditView()->holderNote().isEmpty());
        QVERIFY(frame->IsProjectModified());
    }

    // Neither a cancelled File > Open nor File > New and typing reaches a node unasked;
    // File > Save keeps the node's edit in the project as well as in the file.
    void textDocumentCommandsKeepTheNode()
    {
        QVERIFY(openNovel());
        select(TopItem(tree, 0));
        QTest::keyClicks(edit->control(), QStringLiteral("x"));
        prompts->answerPath(QString());
        frame->GetAction(ID_FILE_OPEN)->trigger();
        QCOMPARE(edit->toPlainText(), QStringLiteral("x一"));
        QVERIFY(edit->isModified());
        QVERIFY(!app->m_bTextFileOpen);
        QCOMPARE(prompts->messages().size(), 0);

        const QString path = dir.filePath(QStringLiteral("saved.txt"));
        prompts->answerPath(path);
        frame->GetAction(ID_FILE_SAVE)->trigger();
        QCOMPARE(readFile(path), QByteArray("x一"));
        QCOMPARE(TextOf(TopItem(tree, 0)), std::string("x一"));
        QVERIFY(frame->IsProjectModified());
        QVERIFY(!app->m_bTextFileOpen);

        frame->GetAction(ID_FILE_NEW)->trigger();
        QVERIFY(app->m_bTextFileOpen);
        QTest::keyClicks(edit->control(), QStringLiteral("memo"));
        prompts->answer(PromptAnswer::No);   // not the node's
        prompts->answer(PromptAnswer::No);   // and not kept
        select(TopItem(tree, 1));
        QCOMPARE(prompts->messages().size(), 2);
        QCOMPARE(TextOf(TopItem(tree, 0)), std::string("x一"));
        QVERIFY(!app->m_bTextFileOpen);
    }

    // Deleting the node shown leaves the text document alone when the editor holds it, and
    // with no node left makes what is typed next the text document's, not nobody's.
    void deletingTheNodeShownKeepsTypedText()
    {
        QVERIFY(openNovel());
        select(TopItem(tree, 0));
        prompts->answerPath(writeFile(QStringLiteral("memo.txt"), "メモ"));
        frame->GetAction(ID_FILE_OPEN)->trigger();
        frame->SetActiveView(tree);
        QVERIFY(frame->RouteCommand(ID_TREE_DELETE));
        QCOMPARE(edit->toPlainText(), QStringLiteral("メモ"));
        QVERIFY(app->m_bTextFileOpen);

        prompts->answerPath(writeFile(QStringLiteral("one.xml"),
                                      "<project title=\"一\"><chapter title=\"唯一\" textout=\"yes\" type=\"Basic\"><text>本文</text></chapter></project>"));
        prompts->answer(PromptAnswer::No);   // the project changed: not saved
        frame->GetAction(ID_PROJECT_OPEN)->trigger();
        select(TopItem(tree, 0));
        QVERIFY(!app->m_bTextFileOpen);
        QVERIFY(frame->RouteCommand(ID_TREE_DELETE));
        QCOMPARE(TopItemCount(tree), 0);
        QVERIFY(app->m_bTextFileOpen);
        QVERIFY(!frame->GetEditView()->holderNote().isEmpty());
        QTest::keyClicks(edit->control(), QStringLiteral("after"));
        QVERIFY(frame->RouteCommand(ID_EDIT_UNDO));   // the chapter comes back
        prompts->clear();
        prompts->answer(PromptAnswer::Yes);           // the typed text is the chapter's
        select(TopItem(tree, 0));
        QCOMPARE(prompts->messages().size(), 1);
        QCOMPARE(TextOf(TopItem(tree, 0)), std::string("after"));
    }

    void fileNewStoresTypedNodeTextFirst()
    {
        QVERIFY(openNovel());
        select(TopItem(tree, 0));
        QTest::keyClicks(edit->control(), QStringLiteral("x"));
        frame->GetAction(ID_FILE_NEW)->trigger();
        QCOMPARE(TextOf(TopItem(tree, 0)), std::string("x一"));
        QCOMPARE(edit->toPlainText(), QString());
        QVERIFY(frame->IsProjectModified());
    }

    void saveQuestionBeforeOpen_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("savePath");   // for Yes: empty = dialog cancelled
        QTest::addColumn<bool>("opened");
        QTest::newRow("Cancel") << int(PromptAnswer::Cancel) << QString() << false;
        QTest::newRow("No") << int(PromptAnswer::No) << QString() << true;
        QTest::newRow("Yes, dialog cancelled") << int(PromptAnswer::Yes) << QString() << false;
        QTest::newRow("Yes, saved") << int(PromptAnswer::Yes) << QStringLiteral("first.xml") << true;
    }
    void saveQuestionBeforeOpen()
    {
        QFETCH(int, answer);
        QFETCH(QString, savePath);
        QFETCH(bool, opened);
        frame->GetAction(ID_PROJECT_NEW)->trigger();  // the template, never saved
        QCOMPARE(frame->windowTitle(), QStringLiteral("無題 - Penwick - [  ]"));
        QCOMPARE(tree->m_strProjectTitle, QStringLiteral("無題のプロジェクト"));
        // Only the editor changed: with no node selected, its text document.
        QTest::keyClicks(edit->control(), QStringLiteral("typed"));

        prompts->answer(PromptAnswer(answer));
        if (PromptAnswer(answer) == PromptAnswer::Yes)
            prompts->answerPath(savePath.isEmpty() ? QString() : dir.filePath(savePath));
        if (opened) {
            prompts->answer(PromptAnswer::No);   // the typed document is not kept
            prompts->answerPath(writeFile(QStringLiteral("novel.xml"), kNovel));
        }
        frame->GetAction(ID_PROJECT_OPEN)->trigger();

        QCOMPARE(prompts->messages()[0].text, QStringLiteral("現在開いているプロジェクトは変更されています。保存しますか？"));
        QCOMPARE(prompts->messages()[0].buttons, PromptButtons::YesNoCancel);
        if (opened) {
            QCOMPARE(prompts->messages()[1].text,
                     QStringLiteral("現在開かれているテキストは変更されている可能性があります。保存しますか？"));
            QCOMPARE(prompts->messages()[1].buttons, PromptButtons::YesNoCancel);
        }
        QCOMPARE(tree->m_strProjectTitle, opened ? QStringLiteral("小説") : QStringLiteral("無題のプロジェクト"));
        QCOMPARE(edit->isModified(), !opened);
        if (!savePath.isEmpty())
            QVERIFY(readFile(dir.filePath(savePath)).contains("無題のプロジェクト"));
    }

    void failedOpenKeepsTheProjectShown_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("messages");
        QTest::newRow("malformed") << QByteArray("<project title=\"x\"><chapter></project>") << 1;
        QTest::newRow("root without attributes") << QByteArray("<project/>") << 2;
    }
    void failedOpenKeepsTheProjectShown()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, messages);
        QVERIFY(openNovel());
        const QString before = tree->ProjectPath();
        prompts->answerPath(writeFile(QStringLiteral("broken.xml"), bytes));
        for (int i = 0; i < messages; ++i)
            prompts->answer(PromptAnswer::Ok);
        frame->GetAction(ID_PROJECT_OPEN)->trigger();
        QCOMPARE(prompts->messages().size(), messages);
        QCOMPARE(tree->ProjectPath(), before);
        QCOMPARE(TopItemCount(tree), 3);
        QVERIFY(!frame->IsProjectModified());
        // A later save writes the project shown, to its own file.
        QVERIFY(tree->SaveXMLToFile());
        QCOMPARE(readFile(dir.filePath(QStringLiteral("broken.xml"))), bytes);
    }

    void newProjectWithoutTemplateKeepsTheProject()
    {
        QVERIFY(openNovel());
        tree->m_strTemplatePath = dir.filePath(QStringLiteral("no-template.xml"));
        prompts->answer(PromptAnswer::Ok);
        frame->GetAction(ID_PROJECT_NEW)->trigger();
        QCOMPARE(prompts->texts(), QStringList{QStringLiteral("Failed in VellTreeView::MakeNewProject")});
        QCOMPARE(TopItemCount(tree), 3);
        QCOMPARE(tree->ProjectPath(), dir.filePath(QStringLiteral("novel.xml")));
    }

    void changeTitle_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<bool>("changed");
        QTest::newRow("new title") << QStringLiteral("長編") << true << true;
        QTest::newRow("emptied") << QString() << true << false;
        QTest::newRow("cancelled") << QStringLiteral("長編") << false << false;
    }
    void changeTitle()
    {
        QFETCH(QString, typed);
        QFETCH(bool, accepted);
        QFETCH(bool, changed);
        QVERIFY(openNovel());
        QString shownTitle;
        prompts->answerDialog([&](QDialog& dlg) {
            auto* field = static_cast<CProjectTitleDlg&>(dlg).titleEdit();
            shownTitle = field->text();
            field->setText(typed);
            return accepted ? int(QDialog::Accepted) : int(QDialog::Rejected);
        });
        frame->GetAction(ID_PROJECT_TITLE)->trigger();
        QCOMPARE(prompts->shown[1].caption, QStringLiteral("プロジェクトタイトル取得"));
        QCOMPARE(shownTitle, QStringLiteral("小説"));
        const QString title = changed ? typed : QStringLiteral("小説");
        QCOMPARE(QString::fromStdString(tree->session().document().documentElement().firstAttribute().value()), title);
        QCOMPARE(tree->m_strProjectTitle, title);
        QCOMPARE(frame->windowTitle(), title + QStringLiteral(" - Penwick - [  ]"));
        QCOMPARE(frame->IsProjectModified(), changed);
    }

    void saveFaultsLeaveTheFileAndTheStates_data()
    {
        QTest::addColumn<int>("fault");
        QTest::newRow("short write") << int(FaultyOps::ShortWrite);
        QTest::newRow("no space") << int(FaultyOps::NoSpace);
        QTest::newRow("sync fails") << int(FaultyOps::SyncFails);
        QTest::newRow("rename fails") << int(FaultyOps::RenameFails);
    }
    void saveFaultsLeaveTheFileAndTheStates()
    {
        QFETCH(int, fault);
        QVERIFY(openNovel());
        select(TopItem(tree, 0));
        QTest::keyClicks(edit->control(), QStringLiteral("new words"));
        FaultyOps ops{static_cast<FaultyOps::Fault>(fault)};
        const int files = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size();
        tree->SetFileOps(&ops);
        prompts->answer(PromptAnswer::Ok);
        frame->GetAction(ID_PROJECT_SAVE)->trigger();
        tree->SetFileOps(&penwick::FileOps::system());

        QCOMPARE(readFile(tree->ProjectPath()), QByteArray(kNovel));
        QCOMPARE(prompts->messages().size(), 1);
        QVERIFY(!prompts->messages()[0].text.isEmpty());
        QVERIFY(frame->IsProjectModified());
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), files);  // no temporary left

        // Closing still asks, and a save that works then keeps the words.
        prompts->answer(PromptAnswer::Yes);
        QVERIFY(frame->close());
        QVERIFY(readFile(tree->ProjectPath()).contains("new words"));
    }

    void changedOnDiskAsksBeforeOverwriting()
    {
        QVERIFY(openNovel());
        const QString path = tree->ProjectPath();
        writeFile(QStringLiteral("novel.xml"), QByteArray(kNovel).replace("小説", "他人の変更"));
        frame->session().setModified(true);
        prompts->answer(PromptAnswer::No);
        frame->GetAction(ID_PROJECT_SAVE)->trigger();
        QVERIFY(readFile(path).contains("他人の変更"));
        QVERIFY(frame->IsProjectModified());
        QVERIFY(prompts->messages()[0].text.contains(QStringLiteral("novel.xml")));

        prompts->answer(PromptAnswer::Yes);
        frame->GetAction(ID_PROJECT_SAVE)->trigger();
        QVERIFY(!readFile(path).contains("他人の変更"));
        frame->GetAction(ID_PROJECT_SAVE)->trigger();  // our own save is no change
        QCOMPARE(prompts->messages().size(), 2);
    }

    void editSwitchSaveReopen()
    {
        QVERIFY(openNovel());
        select(ChildItem(TopItem(tree, 1), 0));
        edit->setPlainText(QStringLiteral("書き直した\n段落"));
        edit->setModified(true);
        select(TopItem(tree, 0));
        prompts->answerPath(dir.filePath(QStringLiteral("again")));
        frame->GetAction(ID_PROJECT_SAVEAS)->trigger();
        QCOMPARE(tree->ProjectPath(), dir.filePath(QStringLiteral("again.xml")));
        QCOMPARE(frame->windowTitle(), QStringLiteral("小説 - Penwick - [ 第一章 ]"));
        QVERIFY(frame->close());

        QVERIFY(start({QStringLiteral("--project"), dir.filePath(QStringLiteral("again.xml"))}));
        QCOMPARE(TopItemCount(tree), 3);
        QCOMPARE(Title(ChildItem(TopItem(tree, 1), 0)), QStringLiteral("二の一"));
        select(ChildItem(TopItem(tree, 1), 0));
        QCOMPARE(edit->toPlainText(), QStringLiteral("書き直した\n段落"));
    }
};

QTEST_MAIN(TestProjectCommands)
#include "tst_projectcommands.moc"
