// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <functional>

class FindReplaceDialog;
class FindTarget;

// What one notice asks for: the dialog's fields at the moment it was sent.
struct FindRequest {
    QString findWhat;
    QString replaceWith;
    unsigned flags = 0;
};

// Carries out the dialogs' notices on a FindTarget. It keeps no reference to any dialog; the
// only state it keeps is the last Find Next (text and options), for repeatLastFind().
//
// Messages go through the callback given at construction, so the application can show them
// through its prompt interface (caption Penwick, an OK button) and tests can record them.
//
// An editor view wires a new dialog in like this (m_finder, m_findTarget being its members):
//     auto* dialog = new FindReplaceDialog(FindReplaceDialog::Find, this);
//     connect(dialog, &FindReplaceDialog::findReplace, this,
//             [this](FindReplaceDialog* d, unsigned flags) { m_finder.onFindReplace(m_findTarget, d, flags); });
//     dialog->show();
class TextFinder {
public:
    using MessageFn = std::function<void(const QString& text)>;

    explicit TextFinder(MessageFn showMessage = {});

    // Handles a dialog's notice: reads its fields, then behaves as onFindReplace(target, request).
    // The closing notice does nothing here: the dialog disposes of itself.
    void onFindReplace(FindTarget& target, FindReplaceDialog* dialog, unsigned flags);
    void onFindReplace(FindTarget& target, const FindRequest& request);

    // The last Find Next of any dialog, again from the current selection. False (and nothing
    // happens) before any Find Next, or when nothing more is found.
    bool repeatLastFind(FindTarget& target);
    bool hasLastFind() const { return !m_lastWhat.isEmpty(); }

    // Selects the first occurrence starting at the caret, or one character past the selection's
    // start when there is a selection. False and the selection unchanged when there is none.
    static bool findTextDown(FindTarget& target, const QString& what, unsigned flags);
    // Selects the last occurrence that a left-to-right scan of non-overlapping occurrences finds
    // wholly before the selection's start. False and the selection unchanged when there is none.
    static bool findTextUp(FindTarget& target, const QString& what, unsigned flags);
    // Replaces the selection with `with` as one undoable step and puts the caret after it.
    static void replaceSelection(FindTarget& target, const QString& with);
    // Replaces every non-overlapping occurrence in the whole text, left to right, as one undoable
    // step, and answers how many were replaced. A selection made beforehand is never replaced;
    // the caret ends after the last replacement, or the selection stays when there was none.
    static int replaceAll(FindTarget& target, const QString& what, const QString& with, unsigned flags);

private:
    void findNext(FindTarget& target, const QString& what, unsigned flags);

    MessageFn m_showMessage;
    QString m_lastWhat;
    unsigned m_lastFlags = 0;
};
