// SPDX-License-Identifier: GPL-3.0-or-later
#include "ScriptedPrompts.h"

QList<ScriptedPrompts::Shown> ScriptedPrompts::messages() const
{
    QList<Shown> out;
    for (const Shown& s : shown)
        if (s.kind == QLatin1String("message"))
            out << s;
    return out;
}

QStringList ScriptedPrompts::texts() const
{
    QStringList out;
    for (const Shown& s : messages())
        out << s.text;
    return out;
}

int ScriptedPrompts::unexpectedCount() const
{
    int n = 0;
    for (const Shown& s : shown)
        n += s.unexpected;
    return n;
}

void ScriptedPrompts::clear()
{
    shown.clear();
    m_answers.clear();
    m_paths.clear();
    m_dialogs.clear();
}

PromptAnswer ScriptedPrompts::messageBox(const QString& text, const QString& caption,
                                         PromptIcon icon, PromptButtons buttons)
{
    Shown s{QStringLiteral("message"), caption, text, icon, buttons, {}, false};
    PromptAnswer a;
    if (!m_answers.isEmpty())
        a = m_answers.dequeue();
    else {
        s.unexpected = true;
        a = buttons == PromptButtons::Ok     ? PromptAnswer::Ok
            : buttons == PromptButtons::YesNo ? PromptAnswer::No
                                              : PromptAnswer::Cancel;
    }
    shown << s;
    return a;
}

QString ScriptedPrompts::nextPath(const QString& kind, const QString& filter, const QString& defaultExt)
{
    Shown s{kind, {}, filter, PromptIcon::None, PromptButtons::Ok, defaultExt, m_paths.isEmpty()};
    shown << s;
    return m_paths.isEmpty() ? QString() : m_paths.dequeue();
}

QString ScriptedPrompts::openFilePath(const QString& filter, const QString& defaultExt)
{
    return nextPath(QStringLiteral("open"), filter, defaultExt);
}

QString ScriptedPrompts::saveFilePath(const QString& filter, const QString& defaultExt)
{
    return WithDefaultExtension(nextPath(QStringLiteral("save"), filter, defaultExt), defaultExt);
}

int ScriptedPrompts::execDialog(QDialog& dialog)
{
    Shown s{QStringLiteral("dialog"), dialog.windowTitle(), dialog.objectName(),
            PromptIcon::None, PromptButtons::Ok, {}, m_dialogs.isEmpty()};
    shown << s;
    if (m_dialogs.isEmpty())
        return QDialog::Rejected;
    return m_dialogs.dequeue()(dialog);
}
