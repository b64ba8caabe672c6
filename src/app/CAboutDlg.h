// SPDX-License-Identifier: GPL-3.0-or-later
// The About box: the program's icon, name and version, and an OK button.
#pragma once

#include <QDialog>

class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);

    static QString VersionText() { return QStringLiteral("Penwick Version b0.1"); }
};
