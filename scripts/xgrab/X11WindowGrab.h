// SPDX-License-Identifier: GPL-3.0-or-later
// Finds a program's window on an X server and photographs it, for the screenshot script and
// the installed-application test. Both run the application under Xvfb, where no window
// manager reparents windows: a top-level window is a direct child of the root window, and
// Qt marks it with the _NET_WM_PID of its process.
#pragma once

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QString>

namespace X11WindowGrab {

// The largest mapped top-level window of process pid, in root coordinates; empty when the
// process shows none yet (or the platform is not X11).
QRect mainWindowOf(qint64 pid);

// How many mapped top-level windows process pid shows (a dialog adds one; a menu does not).
int windowCount(qint64 pid);

// Clicks the left button at pos (window coordinates) in the main window of process pid,
// by events sent to the window: the application sees them as the X server's own, and no
// input extension or tool is needed.
bool click(qint64 pid, const QPoint& pos);

// What the screen shows in area: the window and whatever lies over it (a dialog).
QImage grab(const QRect& area);

} // namespace X11WindowGrab
