// SPDX-License-Identifier: GPL-3.0-or-later
// The position line and Ctrl+G in the real window under Xvfb, driven through the X server:
// the line appears at the foot only when asked for, changes as the writer types, and
// Ctrl+G puts the caret where a sheet begins, which the saved project shows. The grid is
// a preset of the settings file: 5 cells by 2 lines, so that a few characters fill sheets.
#include "X11WindowGrab.h"
#include "XcbTest.h"
#include "XdoWindow.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>


class WindowPosition : public QObject {
    Q_OBJECT
    QTemporaryDir m_home;
    QString m_project;
    QProcess m_app;
    std::unique_ptr<XdoWindow> m_x;
    QString m_main;
    QRect m_window;

    // The foot of the window, where the position line goes.
    QImage foot() const
    {
        const QImage picture = X11WindowGrab::grab(m_window);
        return picture.copy(0, picture.height() - 24, picture.width(), 24);
    }
    // Text in the foot's left part, below the outline, where nothing is drawn but the line.
    static bool hasText(const QImage& foot) { return !InkBands(foot, QRect(10, 2, 170, foot.height() - 4)).isEmpty(); }

    QString saved() { return SaveAndRead(*m_x, m_main, m_project); }

private slots:
    void initTestCase()
    {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            QSKIP("needs an X server: run through xvfb-run (ctest does)");
        m_project = WriteOneChapterProject(m_home.path(), QStringLiteral("位置.xml"), QStringLiteral("位置"),
                                           QByteArrayLiteral("一二三四五六七八九十\r\nあいうえおかきくけこ"));
        QVERIFY(!m_project.isEmpty());
        QFile conf(m_home.filePath("config/penwick/penwick.conf"));
        QVERIFY(conf.open(QIODevice::WriteOnly));
        conf.write("[editor]\ngrid=tiny\n\n[grids]\ntiny=5x2\n");
        conf.close();
        QString error;
        QVERIFY2(OpenPenwick(m_app, QStringLiteral(PENWICK_EXE), m_home.path(), m_project, QStringLiteral("位置 - Penwick"), &m_x,
                             &m_main, &m_window, &error),
                 qPrintable(error));
    }

    void lineFollowsTypingAndGoToSheetMovesTheCaret()
    {
        QVERIFY(ChooseFirstChapter(*m_x, m_main, m_window));

        QVERIFY(!hasText(foot()));   // no status bar yet
        QVERIFY(m_x->keys(m_main, {"ctrl+shift+p"}));
        QTRY_VERIFY_WITH_TIMEOUT(hasText(foot()), 5000);
        const QImage before = foot();
        QVERIFY(m_x->keys(m_main, {"F6", "ctrl+Home", "Z"}));
        QTRY_VERIFY_WITH_TIMEOUT(foot() != before, 5000);   // 1字 -> 2字, 10字 -> 11字

        // Sheet 2 of 5×2 begins at the eleventh cell of the first paragraph, now 十.
        QVERIFY(m_x->keys(m_main, {"ctrl+g"}));
        QString go;
        QTRY_VERIFY_WITH_TIMEOUT(!(go = m_x->find(QStringLiteral("原稿用紙の移動"), true)).isEmpty(), 5000);
        QVERIFY(m_x->keys(go, {"ctrl+a"}));
        QVERIFY(m_x->type(go, QStringLiteral("2")));
        QVERIFY(m_x->keys(go, {"Return"}));
        QTRY_VERIFY_WITH_TIMEOUT(m_x->find(QStringLiteral("原稿用紙の移動"), true).isEmpty(), 5000);
        QVERIFY(m_x->keys(m_main, {"Y"}));
        const QString file = saved();
        QVERIFY2(file.contains(QStringLiteral("Z一二三四五六七八九Y十")), qPrintable(file));
    }

    void cleanupTestCase()
    {
        XcbTest::End(m_app);
    }
};

PENWICK_XCB_TEST_MAIN(WindowPosition)

#include "tst_window_position.moc"
