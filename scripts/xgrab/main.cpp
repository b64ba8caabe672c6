// SPDX-License-Identifier: GPL-3.0-or-later
// xgrab --pid PID --out FILE.png [--windows N] [--timeout SECONDS]
// Waits until process PID shows its main window (and, with --windows, at least N windows:
// the main window and a dialog), then saves what the screen shows over the main window. Exit status 1 when
// the window does not appear in time. Run with QT_QPA_PLATFORM=xcb on the X display to grab.
#include "X11WindowGrab.h"

#include <QCommandLineParser>
#include <QGuiApplication>
#include <QTimer>

#include <cstdio>

int main(int argc, char* argv[])
{
    QGuiApplication app(argc, argv);
    QCommandLineParser args;
    args.addOption({"pid", "Process whose window to grab.", "PID"});
    args.addOption({"out", "PNG file to write.", "FILE"});
    args.addOption({"windows", "Wait for at least N windows (default 1).", "N", "1"});
    args.addOption({"timeout", "Seconds to wait (default 20).", "SECONDS", "20"});
    args.process(app);
    const qint64 pid = args.value("pid").toLongLong();
    const QString out = args.value("out");
    if (pid <= 0 || out.isEmpty()) {
        std::fprintf(stderr, "usage: xgrab --pid PID --out FILE.png [--windows N]\n");
        return 2;
    }
    const int windows = args.value("windows").toInt();
    int triesLeft = args.value("timeout").toInt() * 10;
    int status = 1;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        const QRect area = X11WindowGrab::mainWindowOf(pid);
        if (!area.isEmpty() && X11WindowGrab::windowCount(pid) >= windows) {
            status = X11WindowGrab::grab(area).save(out) ? 0 : 1;
            if (status != 0)
                std::fprintf(stderr, "xgrab: cannot write %s\n", qPrintable(out));
            app.quit();
        } else if (--triesLeft <= 0) {
            std::fprintf(stderr, "xgrab: process %lld shows no such window in time\n", pid);
            app.quit();
        }
    });
    poll.start(100);
    app.exec();
    return status;
}
