// SPDX-License-Identifier: GPL-3.0-or-later
#include "XdoWindow.h"

#include "X11WindowGrab.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>

#include <sys/stat.h>

QString XdoWindow::run(const QStringList& args, bool* ok)
{
    QProcess p;
    if (qEnvironmentVariableIsSet("XDO_TRACE"))
        qDebug("xdotool %s", qPrintable(args.join(QLatin1Char(' '))));
    p.start(QStringLiteral("xdotool"), args);
    const bool done = p.waitForFinished(10000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    if (!done)
        qWarning("xdotool %s: %s", qPrintable(args.join(QLatin1Char(' '))), p.readAllStandardError().constData());
    if (ok)
        *ok = done;
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

QString XdoWindow::find(const QString& part, bool exactly) const
{
    const QStringList ids = run({"search", "--onlyvisible", "--pid", QString::number(m_pid), "--name", "."})
                                .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (const QString& id : ids)
        if (const QString name = run({"getwindowname", id}); exactly ? name == part : name.contains(part))
            return id;
    return {};
}

int XdoWindow::visibleWindows() const
{
    return int(run({"search", "--onlyvisible", "--pid", QString::number(m_pid)}).split(QLatin1Char('\n'), Qt::SkipEmptyParts).size());
}

bool XdoWindow::keys(const QString& window, const QStringList& keys) const
{
    bool ok = false;
    run({"windowfocus", "--sync", window}, &ok);
    for (const QString& k : keys)
        if (ok)
            run({"key", "--clearmodifiers", "--delay", "40", k}, &ok);
    return ok;
}

bool XdoWindow::click(const QString& window, const QPoint& pos, int button) const
{
    bool ok = false;
    run({"windowfocus", "--sync", window}, &ok);
    if (ok)
        run({"mousemove", "--window", window, QString::number(pos.x()), QString::number(pos.y())}, &ok);
    if (ok)
        run({"click", QString::number(button)}, &ok);
    return ok;
}

bool XdoWindow::type(const QString& window, const QString& text) const
{
    bool ok = false;
    run({"windowfocus", "--sync", window}, &ok);
    if (ok)
        run({"type", "--delay", "40", text}, &ok);
    return ok;
}

QList<int> InkBands(const QImage& picture, const QRect& area)
{
    QList<int> bands;
    const QRect r = area.intersected(picture.rect());
    int top = -1;
    for (int y = r.top(); y <= r.bottom() + 1; ++y) {
        bool ink = false;
        for (int x = r.left(); x <= r.right() && y <= r.bottom() && !ink; ++x)
            ink = qGray(picture.pixel(x, y)) < 110;
        if (ink && top < 0)
            top = y;
        if (!ink && top >= 0) {
            bands << (top + y) / 2;
            top = -1;
        }
    }
    return bands;
}

QString SaveAndRead(const XdoWindow& x, const QString& window, const QString& project)
{
    const auto inode = [&] {
        struct stat st;
        return ::stat(QFile::encodeName(project).constData(), &st) == 0 ? st.st_ino : ino_t(0);
    };
    const ino_t before = inode();
    if (!x.keys(window, {"ctrl+shift+s"}) || !QTest::qWaitFor([&] { return inode() != before; }, 5000))
        return {};
    QFile f(project);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

bool StartPenwick(QProcess& app, const QString& exe, const QString& home, const QString& project)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_CONFIG_HOME", home + "/config");
    env.insert("XDG_DATA_HOME", home + "/data");
    env.remove("QT_QPA_PLATFORM");
    app.setProcessEnvironment(env);
    app.setProcessChannelMode(QProcess::ForwardedChannels);
    app.start(exe, {"--project", project});
    return app.waitForStarted();
}

bool OpenPenwick(QProcess& app, const QString& exe, const QString& home, const QString& project, const QString& title,
                 std::unique_ptr<XdoWindow>* x, QString* main, QRect* window, QString* error)
{
    if (!StartPenwick(app, exe, home, project)) {
        *error = app.errorString();
        return false;
    }
    *x = std::make_unique<XdoWindow>(app.processId());
    if (!QTest::qWaitFor([&] { return !(*main = (*x)->find(title)).isEmpty(); }, 20000)) {
        *error = QStringLiteral("no window titled %1").arg(title);
        return false;
    }
    if (!QTest::qWaitFor([&] { return !(*window = X11WindowGrab::mainWindowOf(app.processId())).isEmpty(); }, 10000)) {
        *error = QStringLiteral("the main window was not mapped");
        return false;
    }
    return true;
}

QString WriteOneChapterProject(const QString& home, const QString& name, const QString& title, const QByteArray& text)
{
    if (!QDir(home).mkpath("config/penwick"))
        return {};
    const QString path = home + '/' + name;
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return {};
    f.write("<?xml version=\"1.0\" encoding=\"UTF-8\"?><project title=\"" + title.toUtf8()
            + "\"><chapter title=\"第一章\" textout=\"yes\" type=\"Basic\"><text>" + text + "</text></chapter></project>");
    return f.error() == QFile::NoError ? path : QString();
}

bool ChooseFirstChapter(const XdoWindow& x, const QString& main, const QRect& window)
{
    QList<int> bands;
    if (!QTest::qWaitFor([&] {
            return (bands = InkBands(X11WindowGrab::grab(window), QRect(0, 0, 150, window.height() / 2))).size() >= 2;
        }, 10000))
        return false;
    return x.click(main, {60, bands[1]})
           && QTest::qWaitFor([&] { return !x.find(QStringLiteral("[ 第一章 ]")).isEmpty(); }, 5000);
}
