// SPDX-License-Identifier: GPL-3.0-or-later
// Proofreading in the window: F7 shows the 校正 panel with the project's findings in
// outline order and the editor's wavy marks; Enter selects a finding; a fix is one step of
// the editor's undo; the filter; marks follow typing without moving the caret; a kept form
// is written beside the project; hidden, the marks go.
#include "AppHarness.h"
#include "CVellEditView.h"
#include "CommandIds.h"
#include "OutlineItems.h"
#include "ProofreadKeeper.h"
#include "ProofreadPanel.h"
#include "VellTreeView.h"
#include "VerticalTextEdit.h"

#include <QComboBox>
#include <QDockWidget>
#include <QInputMethodEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

namespace {

QByteArray Project()
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?><project title=\"校正\">"
           "<chapter title=\"一\" textout=\"yes\" type=\"Basic\"><text>　朝が来た…\r\n「はい。」と彼は言った。</text>"
           "<paragraph title=\"一の一\" textout=\"yes\" type=\"Basic\"><text>　出来る事はある。</text></paragraph></chapter>"
           "<chapter title=\"二\" textout=\"yes\" type=\"Basic\"><text>　できる。できる。</text></chapter></project>";
}

}  // namespace

class TestProofreadPanel : public QObject, private AppHarness {
    Q_OBJECT

