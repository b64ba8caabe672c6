// SPDX-License-Identifier: GPL-3.0-or-later
// The one text export the window and the command-line tool share: the chapters joined,
// UTF-8 or CP932, and nothing at all after any failure.
#include "TextExport.h"

#include <QTest>

using namespace penwick;

class TestTextExport : public QObject {
    Q_OBJECT
private slots:
    void joinsTheFlaggedTextsInEitherEncoding()
    {
        DomDocument doc;
        QVERIFY(doc.loadFromBytes("<p t=\"x\"><c t=\"一\" x=\"yes\"><text>①あ</text>"
                                  "<c t=\"二\" x=\"no\"><text>略</text></c></c>"
                                  "<c t=\"三\" x=\"yes\"><text>～</text></c></p>", "p.xml"));
        const FailureReport none = [](HRESULT, std::string_view) { QFAIL("no failure expected"); };
        std::string bytes;
        QVERIFY(AssembleTextExport(doc, ExportEncoding::Utf8, none, &bytes));
        QCOMPARE(bytes, std::string("①あ\n\n\n～\n"));   // each text element and sub-node adds its line feed
        QVERIFY(AssembleTextExport(doc, ExportEncoding::Cp932, none, &bytes));
        QCOMPARE(bytes, std::string("\x87\x40\x82\xA0\n\n\n\x81\x60\n"));
    }

    void nothingAfterAFailure()
    {
        DomDocument doc;
        QVERIFY(doc.loadFromBytes("<p t=\"x\"><c t=\"一\" x=\"yes\"><text>\xF0\x9F\x98\x80</text></c></p>", "p.xml"));
        std::string bytes = "untouched";
        const Status s = AssembleTextExport(doc, ExportEncoding::Cp932, [](HRESULT, std::string_view) {}, &bytes);
        QVERIFY(!s);
        QVERIFY(!s.message.empty());   // names the character CP932 cannot hold
        QCOMPARE(bytes, std::string("untouched"));

        DomDocument empty;
        int reported = 0;
        QVERIFY(!AssembleTextExport(empty, ExportEncoding::Utf8, [&](HRESULT, std::string_view) { ++reported; }, &bytes));
        QCOMPARE(reported, 1);
        QCOMPARE(bytes, std::string("untouched"));
    }
};

QTEST_APPLESS_MAIN(TestTextExport)
#include "tst_textexport.moc"
