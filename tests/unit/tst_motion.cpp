// SPDX-License-Identifier: MIT
#include "core/motion.h"

#include <QTest>

using alerts::core::MotionOutcome;
Q_DECLARE_METATYPE(MotionOutcome)

namespace {

constexpr int kScreenBottom = 11520; // 768 pixels
constexpr int kDesignHeight = 1815;  // 121 pixels
constexpr int kRest = kScreenBottom - kDesignHeight;

// The popup as the window system holds it: a Top that reads back what was
// written, a fixed Height and the three timers' enabled flags. Each tick runs
// the same sequence as the window's handlers: step, read back, settle.
struct Popup {
    int top = kScreenBottom;
    int height = kDesignHeight;
    int screenBottom = kScreenBottom;
    bool rise = false;
    bool hold = false;
    bool fall = false;

    void apply(const MotionOutcome& outcome) {
        if (outcome.top) {
            top = *outcome.top;
        }
        rise = outcome.timers.rise.value_or(rise);
        hold = outcome.timers.hold.value_or(hold);
        fall = outcome.timers.fall.value_or(fall);
    }
    void riseTick() {
        top = alerts::core::riseStep(top);
        apply(alerts::core::riseSettled(top, height, screenBottom));
    }
    void fallTick() {
        top = alerts::core::fallStep(top);
        apply(alerts::core::fallSettled(top, screenBottom));
    }
    // Ticks until the timer stops; returns how many there were.
    int riseToEnd() {
        int ticks = 0;
        while (rise && ticks < 10000) {
            riseTick();
            ++ticks;
        }
        return ticks;
    }
    int fallToEnd() {
        int ticks = 0;
        while (fall && ticks < 10000) {
            fallTick();
            ++ticks;
        }
        return ticks;
    }
};

// A script of events, e.g. "A R*10 H C": A announcement, C click, and R / H / F a
// tick of the rise / hold / fall timer (which must be enabled: a disabled timer
// does not tick). "R*" and "F*" without a count run that timer until it stops.
bool play(Popup& popup, const QString& script, QString& error) {
    const QStringList tokens = script.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (const QString& token : tokens) {
        const QChar event = token.at(0);
        const bool toEnd = token.size() == 2 && token.at(1) == QLatin1Char('*');
        int count = 1;
        if (token.size() > 2) {
            count = token.mid(2).toInt();
        }
        for (int i = 0; i < count; ++i) {
            bool* timer = nullptr;
            if (event == QLatin1Char('R')) {
                timer = &popup.rise;
            } else if (event == QLatin1Char('H')) {
                timer = &popup.hold;
            } else if (event == QLatin1Char('F')) {
                timer = &popup.fall;
            }
            if (timer != nullptr && !*timer) {
                error = QStringLiteral("%1 ticked while its timer was off").arg(token);
                return false;
            }
            if (event == QLatin1Char('A')) {
                popup.apply(alerts::core::announce());
            } else if (event == QLatin1Char('C')) {
                popup.apply(alerts::core::dismiss(popup.screenBottom));
            } else if (event == QLatin1Char('H')) {
                popup.apply(alerts::core::holdTick());
            } else if (event == QLatin1Char('R')) {
                toEnd ? void(popup.riseToEnd()) : popup.riseTick();
            } else if (event == QLatin1Char('F')) {
                toEnd ? void(popup.fallToEnd()) : popup.fallTick();
            }
        }
    }
    return true;
}

} // namespace