    ProofreadPanel* panel() const { return frame->GetProofreading()->panel(); }
    VerticalTextEdit* control() const { return qobject_cast<VerticalTextEdit*>(edit->control()); }
    QStringList rows() const
    {
        QStringList out;
        for (const penwick::ProofFinding& f : panel()->shown())
            out << QStringLiteral("%1:%2:%3 %4").arg(QString::fromStdString(f.path)).arg(f.line).arg(f.column).arg(
                       QString::fromStdString(f.lineText.substr(f.lineStart, f.lineLength)));
        return out;
    }
    QStringList marks() const
    {
        QStringList out;
        const QString text = edit->toPlainText();
        for (const VerticalTextEdit::WavyMark& m : control()->wavyMarks())
            out << text.mid(m.start, m.length);
        return out;
    }
    void select(const QModelIndex& item)
    {
        tree->setCurrentIndex(item);
        QTRY_COMPARE(VellTreeView::NodeOf(tree->m_hSelectedItem), VellTreeView::NodeOf(item));
    }

private slots:
    void init()
    {
        QFile::remove(dir.filePath(QStringLiteral("p.xml.proofread")));
        QVERIFY(start({QStringLiteral("--project"), writeFile(QStringLiteral("p.xml"), Project())}));
        QVERIFY(QTest::qWaitForWindowExposed(frame));
        frame->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(frame));
    }
    void cleanup()
    {
        QCOMPARE(prompts->unexpectedCount(), 0);
        QVERIFY(prompts->allAnswered());
        app.reset();
    }

    void f7ShowsTheFindingsAndEnterSelectsOne()
    {
        select(TopItem(tree, 0));
        QVERIFY(!frame->GetProofreading()->dock()->isVisible());
        QVERIFY(control()->wavyMarks().isEmpty());   // nothing is checked until the panel is asked for
        QTest::keyClick(frame, Qt::Key_F7);
        QVERIFY(frame->GetProofreading()->dock()->isVisible());
        QVERIFY(panel()->results()->hasFocus());
        QCOMPARE(rows(), (QStringList{"一:1:6 …", "一:2:4 。", "一 › 一の一:1:2 出来る"}));
        QCOMPARE(panel()->message()->text(), QStringLiteral("「…」は二つずつ続けて使います（……）"));
        // Each row carries its message on a line of its own.
        QCOMPARE(panel()->results()->item(1)->toolTip(), QStringLiteral("閉じ括弧の直前に句読点は付けません"));
        QVERIFY(panel()->results()->visualItemRect(panel()->results()->item(1)).height()
                >= 2 * panel()->results()->fontMetrics().height());
        // The editor's node carries its marks; the caret stays where it was.
        QCOMPARE(marks(), (QStringList{"…", "。"}));
        QCOMPARE(edit->toPlainText(), QStringLiteral("　朝が来た…\n「はい。」と彼は言った。"));

        // Enter on the third: its node in the editor, the word selected.
        panel()->results()->setCurrentRow(2);
        QTest::keyClick(panel()->results(), Qt::Key_Return);
        QTRY_COMPARE(VellTreeView::NodeOf(tree->m_hSelectedItem), VellTreeView::NodeOf(ChildItem(TopItem(tree, 0), 0)));
        int start = 0, end = 0;
        edit->selection(&start, &end);
        QCOMPARE(edit->toPlainText().mid(start, end - start), QStringLiteral("出来る"));
        QVERIFY(edit->control()->hasFocus());
        QCOMPARE(panel()->message()->text(),
                 QStringLiteral("表記ゆれ：「できる」2、「出来る」1（「出来る」一 › 一の一 1行）"));
        QTRY_COMPARE(marks(), QStringList{"出来る"});
        // In the node of the most used form, nothing: the list names a group once, at the
        // other form.
        select(TopItem(tree, 1));
        QTRY_VERIFY(marks().isEmpty());
    }

    void fixIsOneUndoStepAndFilterNarrowsTheList()
    {
        select(TopItem(tree, 0));
        QTest::keyClick(frame, Qt::Key_F7);
        QTRY_COMPARE(panel()->results()->count(), 3);
        panel()->filter()->setCurrentIndex(panel()->filter()->findText(QStringLiteral("…と―の数")));
        QCOMPARE(rows(), QStringList{"一:1:6 …"});
        QVERIFY(panel()->fixButton()->isEnabled());
        QVERIFY(!panel()->keepButton()->isEnabled());
        panel()->fixButton()->click();
        QCOMPARE(edit->toPlainText(), QStringLiteral("　朝が来た……\n「はい。」と彼は言った。"));
        QTRY_VERIFY(rows().isEmpty());
        QCOMPARE(marks(), QStringList{"。"});
        edit->RunCommand(ID_EDIT_UNDO);
        QCOMPARE(edit->toPlainText(), QStringLiteral("　朝が来た…\n「はい。」と彼は言った。"));
        QTRY_COMPARE(rows(), QStringList{"一:1:6 …"});
        panel()->filter()->setCurrentIndex(0);
        QCOMPARE(rows().size(), 3);
    }

    void marksFollowTypingAndGoWithThePanel()
    {
        select(TopItem(tree, 0));
        QTest::keyClick(frame, Qt::Key_F7);
        QTRY_COMPARE(marks(), (QStringList{"…", "。"}));
        edit->setSelection(0, 0);
        control()->setFocus();
        QInputMethodEvent typed;   // as an input method commits it
        typed.setCommitString(QStringLiteral("ｱ"));
        QApplication::sendEvent(control(), &typed);
        // The marks moved with their text at once, and the new finding came after a pause.
        QCOMPARE(marks().mid(0, 2), (QStringList{"…", "。"}));
        QTRY_COMPARE(marks(), (QStringList{"ｱ", "ｱ", "…", "。"}));   // not indented, half-width
        int start = 0, end = 0;
        edit->selection(&start, &end);
        QCOMPARE(start, 1);
        QCOMPARE(end, 1);
        QTRY_COMPARE(rows().first(), QStringLiteral("一:1:1 ｱ"));
        // F7 from the panel hides it; the marks go with it.
        panel()->results()->setFocus();
        QTest::keyClick(frame, Qt::Key_F7);
        QVERIFY(!frame->GetProofreading()->dock()->isVisible());
        QVERIFY(control()->wavyMarks().isEmpty());
    }

    void aKeptFormLeavesItsGroupAndIsWrittenBesideTheProject()
    {
        select(ChildItem(TopItem(tree, 0), 0));
        QTest::keyClick(frame, Qt::Key_F7);
        QTRY_COMPARE(rows().size(), 3);
        QCOMPARE(marks(), QStringList{"出来る"});
        panel()->results()->setCurrentRow(2);
        QVERIFY(panel()->keepButton()->isEnabled());
        panel()->keepButton()->click();
        QTRY_COMPARE(rows().size(), 2);
        QVERIFY(marks().isEmpty());
        QCOMPARE(readFile(dir.filePath(QStringLiteral("p.xml.proofread"))).split('\n').at(1), QByteArray("intended=出来る"));
    }
};

QTEST_MAIN(TestProofreadPanel)
#include "tst_proofreadpanel.moc"
