// SPDX-License-Identifier: GPL-3.0-or-later
// Proofreading in the real window under Xvfb, driven through the X server: F7 opens the 校正
// panel, a wavy mark appears beside the vertical column where the finding stands (and none
// before), and Enter on the panel's row puts the finding under the caret as a selection,
// which the next key replaces, as the saved project shows.
#include "X11WindowGrab.h"
#include "XcbTest.h"
#include "XdoWindow.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

// The bounding box of the mark's red in the right part of the window, where the editor is.
QRect RedIn(const QImage& picture)
{
    QRect box;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = picture.width() / 2; x < picture.width(); ++x) {
            const QColor c = picture.pixelColor(x, y);
            if (c.red() > 150 && c.green() < 110 && c.blue() < 110)
                box |= QRect(x, y, 1, 1);
        }
    return box;
}

// The dark ink in the editor's rightmost column: the text's first line.
QRect FirstColumnInk(const QImage& picture)
{
    QRect box;
    for (int x = picture.width() - 1; x >= picture.width() / 2; --x) {
        bool ink = false;
        for (int y = 40; y < picture.height() - 10; ++y)
            if (qGray(picture.pixel(x, y)) < 90) {
                box |= QRect(x, y, 1, 1);
                ink = true;
            }
        if (!ink && !box.isNull() && x < box.left() - 6)
            break;   // the gap before the next column
    }
    return box;
}

}  // namespace

class WindowProofread : public QObject {
    Q_OBJECT
    QTemporaryDir m_home;
    QString m_project;
    QProcess m_app;
    std::unique_ptr<XdoWindow> m_x;
    QString m_main;
    QRect m_window;

private slots:
    void initTestCase()
    {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            QSKIP("needs an X server: run through xvfb-run (ctest does)");
        m_project = WriteOneChapterProject(m_home.path(), QStringLiteral("校正.xml"), QStringLiteral("校正"),
                                           QByteArrayLiteral("　朝が来た…\r\n　雨が降る。"));
        QVERIFY(!m_project.isEmpty());
        QString error;
        QVERIFY2(OpenPenwick(m_app, QStringLiteral(PENWICK_EXE), m_home.path(), m_project, QStringLiteral("校正 - Penwick"), &m_x,
                             &m_main, &m_window, &error),
                 qPrintable(error));
    }

    void markBesideTheColumnAndEnterSelectsTheFinding()
    {
        QVERIFY(ChooseFirstChapter(*m_x, m_main, m_window));
        QRect column;
        QTRY_VERIFY_WITH_TIMEOUT(!(column = FirstColumnInk(X11WindowGrab::grab(m_window))).isNull(), 5000);
        QVERIFY(RedIn(X11WindowGrab::grab(m_window)).isNull());   // nothing checked yet

        QVERIFY(m_x->keys(m_main, {"F7"}));
        QRect red;
        QTRY_VERIFY_WITH_TIMEOUT(!(red = RedIn(X11WindowGrab::grab(m_window))).isNull(), 5000);
        // A wave running down the right side of the first column, by its last character (…).
        QTRY_VERIFY_WITH_TIMEOUT(!(column = FirstColumnInk(X11WindowGrab::grab(m_window))).isNull(), 5000);
        QVERIFY2(red.height() > 2 * red.width(), qPrintable(QStringLiteral("mark %1,%2 %3x%4").arg(red.x()).arg(red.y()).arg(red.width()).arg(red.height())));
        QVERIFY(red.left() >= column.right() - 2 && red.left() <= column.right() + 12);
        QVERIFY(red.top() > column.top() + column.height() / 2);   // … is the sixth of six cells
        QVERIFY(red.bottom() <= column.bottom() + 8);

        // The panel has the keyboard with its first row current: Enter selects the finding.
        QVERIFY(m_x->keys(m_main, {"Return", "X"}));
        const QString file = SaveAndRead(*m_x, m_main, m_project);
        QVERIFY2(file.contains(QStringLiteral("<text>　朝が来たX&#13;\n")), qPrintable(file));   // CR kept as a reference
    }

    void cleanupTestCase()
    {
        XcbTest::End(m_app);
    }
};

PENWICK_XCB_TEST_MAIN(WindowProofread)

#include "tst_window_proofread.moc"
