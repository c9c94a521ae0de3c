// SPDX-License-Identifier: MIT
#include <QTest>
class tst_alert final : public QObject {
    Q_OBJECT
};
QTEST_GUILESS_MAIN(tst_alert)
#include "tst_alert.moc"
