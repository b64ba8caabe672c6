// SPDX-License-Identifier: GPL-3.0-or-later
// 原稿用紙カウンター: the modeless manuscript-paper counter. The editor view opens it,
// owns it and does the counting; the dialog holds the grid (縦 and 横), the kinsoku
// characters and the report box.
//
// It has no close box: 終了 (or Escape) hands the closing back to the view, which is the
// only one holding a reference to it (closeRequested); 更新 asks it to count
// (countRequested).
#pragma once

#include <QDialog>
#include <QString>

class Prompts;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

class CManuscriptCounterDlg : public QDialog {
    Q_OBJECT
public:
    CManuscriptCounterDlg(QWidget* view, Prompts& prompts);

    // Shows the modeless window with the members in its fields. Always true here: the
    // window exists with the object.
    bool Create();

    // Fields to members (save true) or members to fields. Reading validates 縦, then takes
    // the kinsoku text, then validates 横; it stops at the first field it reports (which
    // gets the focus) and answers false. A number out of 1..500 is taken all the same.
    bool UpdateData(bool save = true);

    // 更新: read the fields, then count everything again when both numbers are positive.
    void OnCounterUpdate();
    // 終了 and Escape.
    void reject() override;

    QPlainTextEdit* m_editReport;   // 1001
    int m_nVertical = 0;            // 1006, 1..500
    QString m_strKinsoku;           // 1012
    int m_nHorizontal = 0;          // 1011, 1..500
    unsigned m_nTemplateID = 138;   // IDD_COUNTER
    QWidget* m_pView;   // the editor view that owns it

    QLineEdit* verticalEdit() const { return m_editVertical; }
    QLineEdit* horizontalEdit() const { return m_editHorizontal; }
    QLineEdit* kinsokuEdit() const { return m_editKinsoku; }
    QPushButton* updateButton() const { return m_btnUpdate; }
    QPushButton* closeButton() const { return m_btnClose; }

signals:
    void countRequested();
    void closeRequested();

private:
    bool ReadNumber(QLineEdit* edit, int& member);

    Prompts& m_prompts;
    QLineEdit* m_editVertical;
    QLineEdit* m_editKinsoku;
    QLineEdit* m_editHorizontal;
    QPushButton* m_btnUpdate;
    QPushButton* m_btnClose;
};
