// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// How the editor looks: kept in the settings file's [editor] group, read at start.

#include <QString>

struct EditorSettings {
    QString fontFamily = QStringLiteral("Noto Serif CJK JP"); // a mincho
    qreal fontSize = 14;    // points, at zoom 100
    int zoom = 100;         // percent, as the writer left it (Ctrl+0 returns to 100)
    qreal columnGap = 0.75; // between columns (lines), in ems
    int tateChuYoko = 2;    // 縦中横 digits: 0 off, 2 to 4
    bool ruby = true;       // the ruby notation shown as ruby
};
