// SPDX-License-Identifier: MIT
#include "core/ticker.h"

#include <QTest>

#include <optional>
#include <string>

using alerts::core::tickerStep;

namespace {

QString toQ(const std::u16string& text) {
    return QString::fromStdU16String(text);
}

// The typewriter's frames, written out as the user sees them.
const QStringList kFrames = {
    QString(),
    QStringLiteral("B"),
    QStringLiteral("Br"),
    QStringLiteral("Bro"),
    QStringLiteral("Brou"),
    QStringLiteral("Brough"),
    QStringLiteral("Brought"),
    QStringLiteral("Brought "),
    QStringLiteral("Brought t"),
    QStringLiteral("Brought to"),
    QStringLiteral("Brought to "),
    QStringLiteral("Brought to y"),
    QStringLiteral("Brought to yo"),
    QStringLiteral("Brought to you"),
    QStringLiteral("Brought to you "),
    QStringLiteral("Brought to you b"),
    QStringLiteral("Brought to you by"),
    QStringLiteral("Brought to you by "),
    QStringLiteral("Brought to you by K"),
    QStringLiteral("Brought to you by Ko"),
    QStringLiteral("Brought to you by Kor"),
    QStringLiteral("Brought to you by Korv"),
    QStringLiteral("Brought to you by Korve"),
    QStringLiteral("Brought to you by Korvel"),
    QStringLiteral("Brought to you by Korvel a"),
    QStringLiteral("Brought to you by Korvel an"),
    QStringLiteral("Brought to you by Korvel and"),
    QStringLiteral("Brought to you by Korvel and T"),
    QStringLiteral("Brought to you by Korvel and Ta"),
    QStringLiteral("Brought to you by Korvel and Tan"),
    QStringLiteral("Brought to you by Korvel and Tand"),
    QStringLiteral("Brought to you by Korvel and Tandr"),
    QStringLiteral("Brought to you by Korvel and Tandri"),
    QStringLiteral("Brought to you by Korvel and Tandrik"),
    QStringLiteral("Brought to you by Korvel and Tandrike --"),
};

const QString kCredits = QStringLiteral("Brought to you by Korvel and Tandrike --");

} // namespace

class tst_ticker final : public QObject {
    Q_OBJECT
private slots:
    // From the empty caption, 35 ticks type the whole chain; the 35th is the last.
    void typesTheWholeChain() {
        std::u16string caption;
        for (int tick = 1; tick < kFrames.size(); ++tick) {
            const auto step = tickerStep(caption);
            QVERIFY2(step.has_value(), qPrintable(QStringLiteral("tick %1").arg(tick)));
            QCOMPARE(toQ(step->caption), kFrames.at(tick));
            QVERIFY(!step->last);
            caption = step->caption;
        }
        const auto final = tickerStep(caption);
        QVERIFY(final.has_value());
        QVERIFY(final->last);
        const QStringList lines = toQ(final->caption).split(QStringLiteral("\r\n"));
        QCOMPARE(lines.size(), 3);
        QCOMPARE(lines.at(0), kCredits);
        QCOMPARE(toQ(final->caption), toQ(alerts::core::tickerFrame(35)));
        // The final text is no frame of the chain: nothing types on from it.
        QVERIFY(!tickerStep(final->caption).has_value());
    }

    void addressesArePlainWebAddresses_data() {
        QTest::addColumn<int>("line");
        QTest::newRow("project's") << 1;
        QTest::newRow("second") << 2;
    }
    void addressesArePlainWebAddresses() {
        QFETCH(int, line);
        const QString address =
            toQ(alerts::core::tickerFrame(35)).split(QStringLiteral("\r\n")).at(line);
        QVERIFY(address.startsWith(QStringLiteral("https://")));
        QVERIFY(!address.contains(QLatin1Char(' ')));
        QVERIFY(!address.contains(QLatin1Char('?'))); // no tracking parameters
    }

    // The typewriter jumps over a few lengths.
    void skips_data() {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::newRow("4 to 6") << "Brou"
                                << "Brough";
        QTest::newRow("24 to 26") << "Brought to you by Korvel"
                                  << "Brought to you by Korvel a";
        QTest::newRow("28 to 30") << "Brought to you by Korvel and"
                                  << "Brought to you by Korvel and T";
        QTest::newRow("36 to 40") << "Brought to you by Korvel and Tandrik"
                                  << "Brought to you by Korvel and Tandrike --";
    }
    void skips() {
        QFETCH(QString, from);
        QFETCH(QString, to);
        const auto step = tickerStep(from.toStdU16String());
        QVERIFY(step.has_value());
        QCOMPARE(toQ(step->caption), to);
    }

    // A caption that is no frame stays as it is, and the ticker keeps running.
    void foreignCaptionsAreLeftAlone_data() {
        QTest::addColumn<QString>("caption");
        QTest::newRow("skipped length 5") << "Broug";
        QTest::newRow("skipped length 25") << "Brought to you by Korvel ";
        QTest::newRow("skipped length 29") << "Brought to you by Korvel and ";
        QTest::newRow("skipped length 37") << "Brought to you by Korvel and Tandrike";
        QTest::newRow("skipped length 39") << "Brought to you by Korvel and Tandrike -";
        QTest::newRow("other case") << "brou";
        QTest::newRow("leading space") << " B";
        QTest::newRow("other text") << "About";
        QTest::newRow("credits and a line break") << kCredits + QStringLiteral("\r\n");
        QTest::newRow("longer than the credits") << kCredits + QStringLiteral("-");
        QTest::newRow("non-Latin") << QStringLiteral("Br\u00f6");
    }
    void foreignCaptionsAreLeftAlone() {
        QFETCH(QString, caption);
        QVERIFY(!tickerStep(caption.toStdU16String()).has_value());
    }
};

QTEST_GUILESS_MAIN(tst_ticker)
#include "tst_ticker.moc"
