// SPDX-License-Identifier: GPL-3.0-or-later
// 原稿用紙の移動: asks for a sheet number (1 .. the manuscript's last sheet).
#pragma once

#include <QDialog>

class QSpinBox;

class GoToSheetDialog : public QDialog {
    Q_OBJECT
public:
    GoToSheetDialog(int sheets, int current, QWidget* parent = nullptr);
    int sheet() const;
    QSpinBox* field() const { return m_field; }

private:
    QSpinBox* m_field;
};
