// SPDX-License-Identifier: GPL-3.0-or-later
// One link of the command route: the active view, the text document, the main frame and
// the application each implement this. The frame asks them in that order; the first that
// handles an identifier decides both its enabling and what running it does.
#pragma once

// What an update rule may change about a command before it is shown or run.
struct CommandUi {
    bool enabled = true;
};

class CommandTarget {
public:
    virtual ~CommandTarget() = default;

    virtual bool HandlesCommand(int id) const = 0;
    // Called before a menu shows the command and again right before it runs; the command
    // only runs when the rule leaves it enabled.
    virtual void UpdateCommand(int /*id*/, CommandUi& /*ui*/) {}
    virtual void RunCommand(int id) = 0;
};
