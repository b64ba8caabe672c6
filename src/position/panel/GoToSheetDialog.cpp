// SPDX-License-Identifier: GPL-3.0-or-later
#include "GoToSheetDialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QSpinBox>

GoToSheetDialog::GoToSheetDialog(int sheets, int current, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("原稿用紙の移動"));
    m_field = new QSpinBox(this);
    m_field->setRange(1, std::max(1, sheets));
    m_field->setValue(std::clamp(current, 1, std::max(1, sheets)));
    m_field->setSuffix(QStringLiteral(" 枚目"));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* form = new QFormLayout(this);
    form->addRow(QStringLiteral("移動先（全 %1 枚）").arg(std::max(1, sheets)), m_field);
    form->addRow(buttons);
    m_field->selectAll();
}

int GoToSheetDialog::sheet() const
{
    return m_field->value();
}
