// SPDX-License-Identifier: GPL-3.0-or-later
// The real dialogs: QMessageBox and QFileDialog, parented to the active window.
#pragma once

#include "Prompts.h"

class QtPrompts : public Prompts {
public:
    PromptAnswer messageBox(const QString& text, const QString& caption, PromptIcon icon,
                            PromptButtons buttons) override;
    QString openFilePath(const QString& filter, const QString& defaultExt) override;
    QString saveFilePath(const QString& filter, const QString& defaultExt) override;
    int execDialog(QDialog& dialog) override;
};
