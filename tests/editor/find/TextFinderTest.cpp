// SPDX-License-Identifier: GPL-3.0-or-later
// Searches and replacements on a QPlainTextEdit through FindTarget, as the editor view runs them.
#include "FindFlags.h"
#include "PlainTextFindTarget.h"
#include "TextFinder.h"

#include <QPlainTextEdit>
#include <QTextDocument>
#include <QtTest>

namespace {

// Records what the finder asks of the editor besides the selection.
class RecordingTarget : public PlainTextFindTarget {
public:
    explicit RecordingTarget(QPlainTextEdit* edit) : PlainTextFindTarget(edit) {}
    void ensureCaretVisible() override { ++scrolls; PlainTextFindTarget::ensureCaretVisible(); }
    void focusEditor() override { ++focuses; PlainTextFindTarget::focusEditor(); }
    void notFound() override { ++beeps; }
    int scrolls = 0;
    int focuses = 0;
    int beeps = 0;
};

struct Editor {
    explicit Editor(const QString& text, int start = 0, int end = 0)
    {
        edit.setPlainText(text);
        target.setSelection(start, end);
    }
    QPair<int, int> selection() const
    {
        int s = -1, e = -1;
        target.selection(&s, &e);
        return {s, e};
    }
    QPlainTextEdit edit;
    RecordingTarget target{&edit};
};

}  // namespace

class TextFinderTest : public QObject {
    Q_OBJECT
private slots:
    void find_data();
    void find();
    void replaceFindsFirstThenReplaces();
    void replaceAll_data();
    void replaceAll();
    void replaceAllIsOneUndoStep();
    void noticesInOrder();
    void repeatLastFind();
    void nothingFoundBeeps();
};

void TextFinderTest::find_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("what");
    QTest::addColumn<unsigned>("flags");
    QTest::addColumn<int>("selStart");
    QTest::addColumn<int>("selEnd");
    QTest::addColumn<int>("found");  // -1: nothing found, selection unchanged

    const unsigned down = FR_DOWN;
    const unsigned up = 0;
    QTest::newRow("caret at start finds the first") << "メロスはメロス" << "メロス" << down << 0 << 0 << 0;
    QTest::newRow("caret on an occurrence finds it") << "猫と猫" << "猫" << down << 2 << 2 << 2;
    QTest::newRow("selected occurrence moves on, overlaps count") << "aaa" << "aa" << down << 0 << 2 << 1;
    QTest::newRow("selection starting near the end") << "aaa" << "aa" << down << 1 << 3 << -1;
    QTest::newRow("not found") << "下人が門の下で" << "老婆" << down << 0 << 0 << -1;
    QTest::newRow("case folded") << "melos and MELOS" << "Melos" << down << 1 << 1 << 10;
    QTest::newRow("case matched") << "melos and MELOS" << "Melos" << (down | FR_MATCHCASE) << 0 << 0 << -1;
    QTest::newRow("full-width folded") << "abc ＡＢＣ" << "ａｂｃ" << down << 0 << 0 << 4;
    QTest::newRow("full-width matched") << "ＡＢＣ ａｂｃ" << "ａｂｃ" << (down | FR_MATCHCASE) << 0 << 0 << 4;
    QTest::newRow("case only, not width") << "ＡＢＣ" << "abc" << down << 0 << 0 << -1;
    QTest::newRow("supplementary letters fold") << "x\U00010400" << "\U00010428" << down << 0 << 0 << 1;
    QTest::newRow("positions survive ß") << "Straße STRASSE" << "strasse" << down << 0 << 0 << 7;
    QTest::newRow("capital sharp s folds") << "STRAẞE" << "straße" << down << 0 << 0 << 0;
    QTest::newRow("across paragraphs") << "一行目\n二行目" << "二行" << down << 0 << 0 << 4;
    QTest::newRow("whole word skips a longer Latin word") << "catsとcatの" << "cat" << (down | FR_WHOLEWORD) << 0 << 0 << 5;
    QTest::newRow("whole word skips a longer katakana run") << "カメラマンとカメラ" << "カメラ" << (down | FR_WHOLEWORD) << 0 << 0 << 6;
    QTest::newRow("whole word in kanji and kana") << "羅生門の下人が" << "下人" << (down | FR_WHOLEWORD) << 0 << 0 << 4;
    QTest::newRow("whole word and full-width folding") << "ＣＡＴＳとＣＡＴ。" << "ｃａｔ" << (down | FR_WHOLEWORD) << 0 << 0 << 5;
    QTest::newRow("whole word, no word") << "concatenate" << "cat" << (down | FR_WHOLEWORD) << 0 << 0 << -1;

    QTest::newRow("up: caret at start finds nothing") << "aaaa" << "aa" << up << 0 << 0 << -1;
    QTest::newRow("up: overlaps skipped, aaaa") << "aaaa" << "aa" << up << 4 << 4 << 2;
    QTest::newRow("up: overlaps skipped, aaa") << "aaa" << "aa" << up << 3 << 3 << 0;
    QTest::newRow("up: previous before a selection") << "猫と猫と猫" << "猫" << up << 4 << 5 << 2;
    QTest::newRow("up: crossing the selection start") << "xaay" << "aa" << up << 2 << 2 << -1;
    QTest::newRow("up: case folded, full-width") << "ＭＥＬＯＳ ｍｅｌｏｓ" << "Ｍｅｌｏｓ" << up << 6 << 6 << 0;
    QTest::newRow("up: whole word") << "cat cats" << "cat" << (up | FR_WHOLEWORD) << 8 << 8 << 0;
}

