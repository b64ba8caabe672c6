// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QTextBoundaryFinder>

#include <optional>

class QTextDocument;

// Finds a search text in a snapshot of a document's text, honouring FR_MATCHCASE and
// FR_WHOLEWORD. A matcher is built once per search or per Replace All, so successive finds
// reuse the folded text and the word boundaries instead of recomputing them.
//
// Case folding is Unicode simple folding applied code point by code point (QChar::toCaseFolded),
// which maps full-width Ａ to ａ as well as A to a. It never changes the text's length, so a
// position in the folded text is the same position in the document. The price: foldings that
// change length are not applied, so ß does not match "ss" (ẞ still matches ß).
//
// Whole word accepts an occurrence only when both of its ends are Unicode word boundaries
// (QTextBoundaryFinder::Word). Japanese has no spaces, so a boundary is wherever the word
// break rules put one, e.g. between kanji and kana or at the end of a katakana run.
class TextMatcher {
public:
    TextMatcher(QString text, const QString& what, unsigned flags);

    // The text of a document with positions kept: block and line separators read as '\n'.
    static QString documentText(const QTextDocument& document);
    static QString foldCase(QStringView text);

    // The start of the first occurrence lying wholly within [from, to), or -1.
    qsizetype find(qsizetype from, qsizetype to) const;
    qsizetype whatLength() const { return m_what.size(); }
    const QString& text() const { return m_text; }

private:
    bool isWordAt(qsizetype start) const;

    QString m_text;      // as in the document
    QString m_folded;    // m_text folded, when match case is off
    QString m_what;      // folded like the text it is compared with
    bool m_foldCase;
    bool m_wholeWord;
    mutable std::optional<QTextBoundaryFinder> m_words;  // built on first whole-word check
};
