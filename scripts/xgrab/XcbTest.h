// SPDX-License-Identifier: GPL-3.0-or-later
// What the tests that run Penwick on an X server share: their main(), which picks the X11
// platform whatever QT_QPA_PLATFORM the suite sets (without a display the test starts
// offscreen only to report itself skipped), and the end of the program under test.
#pragma once

#include <QGuiApplication>
#include <QProcess>
#include <QTest>

namespace XcbTest {

inline void End(QProcess& app)
{
    if (app.state() != QProcess::NotRunning) {
        app.kill();
        app.waitForFinished(10000);
    }
}

}  // namespace XcbTest

#define PENWICK_XCB_TEST_MAIN(TestClass)                                                          \
    int main(int argc, char* argv[])                                                              \
    {                                                                                             \
        qputenv("QT_QPA_PLATFORM", qEnvironmentVariableIsEmpty("DISPLAY") ? "offscreen" : "xcb"); \
        QGuiApplication app(argc, argv);                                                          \
        TestClass test;                                                                           \
        QTEST_SET_MAIN_SOURCE_PATH                                                                \
        return QTest::qExec(&test, argc, argv);                                                   \
    }
