// SPDX-License-Identifier: GPL-3.0-or-later
// The dialogs as a writer uses them: their texts, their notices, several at once, and closing.
#include "FindFlags.h"
#include "FindReplaceDialog.h"
#include "PlainTextFindTarget.h"
#include "TextFinder.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

namespace {

template <typename W>
QStringList texts(const QWidget* dialog)
{
    QStringList list;
    for (const W* w : dialog->findChildren<W*>()) {
        if constexpr (std::is_same_v<W, QGroupBox>)
            list << w->title();
        else
            list << w->text();
    }
    return list;
}

// The child of type W showing `text`.
template <typename W = QPushButton>
W* child(QWidget* dialog, const QString& text)
{
    for (W* w : dialog->findChildren<W*>())
        if (w->text() == text)
            return w;
    return nullptr;
}

QLineEdit* field(QWidget* dialog, const QString& label)
{
    for (QLabel* l : dialog->findChildren<QLabel*>())
        if (l->text() == label)
            return qobject_cast<QLineEdit*>(l->buddy());
    return nullptr;
}

// Japanese arrives through the input method as committed text, not as key presses.
void type(QLineEdit* edit, const QString& text)
{
    QInputMethodEvent event;
    event.setCommitString(text);
    QCoreApplication::sendEvent(edit, &event);
}

const QString kFindNext = QStringLiteral("次を検索(&F)");
const QString kFindWhat = QStringLiteral("検索する文字列(&N):");

// One editor with dialogs wired to it the way the editor view does.
struct Session {
    explicit Session(const QString& text) { edit.setPlainText(text); }
    FindReplaceDialog* open(FindReplaceDialog::Kind kind)
    {
        auto* dialog = new FindReplaceDialog(kind, &edit);
        QObject::connect(dialog, &FindReplaceDialog::findReplace, &edit,
                         [this](FindReplaceDialog* d, unsigned flags) { finder.onFindReplace(target, d, flags); });
        dialog->show();
        return dialog;
    }
    QString selected() const { return edit.textCursor().selectedText(); }
    int selectionStart() const { return edit.textCursor().selectionStart(); }

    QPlainTextEdit edit;
    PlainTextFindTarget target{&edit};
    QStringList messages;
    TextFinder finder{[this](const QString& m) { messages << m; }};
};

}  // namespace

class FindReplaceDialogTest : public QObject {
    Q_OBJECT
private slots:
    void textsAndInitialState_data();
    void textsAndInitialState();
    void noticesCarryTheChoices();
    void severalDialogsWorkAlone();
    void closingDisposesOnce_data();
    void closingDisposesOnce();
};

void FindReplaceDialogTest::textsAndInitialState_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QStringList>("labels");
    QTest::addColumn<QStringList>("radios");
    QTest::addColumn<QStringList>("groups");
    QTest::addColumn<QStringList>("buttons");

    QTest::newRow("find") << int(FindReplaceDialog::Find) << "検索"
                          << QStringList{kFindWhat}
                          << QStringList{"上へ(&U)", "下へ(&D)"} << QStringList{"方向"}
                          << QStringList{kFindNext, "キャンセル"};
    QTest::newRow("replace") << int(FindReplaceDialog::Replace) << "置換"
                             << QStringList{kFindWhat, "置換後の文字列(&P):"}
                             << QStringList{} << QStringList{}
                             << QStringList{kFindNext, "置換して次に(&R)", "すべて置換(&A)", "キャンセル"};
}

void FindReplaceDialogTest::textsAndInitialState()
{
    QFETCH(int, kind);
    QFETCH(QString, caption);
    QFETCH(QStringList, labels);
    QFETCH(QStringList, radios);
    QFETCH(QStringList, groups);
    QFETCH(QStringList, buttons);

    // Earlier searches leave nothing behind for a new dialog.
    Session session("メロスは激怒した");
    FindReplaceDialog* earlier = session.open(FindReplaceDialog::Kind(kind));
    type(field(earlier, kFindWhat), "メロス");
    QTest::mouseClick(child(earlier, kFindNext), Qt::LeftButton);

    FindReplaceDialog* dialog = session.open(FindReplaceDialog::Kind(kind));
    QCOMPARE(dialog->windowTitle(), caption);
    QVERIFY(!dialog->isModal());
    QCOMPARE(texts<QLabel>(dialog), labels);
    QCOMPARE(texts<QCheckBox>(dialog), (QStringList{"単語単位で探す(&W)", "大文字と小文字を区別する(&C)"}));
    QCOMPARE(texts<QRadioButton>(dialog), radios);
    QCOMPARE(texts<QGroupBox>(dialog), groups);
    QCOMPARE(texts<QPushButton>(dialog), buttons);

    for (const QLineEdit* edit : dialog->findChildren<QLineEdit*>())
        QVERIFY(edit->text().isEmpty());
    for (const QCheckBox* box : dialog->findChildren<QCheckBox*>())
        QVERIFY(!box->isChecked());
    if (kind == FindReplaceDialog::Find)
        QVERIFY(child<QRadioButton>(dialog, "下へ(&D)")->isChecked());
    QCOMPARE(dialog->flags(), unsigned(FR_DOWN));
    QCOMPARE(dialog->findWhat(), QString());
    QCOMPARE(dialog->replaceWith(), QString());
    // Nothing to search for yet.
    QVERIFY(!child(dialog, kFindNext)->isEnabled());
    QVERIFY(child(dialog, "キャンセル")->isEnabled());
}

