// SPDX-License-Identifier: MIT
#include <QTest>
class tst_assembly final : public QObject {
    Q_OBJECT
};
QTEST_GUILESS_MAIN(tst_assembly)
#include "tst_assembly.moc"
