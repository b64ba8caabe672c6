// SPDX-License-Identifier: GPL-3.0-or-later
// The window as a writer uses it: Penwick started on a project under Xvfb, driven with keys
// and clicks through the X server, and judged by the project file it saves (Ctrl+Shift+S)
// and by its backups. Each step is one that lost a writer's work before:
// - a cancelled File > Open must not empty the node shown;
// - a right press acts on the node pressed, not on the one selected before;
// - a delete can be undone with the node's text;
// - a cut answered Esc cuts nothing, answered いいえ keeps the children;
// - pressing 更新 in the counter again and again writes nothing and makes no backup.
#include "X11WindowGrab.h"
#include "XcbTest.h"
#include "XdoWindow.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>


namespace {

const char kProject[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
    "<project title=\"黒箱\">"
    "<chapter title=\"第一章\" textout=\"yes\" type=\"Basic\"><text>一の本文</text></chapter>"
    "<chapter title=\"第二章\" textout=\"yes\" type=\"Basic\"><text>二の本文</text>"
    "<paragraph title=\"二の一\" textout=\"yes\" type=\"Basic\"><text>子の本文</text></paragraph></chapter>"
    "<chapter title=\"第三章\" textout=\"yes\" type=\"Basic\"><text>三の本文</text></chapter>"
    "</project>";

}  // namespace

class WindowUse : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cancelledOpenKeepsTheNodesText();
    void rightPressActsOnThePressedNodeAndDeleteUndoes();
    void cutKeepsWhatItDidNotTake();
    void countingAgainWritesNothing();
    void findGivesTheKeyboardBack();
    void dragPutsANodeUnderAnother();
    void cleanupTestCase();

private:
    QString saved();                     // saves with Ctrl+Shift+S; the file's text after
    QPoint row(const QString& title) const;
    bool contextCommand(const QString& title, const QString& accelerator);
    int backups() const;

    QTemporaryDir m_home;
    QString m_project;
    QProcess m_app;
    std::unique_ptr<XdoWindow> m_x;
    QString m_main;
    QMap<QString, int> m_rows;   // outline rows (as shown at start) by title: their y
    int m_rowX = 0;
};

void WindowUse::initTestCase()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        QSKIP("needs an X server: run through xvfb-run (ctest does)");
    QVERIFY(m_home.isValid());
    m_project = m_home.filePath("黒箱.xml");
    QFile f(m_project);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(kProject);
    f.close();
    QVERIFY2(StartPenwick(m_app, QStringLiteral(PENWICK_EXE), m_home.path(), m_project), qPrintable(m_app.errorString()));
    m_x = std::make_unique<XdoWindow>(m_app.processId());
    QTRY_VERIFY_WITH_TIMEOUT(!(m_main = m_x->find(QStringLiteral("黒箱 - Penwick"))).isEmpty(), 20000);

    // Nothing is selected after opening: every row shows as ink. The menu bar is the first band.
    QRect window;
    QTRY_VERIFY_WITH_TIMEOUT(!(window = X11WindowGrab::mainWindowOf(m_app.processId())).isEmpty(), 10000);
    QList<int> bands;
    QTRY_VERIFY_WITH_TIMEOUT(
        (bands = InkBands(X11WindowGrab::grab(window), QRect(0, 0, 150, window.height() / 2))).size() >= 5, 10000);
    const QStringList titles = {"第一章", "第二章", "二の一", "第三章"};
    for (int i = 0; i < titles.size(); ++i)
        m_rows[titles[i]] = bands[i + 1];
    m_rowX = 60;
}

QString WindowUse::saved()
{
    return SaveAndRead(*m_x, m_main, m_project);
}

QPoint WindowUse::row(const QString& title) const { return {m_rowX, m_rows.value(title)}; }

bool WindowUse::contextCommand(const QString& title, const QString& accelerator)
{
    const int shown = m_x->visibleWindows();
    if (!m_x->click(m_main, row(title), 3))
        return false;
    // The menu grabs the keyboard while it is open.
    if (!QTest::qWaitFor([&] { return m_x->visibleWindows() > shown; }, 5000))
        return false;
    bool ok = false;
    XdoWindow::run({"key", "--delay", "40", accelerator}, &ok);
    return ok;
}

