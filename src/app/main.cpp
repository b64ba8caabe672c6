// SPDX-License-Identifier: GPL-3.0-or-later
// penwick [FILE] [--project PROJECT.xml] [--quit-after-show] | --version | --help
//   FILE               a text file to open in the editor
//   --project          a project to open at start
//   --quit-after-show  end as soon as the window is up (start-up checks)
//   --version, --help  print and end, without a window (or a display)
#include "CVellApp.h"

#include <QApplication>
#include <QTimer>

#include <cstdio>
#include <cstring>

int main(int argc, char* argv[])
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::puts("penwick " PENWICK_VERSION);
            return 0;
        }
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::puts("usage: penwick [FILE] [--project PROJECT.xml]\n"
                      "       penwick --version | --help\n"
                      "  FILE       a text file to open in the editor\n"
                      "  --project  a project to open at start\n"
                      "See penwick(1).");
            return 0;
        }
    }
    // A project named on the command line is read while Qt and the window start.
    CVellApp::PreloadProject(argc, argv);
    QApplication qapp(argc, argv);
    QStringList arguments = QCoreApplication::arguments().mid(1);
    const bool quitAfterShow = arguments.removeAll(QStringLiteral("--quit-after-show")) > 0;

    CVellApp app;
    if (!app.InitInstance(arguments))
        return 1;
    if (quitAfterShow)
        QTimer::singleShot(0, &qapp, &QCoreApplication::quit);
    return qapp.exec();
}
