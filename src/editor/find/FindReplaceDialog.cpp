// SPDX-License-Identifier: GPL-3.0-or-later
#include "FindReplaceDialog.h"

#include "FindFlags.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

QLineEdit* addField(QGridLayout* grid, int row, const QString& label)
{
    auto* edit = new QLineEdit;
    auto* caption = new QLabel(label);
    caption->setBuddy(edit);
    grid->addWidget(caption, row, 0);
    grid->addWidget(edit, row, 1);
    return edit;
}

}  // namespace

FindReplaceDialog::FindReplaceDialog(Kind kind, QWidget* parent)
    : QDialog(parent), m_kind(kind)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
    setWindowTitle(kind == Find ? QStringLiteral("検索") : QStringLiteral("置換"));

    // Left: the texts and options; right: the buttons, top-aligned as in the standard dialogs.
    auto* fields = new QGridLayout;
    m_findWhat = addField(fields, 0, QStringLiteral("検索する文字列(&N):"));
    if (kind == Replace)
        m_replaceWith = addField(fields, 1, QStringLiteral("置換後の文字列(&P):"));

    m_wholeWord = new QCheckBox(QStringLiteral("単語単位で探す(&W)"));
    m_matchCase = new QCheckBox(QStringLiteral("大文字と小文字を区別する(&C)"));
    auto* options = new QVBoxLayout;
    options->addWidget(m_wholeWord);
    options->addWidget(m_matchCase);
    options->addStretch();

    auto* lower = new QHBoxLayout;
    lower->addLayout(options);
    if (kind == Find) {
        auto* direction = new QGroupBox(QStringLiteral("方向"));
        m_up = new QRadioButton(QStringLiteral("上へ(&U)"));
        m_down = new QRadioButton(QStringLiteral("下へ(&D)"));
        m_down->setChecked(true);
        auto* directionLayout = new QHBoxLayout(direction);
        directionLayout->addWidget(m_up);
        directionLayout->addWidget(m_down);
        lower->addWidget(direction);
    }

    auto* left = new QVBoxLayout;
    left->addLayout(fields);
    left->addLayout(lower);
    left->addStretch();

    auto* buttons = new QVBoxLayout;
    m_findNext = new QPushButton(QStringLiteral("次を検索(&F)"));
    m_findNext->setDefault(true);
    buttons->addWidget(m_findNext);
    connect(m_findNext, &QPushButton::clicked, this, [this] { notify(FR_FINDNEXT); });
    if (kind == Replace) {
        m_replace = new QPushButton(QStringLiteral("置換して次に(&R)"));
        m_replaceAll = new QPushButton(QStringLiteral("すべて置換(&A)"));
        buttons->addWidget(m_replace);
        buttons->addWidget(m_replaceAll);
        connect(m_replace, &QPushButton::clicked, this, [this] { notify(FR_REPLACE); });
        connect(m_replaceAll, &QPushButton::clicked, this, [this] { notify(FR_REPLACEALL); });
    }
    m_cancel = new QPushButton(QStringLiteral("キャンセル"));
    m_cancel->setAutoDefault(false);
    buttons->addWidget(m_cancel);
    buttons->addStretch();
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left, 1);
    layout->addLayout(buttons);

    // As in the standard dialogs, nothing can be searched for until there is something to find.
    connect(m_findWhat, &QLineEdit::textChanged, this, &FindReplaceDialog::updateButtons);
    updateButtons();
}

QString FindReplaceDialog::findWhat() const
{
    return m_findWhat->text();
}

QString FindReplaceDialog::replaceWith() const
{
    return m_replaceWith ? m_replaceWith->text() : QString();
}

unsigned FindReplaceDialog::flags() const
{
    unsigned flags = 0;
    if (!m_down || m_down->isChecked())
        flags |= FR_DOWN;
    if (m_wholeWord->isChecked())
        flags |= FR_WHOLEWORD;
    if (m_matchCase->isChecked())
        flags |= FR_MATCHCASE;
    return flags;
}

// キャンセル and Esc reach here through reject(), the window's close button through closeEvent();
// both paths are covered so that the closing notice goes out whichever way the dialog closes.
void FindReplaceDialog::done(int result)
{
    terminate();
    QDialog::done(result);
}

void FindReplaceDialog::closeEvent(QCloseEvent* event)
{
    terminate();
    QDialog::closeEvent(event);
}

void FindReplaceDialog::notify(unsigned action)
{
    if (m_terminated)
        return;
    emit findReplace(this, flags() | action);
}

void FindReplaceDialog::terminate()
{
    if (m_terminated)
        return;
    m_terminated = true;
    emit findReplace(this, flags() | FR_DIALOGTERM);
}

void FindReplaceDialog::updateButtons()
{
    const bool any = !m_findWhat->text().isEmpty();
    m_findNext->setEnabled(any);
    if (m_replace) {
        m_replace->setEnabled(any);
        m_replaceAll->setEnabled(any);
    }
}
