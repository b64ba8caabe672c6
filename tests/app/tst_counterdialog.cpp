// SPDX-License-Identifier: GPL-3.0-or-later
// The manuscript-paper counter in the real main window: the report laid out per chapter,
// the saves it makes, the field validation, the real-time lines on Enter and the one
// dialog the editor holds. Figures come from the counting library, tested on its own.
#include "CMainFrame.h"
#include "CManuscriptCounterDlg.h"
#include "CVellApp.h"
#include "CVellEditView.h"
#include "CommandIds.h"
#include "CounterReport.h"
#include "AppHarness.h"
#include "ScriptedPrompts.h"
#include "OutlineItems.h"
#include "VellTreeView.h"

#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

#include <memory>

namespace {

const char kThree[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
    "<project title=\"三章\">"
    "<chapter title=\"一\" textout=\"yes\" type=\"Basic\"><text>あいうえお。</text></chapter>"
    "<chapter title=\"二\" textout=\"yes\" type=\"Basic\"><text/></chapter>"
    "<chapter title=\"三\" textout=\"yes\" type=\"Basic\"><text>かきくけこさしすせそたちつてとなにぬねのはひふへほ</text></chapter>"
    "</project>";

QString Figures(const std::string& text, int v = 20, int h = 20)
{
    penwick::CountSettings s;
    s.vertical = v;
    s.horizontal = h;
    return QString::fromStdString(penwick::FormatCount(penwick::CountOneText(text, s)));
}

// The report the counter must show for kThree with the first chapter's own text given.
// Each chapter's text ends with the line feed its text element stands for.
QString Report(const std::string& ownFirst, int v = 20, int h = 20)
{
    const std::string first = ownFirst + "\n", second = "\n",
                      third = "かきくけこさしすせそたちつてとなにぬねのはひふへほ\n";
    return QStringLiteral("Chapter[1] \t %1\r\nChapter[2] \t %2\r\nChapter[3] \t %3\r\n\r\n総計 \t \t %4\r\n")
        .arg(Figures(first, v, h), Figures(second, v, h), Figures(third, v, h),
             Figures(first + second + third, v, h));
}

}  // namespace

class TestCounterDialog : public QObject, private AppHarness {
    Q_OBJECT
private:
    QString projectPath;

    bool openThree()
    {
        QFile f(dir.filePath(QStringLiteral("three.xml")));
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return false;
        f.write(kThree);
        f.close();
        projectPath = f.fileName();
        prompts->answerPath(projectPath);
        frame->GetAction(ID_PROJECT_OPEN)->trigger();
        frame->SetActiveView(edit);
        return TopItemCount(tree) == 3;
    }
    CManuscriptCounterDlg* openCounter()
    {
        frame->RouteCommand(ID_COUNTER);
        return edit->m_pCounterDlg;
    }
    static QString BoxText(CManuscriptCounterDlg* dlg)
    {
        return dlg->m_editReport->toPlainText();
    }
    static QString AsShown(QString report) { return report.replace(QStringLiteral("\r\n"), QStringLiteral("\n")); }
    void releaseKey(Qt::Key key) { QTest::keyRelease(edit->control(), key); }

private slots:
    void init()
    {
        QVERIFY(start());
        QVERIFY(openThree());
    }
    void cleanup()
    {
        QCOMPARE(prompts->unexpectedCount(), 0);
        QVERIFY(prompts->allAnswered());
        app.reset();
    }

    void openingSavesAndReportsEachChapter()
    {
        tree->setCurrentIndex(TopItem(tree, 0));
        edit->setPlainText(QStringLiteral("いろは"));
        edit->setModified(true);
        CManuscriptCounterDlg* dlg = openCounter();
        QVERIFY(dlg);
        QCOMPARE(dlg->windowTitle(), QStringLiteral("原稿用紙カウンター"));
        QVERIFY(!dlg->isModal());
        QVERIFY(!(dlg->windowFlags() & Qt::WindowCloseButtonHint));
        QCOMPARE(dlg->m_nTemplateID, 138u);
        QVERIFY(dlg->updateButton()->isDefault());
        QVERIFY(dlg->m_editReport->isReadOnly());
        QCOMPARE(dlg->m_editReport->lineWrapMode(), QPlainTextEdit::NoWrap);
        QCOMPARE(dlg->verticalEdit()->text(), QStringLiteral("20"));
        QCOMPARE(dlg->horizontalEdit()->text(), QStringLiteral("20"));
        QCOMPARE(dlg->kinsokuEdit()->text(), QStringLiteral("、。「」『』　"));

        QCOMPARE(edit->m_strReport, Report("いろは"));
        QCOMPARE(BoxText(dlg), AsShown(Report("いろは")));
        QVERIFY(!edit->isModified());
        QVERIFY(!frame->IsProjectModified());
        QFile saved(projectPath);
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QVERIFY(saved.readAll().contains("いろは"));
    }

