// SPDX-License-Identifier: GPL-3.0-or-later
#include "TextFinder.h"

#include "FindFlags.h"
#include "FindReplaceDialog.h"
#include "FindTarget.h"
#include "TextMatcher.h"

#include <QTextCursor>
#include <QTextDocument>

#include <vector>

TextFinder::TextFinder(MessageFn showMessage) : m_showMessage(std::move(showMessage)) {}

void TextFinder::onFindReplace(FindTarget& target, FindReplaceDialog* dialog, unsigned flags)
{
    if (flags & FR_DIALOGTERM)
        return;  // the dialog is on its way out and deletes itself; its fields are of no use now
    onFindReplace(target, FindRequest{dialog->findWhat(), dialog->replaceWith(), flags});
}

void TextFinder::onFindReplace(FindTarget& target, const FindRequest& request)
{
    const unsigned flags = request.flags;
    if (flags & FR_DIALOGTERM)
        return;

    if (flags & FR_FINDNEXT) {
        findNext(target, request.findWhat, flags);
        return;
    }

    if (flags & FR_REPLACE) {
        int start = 0;
        int end = 0;
        target.selection(&start, &end);
        // The first Replace only finds; each further one replaces what the previous one found.
        if (start != end)
            replaceSelection(target, request.replaceWith);
        if (!findTextDown(target, request.findWhat, flags))
            target.notFound();
        target.ensureCaretVisible();
        target.focusEditor();
        return;
    }

    if (flags & FR_REPLACEALL) {
        const int count = replaceAll(target, request.findWhat, request.replaceWith, flags);
        target.focusEditor();
        if (m_showMessage)
            m_showMessage(QStringLiteral("%1個の置換を行いました").arg(count));
    }
}

bool TextFinder::repeatLastFind(FindTarget& target)
{
    if (m_lastWhat.isEmpty())
        return false;
    const bool found = (m_lastFlags & FR_DOWN) ? findTextDown(target, m_lastWhat, m_lastFlags)
                                               : findTextUp(target, m_lastWhat, m_lastFlags);
    if (!found)
        target.notFound();
    target.ensureCaretVisible();
    target.focusEditor();
    return found;
}

void TextFinder::findNext(FindTarget& target, const QString& what, unsigned flags)
{
    if (!what.isEmpty()) {
        m_lastWhat = what;
        m_lastFlags = flags & (FR_DOWN | kFindMatchOptions);
    }
    const bool found = (flags & FR_DOWN) ? findTextDown(target, what, flags) : findTextUp(target, what, flags);
    if (!found)
        target.notFound();
    target.ensureCaretVisible();
    target.focusEditor();
}

bool TextFinder::findTextDown(FindTarget& target, const QString& what, unsigned flags)
{
    int start = 0;
    int end = 0;
    target.selection(&start, &end);
    const TextMatcher matcher(TextMatcher::documentText(*target.document()), what, flags);
    const QString& text = matcher.text();

    qsizetype from = start;
    if (start != end && start < text.size()) {
        // One character past the start, so a selected occurrence is not found again; a
        // surrogate pair is one character.
        from += (text[start].isHighSurrogate() && start + 1 < text.size()
                 && text[start + 1].isLowSurrogate()) ? 2 : 1;
    }
    const qsizetype found = matcher.find(from, text.size());
    if (found < 0)
        return false;
    target.setSelection(int(found), int(found + matcher.whatLength()));
    return true;
}

bool TextFinder::findTextUp(FindTarget& target, const QString& what, unsigned flags)
{
    int start = 0;
    int end = 0;
    target.selection(&start, &end);
    const TextMatcher matcher(TextMatcher::documentText(*target.document()), what, flags);

    // Successive non-overlapping occurrences from the top; the last one before the selection wins.
    qsizetype last = -1;
    for (qsizetype pos = matcher.find(0, start); pos >= 0;
         pos = matcher.find(pos + matcher.whatLength(), start))
        last = pos;
    if (last < 0)
        return false;
    target.setSelection(int(last), int(last + matcher.whatLength()));
    return true;
}

void TextFinder::replaceSelection(FindTarget& target, const QString& with)
{
    int start = 0;
    int end = 0;
    target.selection(&start, &end);
    QTextCursor cursor(target.document());
    cursor.setPosition(start);
    cursor.setPosition(end, QTextCursor::KeepAnchor);
    cursor.insertText(with);
    target.setSelection(cursor.position(), cursor.position());
}

int TextFinder::replaceAll(FindTarget& target, const QString& what, const QString& with, unsigned flags)
{
    QTextDocument* document = target.document();
    const TextMatcher matcher(TextMatcher::documentText(*document), what, flags);

    // One scan collects every occurrence, then the edits run from the end so that earlier
    // positions stay valid: no rescans, and the whole text is never rebuilt.
    std::vector<qsizetype> found;
    const qsizetype length = matcher.whatLength();
    for (qsizetype pos = matcher.find(0, matcher.text().size()); pos >= 0;
         pos = matcher.find(pos + length, matcher.text().size()))
        found.push_back(pos);
    if (found.empty())
        return 0;

    QTextCursor cursor(document);
    cursor.beginEditBlock();
    for (auto it = found.rbegin(); it != found.rend(); ++it) {
        cursor.setPosition(int(*it));
        cursor.setPosition(int(*it + length), QTextCursor::KeepAnchor);
        cursor.insertText(with);
    }
    cursor.endEditBlock();

    const qsizetype caret = found.back() + qsizetype(found.size() - 1) * (with.size() - length) + with.size();
    target.setSelection(int(caret), int(caret));
    return int(found.size());
}
