// SPDX-License-Identifier: GPL-3.0-or-later
#include <QTest>
class TestProofChecker : public QObject { Q_OBJECT };
QTEST_GUILESS_MAIN(TestProofChecker)
#include "tst_proofchecker.moc"
