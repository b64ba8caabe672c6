// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

// The modeless Find and Replace dialogs, laid out and labelled like the standard pair writers
// know. A dialog keeps no search state: every button sends a notice carrying the dialog and
// the flags, and the receiver reads findWhat() and replaceWith() afresh.
//
// A dialog deletes itself when closed (キャンセル, Esc or the window's close button). Just before,
// it sends one notice with FR_DIALOGTERM, and never another one after it.
class FindReplaceDialog : public QDialog {
    Q_OBJECT
public:
    enum Kind { Find, Replace };

    // A new, hidden dialog with empty fields, direction down and both options off.
    explicit FindReplaceDialog(Kind kind, QWidget* parent = nullptr);

    Kind kind() const { return m_kind; }
    QString findWhat() const;
    QString replaceWith() const;  // empty for a Find dialog
    // FR_DOWN, FR_WHOLEWORD and FR_MATCHCASE as currently chosen; a Replace dialog is always down.
    unsigned flags() const;

    void done(int result) override;

signals:
    void findReplace(FindReplaceDialog* dialog, unsigned flags);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void notify(unsigned action);
    void terminate();
    void updateButtons();

    Kind m_kind;
    bool m_terminated = false;
    QLineEdit* m_findWhat = nullptr;
    QLineEdit* m_replaceWith = nullptr;
    QCheckBox* m_wholeWord = nullptr;
    QCheckBox* m_matchCase = nullptr;
    QRadioButton* m_up = nullptr;
    QRadioButton* m_down = nullptr;
    QPushButton* m_findNext = nullptr;
    QPushButton* m_replace = nullptr;
    QPushButton* m_replaceAll = nullptr;
    QPushButton* m_cancel = nullptr;
};
