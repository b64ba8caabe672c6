// SPDX-License-Identifier: GPL-3.0-or-later
// Grid presets from penwick.conf's [grids]: what is read, what is refused and said, and
// that the built-in grid cannot be redefined.
#include "GridPresets.h"

#include <QtTest>

using namespace penwick;

class TestGridPresets : public QObject {
    Q_OBJECT
private slots:
    void readsTheWritersGrids()
    {
        const char* ini = "[editor]\nzoom=120\nbunko=1x1\n\n"
                          "[grids]\n"
                          "; a paperback page\n"
                          "bunko.kinsoku=\"\xE3\x80\x81\xE3\x80\x82\"\n"   // a setting before its grid
                          "bunko = 42x34\r\n"
                          "bunko.mode=0\n"
                          "half=20X10\n"
                          "[window]\nhalf.mode=0\n";
        std::vector<std::string> problems;
        const std::vector<GridPreset> presets = ParseGridPresets(ini, &problems);
        QVERIFY2(problems.empty(), problems.empty() ? "" : problems.front().c_str());
        QCOMPARE(presets.size(), std::size_t(3));
        QCOMPARE(presets[0].name, std::string("default"));
        QCOMPARE(presets[0].settings.vertical, 20);
        QCOMPARE(presets[0].settings.kinsoku, std::string(PENWICK_DEFAULT_KINSOKU));
        const CountSettings bunko = *FindGridPreset(presets, "bunko");
        QCOMPARE(bunko.vertical, 42);
        QCOMPARE(bunko.horizontal, 34);
        QCOMPARE(bunko.mode, 0);
        QCOMPARE(bunko.kinsoku, std::string("\xE3\x80\x81\xE3\x80\x82"));
        const CountSettings half = *FindGridPreset(presets, "half");
        QCOMPARE(half.horizontal, 10);
        QCOMPARE(half.mode, 1);   // [window]'s line is not a grid setting
        QVERIFY(!FindGridPreset(presets, "Bunko"));
    }

    void refusesWhatItCannotRead_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::newRow("no grid") << QByteArray("a=large");
        QTest::newRow("zero cells") << QByteArray("a=0x20");
        QTest::newRow("too many") << QByteArray("a=501x20");
        QTest::newRow("trailing text") << QByteArray("a=20x20cm");
        QTest::newRow("no '='") << QByteArray("a 20x20");
        QTest::newRow("setting of no grid") << QByteArray("b.mode=1");
        QTest::newRow("bad mode") << QByteArray("default.mode=1");
        QTest::newRow("built-in redefined") << QByteArray("default=40x30");
        QTest::newRow("unknown setting") << QByteArray("default.colour=red");
    }
    void refusesWhatItCannotRead()
    {
        QFETCH(QByteArray, line);
        std::vector<std::string> problems;
        const std::vector<GridPreset> presets = ParseGridPresets(("[grids]\n" + line + "\n").toStdString(), &problems);
        QCOMPARE(problems.size(), std::size_t(1));
        QCOMPARE(presets.size(), std::size_t(1));
        QCOMPARE(presets[0].settings.vertical, 20);
        QCOMPARE(presets[0].settings.mode, 1);
    }
};

QTEST_GUILESS_MAIN(TestGridPresets)
#include "tst_gridpresets.moc"
