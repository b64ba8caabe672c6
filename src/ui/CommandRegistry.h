// SPDX-License-Identifier: GPL-3.0-or-later
// The one table of commands: identifier, menu caption and key sequences, and the QAction
// that stands for the command in menus and shortcuts. The main menu is laid out from it.
#pragma once

#include <QKeySequence>
#include <QList>
#include <QString>

#include <map>
#include <vector>

class QAction;
class QObject;

struct CommandInfo {
    int id;
    const char* caption;          // UTF-8 menu caption with its & mnemonic
    QList<QKeySequence> keys;     // the first is shown in the menu
};

// A top-level menu: its caption and its items in order; 0 stands for a separator.
struct MenuLayout {
    const char* caption;
    std::vector<int> items;
};

class CommandRegistry {
public:
    // Creates one action per command, owned by parent; triggering an action does nothing
    // until someone connects to it (the frame routes them).
    explicit CommandRegistry(QObject* parent);

    QAction* action(int id) const;           // null for an unknown identifier
    const std::map<int, QAction*>& actions() const { return m_actions; }

    static const std::vector<CommandInfo>& commands();
    static const CommandInfo* find(int id);
    static const std::vector<MenuLayout>& mainMenu();

private:
    std::map<int, QAction*> m_actions;
};