void TextFinderTest::find()
{
    QFETCH(QString, text);
    QFETCH(QString, what);
    QFETCH(unsigned, flags);
    QFETCH(int, selStart);
    QFETCH(int, selEnd);
    QFETCH(int, found);

    Editor editor(text, selStart, selEnd);
    const bool result = (flags & FR_DOWN) ? TextFinder::findTextDown(editor.target, what, flags)
                                          : TextFinder::findTextUp(editor.target, what, flags);
    QCOMPARE(result, found >= 0);
    const auto expected = found >= 0 ? qMakePair(found, found + int(what.size())) : qMakePair(selStart, selEnd);
    QCOMPARE(editor.selection(), expected);
}

void TextFinderTest::replaceFindsFirstThenReplaces()
{
    Editor editor("猫と猫と猫");
    TextFinder finder;
    const FindRequest replace{"猫", "犬", FR_DOWN | FR_REPLACE};

    finder.onFindReplace(editor.target, replace);
    QCOMPARE(editor.edit.toPlainText(), QString("猫と猫と猫"));
    QCOMPARE(editor.selection(), qMakePair(0, 1));

    finder.onFindReplace(editor.target, replace);
    QCOMPARE(editor.edit.toPlainText(), QString("犬と猫と猫"));
    QCOMPARE(editor.selection(), qMakePair(2, 3));

    // Each replacement can be taken back on its own.
    editor.edit.undo();
    QCOMPARE(editor.edit.toPlainText(), QString("猫と猫と猫"));
}

void TextFinderTest::replaceAll_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("what");
    QTest::addColumn<QString>("with");
    QTest::addColumn<unsigned>("flags");
    QTest::addColumn<int>("selStart");
    QTest::addColumn<int>("selEnd");
    QTest::addColumn<QString>("result");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("caret");  // after the last replacement; -1: selection unchanged

    const unsigned none = 0;
    QTest::newRow("at the start and back to back") << "猫猫と猫" << "猫" << "犬" << none << 0 << 0 << "犬犬と犬" << 3 << 4;
    QTest::newRow("non-overlapping") << "aaaaa" << "aa" << "b" << none << 0 << 0 << "bba" << 2 << 2;
    QTest::newRow("from a caret in the middle") << "猫と猫と猫" << "猫" << "犬" << none << 3 << 3 << "犬と犬と犬" << 3 << 5;
    QTest::newRow("earlier selection left alone") << "猫 xyz" << "猫" << "犬" << none << 2 << 5 << "犬 xyz" << 1 << 1;
    QTest::newRow("nothing found, selection left alone") << "abc" << "猫" << "犬" << none << 0 << 3 << "abc" << 0 << -1;
    QTest::newRow("replacement holds the text") << "aXa" << "a" << "aa" << none << 0 << 0 << "aaXaa" << 2 << 5;
    QTest::newRow("empty replacement deletes") << "あいあい" << "い" << "" << none << 0 << 0 << "ああ" << 2 << 2;
    QTest::newRow("case folded, full-width") << "ＡａAa" << "ａ" << "x" << none << 0 << 0 << "xxAa" << 2 << 2;
    QTest::newRow("case matched") << "ＡａAa" << "ａ" << "x" << unsigned(FR_MATCHCASE) << 0 << 0 << "ＡxAa" << 1 << 2;
    QTest::newRow("whole words only") << "cat cats catの" << "cat" << "dog" << unsigned(FR_WHOLEWORD) << 0 << 0 << "dog cats dogの" << 2 << 12;
    QTest::newRow("across paragraphs") << "下人\n下人" << "下人" << "老婆" << none << 0 << 0 << "老婆\n老婆" << 2 << 5;
}

void TextFinderTest::replaceAll()
{
    QFETCH(QString, text);
    QFETCH(QString, what);
    QFETCH(QString, with);
    QFETCH(unsigned, flags);
    QFETCH(int, selStart);
    QFETCH(int, selEnd);
    QFETCH(QString, result);
    QFETCH(int, count);
    QFETCH(int, caret);

    Editor editor(text, selStart, selEnd);
    QStringList messages;
    TextFinder finder([&](const QString& m) { messages << m; });
    finder.onFindReplace(editor.target, FindRequest{what, with, flags | FR_DOWN | FR_REPLACEALL});

    QCOMPARE(editor.edit.toPlainText(), result);
    QCOMPARE(messages, QStringList{QStringLiteral("%1個の置換を行いました").arg(count)});
    QCOMPARE(editor.target.focuses, 1);
    QCOMPARE(editor.target.scrolls, 0);
    QCOMPARE(editor.selection(), caret < 0 ? qMakePair(selStart, selEnd) : qMakePair(caret, caret));
}