class tst_motion final : public QObject {
    Q_OBJECT
private slots:
    void riseAndFall_data() {
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("screenBottom");
        QTest::addColumn<int>("riseTicks");
        QTest::addColumn<int>("riseOvershoot"); // how far the last step went past the end
        QTest::addColumn<int>("fallTicks");
        QTest::addColumn<int>("fallOvershoot");
        QTest::newRow("design height 1815") << 1815 << 11520 << 61 << 15 << 61 << 15;
        QTest::newRow("1815 on a 1080-line screen") << 1815 << 16200 << 61 << 15 << 61 << 15;
        QTest::newRow("multiple of 30: 1800") << 1800 << 11520 << 61 << 30 << 60 << 0;
        QTest::newRow("multiple of 30: 30") << 30 << 11520 << 2 << 30 << 1 << 0;
        QTest::newRow("1830: one step more") << 1830 << 11520 << 62 << 30 << 61 << 0;
        QTest::newRow("1 twip") << 1 << 11520 << 1 << 29 << 1 << 29;
        QTest::newRow("29 twips") << 29 << 11520 << 1 << 1 << 1 << 1;
        QTest::newRow("31 twips") << 31 << 11520 << 2 << 29 << 2 << 29;
    }
    void riseAndFall() {
        QFETCH(int, height);
        QFETCH(int, screenBottom);
        QFETCH(int, riseTicks);
        QFETCH(int, riseOvershoot);
        QFETCH(int, fallTicks);
        QFETCH(int, fallOvershoot);
        const int rest = screenBottom - height;

        Popup popup{.top = screenBottom, .height = height, .screenBottom = screenBottom};
        popup.apply(alerts::core::announce());
        int ticks = 0;
        int lastStep = 0;
        while (popup.rise) {
            QVERIFY2(ticks < 10000, "the rise never ends");
            const int before = popup.top;
            // Every tick but the last is a plain 30-twip step that stays on or below rest.
            if (ticks > 0) {
                QCOMPARE(before, screenBottom - ticks * 30);
            }
            lastStep = alerts::core::riseStep(before);
            popup.riseTick();
            ++ticks;
        }
        QCOMPARE(ticks, riseTicks);
        QCOMPARE(rest - lastStep, riseOvershoot);
        QCOMPARE(popup.top, rest);
        QVERIFY(popup.hold);
        QVERIFY(!popup.fall);

        popup.apply(alerts::core::holdTick());
        QVERIFY(!popup.hold);
        QVERIFY(popup.fall);
        QCOMPARE(popup.top, rest); // the hold tick does not move the popup
        ticks = 0;
        while (popup.fall) {
            QVERIFY2(ticks < 10000, "the fall never ends");
            lastStep = alerts::core::fallStep(popup.top);
            popup.fallTick();
            ++ticks;
        }
        QCOMPARE(ticks, fallTicks);
        QCOMPARE(lastStep - screenBottom, fallOvershoot);
        QCOMPARE(popup.top, screenBottom);
        QVERIFY(!popup.rise && !popup.hold && !popup.fall);
    }

    // The decision is taken on the Top read back from the window, not on where
    // the step was meant to go: a window held elsewhere ends the motion there.
    void settlesOnReadBack_data() {
        QTest::addColumn<bool>("rising");
        QTest::addColumn<int>("readTop");
        QTest::addColumn<MotionOutcome>("expected");
        const MotionOutcome none{};
        QTest::newRow("rise: exactly at rest goes on") << true << kRest << none;
        QTest::newRow("rise: one twip below rest goes on") << true << kRest + 1 << none;
        QTest::newRow("rise: one twip past rest clamps")
            << true << kRest - 1 << MotionOutcome{kRest, {false, true, std::nullopt}};
        QTest::newRow("rise: far above the screen clamps")
            << true << -5000 << MotionOutcome{kRest, {false, true, std::nullopt}};
        QTest::newRow("fall: one twip above bottom goes on") << false << kScreenBottom - 1 << none;
        QTest::newRow("fall: exactly at bottom stops")
            << false << kScreenBottom
            << MotionOutcome{kScreenBottom, {std::nullopt, std::nullopt, false}};
        QTest::newRow("fall: past bottom clamps")
            << false << kScreenBottom + 29
            << MotionOutcome{kScreenBottom, {std::nullopt, std::nullopt, false}};
    }
    void settlesOnReadBack() {
        QFETCH(bool, rising);
        QFETCH(int, readTop);
        QFETCH(MotionOutcome, expected);
        const MotionOutcome outcome =
            rising ? alerts::core::riseSettled(readTop, kDesignHeight, kScreenBottom)
                   : alerts::core::fallSettled(readTop, kScreenBottom);
        QCOMPARE(outcome.top, expected.top);
        QVERIFY(outcome.timers == expected.timers);
    }

