// SPDX-License-Identifier: GPL-3.0-or-later
#include "CNodePropertyDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

CNodePropertyDlg::CNodePropertyDlg(QWidget* parent)
    : QDialog(parent),
      m_pTitle(new QLineEdit(this)),
      m_pType(new QComboBox(this)),
      m_pExport(new QCheckBox(QStringLiteral("エクスポート時に含める"), this))
{
    setObjectName(QStringLiteral("IDD_NODE_PROPERTY"));
    setWindowTitle(QStringLiteral("ノードプロパティ取得"));
    m_pTitle->setObjectName(QStringLiteral("IDC_NODE_TITLE"));
    m_pType->setObjectName(QStringLiteral("IDC_NODE_TYPE"));
    m_pExport->setObjectName(QStringLiteral("IDC_NODE_EXPORT"));

    m_pType->setEditable(true);
    m_pType->setInsertPolicy(QComboBox::InsertAlphabetically);   // a sorted list
    m_pType->addItem(QStringLiteral("Basic"));

    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole)->setDefault(true);
    buttons->addButton(QStringLiteral("ｷｬﾝｾﾙ"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QGridLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("ノードのタイトル"), this), 0, 0);
    layout->addWidget(m_pTitle, 1, 0);
    layout->addWidget(new QLabel(QStringLiteral("タイプの選択"), this), 2, 0);
    layout->addWidget(m_pType, 3, 0);
    layout->addWidget(m_pExport, 3, 1);
    layout->addWidget(buttons, 4, 0, 1, 2, Qt::AlignHCenter);
}

void CNodePropertyDlg::UpdateData(bool saveAndValidate)
{
    if (saveAndValidate) {
        m_strTitle = m_pTitle->text();
        m_bIncludeOnExport = m_pExport->isChecked() ? 1 : 0;
        m_strType = m_pType->currentText();
        return;
    }
    m_pTitle->setText(m_strTitle);
    m_pExport->setChecked(m_bIncludeOnExport != 0);
    m_pType->setEditText(m_strType);
}
