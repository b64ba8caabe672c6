// SPDX-License-Identifier: GPL-3.0-or-later
// Asks for the project's title (プロジェクトタイトル取得). The field starts with the
// title given; after OK, title() is what the user left in it.
#pragma once

#include <QDialog>

class QLineEdit;

class CProjectTitleDlg : public QDialog {
    Q_OBJECT
public:
    explicit CProjectTitleDlg(const QString& title, QWidget* parent = nullptr);

    QString title() const;
    QLineEdit* titleEdit() const { return m_pEdit; }

private:
    QLineEdit* m_pEdit;
};
