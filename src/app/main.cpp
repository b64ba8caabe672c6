// penwick [FILE] [--project PROJECT.xml] [--quit-after-show]
//   FILE               a text file to open in the editor
//   --project          a project to open at start
//   --quit-after-show  end as soon as the window is up (start-up checks)
#include "CVellApp.h"

#include <QApplication>
#include <QTimer>

int main(int argc, char* argv[])
{
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
