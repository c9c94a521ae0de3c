// SPDX-License-Identifier: MIT
#include "ui/frmMain.h"
#include <QTest>
class tst_frmmain final : public QObject {
    Q_OBJECT
};
QTEST_MAIN(tst_frmmain)
#include "tst_frmmain.moc"
