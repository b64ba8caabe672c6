// SPDX-License-Identifier: GPL-3.0-or-later
// A running Penwick seen from outside: its windows found by process and title, keys and
// clicks sent through the X server with xdotool, as a writer's keyboard and mouse would.
// Under Xvfb there is no window manager: a dialog that closes does not give the keyboard
// back to the main window, so every key is sent after focusing its window explicitly.
#pragma once

#include <QImage>
#include <QList>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QStringList>

#include <memory>

class XdoWindow {
public:
    explicit XdoWindow(qint64 pid) : m_pid(pid) {}

    // The visible window of the process whose title contains part (exactly: is part);
    // empty when none.
    QString find(const QString& part, bool exactly = false) const;
    // Focuses window, then presses each key (xdotool names: "ctrl+shift+s", "Escape").
    bool keys(const QString& window, const QStringList& keys) const;
    // Moves the pointer to pos (window coordinates) and clicks button (1 left, 3 right).
    bool click(const QString& window, const QPoint& pos, int button = 1) const;
    // Types text into window (focused first).
    bool type(const QString& window, const QString& text) const;

    // How many windows of the process are visible (menus included).
    int visibleWindows() const;

    // One xdotool call; its output, trimmed. ok, when given, says whether it succeeded.
    static QString run(const QStringList& args, bool* ok = nullptr);

private:
    qint64 m_pid;
};

// The vertical middles of the bands of rows with dark ink in area of a picture, top down
// (the rows of the outline, read off a screenshot).
QList<int> InkBands(const QImage& picture, const QRect& area);

// Saves the project with Ctrl+Shift+S in window and reads the file back once the save has
// replaced it (renamed a new file over it); empty when no save came within 5 s.
QString SaveAndRead(const XdoWindow& x, const QString& window, const QString& project);

// Starts Penwick on project with its settings and data in home/config and home/data (the
// user's own untouched) on the X server of the test; false when it would not start.
class QProcess;
bool StartPenwick(QProcess& app, const QString& exe, const QString& home, const QString& project);

// Starts Penwick on project (as StartPenwick) and waits for its main window, whose title
// holds title: *x drives it, *main is its xdotool id and *window its place on the screen.
// False, with the reason in *error, when it would not start or show within 30 s.
bool OpenPenwick(QProcess& app, const QString& exe, const QString& home, const QString& project, const QString& title,
                 std::unique_ptr<XdoWindow>* x, QString* main, QRect* window, QString* error);

// Writes a project of one chapter 第一章 holding text (UTF-8, CR LF as written) to
// home/name, the settings folder home/config/penwick beside it; the project's path.
QString WriteOneChapterProject(const QString& home, const QString& name, const QString& title, const QByteArray& text);

// Clicks the first chapter's row in the outline (the first ink band under the menu bar)
// and waits for the caption to name it; false after 10 s.
bool ChooseFirstChapter(const XdoWindow& x, const QString& main, const QRect& window);
