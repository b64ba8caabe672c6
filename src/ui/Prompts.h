// SPDX-License-Identifier: GPL-3.0-or-later
// Everything the program asks the user goes through one Prompts object: message boxes,
// the file dialogs and the program's own modal dialogs. The application shows real
// dialogs (QtPrompts); tests answer from a script and read back what was shown.
#pragma once

#include <QString>

class QDialog;

enum class PromptIcon { None, Information, Exclamation, Question, Stop };
enum class PromptButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class PromptAnswer { Ok, Cancel, Yes, No };

class Prompts {
public:
    virtual ~Prompts() = default;

    virtual PromptAnswer messageBox(const QString& text, const QString& caption,
                                    PromptIcon icon, PromptButtons buttons) = 0;

    // filter is written as "Name (*.ext)|*.ext|Other|*.*||"; defaultExt without the dot
    // ("xml"), empty for none. The answer is a full path, or empty when cancelled.
    // openFilePath only answers paths of existing files; saveFilePath appends the default
    // extension to a name without one and has the user confirm replacing an existing file.
    virtual QString openFilePath(const QString& filter, const QString& defaultExt) = 0;
    virtual QString saveFilePath(const QString& filter, const QString& defaultExt) = 0;

    // Runs one of the program's own dialogs modally; answers QDialog::Accepted or Rejected.
    // The dialog is fully set up by the caller, which reads its fields afterwards.
    virtual int execDialog(QDialog& dialog) = 0;

    // Helpers for the common forms; the caption is always the program's name.
    PromptAnswer message(const QString& text, PromptIcon icon = PromptIcon::None,
                         PromptButtons buttons = PromptButtons::Ok)
    {
        return messageBox(text, AppCaption(), icon, buttons);
    }
    static QString AppCaption() { return QStringLiteral("Penwick"); }
};

// "Name (*.a;*.b)|*.a;*.b|Other|*.*||" -> "Name (*.a;*.b) (*.a *.b);;Other (*)" as Qt's file
// dialogs want it: patterns separated by blanks, and "*.*" as "*" so that files without
// an extension are listed too. A name that already ends in its Qt pattern list is kept.
QString QtFileFilter(const QString& filter);

// path with ".ext" appended when its file name has no extension.
QString WithDefaultExtension(const QString& path, const QString& defaultExt);
