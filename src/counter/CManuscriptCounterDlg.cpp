// SPDX-License-Identifier: GPL-3.0-or-later
#include "CManuscriptCounterDlg.h"

#include "Prompts.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>

namespace {

constexpr int kMinCells = 1;
constexpr int kMaxCells = 500;

QLineEdit* NumberEdit(const char* name, QWidget* parent)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QString::fromLatin1(name));
    edit->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), edit));
    edit->setMaximumWidth(edit->fontMetrics().horizontalAdvance(QStringLiteral("00000")) + 12);
    return edit;
}

}  // namespace

CManuscriptCounterDlg::CManuscriptCounterDlg(QWidget* view, Prompts& prompts)
    : QDialog(view),
      m_editReport(new QPlainTextEdit(this)),
      m_pView(view),
      m_prompts(prompts),
      m_editVertical(NumberEdit("IDC_COUNTER_VERTICAL", this)),
      m_editKinsoku(new QLineEdit(this)),
      m_editHorizontal(NumberEdit("IDC_COUNTER_HORIZONTAL", this)),
      m_btnUpdate(new QPushButton(QStringLiteral("更新"), this)),
      m_btnClose(new QPushButton(QStringLiteral("終了"), this))
{
    setObjectName(QStringLiteral("IDD_COUNTER"));
    setWindowTitle(QStringLiteral("原稿用紙カウンター"));
    // A caption bar without a system menu: no close box. Closing is 終了's job.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setModal(false);
    setSizeGripEnabled(true);

    m_btnUpdate->setObjectName(QStringLiteral("IDC_COUNTER_UPDATE"));
    m_btnUpdate->setDefault(true);
    m_btnClose->setObjectName(QStringLiteral("IDCANCEL"));
    connect(m_btnUpdate, &QPushButton::clicked, this, &CManuscriptCounterDlg::OnCounterUpdate);
    connect(m_btnClose, &QPushButton::clicked, this, &CManuscriptCounterDlg::reject);

    m_editReport->setObjectName(QStringLiteral("IDC_COUNTER_REPORT"));
    m_editReport->setReadOnly(true);
    m_editReport->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_editReport->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_editKinsoku->setObjectName(QStringLiteral("IDC_COUNTER_KINSOKU"));

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_btnUpdate);
    buttons->addWidget(m_btnClose);
    buttons->addStretch(2);

    auto* fields = new QGridLayout;
    fields->addWidget(new QLabel(QStringLiteral("禁則文字（約モノ）"), this), 0, 4);
    fields->addWidget(new QLabel(QStringLiteral("縦"), this), 1, 0);
    fields->addWidget(m_editVertical, 1, 1);
    fields->addWidget(new QLabel(QStringLiteral("横"), this), 1, 2);
    fields->addWidget(m_editHorizontal, 1, 3);
    fields->addWidget(m_editKinsoku, 1, 4);
    fields->setColumnStretch(4, 1);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(m_editReport, 1);
    layout->addLayout(fields);
    resize(360, 240);
}

bool CManuscriptCounterDlg::Create()
{
    UpdateData(false);
    show();
    return true;
}

bool CManuscriptCounterDlg::ReadNumber(QLineEdit* edit, int& member)
{
    bool isNumber = false;
    const int value = edit->text().trimmed().toInt(&isNumber);
    if (!isNumber) {
        m_prompts.message(QStringLiteral("整数を入力してください。"), PromptIcon::Exclamation);
        edit->setFocus(Qt::OtherFocusReason);
        edit->selectAll();
        return false;
    }
    member = value;
    if (value < kMinCells || value > kMaxCells) {
        m_prompts.message(QStringLiteral("%1 から %2 までの整数を入力してください。").arg(kMinCells).arg(kMaxCells),
                          PromptIcon::Exclamation);
        edit->setFocus(Qt::OtherFocusReason);
        edit->selectAll();
        return false;
    }
    return true;
}

bool CManuscriptCounterDlg::UpdateData(bool save)
{
    if (!save) {
        m_editVertical->setText(QString::number(m_nVertical));
        m_editKinsoku->setText(m_strKinsoku);
        m_editHorizontal->setText(QString::number(m_nHorizontal));
        return true;
    }
    if (!ReadNumber(m_editVertical, m_nVertical))
        return false;
    m_strKinsoku = m_editKinsoku->text();
    return ReadNumber(m_editHorizontal, m_nHorizontal);
}

void CManuscriptCounterDlg::OnCounterUpdate()
{
    // A failed reading has been reported; the count goes on with what the members hold.
    UpdateData(true);
    if (m_nVertical > 0 && m_nHorizontal > 0)
        emit countRequested();
}

void CManuscriptCounterDlg::reject()
{
    // Not QDialog::reject: the view destroys the dialog and forgets it in one place.
    emit closeRequested();
}
