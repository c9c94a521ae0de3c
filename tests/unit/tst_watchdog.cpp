// SPDX-License-Identifier: MIT
#include "core/watchdog.h"

#include <QTest>

#include <vector>

using alerts::core::ClockReading;
using alerts::core::ConnectionStep;
using Steps = std::vector<ConnectionStep>;
using Reading = std::optional<ClockReading>;
Q_DECLARE_METATYPE(Steps)
Q_DECLARE_METATYPE(Reading)
Q_DECLARE_METATYPE(ClockReading)

namespace {
Steps toSteps(std::span<const ConnectionStep> steps) {
    return {steps.begin(), steps.end()};
}
// Wall and monotonic readings in seconds; the wall clock counts from the epoch.
ClockReading at(double wall, double monotonic) {
    using std::chrono::duration;
    using std::chrono::milliseconds;
    return {std::chrono::round<milliseconds>(duration<double>(wall)),
            std::chrono::round<milliseconds>(duration<double>(monotonic))};
}
constexpr double kEpoch = 1.7e9;
const Steps kReconnect = {ConnectionStep::ShowDisconnected, ConnectionStep::EnableConnectButton,
                          ConnectionStep::CloseSocket, ConnectionStep::Connect,
                          ConnectionStep::EnableConfirmTimer};
} // namespace

class tst_watchdog final : public QObject {
    Q_OBJECT
private slots:
    void ticks_data() {
        QTest::addColumn<bool>("watchdog");
        QTest::addColumn<bool>("connected");
        QTest::addColumn<bool>("slept");
        QTest::addColumn<Steps>("expected");
        using enum ConnectionStep;
        QTest::newRow("confirm, connected")
            << false << true << false
            << Steps{DisableConfirmTimer, ShowConnected, DisableConnectButton};
        QTest::newRow("confirm, not connected") << false << false << false << Steps{};
        QTest::newRow("watchdog, connected") << true << true << false << Steps{};
        QTest::newRow("watchdog, not connected") << true << false << false << kReconnect;
        // The socket reads "connected", but its path did not survive the sleep.
        QTest::newRow("watchdog, connected, slept") << true << true << true << kReconnect;
        QTest::newRow("watchdog, not connected, slept") << true << false << true << kReconnect;
    }
    void ticks() {
        QFETCH(bool, watchdog);
        QFETCH(bool, connected);
        QFETCH(bool, slept);
        QFETCH(Steps, expected);
        const auto steps = watchdog ? alerts::core::watchdogTick(connected, slept)
                                    : alerts::core::connectConfirmTick(connected);
        QCOMPARE(toSteps(steps), expected);
    }

    void sleep_data() {
        QTest::addColumn<Reading>("before");
        QTest::addColumn<ClockReading>("now");
        QTest::addColumn<bool>("slept");
        QTest::newRow("first tick") << Reading{} << at(kEpoch, 10) << false;
        QTest::newRow("no sleep") << Reading{at(kEpoch, 10)} << at(kEpoch + 10, 20) << false;
        QTest::newRow("jitter under the threshold")
            << Reading{at(kEpoch, 10)} << at(kEpoch + 14.9, 20) << false;
        QTest::newRow("just over the threshold")
            << Reading{at(kEpoch, 10)} << at(kEpoch + 15.1, 20) << true;
        QTest::newRow("an hour's sleep")
            << Reading{at(kEpoch, 10)} << at(kEpoch + 3610, 20) << true;
        QTest::newRow("a late tick, no sleep")
            << Reading{at(kEpoch, 10)} << at(kEpoch + 600, 610) << false;
        QTest::newRow("clocks equal at start") << Reading{at(0, 0)} << at(10, 10) << false;
        QTest::newRow("clocks equal at start, then a sleep")
            << Reading{at(0, 0)} << at(3610, 10) << true;
        QTest::newRow("wall clock set back")
            << Reading{at(kEpoch, 10)} << at(kEpoch - 3600, 20) << false;
        QTest::newRow("monotonic clock read going backwards")
            << Reading{at(kEpoch, 3600)} << at(kEpoch + 10, 10) << false;
    }
    void sleep() {
        QFETCH(Reading, before);
        QFETCH(ClockReading, now);
        QFETCH(bool, slept);
        QCOMPARE(alerts::core::sleptBetween(before, now), slept);
    }

    void networkChange_data() {
        QTest::addColumn<bool>("wasOnline");
        QTest::addColumn<bool>("online");
        QTest::addColumn<Steps>("expected");
        QTest::newRow("comes online") << false << true << kReconnect;
        QTest::newRow("stays online") << true << true << Steps{};
        QTest::newRow("goes offline") << true << false << Steps{};
        QTest::newRow("stays offline") << false << false << Steps{};
    }
    void networkChange() {
        QFETCH(bool, wasOnline);
        QFETCH(bool, online);
        QFETCH(Steps, expected);
        QCOMPARE(toSteps(alerts::core::networkChange(wasOnline, online)), expected);
    }
    void openingConnectsThenPolls() {
        using enum ConnectionStep;
        QCOMPARE(toSteps(alerts::core::openConnection()), (Steps{Connect, EnableConfirmTimer}));
    }
};

QTEST_GUILESS_MAIN(tst_watchdog)
#include "tst_watchdog.moc"