void TextFinderTest::replaceAllIsOneUndoStep()
{
    QString text;
    for (int i = 0; i < 200; ++i)
        text += QStringLiteral("メロスは激怒した。\n");
    Editor editor(text);
    QVERIFY(!editor.edit.document()->isUndoAvailable());

    QCOMPARE(TextFinder::replaceAll(editor.target, "メロス", "セリヌンティウス", FR_DOWN), 200);
    QCOMPARE(editor.edit.toPlainText().count(QStringLiteral("セリヌンティウス")), 200);

    editor.edit.undo();
    QCOMPARE(editor.edit.toPlainText(), text);
    QVERIFY(!editor.edit.document()->isUndoAvailable());
}

void TextFinderTest::noticesInOrder()
{
    Editor editor("猫と猫", 0, 0);
    QStringList messages;
    TextFinder finder([&](const QString& m) { messages << m; });

    // A closing notice does nothing else, whatever other bits it carries.
    finder.onFindReplace(editor.target, FindRequest{"猫", "犬", FR_DOWN | FR_DIALOGTERM | FR_REPLACEALL});
    QCOMPARE(editor.edit.toPlainText(), QString("猫と猫"));
    QVERIFY(messages.isEmpty());
    QCOMPARE(editor.target.focuses, 0);

    // Find Next wins over Replace: nothing is replaced.
    finder.onFindReplace(editor.target, FindRequest{"猫", "犬", FR_DOWN | FR_FINDNEXT | FR_REPLACE});
    QCOMPARE(editor.edit.toPlainText(), QString("猫と猫"));
    QCOMPARE(editor.selection(), qMakePair(0, 1));
    QCOMPARE(editor.target.scrolls, 1);
    QCOMPARE(editor.target.focuses, 1);

    // Nothing further: the selection stays, and the editor still gets the focus.
    finder.onFindReplace(editor.target, FindRequest{"犬", {}, FR_DOWN | FR_FINDNEXT});
    QCOMPARE(editor.selection(), qMakePair(0, 1));
    QCOMPARE(editor.target.focuses, 2);
    QVERIFY(messages.isEmpty());
}

void TextFinderTest::repeatLastFind()
{
    Editor editor("Aa aA aa", 8, 8);
    TextFinder finder;
    QVERIFY(!finder.repeatLastFind(editor.target));
    QCOMPARE(editor.selection(), qMakePair(8, 8));

    // Upward, match case: the repeat keeps both.
    finder.onFindReplace(editor.target, FindRequest{"aa", {}, FR_MATCHCASE | FR_FINDNEXT});
    QCOMPARE(editor.selection(), qMakePair(6, 8));
    editor.target.setSelection(5, 5);
    QVERIFY(!finder.repeatLastFind(editor.target));
    QCOMPARE(editor.selection(), qMakePair(5, 5));

    // A later Find Next of another dialog replaces what is repeated; Replace does not.
    finder.onFindReplace(editor.target, FindRequest{"AA", {}, FR_DOWN | FR_FINDNEXT});
    QCOMPARE(editor.selection(), qMakePair(6, 8));
    finder.onFindReplace(editor.target, FindRequest{"zz", "y", FR_DOWN | FR_REPLACE});
    editor.target.setSelection(0, 0);
    QVERIFY(finder.repeatLastFind(editor.target));
    QCOMPARE(editor.selection(), qMakePair(0, 2));
    QVERIFY(finder.repeatLastFind(editor.target));
    QCOMPARE(editor.selection(), qMakePair(3, 5));
}

// A search that finds nothing beeps, each time: Find Next, Replace's search, the repeat (F3).
void TextFinderTest::nothingFoundBeeps()
{
    Editor editor("猫と犬");
    TextFinder finder;
    finder.onFindReplace(editor.target, FindRequest{"猫", {}, FR_DOWN | FR_FINDNEXT});
    QCOMPARE(editor.target.beeps, 0);
    finder.onFindReplace(editor.target, FindRequest{"猫", {}, FR_DOWN | FR_FINDNEXT});
    QCOMPARE(editor.target.beeps, 1);
    QVERIFY(!finder.repeatLastFind(editor.target));
    QCOMPARE(editor.target.beeps, 2);
    finder.onFindReplace(editor.target, FindRequest{"鳥", "魚", FR_DOWN | FR_REPLACE});
    QCOMPARE(editor.target.beeps, 3);
    QCOMPARE(editor.target.focuses, 4);   // and the keyboard went back to the editor each time
}

QTEST_MAIN(TextFinderTest)
#include "TextFinderTest.moc"
