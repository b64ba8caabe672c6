// SPDX-License-Identifier: GPL-3.0-or-later
// Prompts for tests: answers come from a script, and everything shown is recorded.
//
// Message boxes take the next queued answer; with none queued they answer as closing the
// box would (Cancel, or No for a Yes/No box) and count as unexpected. File dialogs take
// the next queued path (empty = cancelled). The program's own dialogs are handed to the
// next queued handler, which may fill fields and answers Accepted or Rejected.
#pragma once

#include "Prompts.h"

#include <QDialog>
#include <QList>
#include <QQueue>
#include <QString>

#include <functional>

class ScriptedPrompts : public Prompts {
public:
    struct Shown {
        QString kind;     // "message", "open", "save", "dialog"
        QString caption;  // message caption or dialog title
        QString text;     // message text, or the file filter of a file dialog
        PromptIcon icon = PromptIcon::None;
        PromptButtons buttons = PromptButtons::Ok;
        QString defaultExt;
        bool unexpected = false;
    };

    void answer(PromptAnswer a) { m_answers.enqueue(a); }
    void answerPath(const QString& path) { m_paths.enqueue(path); }
    void answerDialog(std::function<int(QDialog&)> handler) { m_dialogs.enqueue(std::move(handler)); }

    QList<Shown> shown;
    QList<Shown> messages() const;   // only the message boxes
    QStringList texts() const;       // texts of the message boxes, in order
    int unexpectedCount() const;
    bool allAnswered() const { return m_answers.isEmpty() && m_paths.isEmpty() && m_dialogs.isEmpty(); }
    void clear();

    PromptAnswer messageBox(const QString& text, const QString& caption, PromptIcon icon,
                            PromptButtons buttons) override;
    QString openFilePath(const QString& filter, const QString& defaultExt) override;
    QString saveFilePath(const QString& filter, const QString& defaultExt) override;
    int execDialog(QDialog& dialog) override;

private:
    QString nextPath(const QString& kind, const QString& filter, const QString& defaultExt);

    QQueue<PromptAnswer> m_answers;
    QQueue<QString> m_paths;
    QQueue<std::function<int(QDialog&)>> m_dialogs;
};