    // Counting an unchanged project writes nothing: the file (and so the backups) stay.
    void unchangedProjectIsNotSavedByCounting()
    {
        const auto inode = [&] {
            struct stat st;
            return ::stat(QFile::encodeName(projectPath).constData(), &st) == 0 ? st.st_ino : ino_t(0);
        };
        const ino_t before = inode();
        CManuscriptCounterDlg* dlg = openCounter();
        for (int i = 0; i < 3; ++i)
            QTest::mouseClick(dlg->updateButton(), Qt::LeftButton);
        QCOMPARE(inode(), before);
        QVERIFY(!edit->m_strReport.isEmpty());
        // A node's edit is a change: it is saved (an atomic save makes a new file).
        tree->setCurrentIndex(TopItem(tree, 0));
        QTest::keyClicks(edit->control(), QStringLiteral("x"));
        QTest::mouseClick(dlg->updateButton(), Qt::LeftButton);
        QVERIFY(inode() != before);
        QVERIFY(!edit->isModified());
    }

    void updateRecountsWithTheNewGrid()
    {
        CManuscriptCounterDlg* dlg = openCounter();
        dlg->verticalEdit()->setText(QStringLiteral("10"));
        QTest::mouseClick(dlg->updateButton(), Qt::LeftButton);
        QCOMPARE(dlg->m_nVertical, 10);
        QCOMPARE(edit->m_strReport, Report("あいうえお。", 10, 20));
        QCOMPARE(BoxText(dlg), AsShown(edit->m_strReport));
    }

    void badFieldsAreReported_data()
    {
        QTest::addColumn<QString>("vertical");
        QTest::addColumn<QString>("horizontal");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("nVertical");
        QTest::addColumn<int>("nHorizontal");
        QTest::addColumn<bool>("kinsokuRead");
        QTest::addColumn<bool>("focusOnVertical");
        QTest::addColumn<bool>("counted");
        const QString notNumber = QStringLiteral("整数を入力してください。");
        const QString range = QStringLiteral("1 から 500 までの整数を入力してください。");
        // Not a number: the previous value stays, the later fields are not read, the
        // count runs with what the members hold.
        QTest::newRow("縦 not a number") << "abc" << "7" << notNumber << 20 << 20 << false << true << true;
        QTest::newRow("縦 empty") << "" << "7" << notNumber << 20 << 20 << false << true << true;
        QTest::newRow("縦 too large for int") << "99999999999" << "7" << notNumber << 20 << 20 << false << true << true;
        // Out of range: taken all the same; above 500 still counts.
        QTest::newRow("縦 above 500") << "600" << "7" << range << 600 << 20 << false << true << true;
        QTest::newRow("横 zero") << "10" << "0" << range << 10 << 0 << true << false << false;
        QTest::newRow("縦 zero") << "0" << "7" << range << 0 << 20 << false << true << false;
    }
    void badFieldsAreReported()
    {
        QFETCH(QString, vertical);
        QFETCH(QString, horizontal);
        QFETCH(QString, message);
        QFETCH(int, nVertical);
        QFETCH(int, nHorizontal);
        QFETCH(bool, kinsokuRead);
        QFETCH(bool, focusOnVertical);
        QFETCH(bool, counted);
        CManuscriptCounterDlg* dlg = openCounter();
        const QString before = edit->m_strReport;
        prompts->clear();
        dlg->verticalEdit()->setText(vertical);
        dlg->kinsokuEdit()->setText(QStringLiteral("。"));
        dlg->horizontalEdit()->setText(horizontal);
        prompts->answer(PromptAnswer::Ok);
        dlg->OnCounterUpdate();
        QCOMPARE(prompts->texts(), QStringList{message});
        QCOMPARE(dlg->m_nVertical, nVertical);
        QCOMPARE(dlg->m_nHorizontal, nHorizontal);
        QCOMPARE(dlg->m_strKinsoku, kinsokuRead ? QStringLiteral("。") : QStringLiteral("、。「」『』　"));
        QCOMPARE(dlg->focusWidget(), focusOnVertical ? dlg->verticalEdit() : dlg->horizontalEdit());
        if (counted) {
            penwick::CountSettings s;
            s.vertical = nVertical;
            s.horizontal = nHorizontal;
            QVERIFY(edit->m_strReport.startsWith(
                QStringLiteral("Chapter[1] \t ") +
                QString::fromStdString(penwick::FormatCount(penwick::CountOneText("あいうえお。\n", s)))));
        } else {
            QCOMPARE(edit->m_strReport, before);
            QCOMPARE(BoxText(dlg), AsShown(before));
        }
    }