    void parking_data() {
        QTest::addColumn<double>("screenWidth");
        QTest::addColumn<double>("screenHeight");
        QTest::addColumn<double>("popupWidth");
        QTest::addColumn<int>("alertLeft");
        QTest::addColumn<int>("screenBottom");
        QTest::newRow("1024 x 768") << 15360.0 << 11520.0 << 2775.0 << 12585 << 11520;
        QTest::newRow("1920 x 1080") << 28800.0 << 16200.0 << 2775.0 << 26025 << 16200;
        QTest::newRow("halves round to even, down")
            << 15360.5 << 11520.5 << 2775.0 << 12586 << 11520;
        QTest::newRow("halves round to even, up") << 15359.5 << 11521.5 << 2775.0 << 12584 << 11522;
        QTest::newRow("screen narrower than the popup")
            << 1500.0 << 1500.0 << 2775.0 << -1275 << 1500;
    }
    void parking() {
        QFETCH(double, screenWidth);
        QFETCH(double, screenHeight);
        QFETCH(double, popupWidth);
        QFETCH(int, alertLeft);
        QFETCH(int, screenBottom);
        const auto place = alerts::core::parkingPlace(screenWidth, screenHeight, popupWidth);
        QCOMPARE(place.alertLeft, alertLeft);
        QCOMPARE(place.screenBottom, screenBottom);
    }

    // The screen shrinks to 600 pixels high or grows to 1024 under the popup. It
    // keeps its part (parked, at rest) against the new edge, and a glide under
    // way ends there; "then" plays on from the change.
    void screenChange_data() {
        QTest::addColumn<QString>("before");
        QTest::addColumn<int>("newBottom");
        QTest::addColumn<int>("topAfter");
        QTest::addColumn<QString>("then");
        QTest::addColumn<int>("topAtEnd");
        const int shrunk = 9000;
        const int grown = 15360;
        QTest::newRow("parked, shrinks: parked again") << "" << shrunk << shrunk << "" << shrunk;
        QTest::newRow("parked, grows: out of sight again") << "" << grown << grown << "" << grown;
        QTest::newRow("parked, hold tick pending: parked again")
            << "A R* C" << grown << grown << "H F*" << grown;
        QTest::newRow("holding: at rest in the new corner")
            << "A R*" << shrunk << shrunk - kDesignHeight << "H F*" << shrunk;
        QTest::newRow("rising below the new edge: rises from just below it")
            << "A R*10" << shrunk << shrunk << "R*" << shrunk - kDesignHeight;
        QTest::newRow("rising, grows: rest in the new corner")
            << "A R*10" << grown << kScreenBottom - 300 << "R*" << grown - kDesignHeight;
        QTest::newRow("falling, shrinks: ends at the new edge")
            << "A R* H F*10" << shrunk << kRest + 300 << "F*" << shrunk;
        QTest::newRow("falling, grows: ends at the new edge")
            << "A R* H F*10" << grown << kRest + 300 << "F*" << grown;
    }
    void screenChange() {
        QFETCH(QString, before);
        QFETCH(int, newBottom);
        QFETCH(int, topAfter);
        QFETCH(QString, then);
        QFETCH(int, topAtEnd);
        Popup popup;
        QString error;
        QVERIFY2(play(popup, before, error), qPrintable(error));
        using enum alerts::core::Glide;
        const auto glide = popup.rise ? Rising : popup.fall ? Falling : None;
        const alerts::core::ParkingPlace after{.alertLeft = 0, .screenBottom = newBottom};
        const std::optional<int> top = alerts::core::followScreen(
            popup.top, popup.height, {.alertLeft = 0, .screenBottom = popup.screenBottom}, after,
            glide);
        popup.screenBottom = newBottom;
        popup.top = top.value_or(popup.top);
        QCOMPARE(popup.top, topAfter);
        QVERIFY2(play(popup, then, error), qPrintable(error));
        QCOMPARE(popup.top, topAtEnd);
        QVERIFY(!popup.rise && !popup.fall);
    }

