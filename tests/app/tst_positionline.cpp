// SPDX-License-Identifier: GPL-3.0-or-later
// The position line in the window: hidden with no status bar at first, Ctrl+Shift+P and
// back, remembered; the caret's sheet, line and cell as typing, caret moves, node changes
// and outline commands change them; a node outside the export; Ctrl+G to a sheet.
#include "AppSettings.h"
#include "AppHarness.h"
#include "CVellEditView.h"
#include "CommandIds.h"
#include "GoToSheetDialog.h"
#include "OutlineItems.h"
#include "PositionLine.h"
#include "TargetsDialog.h"
#include "VellTreeView.h"
#include "WritingGoals.h"

#include <QLineEdit>
#include <QSettings>
#include <QSpinBox>
#include <QStatusBar>
#include <QTest>

namespace {

// 20×20 sheets. A: 26 paragraphs of 20 あ, then 30 か (lines 1-28); its paragraph node P1
// "いいい" after an empty line (line 30); B is not exported, but its text element's line
// break is there. 31 lines: 1.6 sheets.
QByteArray Project()
{
    QByteArray a;
    for (int i = 0; i < 26; ++i)
        a += QString(20, QChar(0x3042)).toUtf8() + "\r\n";
    a += QString(30, QChar(0x304B)).toUtf8();
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?><project title=\"位置\">"
           "<chapter title=\"A\" textout=\"yes\" type=\"Basic\"><text>" + a + "</text>"
           "<paragraph title=\"P1\" textout=\"yes\" type=\"Basic\"><text>いいい</text></paragraph></chapter>"
           "<chapter title=\"B\" textout=\"no\" type=\"Basic\"><text>秘密</text></chapter></project>";
}

}  // namespace

class TestPositionLine : public QObject, private AppHarness {
    Q_OBJECT

    QString line() const { return frame->GetPositionLine()->text(); }

    void select(const QModelIndex& item)
    {
        tree->setCurrentIndex(item);
        QTRY_COMPARE(VellTreeView::NodeOf(tree->m_hSelectedItem), VellTreeView::NodeOf(item));
    }

private slots:
    void init()
    {
        QSettings(AppSettings::Path(), QSettings::IniFormat).remove(QStringLiteral("window/positionLine"));
        QFile::remove(dir.filePath(QStringLiteral("p.xml.targets")));
        QVERIFY(start({QStringLiteral("--project"), writeFile(QStringLiteral("p.xml"), Project())}));
        QVERIFY(QTest::qWaitForWindowExposed(frame));
    }
    void cleanup()
    {
        QCOMPARE(prompts->unexpectedCount(), 0);
        QVERIFY(prompts->allAnswered());
        app.reset();
    }

