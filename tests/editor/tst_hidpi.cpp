// SPDX-License-Identifier: GPL-3.0-or-later
// On a high-density screen the editor draws its glyphs at device resolution: the picture
// is not a low-resolution one scaled up. Runs with QT_SCALE_FACTOR=2.
#include "VerticalTextEdit.h"

#include <QApplication>
#include <QTest>

class TestHiDpi : public QObject {
    Q_OBJECT
private slots:
    void glyphsAreDrawnAtDeviceResolution();

private:
    static bool Detailed(const QImage& image);
};

void TestHiDpi::glyphsAreDrawnAtDeviceResolution()
{
    VerticalTextEdit edit;
    QFont f = edit.font();
    f.setPixelSize(24);
    edit.setFont(f);
    edit.resize(300, 300);
    edit.setPlainText(QStringLiteral("羅生門の下で雨やみを待っていた。"));
    edit.show();
    QVERIFY(QTest::qWaitForWindowExposed(&edit));
    QCOMPARE(edit.devicePixelRatioF(), 2.0);

    const QImage image = edit.grab().toImage().convertToFormat(QImage::Format_Grayscale8);
    QCOMPARE(image.width(), 2 * edit.width());
    QVERIFY(Detailed(image));
    // The measure itself: the same picture at half resolution, scaled up, is not.
    const QImage blocky = image.scaled(image.size() / 2).scaled(image.size());
    QVERIFY(!Detailed(blocky));
}

bool TestHiDpi::Detailed(const QImage& image)
{
    // A picture drawn at half resolution and scaled up is made of 2x2 blocks of equal
    // pixels. Count the inked blocks whose four pixels differ.
    int inked = 0, detailed = 0;
    for (int y = 0; y + 1 < image.height(); y += 2) {
        const uchar* row0 = image.constScanLine(y);
        const uchar* row1 = image.constScanLine(y + 1);
        for (int x = 0; x + 1 < image.width(); x += 2) {
            const int a = row0[x], b = row0[x + 1], c = row1[x], d = row1[x + 1];
            if (std::min({a, b, c, d}) > 200)
                continue;
            ++inked;
            detailed += std::max({a, b, c, d}) - std::min({a, b, c, d}) > 40;
        }
    }
    qInfo("%d of %d inked blocks show detail", detailed, inked);
    return inked > 200 && detailed * 3 > inked;
}

QTEST_MAIN(TestHiDpi)
#include "tst_hidpi.moc"