    void enterShowsTheRealTimeLines()
    {
        CManuscriptCounterDlg* dlg = openCounter();
        const QString report = edit->m_strReport;
        edit->setPlainText(QStringLiteral("一行目\n二行目"));
        releaseKey(Qt::Key_A);   // any other key leaves the box alone
        QCOMPARE(BoxText(dlg), AsShown(report));
        for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter}) {
            releaseKey(key);
            QCOMPARE(BoxText(dlg), AsShown(QStringLiteral("現在開いているページ（リアルタイム）\r\n \t ") +
                                           Figures("一行目\n二行目") + QStringLiteral("\r\n") + report));
        }
        QCOMPARE(edit->m_strReport, report);   // Enter does not recount the project
        dlg->OnCounterUpdate();                // a full count drops the real-time lines
        QCOMPARE(BoxText(dlg), AsShown(edit->m_strReport));
    }

    void enterAfterAZeroResetsTheGrid()
    {
        CManuscriptCounterDlg* dlg = openCounter();
        edit->setPlainText(QStringLiteral("あいう"));
        dlg->horizontalEdit()->setText(QStringLiteral("0"));
        prompts->answer(PromptAnswer::Ok);
        dlg->OnCounterUpdate();
        prompts->answer(PromptAnswer::Ok);
        releaseKey(Qt::Key_Return);
        QCOMPARE(prompts->texts().size(), 2);
        QCOMPARE(dlg->verticalEdit()->text(), QStringLiteral("20"));
        QCOMPARE(dlg->horizontalEdit()->text(), QStringLiteral("20"));
        QVERIFY(BoxText(dlg).startsWith(QStringLiteral("現在開いているページ（リアルタイム）\n \t ") + Figures("あいう") +
                                        QStringLiteral("\n")));
    }

    void closingThenReopeningStartsFresh_data()
    {
        QTest::addColumn<bool>("escape");
        QTest::newRow("終了") << false;
        QTest::newRow("Escape") << true;
    }
    void closingThenReopeningStartsFresh()
    {
        QFETCH(bool, escape);
        QPointer<CManuscriptCounterDlg> first = openCounter();
        first->verticalEdit()->setText(QStringLiteral("10"));
        first->kinsokuEdit()->setText(QStringLiteral("x"));
        first->OnCounterUpdate();
        if (escape)
            QTest::keyClick(first.data(), Qt::Key_Escape);
        else
            QTest::mouseClick(first->closeButton(), Qt::LeftButton);
        QVERIFY(!edit->m_pCounterDlg);
        QTRY_VERIFY(first.isNull());
        releaseKey(Qt::Key_Return);   // no dialog: nothing is counted, nothing breaks

        CManuscriptCounterDlg* second = openCounter();
        QVERIFY(second);
        QCOMPARE(second->m_nVertical, 20);
        QCOMPARE(second->m_nHorizontal, 20);
        QCOMPARE(second->m_strKinsoku, QStringLiteral("、。「」『』　"));
        QCOMPARE(second->verticalEdit()->text(), QStringLiteral("20"));
    }

    void secondCommandBringsTheOpenDialogForward()
    {
        CManuscriptCounterDlg* dlg = openCounter();
        dlg->hide();
        frame->SetActiveView(tree);   // the tree passes the command on to the editor
        QVERIFY(frame->RouteCommand(ID_COUNTER));
        QCOMPARE(edit->m_pCounterDlg, dlg);
        QVERIFY(dlg->isVisible());
        QCOMPARE(edit->findChildren<CManuscriptCounterDlg*>().size(), 1);
    }
};

QTEST_MAIN(TestCounterDialog)
#include "tst_counterdialog.moc"
