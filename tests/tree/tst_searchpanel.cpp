// SPDX-License-Identifier: GPL-3.0-or-later
// The project search panel in the window: Ctrl+Shift+F, results in outline order with the
// edited text of the node on screen, results that follow the outline, and a chosen result
// shown in the outline and the editor.
#include "OutlineFixture.h"
#include "SearchPanel.h"

#include <QDockWidget>
#include <QListWidget>
#include <QTest>

namespace {

const char kNovel[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
    "<project title=\"小説\">"
    "<chapter title=\"第一章\" textout=\"yes\" type=\"Basic\"><text>猫がいた。</text>"
    "<paragraph title=\"一\" textout=\"yes\" type=\"Basic\"><text>犬と\r\n猫と鳥</text></paragraph></chapter>"
    "<chapter title=\"第二章\" textout=\"yes\" type=\"Basic\"><text>猫</text></chapter>"
    "</project>";

QStringList Rows(const SearchPanel* panel)
{
    QStringList rows;
    for (int i = 0; i < panel->results()->count(); ++i)
        rows << panel->results()->item(i)->text();
    return rows;
}

}  // namespace

class TestSearchPanel : public QObject {
    Q_OBJECT
private slots:
    void searchesTheWholeProject()
    {
        OutlineFixture f;
        QVERIFY(f.start());
        QVERIFY(f.open(kNovel));
        f.frame->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.frame));
        SearchPanel* panel = f.frame->GetSearchPanel();
        QVERIFY(!panel->isVisible());
        f.frame->activateWindow();
        QTest::keyClick(f.frame, Qt::Key_F, Qt::ControlModifier | Qt::ShiftModifier);
        QTRY_VERIFY(panel->isVisible());
        QTRY_VERIFY(panel->field()->hasFocus());

        // In outline order, each with its path, line and the line itself.
        panel->field()->setText(QStringLiteral("猫"));
        QTest::keyClick(panel->field(), Qt::Key_Return);
        QCOMPARE(Rows(panel), (QStringList{"第一章 (1)  猫がいた。", "第一章 › 一 (2)  猫と鳥", "第二章 (1)  猫"}));

        // The node on screen is searched in its edited text, stored or not.
        f.tree->setCurrentIndex(f.tree->ItemOf(panel->hits()[2].node));
        f.edit->setPlainText(QStringLiteral("鼠と猫"));
        f.edit->setModified(true);
        panel->refresh();
        QCOMPARE(Rows(panel).last(), QStringLiteral("第二章 (1)  鼠と猫"));

        // The outline changes: the results follow (第二章 goes under 第一章).
        f.tree->setFocus();
        QTest::keyClick(f.tree, Qt::Key_Right, Qt::AltModifier);
        QCOMPARE(Rows(panel).last(), QStringLiteral("第一章 › 第二章 (1)  鼠と猫"));

        // Enter on a result: its node in the outline, the occurrence selected in the editor.
        panel->results()->setFocus();
        panel->results()->setCurrentRow(1);
        QTest::keyClick(panel->results(), Qt::Key_Return);
        QCOMPARE(Title(f.tree->GetSelectedItem()), QStringLiteral("一"));
        int start = -1, end = -1;
        f.edit->selection(&start, &end);
        QCOMPARE(f.edit->toPlainText().mid(start, end - start), QStringLiteral("猫"));
        QCOMPARE(start, 3);   // 犬と, the line end, then 猫
    }
};

QTEST_MAIN(TestSearchPanel)
#include "tst_searchpanel.moc"
