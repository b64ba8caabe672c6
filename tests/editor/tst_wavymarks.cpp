// SPDX-License-Identifier: GPL-3.0-or-later
// The proofreading marks on the screen: a wave down the right side of the marked cells in
// vertical text and along their foot in horizontal text, nowhere else; the message on
// hover; edits move the marks after them and drop those they touch; the text and the caret
// are never touched.
#include "VerticalTextEdit.h"

#include <QHelpEvent>
#include <QTest>
#include <QToolTip>

namespace {

// The mark's red in the viewport.
QRect Red(const QImage& image)
{
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.red() > 150 && c.green() < 110 && c.blue() < 110)
                box |= QRect(x, y, 1, 1);
        }
    return box;
}

}  // namespace

class TestWavyMarks : public QObject {
    Q_OBJECT
    VerticalTextEdit* m_edit = nullptr;

private slots:
    void init()
    {
        m_edit = new VerticalTextEdit;
        QFont f = m_edit->font();
        f.setPixelSize(24);
        m_edit->setFont(f);
        m_edit->resize(500, 360);
        m_edit->setPlainText(QStringLiteral("　朝が来た…\n「はい。」と言った。"));
        m_edit->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_edit));
        m_edit->clearFocus();   // no caret in the pictures
    }
    void cleanup()
    {
        delete m_edit;
        m_edit = nullptr;
    }

    void besideTheColumnOrUnderTheLine()
    {
        QVERIFY(Red(m_edit->viewport()->grab().toImage()).isNull());
        m_edit->setWavyMarks({{5, 1, QStringLiteral("「…」は二つずつ")}, {10, 1, QStringLiteral("句読点")}});
        for (const bool vertical : {true, false}) {
            m_edit->setVertical(vertical);
            const QImage image = m_edit->viewport()->grab().toImage();
            const QRect red = Red(image);
            const QRect first = m_edit->cellRect(5), second = m_edit->cellRect(10);
            QVERIFY(!red.isNull());
            if (vertical) {
                // Two short waves, each just right of its cell, as tall as it.
                QVERIFY(red.top() >= second.top() - 2 && red.bottom() <= first.bottom() + 2);
                QVERIFY(Red(image.copy(first.right() + 1, first.top(), 6, first.height())).height() >= first.height() - 3);
                QVERIFY(Red(image.copy(second.right() + 1, second.top(), 6, second.height())).height() >= second.height() - 3);
                QVERIFY(Red(image.copy(first.left(), first.top(), first.width() - 2, first.height())).isNull());
            } else {
                QVERIFY(Red(image.copy(first.left(), first.bottom() + 1, first.width(), 6)).width() >= first.width() - 3);
                QVERIFY(Red(image.copy(second.left(), second.bottom() + 1, second.width(), 6)).width() >= second.width() - 3);
                QVERIFY(Red(image.copy(first.left(), first.top(), first.width(), first.height() - 2)).isNull());
            }
        }
    }

    // A long mark from the first paragraph into the screen is drawn though shorter ones
    // beside its start ended long before.
    void aLongMarkReachingTheScreenIsDrawn()
    {
        QString text;
        for (int i = 0; i < 60; ++i)
            text += QStringLiteral("　あいうえおかきくけこさしすせそ\n");
        m_edit->setPlainText(text);
        QList<VerticalTextEdit::WavyMark> marks{{0, int(text.size()) - 1, QStringLiteral("long")}};
        for (int i = 1; i <= 10; ++i)
            marks.append({i, 1, QStringLiteral("short")});
        m_edit->setWavyMarks(marks);
        m_edit->setSelection(int(text.size()) - 1, int(text.size()) - 1);
        m_edit->ensureCaretVisible();
        QVERIFY(m_edit->cellRect(5).right() < 0 || m_edit->cellRect(5).left() > m_edit->viewport()->width());
        QVERIFY(!Red(m_edit->viewport()->grab().toImage()).isNull());
    }

    void messageOnHover()
    {
        m_edit->setWavyMarks({{5, 1, QStringLiteral("「…」は二つずつ")}});
        const QPoint over = m_edit->cellRect(5).center();
        QHelpEvent help(QEvent::ToolTip, m_edit->viewport()->mapTo(m_edit, over), m_edit->viewport()->mapToGlobal(over));
        QApplication::sendEvent(m_edit, &help);
        QTRY_COMPARE(QToolTip::text(), QStringLiteral("「…」は二つずつ"));
        QToolTip::hideText();
        const QPoint away = m_edit->cellRect(1).center();
        QHelpEvent elsewhere(QEvent::ToolTip, m_edit->viewport()->mapTo(m_edit, away), m_edit->viewport()->mapToGlobal(away));
        QApplication::sendEvent(m_edit, &elsewhere);
        QTRY_VERIFY(!QToolTip::isVisible());
    }

    void editsMoveOrDropTheMarks()
    {
        m_edit->setSelection(3, 3);
        m_edit->setWavyMarks({{10, 1, QStringLiteral("b")}, {5, 1, QStringLiteral("a")}});
        QCOMPARE(m_edit->wavyMarks().first().message, QStringLiteral("a"));   // kept in order
        QCOMPARE(m_edit->toPlainText(), QStringLiteral("　朝が来た…\n「はい。」と言った。"));
        int start = 0, end = 0;
        m_edit->selection(&start, &end);
        QCOMPARE(start, 3);
        QCOMPARE(end, 3);
        m_edit->replaceSelection(QStringLiteral("ぞ"));
        QCOMPARE(m_edit->wavyMarks().size(), 2);
        QCOMPARE(m_edit->wavyMarks().at(0).start, 6);
        QCOMPARE(m_edit->wavyMarks().at(1).start, 11);
        m_edit->setSelection(6, 7);   // the first mark's own text
        m_edit->replaceSelection(QStringLiteral("……"));
        QCOMPARE(m_edit->wavyMarks().size(), 1);
        QCOMPARE(m_edit->wavyMarks().at(0).start, 12);
    }
};

QTEST_MAIN(TestWavyMarks)
#include "tst_wavymarks.moc"