int WindowUse::backups() const
{
    int n = 0;
    QDir root(m_home.filePath("data/penwick/backups"));
    for (const QString& folder : root.entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        n += QDir(root.filePath(folder)).entryList({"0*.xml"}, QDir::Files).size();
    return n;
}

// Typed into a node, then File > Open cancelled: the node still gets the text when another
// node is chosen, and no question comes.
void WindowUse::cancelledOpenKeepsTheNodesText()
{
    QVERIFY(m_x->click(m_main, row("第一章")));
    QTRY_VERIFY_WITH_TIMEOUT(!m_x->find(QStringLiteral("[ 第一章 ]")).isEmpty(), 5000);
    QVERIFY(m_x->keys(m_main, {"F6"}));   // to the editor
    QVERIFY(m_x->type(m_main, "abc"));
    QVERIFY(m_x->keys(m_main, {"ctrl+o"}));
    QString dialog;
    QTRY_VERIFY_WITH_TIMEOUT(!(dialog = m_x->find(QStringLiteral("開く"))).isEmpty()
                                 || !(dialog = m_x->find(QStringLiteral("Open"))).isEmpty(), 10000);
    QVERIFY(m_x->keys(dialog, {"Escape"}));
    QTRY_VERIFY_WITH_TIMEOUT(m_x->find(QStringLiteral("開く")).isEmpty() && m_x->find(QStringLiteral("Open")).isEmpty(), 5000);
    QVERIFY(m_x->click(m_main, row("第三章")));
    QTRY_VERIFY_WITH_TIMEOUT(!m_x->find(QStringLiteral("[ 第三章 ]")).isEmpty(), 5000);
    QVERIFY(m_x->find(QStringLiteral("Penwick"), true).isEmpty());   // no question box
    const QString file = saved();
    QVERIFY2(file.contains(QStringLiteral("abc一の本文")), qPrintable(file));
}

// 第一章 selected, 第三章 right-pressed, 削除 chosen: 第三章 goes. Ctrl+Z in the tree brings
// it back with its text.
void WindowUse::rightPressActsOnThePressedNodeAndDeleteUndoes()
{
    QVERIFY(m_x->click(m_main, row("第一章")));
    QTRY_VERIFY_WITH_TIMEOUT(!m_x->find(QStringLiteral("[ 第一章 ]")).isEmpty(), 5000);
    QVERIFY(contextCommand("第三章", "d"));
    QString file;
    file = saved();
    QVERIFY2(!file.isEmpty() && !file.contains(QStringLiteral("第三章")), qPrintable(file));
    QVERIFY(file.contains(QStringLiteral("第一章")));
    QVERIFY(m_x->keys(m_main, {"ctrl+z"}));
    file = saved();
    QVERIFY2(file.contains(QStringLiteral("三の本文")), qPrintable(file));
    QVERIFY(file.indexOf(QStringLiteral("第三章")) > file.indexOf(QStringLiteral("第二章")));
}

// Cut from the context menu: Esc at the question cuts nothing; いいえ cuts the chapter alone
// and leaves its paragraph in its place.
void WindowUse::cutKeepsWhatItDidNotTake()
{
    QVERIFY(contextCommand("第二章", "t"));
    QString question;
    QTRY_VERIFY_WITH_TIMEOUT(!(question = m_x->find(QStringLiteral("Penwick"), true)).isEmpty(), 5000);
    QVERIFY(m_x->keys(question, {"Escape"}));
    QTRY_VERIFY_WITH_TIMEOUT(m_x->find(QStringLiteral("Penwick"), true).isEmpty(), 5000);
    QString file = saved();
    QVERIFY2(file.contains(QStringLiteral("第二章")), qPrintable(file));
    QVERIFY(contextCommand("第二章", "t"));
    QTRY_VERIFY_WITH_TIMEOUT(!(question = m_x->find(QStringLiteral("Penwick"), true)).isEmpty(), 5000);
    QVERIFY(m_x->keys(question, {"n"}));   // いいえ(&N)
    QTRY_VERIFY_WITH_TIMEOUT(m_x->find(QStringLiteral("Penwick"), true).isEmpty(), 5000);
    file = saved();
    QVERIFY2(!file.isEmpty() && !file.contains(QStringLiteral("第二章")), qPrintable(file));
    QVERIFY2(file.contains(QStringLiteral("<paragraph title=\"二の一\" textout=\"yes\" type=\"Basic\"><text>子の本文</text></paragraph>")),
             qPrintable(file));
}

// The counter saves only a changed project: ten presses of 更新 leave the file and the
// backups as they were.
void WindowUse::countingAgainWritesNothing()
{
    saved();
    const int before = backups();
    QVERIFY(before > 0);
    QVERIFY(m_x->keys(m_main, {"alt+o", "l"}));   // その他 > 原稿用紙カウンター
    QString counter;
    QTRY_VERIFY_WITH_TIMEOUT(!(counter = m_x->find(QStringLiteral("原稿用紙カウンター"))).isEmpty(), 5000);
    const QDateTime written = QFileInfo(m_project).lastModified();
    for (int i = 0; i < 10; ++i)
        QVERIFY(m_x->keys(counter, {"Return"}));
    // The window handles its events in order: once the Open dialog asked for after the
    // presses shows, the presses have been handled.
    QVERIFY(m_x->keys(m_main, {"ctrl+o"}));
    QString dialog;
    QTRY_VERIFY_WITH_TIMEOUT(!(dialog = m_x->find(QStringLiteral("開く"))).isEmpty()
                                 || !(dialog = m_x->find(QStringLiteral("Open"))).isEmpty(), 10000);
    QVERIFY(m_x->keys(dialog, {"Escape"}));
    QCOMPARE(backups(), before);
    QCOMPARE(QFileInfo(m_project).lastModified(), written);
}

// 次を検索 in the Find dialog selects what it found and hands the keyboard back to the
// editor in the main window: what is typed next, to whatever has the keyboard, replaces it.
void WindowUse::findGivesTheKeyboardBack()
{
    QVERIFY(m_x->click(m_main, row("第一章")));
    QTRY_VERIFY_WITH_TIMEOUT(!m_x->find(QStringLiteral("[ 第一章 ]")).isEmpty(), 5000);
    QVERIFY(m_x->keys(m_main, {"F6", "ctrl+Home", "ctrl+f"}));
    QString find;
    QTRY_VERIFY_WITH_TIMEOUT(!(find = m_x->find(QStringLiteral("検索"), true)).isEmpty(), 5000);
    QVERIFY(m_x->type(find, QStringLiteral("本文")));
    QVERIFY(m_x->keys(find, {"Return"}));
    QTRY_COMPARE_WITH_TIMEOUT(XdoWindow::run({"getwindowfocus"}), m_main, 5000);
    bool ok = false;
    XdoWindow::run({"type", "--delay", "40", "Q"}, &ok);   // no window named: the keyboard's owner
    QVERIFY(ok);
    QVERIFY(m_x->keys(find, {"Escape"}));
    const QString file = saved();
    QVERIFY2(file.contains(QStringLiteral("一のQ</text>")), qPrintable(file));
}

// A node dragged onto the middle of another becomes its last child, as a paragraph.
void WindowUse::dragPutsANodeUnderAnother()
{
    // The rows as they stand now (the cut above took 第二章 away): 第一章, 二の一, 第三章.
    const int first = m_rows["第一章"], third = first + 2 * (m_rows["第二章"] - first);
    const QString x = QString::number(m_rowX);
    bool ok = false;
    XdoWindow::run({"mousemove", "--window", m_main, x, QString::number(third), "mousedown", "1", "sleep", "0.3",
                    "mousemove", "--window", m_main, x, QString::number(third - 12), "sleep", "0.3",
                    "mousemove", "--window", m_main, x, QString::number((first + third) / 2), "sleep", "0.3",
                    "mousemove", "--window", m_main, x, QString::number(first), "sleep", "0.5", "mouseup", "1"},
                   &ok);
    QVERIFY(ok);
    const QString file = saved();
    const int chapter = file.indexOf(QStringLiteral("<chapter title=\"第一章\""));
    const int moved = file.indexOf(QStringLiteral("<paragraph title=\"第三章\""));
    QVERIFY2(chapter >= 0 && moved > chapter && file.indexOf(QStringLiteral("</chapter>"), chapter) > moved,
             qPrintable(file));
    QVERIFY(!file.contains(QStringLiteral("<chapter title=\"第三章\"")));
}

void WindowUse::cleanupTestCase()
{
    XcbTest::End(m_app);
}

PENWICK_XCB_TEST_MAIN(WindowUse)

#include "tst_window_xvfb.moc"
