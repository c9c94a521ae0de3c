// SPDX-License-Identifier: MIT
#include <QTest>
class tst_record final : public QObject {
    Q_OBJECT
};
QTEST_GUILESS_MAIN(tst_record)
#include "tst_record.moc"