    void hiddenUntilAskedForAndRemembered()
    {
        QVERIFY(!frame->findChild<QStatusBar*>());
        QVERIFY(!frame->IsPositionLineShown());
        frame->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(frame));
        QTest::keyClick(frame, Qt::Key_P, Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY(frame->IsPositionLineShown());
        QVERIFY(frame->GetPositionLine()->isVisible());
        QTest::keyClick(frame, Qt::Key_P, Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY(!frame->IsPositionLineShown());
        QTest::keyClick(frame, Qt::Key_P, Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY(frame->close());
        QVERIFY(AppSettings::Window().positionLine);
        app.reset();
        QVERIFY(start());
        QVERIFY(frame->IsPositionLineShown());
    }

    void followsTheCaretTheTextAndTheOutline()
    {
        frame->SetPositionLineShown(true);
        select(TopItem(tree, 0));
        edit->setSelection(546 + 25, 546 + 25);   // in か, the 26th character
        QTRY_COMPARE(line(), QStringLiteral("2枚目 8行 6字　この節 1.4枚 550字 · 全体 1.6枚 553字"));

        // Typing: the caret moves on, the figures grow.
        QTest::keyClick(edit->control(), Qt::Key_A);
        QTRY_COMPARE(line(), QStringLiteral("2枚目 8行 7字　この節 1.4枚 551字 · 全体 1.6枚 554字"));
        edit->setSelection(0, 5);
        QTRY_VERIFY(line().endsWith(QStringLiteral(" · 選択 5字")));
        QVERIFY(line().startsWith(QStringLiteral("1枚目 1行 1字")));

        // Another node: the paragraph after A's text and an empty line.
        select(ChildItem(TopItem(tree, 0), 0));
        QTRY_VERIFY(line().startsWith(QStringLiteral("2枚目 10行 1字　この節 0.1枚 3字")));
        // A node outside the export: its own figures.
        select(TopItem(tree, 1));
        QTRY_COMPARE(line(), QStringLiteral("（書き出し対象外）1枚目 1行 1字　この節 0.1枚 2字 · 全体 1.6枚 554字"));

        // An outline command: P1 removed, its three characters gone from the whole.
        select(ChildItem(TopItem(tree, 0), 0));
        tree->RunCommand(ID_TREE_DELETE);
        QTRY_VERIFY(line().endsWith(QStringLiteral("枚 551字")));
    }

    // The project's target, beside it, shows its progress; a save records the day's writing.
    void showsTheTargetAndRecordsTheDay()
    {
        const std::string project = dir.filePath(QStringLiteral("p.xml")).toStdString();
        std::string error;
        QVERIFY(penwick::WriteTargets(project, {penwick::ParseTarget("1000字"), std::nullopt, {}}, &error));
        frame->ReloadTargets();
        frame->SetPositionLineShown(true);
        select(TopItem(tree, 0));
        QTRY_VERIFY(line().endsWith(QStringLiteral("　553 / 1000字 · 残り 447字")));

        const std::size_t before = penwick::ReadHistory(project).size();
        QTest::keyClick(edit->control(), Qt::Key_A);
        QVERIFY(frame->RouteCommand(ID_PROJECT_SAVE));
        const std::vector<penwick::HistoryRecord> history = penwick::ReadHistory(project);
        QCOMPARE(history.size(), before + 1);
        QCOMPARE(history.back().chars, std::int64_t(554));
    }

    // Ctrl+Shift+T: the project's and the selected node's targets, beside the project; the
    // node's bar in the outline, green once reached; a target not understood writes nothing.
    void targetsFromTheDialogAndTheirBars()
    {
        const QString project = dir.filePath(QStringLiteral("p.xml"));
        select(TopItem(tree, 0));
        frame->GetTreeView()->session().setModified(true);
        QVERIFY(frame->RouteCommand(ID_PROJECT_SAVE));
        const QByteArray saved = readFile(project);
        prompts->answerDialog([](QDialog& dialog) {
            auto& targets = static_cast<TargetsDialog&>(dialog);
            if (!targets.nodeField()->isEnabled() || !targets.projectField()->text().isEmpty())
                return int(QDialog::Rejected);
            targets.projectField()->setText(QStringLiteral("1000字"));
            targets.deadlineField()->setText(QStringLiteral("2999-01-01"));
            targets.nodeField()->setText(QStringLiteral("1枚"));
            return int(QDialog::Accepted);
        });
        frame->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(frame));
        QTest::keyClick(frame, Qt::Key_T, Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY(prompts->allAnswered());
        const penwick::ProjectTargets written = penwick::ReadTargets(project.toStdString());
        QVERIFY(written.project && penwick::FindNodeTarget(written, "A"));
        QCOMPARE(penwick::FormatTarget(*written.project), std::string("1000字"));
        QCOMPARE(penwick::FormatTarget(*penwick::FindNodeTarget(written, "A")), std::string("1枚"));
        // The project file is not touched by its targets, saved again or reopened.
        frame->GetTreeView()->session().setModified(true);
        QVERIFY(frame->RouteCommand(ID_PROJECT_SAVE));
        QCOMPARE(readFile(project), saved);
        // A's bar: reached (28 lines is more than a sheet), so green along its foot.
        const QRect row = tree->visualRect(TopItem(tree, 0));
        const QImage picture = tree->viewport()->grab().toImage();
        QCOMPARE(picture.pixelColor(row.left() + 10, row.bottom() - 1), QColor(0x3a, 0x9a, 0x4a));
        const QRect other = tree->visualRect(TopItem(tree, 1));
        QVERIFY(picture.pixelColor(other.left() + 10, other.bottom() - 1) != QColor(0x3a, 0x9a, 0x4a));

        prompts->answerDialog([](QDialog& dialog) {
            static_cast<TargetsDialog&>(dialog).projectField()->setText(QStringLiteral("百字"));
            return int(QDialog::Accepted);
        });
        prompts->answer(PromptAnswer::Ok);
        frame->SetTargets();
        QCOMPARE(penwick::FormatTarget(*penwick::ReadTargets(project.toStdString()).project), std::string("1000字"));
    }

    void goesToASheet()
    {
        select(TopItem(tree, 1));   // from a node outside the export
        prompts->answerDialog([](QDialog& dialog) {
            auto& go = static_cast<GoToSheetDialog&>(dialog);
            if (go.field()->maximum() != 2 || go.field()->value() != 1)
                return int(QDialog::Rejected);
            go.field()->setValue(2);
            return int(QDialog::Accepted);
        });
        frame->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(frame));
        tree->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_G, Qt::ControlModifier);
        QTRY_COMPARE(VellTreeView::NodeOf(tree->m_hSelectedItem), VellTreeView::NodeOf(TopItem(tree, 0)));
        int start = 0, end = 0;
        edit->selection(&start, &end);
        QCOMPARE(start, 20 * 21);   // the 21st paragraph: sheet 2 begins there
        QCOMPARE(end, start);
        QVERIFY(edit->control()->hasFocus());
        frame->SetPositionLineShown(true);
        QTRY_VERIFY(line().startsWith(QStringLiteral("2枚目 1行 1字")));
    }
};

QTEST_MAIN(TestPositionLine)
#include "tst_positionline.moc"
