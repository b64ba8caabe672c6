// SPDX-License-Identifier: GPL-3.0-or-later
#include "CProjectTitleDlg.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

CProjectTitleDlg::CProjectTitleDlg(const QString& title, QWidget* parent)
    : QDialog(parent), m_pEdit(new QLineEdit(title, this))
{
    setObjectName(QStringLiteral("IDD_PROJECT_TITLE"));
    setWindowTitle(QStringLiteral("プロジェクトタイトル取得"));
    m_pEdit->setObjectName(QStringLiteral("IDC_PROJECT_TITLE"));
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole)->setDefault(true);
    buttons->addButton(QStringLiteral("ｷｬﾝｾﾙ"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("プロジェクトのタイトルを入力してください"), this));
    layout->addWidget(m_pEdit);
    layout->addWidget(buttons);
}

QString CProjectTitleDlg::title() const { return m_pEdit->text(); }
