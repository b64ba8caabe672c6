// SPDX-License-Identifier: GPL-3.0-or-later
// The crash test's Penwick: the application exactly as main() starts it, which then types
// a text into the first node as key presses (the normal editing path) and runs until it
// is killed.
//   typing_penwick TEXT [penwick arguments...]
#include "CVellApp.h"
#include "TypeIntoFirstNode.h"

#include <QApplication>
#include <QTimer>

int main(int argc, char* argv[])
{
    QApplication qapp(argc, argv);
    QStringList arguments = QCoreApplication::arguments().mid(1);
    if (arguments.isEmpty())
        return 2;
    const QString typed = arguments.takeFirst();
    CVellApp app;
    if (!app.InitInstance(arguments))
        return 1;
    QTimer::singleShot(0, &qapp, [&app, typed] { TypeIntoFirstNode(app.GetMainWnd(), typed); });
    return qapp.exec();
}
