// SPDX-License-Identifier: MIT
#include "core/attempts.h"

#include <QTest>

#include <vector>

using alerts::core::AddressFamily;
using alerts::core::ConnectionRace;
using Families = std::vector<AddressFamily>;
using Indices = std::vector<std::size_t>;
Q_DECLARE_METATYPE(Families)
Q_DECLARE_METATYPE(Indices)

class tst_attempts final : public QObject {
    Q_OBJECT
private slots:
    void order_data() {
        QTest::addColumn<Families>("families");
        QTest::addColumn<Indices>("expected");
        constexpr auto v4 = AddressFamily::IPv4;
        constexpr auto v6 = AddressFamily::IPv6;
        QTest::newRow("none") << Families{} << Indices{};
        QTest::newRow("one") << Families{v4} << Indices{0};
        QTest::newRow("v6, v4") << Families{v6, v4} << Indices{0, 1};
        QTest::newRow("v4, v6") << Families{v4, v6} << Indices{0, 1};
        QTest::newRow("v6 v6 v4 v4") << Families{v6, v6, v4, v4} << Indices{0, 2, 1, 3};
        // The first address's family leads, whatever the count of each.
        QTest::newRow("v4 v6 v6 v6") << Families{v4, v6, v6, v6} << Indices{0, 1, 2, 3};
        QTest::newRow("v6 v6 v6 v4") << Families{v6, v6, v6, v4} << Indices{0, 3, 1, 2};
        QTest::newRow("v4 v4 v6 v4") << Families{v4, v4, v6, v4} << Indices{0, 2, 1, 3};
        QTest::newRow("one family") << Families{v6, v6, v6} << Indices{0, 1, 2};
    }
    void order() {
        QFETCH(Families, families);
        QFETCH(Indices, expected);
        QCOMPARE(alerts::core::attemptOrder(families), expected);
    }

    // The race driven as the connection's timer and sockets would: each event is
    // 'd' (the attempt delay ran out) or a digit (that attempt failed); the
    // result is the attempt each event starts, -1 for none.
    void race_data() {
        QTest::addColumn<int>("addresses");
        QTest::addColumn<QByteArray>("events");
        QTest::addColumn<std::vector<int>>("started");
        QTest::addColumn<bool>("lost");
        QTest::newRow("one address, it fails")
            << 1 << QByteArray("0d") << std::vector{-1, -1} << true;
        QTest::newRow("one address, delay: nothing more")
            << 1 << QByteArray("d") << std::vector{-1} << false;
        QTest::newRow("first silent, the next after the delay")
            << 2 << QByteArray("d") << std::vector{1} << false;
        QTest::newRow("first fails: the next at once")
            << 3 << QByteArray("0d") << std::vector{1, 2} << false;
        // Failures of attempts that never started, or reported twice, change nothing.
        QTest::newRow("unstarted and repeated failures")
            << 3 << QByteArray("20d0") << std::vector{-1, 1, 2, -1} << false;
        QTest::newRow("all fail") << 3 << QByteArray("dd120") << std::vector{1, 2, -1, -1, -1}
                                  << true;
        QTest::newRow("a later one fails first")
            << 3 << QByteArray("d1") << std::vector{1, 2} << false;
    }
    void race() {
        QFETCH(int, addresses);
        QFETCH(QByteArray, events);
        QFETCH(std::vector<int>, started);
        QFETCH(bool, lost);
        ConnectionRace race(static_cast<std::size_t>(addresses));
        QCOMPARE(race.start(), std::optional<std::size_t>(0));
        std::vector<int> result;
        for (const char event : events) {
            const auto next =
                event == 'd' ? race.delayElapsed() : race.attemptFailed(std::size_t(event - '0'));
            result.push_back(next ? int(*next) : -1);
        }
        QCOMPARE(result, started);
        QCOMPARE(race.lost(), lost);
        QCOMPARE(race.moreToStart(), false);
    }

    void noAddressesStartsNothing() {
        ConnectionRace race(0);
        QVERIFY(!race.start());
        QVERIFY(!race.lost()); // nothing was tried: the lookup's failure, not the race's
    }
};

QTEST_APPLESS_MAIN(tst_attempts)
#include "tst_attempts.moc"
