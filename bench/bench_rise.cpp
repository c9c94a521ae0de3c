// SPDX-License-Identifier: MIT
// The popup's rise at its real pace: timer ticks and milliseconds from rise() until
// it rests in the corner (the hold timer running, its top on the resting place),
// against the original platform's 61 ticks at the usual 15.6 ms a window-timer tick.
//
// Runs the real window in the real event loop: under Xvfb (xcb) for the window
// system's own pace, or offscreen.

#include "BenchRow.h"
#include "core/geometry.h"
#include "ui/frmNewAlert.h"

#include <QApplication>
#include <QEventLoop>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

namespace {

using namespace alerts;
using BenchClock = std::chrono::steady_clock;

// The original: 61 ticks of 30 twips for the design height, at 15.6 ms a tick.
constexpr double kNominalTicks = 61;
constexpr double kNominalTickMs = 15.6;

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "bench_rise: %s\n", what);
    std::exit(1);
}

void settle(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    const int runs = argc > 1 ? std::atoi(argv[1]) : 5;

    // Loading the popup shows it, top-most and parked below the screen, as the
    // main window's first announcement does.
    auto popup = std::make_unique<ui::frmNewAlert>();
    if (!popup->isVisible()) {
        popup->show();
    }
    settle(300);

    int ticks = 0;
    bool atRest = false;
    BenchClock::time_point restedAt;
    QEventLoop loop;
    QObject::connect(&popup->timer1(), &QTimer::timeout, [&] {
        // Runs after the popup's own Timer1_Timer for the same tick.
        ++ticks;
        if (popup->timer2().isActive()) {
            restedAt = BenchClock::now();
            atRest = true;
            loop.quit();
        }
    });

    std::vector<double> tickCounts;
    std::vector<double> durations;
    for (int run = 0; run < runs; ++run) {
        popup->setAlertText(QStringLiteral("player7 started a new Chess tournament on Hall 2"));
        ticks = 0;
        atRest = false;
        QTimer guard;
        guard.setSingleShot(true);
        QObject::connect(&guard, &QTimer::timeout, &loop, &QEventLoop::quit);
        guard.start(10000);

        const auto start = BenchClock::now();
        popup->rise();
        loop.exec();
        if (!atRest) {
            fail("the popup did not come to rest");
        }
        const int top = core::pixelsToTwips(popup->frameGeometry().top());
        const int height = core::pixelsToTwips(popup->frameGeometry().height());
        if (top != popup->screenBottom() - height) {
            fail("the popup rests off its resting place");
        }
        tickCounts.push_back(ticks);
        durations.push_back(std::chrono::duration<double, std::milli>(restedAt - start).count());

        // Back below the screen for the next run; the next rise() ends the pending hold.
        popup->Form_Click();
        settle(50);
    }

    const double ticksMedian = bench::percentile(tickCounts, 0.5);
    const double msMedian = bench::percentile(durations, 0.5);
    bench::printRow("popup rise: ticks to rest", ticksMedian, kNominalTicks, "ticks",
                    bench::Better::Nominal);
    bench::printRow("popup rise: time to rest", msMedian, kNominalTicks * kNominalTickMs, "ms",
                    bench::Better::Nominal);
    bench::printRow("popup rise: tick period", msMedian / ticksMedian, kNominalTickMs, "ms",
                    bench::Better::Nominal);
    return 0;
}
