// SPDX-License-Identifier: GPL-3.0-or-later
// Installs the current build into a temporary prefix, starts the installed penwick on the
// sample project under an X server (Xvfb, see CMakeLists.txt) and checks from a screenshot
// that the editor drew the first chapter in vertical lines. This is the one test that sees
// what the install rules, the RPATH and the real X11 platform plugin do together.
#include "VerticalInk.h"
#include "X11WindowGrab.h"
#include "XcbTest.h"

#include <QGuiApplication>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

namespace {

// The middle of the second band of rows with ink in area, top down; null when there is none.
QPoint secondInkBand(const QImage& picture, const QRect& area)
{
    const QRect r = area.intersected(picture.rect());
    int band = 0, top = -1, left = r.right(), right = r.left();
    bool inBand = false;
    for (int y = r.top(); y <= r.bottom(); ++y) {
        int first = -1, last = -1;
        for (int x = r.left(); x <= r.right(); ++x) {
            if (qGray(picture.pixel(x, y)) < 110) {
                if (first < 0)
                    first = x;
                last = x;
            }
        }
        if (first >= 0 && !inBand) {
            inBand = true;
            ++band;
            top = y;
        }
        if (first >= 0 && band == 2) {
            left = qMin(left, first);
            right = qMax(right, last);
        }
        if (first < 0 && inBand) {
            inBand = false;
            if (band == 2)
                return QPoint((left + right) / 2, (top + y) / 2);
        }
    }
    return {};
}

} // namespace

class InstalledApp : public QObject {
    Q_OBJECT
private slots:
    void readsScreenshots_data();
    void readsScreenshots();
    void cleanupTestCase();
    void opensSampleInVerticalWriting();

private:
    QTemporaryDir m_prefix;
    QTemporaryDir m_home;   // settings and backups of the run stay out of the user's folders
    QProcess m_app;
};

// The reading of a screenshot, on pictures whose writing direction is known.
void InstalledApp::readsScreenshots_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<bool>("vertical");
    QTest::newRow("vertical editor") << "editor-vertical.png" << true;
    QTest::newRow("horizontal text") << "horizontal.png" << false;
    QTest::newRow("empty editor") << "empty.png" << false;
}

void InstalledApp::readsScreenshots()
{
    QFETCH(QString, file);
    QFETCH(bool, vertical);
    const QImage picture(QStringLiteral(PENWICK_TEST_DATA "/") + file);
    QVERIFY(!picture.isNull());
    QCOMPARE(showsVerticalWriting(picture), vertical);
}

void InstalledApp::opensSampleInVerticalWriting()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        QSKIP("needs an X server: run through xvfb-run (ctest does)");
    QVERIFY(m_prefix.isValid() && m_home.isValid());
    QProcess install;
    install.setProcessChannelMode(QProcess::MergedChannels);
    install.start(QStringLiteral(CMAKE_COMMAND),
                  {"--install", QStringLiteral(PENWICK_BUILD_DIR), "--prefix", m_prefix.path()});
    QVERIFY(install.waitForFinished(120000));
    QVERIFY2(install.exitStatus() == QProcess::NormalExit && install.exitCode() == 0,
             install.readAll().constData());

    const QString exe = m_prefix.filePath("bin/penwick");
    QVERIFY2(QFile::exists(exe), "the install put no bin/penwick");
    QVERIFY(QFile::exists(m_prefix.filePath("share/penwick/default.xml")));

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_CONFIG_HOME", m_home.filePath("config"));
    env.insert("XDG_DATA_HOME", m_home.filePath("data"));
    env.insert("XDG_CACHE_HOME", m_home.filePath("cache"));
    env.remove("LD_LIBRARY_PATH");   // the installed RPATH alone must find libpenwick_counter
    m_app.setProcessEnvironment(env);
    m_app.setProcessChannelMode(QProcess::ForwardedChannels);
    // A copy, so that whatever the application writes beside or into its project (a lock,
    // a save) stays out of the source tree.
    const QString sample = m_home.filePath("sample.xml");
    QVERIFY(QFile::copy(QStringLiteral(PENWICK_SAMPLE), sample));
    m_app.start(exe, {"--project", sample});
    QVERIFY2(m_app.waitForStarted(), qPrintable(m_app.errorString()));

    QRect window;
    QTRY_VERIFY_WITH_TIMEOUT(
        m_app.state() == QProcess::Running
            && !(window = X11WindowGrab::mainWindowOf(m_app.processId())).isEmpty(), 20000);

    // Opening a project selects no node, so the editor starts empty: click the first
    // chapter in the outline (the left pane). Its row is the second band of ink from the
    // top of the window's left edge, below the menu bar's captions.
    QImage shot;
    QPoint firstNode;
    auto outlineShown = [&] {
        shot = X11WindowGrab::grab(window);
        firstNode = secondInkBand(shot, QRect(0, 0, window.width() / 6, window.height() / 2));
        return !firstNode.isNull();
    };
    QTRY_VERIFY_WITH_TIMEOUT(m_app.state() == QProcess::Running && outlineShown(), 20000);
    QVERIFY(X11WindowGrab::click(m_app.processId(), firstNode));

    QList<InkColumn> columns;
    auto drawnVertically = [&] {
        shot = X11WindowGrab::grab(window);
        return showsVerticalWriting(shot, &columns);
    };
    // Kept for a look when the check fails: build folder, install_xvfb.png.
    const auto keepShot = qScopeGuard([&] {
        shot.save(QStringLiteral(PENWICK_BUILD_DIR "/install_xvfb.png"));
        for (const InkColumn& c : columns)
            qDebug("ink column x %d-%d, y %d-%d", c.left, c.right, c.top, c.bottom);
    });
    QTRY_VERIFY_WITH_TIMEOUT(m_app.state() == QProcess::Running && drawnVertically(), 15000);
}

void InstalledApp::cleanupTestCase()
{
    XcbTest::End(m_app);
}

PENWICK_XCB_TEST_MAIN(InstalledApp)

#include "tst_install_xvfb.moc"