    // Each row starts parked and idle, plays a script of events and checks where
    // the popup stands and which timers run.
    void phases_data() {
        QTest::addColumn<QString>("script");
        QTest::addColumn<int>("top");
        QTest::addColumn<bool>("rise");
        QTest::addColumn<bool>("hold");
        QTest::addColumn<bool>("fall");
        const int sb = kScreenBottom;
        QTest::newRow("parked, announcement: rising") << "A" << sb << true << false << false;
        QTest::newRow("rising, tick: one step") << "A R" << sb - 30 << true << false << false;
        QTest::newRow("rising, 60 ticks: 15 twips short of rest")
            << "A R*60" << kRest + 15 << true << false << false;
        QTest::newRow("rising, 61st tick: holding at rest")
            << "A R*61" << kRest << false << true << false;
        QTest::newRow("rising, click: parked and still")
            << "A R*20 C" << sb << false << false << false;
        QTest::newRow("holding, hold tick: falling, not yet moved")
            << "A R* H" << kRest << false << false << true;
        QTest::newRow("holding, click: parked, hold tick pending")
            << "A R* C" << sb << false << true << false;
        QTest::newRow("hold tick pending: one fall tick, still parked")
            << "A R* C H F" << sb << false << false << false;
        QTest::newRow("falling, tick") << "A R* H F*10" << kRest + 300 << false << false << true;
        QTest::newRow("falling to the end: parked") << "A R* H F*" << sb << false << false << false;
        QTest::newRow("falling, click: parked and still")
            << "A R* H F*10 C" << sb << false << false << false;
        QTest::newRow("parked again, announcement: rises again")
            << "A R* H F* A R*" << kRest << false << true << false;
    }
    void phases() {
        QFETCH(QString, script);
        QFETCH(int, top);
        QFETCH(bool, rise);
        QFETCH(bool, hold);
        QFETCH(bool, fall);
        Popup popup;
        QString error;
        QVERIFY2(play(popup, script, error), qPrintable(error));
        QCOMPARE(popup.top, top);
        QCOMPARE(popup.rise, rise);
        QCOMPARE(popup.hold, hold);
        QCOMPARE(popup.fall, fall);
    }

    // A new announcement takes over whatever the popup is doing. "at" is where the
    // popup stands when the announcement comes; from there it must rise (never fall
    // or hover), reach rest in the expected number of ticks and then hold afresh.
    void takeOver_data() {
        QTest::addColumn<QString>("before");
        QTest::addColumn<int>("at");
        QTest::addColumn<int>("ticksToRest");
        const int sb = kScreenBottom;
        QTest::newRow("while rising: goes on, not from the bottom") << "A R*20" << sb - 600 << 41;
        QTest::newRow("while holding: one overshooting tick, stays at rest")
            << "A R*" << kRest << 1;
        QTest::newRow("while falling: turns and rises from there")
            << "A R* H F*10" << kRest + 300 << 11;
        QTest::newRow("parked with a hold tick pending: full rise") << "A R* C" << sb << 61;
        QTest::newRow("falling after a pending hold tick: turns")
            << "A R* C H A R* H F*5" << kRest + 150 << 6;
    }
    void takeOver() {
        QFETCH(QString, before);
        QFETCH(int, at);
        QFETCH(int, ticksToRest);
        Popup popup;
        QString error;
        QVERIFY2(play(popup, before, error), qPrintable(error));
        QCOMPARE(popup.top, at);

        popup.apply(alerts::core::announce());
        // Only the rise runs: no fall to undo its steps, no old hold tick to cut
        // the new hold short.
        QVERIFY(popup.rise);
        QVERIFY(!popup.hold);
        QVERIFY(!popup.fall);
        int previous = popup.top;
        int ticks = 0;
        while (popup.rise) {
            QVERIFY2(ticks < 10000, "the rise never ends");
            popup.riseTick();
            ++ticks;
            QVERIFY(popup.top <= previous);
            previous = popup.top;
        }
        QCOMPARE(ticks, ticksToRest);
        QCOMPARE(popup.top, kRest);
        QVERIFY(popup.hold);
        QVERIFY(!popup.fall);
    }
};

QTEST_GUILESS_MAIN(tst_motion)
#include "tst_motion.moc"
