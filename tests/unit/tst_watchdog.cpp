// SPDX-License-Identifier: MIT
#include "core/watchdog.h"

#include <QTest>

#include <vector>

using alerts::core::ConnectionStep;
using Steps = std::vector<ConnectionStep>;
Q_DECLARE_METATYPE(Steps)

namespace {
Steps toSteps(std::span<const ConnectionStep> steps) {
    return {steps.begin(), steps.end()};
}
} // namespace

class tst_watchdog final : public QObject {
    Q_OBJECT
private slots:
    void ticks_data() {
        QTest::addColumn<bool>("watchdog");
        QTest::addColumn<bool>("connected");
        QTest::addColumn<Steps>("expected");
        using enum ConnectionStep;
        QTest::newRow("confirm, connected")
            << false << true << Steps{DisableConfirmTimer, ShowConnected, DisableConnectButton};
        QTest::newRow("confirm, not connected") << false << false << Steps{};
        QTest::newRow("watchdog, connected") << true << true << Steps{};
        QTest::newRow("watchdog, not connected") << true << false
                                                 << Steps{ShowDisconnected, EnableConnectButton,
                                                          CloseSocket, Connect, EnableConfirmTimer};
    }
    void ticks() {
        QFETCH(bool, watchdog);
        QFETCH(bool, connected);
        QFETCH(Steps, expected);
        const auto steps = watchdog ? alerts::core::watchdogTick(connected)
                                    : alerts::core::connectConfirmTick(connected);
        QCOMPARE(toSteps(steps), expected);
    }
    void openingConnectsThenPolls() {
        using enum ConnectionStep;
        QCOMPARE(toSteps(alerts::core::openConnection()), (Steps{Connect, EnableConfirmTimer}));
    }
};

QTEST_GUILESS_MAIN(tst_watchdog)
#include "tst_watchdog.moc"
