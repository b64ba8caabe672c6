// SPDX-License-Identifier: GPL-3.0-or-later
// Asks for an outline node's title, type and export flag (ノードプロパティ取得).
//
// The caller sets the three fields, calls UpdateData(false) to show them, runs the dialog
// and, after OK, calls UpdateData(true) to read back what the user left in the controls.
// The type is free text: the list only offers "Basic", and whatever the combo shows on OK
// becomes the type.
#pragma once

#include <QDialog>
#include <QString>

class QCheckBox;
class QComboBox;
class QLineEdit;

class CNodePropertyDlg : public QDialog {
    Q_OBJECT
public:
    explicit CNodePropertyDlg(QWidget* parent = nullptr);

    // false: fields to controls; true: controls to fields. Title, check box, type.
    void UpdateData(bool saveAndValidate);

    QLineEdit* titleEdit() const { return m_pTitle; }
    QCheckBox* exportCheck() const { return m_pExport; }
    QComboBox* typeCombo() const { return m_pType; }

    QString m_strTitle;
    int m_bIncludeOnExport = 0;
    QString m_strType;

private:
    QLineEdit* m_pTitle;
    QComboBox* m_pType;
    QCheckBox* m_pExport;
};