void FindReplaceDialogTest::noticesCarryTheChoices()
{
    FindReplaceDialog find(FindReplaceDialog::Find);
    find.show();
    QSignalSpy spy(&find, &FindReplaceDialog::findReplace);
    type(field(&find, kFindWhat), "cat");
    QTest::mouseClick(child<QCheckBox>(&find, "単語単位で探す(&W)"), Qt::LeftButton);
    QTest::mouseClick(child<QRadioButton>(&find, "上へ(&U)"), Qt::LeftButton);
    QTest::mouseClick(child(&find, kFindNext), Qt::LeftButton);
    QCOMPARE(spy.size(), 1);
    QCOMPARE(spy.at(0).at(0).value<FindReplaceDialog*>(), &find);
    QCOMPARE(spy.at(0).at(1).toUInt(), unsigned(FR_WHOLEWORD | FR_FINDNEXT));
    QCOMPARE(find.findWhat(), QString("cat"));

    FindReplaceDialog replace(FindReplaceDialog::Replace);
    replace.show();
    QSignalSpy replaceSpy(&replace, &FindReplaceDialog::findReplace);
    type(field(&replace, kFindWhat), "a");
    type(field(&replace, "置換後の文字列(&P):"), "b");
    QTest::mouseClick(child<QCheckBox>(&replace, "大文字と小文字を区別する(&C)"), Qt::LeftButton);
    QTest::mouseClick(child(&replace, "置換して次に(&R)"), Qt::LeftButton);
    QTest::mouseClick(child(&replace, "すべて置換(&A)"), Qt::LeftButton);
    QCOMPARE(replaceSpy.size(), 2);
    QCOMPARE(replaceSpy.at(0).at(1).toUInt(), unsigned(FR_DOWN | FR_MATCHCASE | FR_REPLACE));
    QCOMPARE(replaceSpy.at(1).at(1).toUInt(), unsigned(FR_DOWN | FR_MATCHCASE | FR_REPLACEALL));
    QCOMPARE(replace.replaceWith(), QString("b"));
}

void FindReplaceDialogTest::severalDialogsWorkAlone()
{
    Session session("下人と老婆と下人と老婆");
    FindReplaceDialog* first = session.open(FindReplaceDialog::Find);
    FindReplaceDialog* second = session.open(FindReplaceDialog::Find);
    FindReplaceDialog* replace = session.open(FindReplaceDialog::Replace);
    type(field(first, kFindWhat), "下人");
    type(field(second, kFindWhat), "老婆");
    type(field(replace, kFindWhat), "老婆");
    type(field(replace, "置換後の文字列(&P):"), "女");

    session.edit.show();
    QVERIFY(QTest::qWaitForWindowExposed(&session.edit));
    first->activateWindow();
    QTRY_VERIFY(first->isActiveWindow());
    QTest::mouseClick(child(first, kFindNext), Qt::LeftButton);
    QCOMPARE(session.selectionStart(), 0);
    QTRY_VERIFY(session.edit.hasFocus());  // the dialog stays open, the editor takes the keys
    QVERIFY(first->isVisible());
    QTest::mouseClick(child(second, kFindNext), Qt::LeftButton);
    QCOMPARE(session.selected(), QString("老婆"));
    QCOMPARE(session.selectionStart(), 3);
    QTest::mouseClick(child(first, kFindNext), Qt::LeftButton);
    QCOMPARE(session.selectionStart(), 6);

    QPointer<FindReplaceDialog> closed = first;
    QTest::mouseClick(child(first, "キャンセル"), Qt::LeftButton);
    QTRY_VERIFY(closed.isNull());

    QTest::mouseClick(child(second, kFindNext), Qt::LeftButton);
    QCOMPARE(session.selectionStart(), 9);
    QTest::mouseClick(child(replace, "すべて置換(&A)"), Qt::LeftButton);
    QCOMPARE(session.edit.toPlainText(), QString("下人と女と下人と女"));
    QCOMPARE(session.messages, QStringList{"2個の置換を行いました"});
    QVERIFY(second->isVisible() && replace->isVisible());
}

void FindReplaceDialogTest::closingDisposesOnce_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("how");
    for (int kind : {int(FindReplaceDialog::Find), int(FindReplaceDialog::Replace)}) {
        const char* name = kind == FindReplaceDialog::Find ? "find" : "replace";
        for (const char* how : {"cancel", "escape", "close"})
            QTest::addRow("%s by %s", name, how) << kind << QString(how);
    }
}

void FindReplaceDialogTest::closingDisposesOnce()
{
    QFETCH(int, kind);
    QFETCH(QString, how);

    Session session("猫");
    QPointer<FindReplaceDialog> dialog = session.open(FindReplaceDialog::Kind(kind));
    QSignalSpy notices(dialog.data(), &FindReplaceDialog::findReplace);
    QSignalSpy destroyed(dialog.data(), &QObject::destroyed);
    type(field(dialog, kFindWhat), "猫");

    if (how == "cancel")
        QTest::mouseClick(child(dialog, "キャンセル"), Qt::LeftButton);
    else if (how == "escape")
        QTest::keyClick(dialog.data(), Qt::Key_Escape);
    else
        dialog->close();
    QVERIFY(dialog && dialog->isHidden());
    dialog->close();  // a second close before the deletion must not notify or delete again
    QTRY_VERIFY(dialog.isNull());

    QCOMPARE(destroyed.size(), 1);
    QCOMPARE(notices.size(), 1);
    QVERIFY(notices.at(0).at(1).toUInt() & FR_DIALOGTERM);
    QCOMPARE(session.selected(), QString());  // closing searches nothing
    QVERIFY(session.messages.isEmpty());
}

QTEST_MAIN(FindReplaceDialogTest)
#include "FindReplaceDialogTest.moc"
