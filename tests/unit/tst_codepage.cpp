// SPDX-License-Identifier: MIT
#include <QTest>
class tst_codepage final : public QObject {
    Q_OBJECT
};
QTEST_GUILESS_MAIN(tst_codepage)
#include "tst_codepage.moc"
