// SPDX-License-Identifier: MIT
// The floor for start-up, memory and idle figures: the least a Qt Widgets program
// with one window and a tray icon can be. Built like the real program.
//
// With --glide SECONDS it is also the floor for one alert: every SECONDS a
// 185 x 121 top-most window glides from below the primary screen's bottom-right
// corner into it in 61 steps of 2 pixels (the last one pixel) 16 ms apart, holds
// for 5 s and glides back out the same way, each step a plain move.

#include <QApplication>
#include <QIcon>
#include <QLabel>
#include <QPixmap>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QWidget>

#include <algorithm>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);

    QWidget window;
    window.setWindowTitle(QStringLiteral("Minimal Tray"));
    window.resize(300, 200);
    QLabel label(QStringLiteral("Idle."), &window);
    label.move(20, 20);

    QPixmap picture(32, 32);
    picture.fill(Qt::darkGreen);
    QSystemTrayIcon tray{QIcon(picture)};
    tray.setToolTip(QStringLiteral("Minimal Tray"));
    tray.show();

    constexpr int kWidth = 185;
    constexpr int kHeight = 121;
    constexpr int kStepsEachWay = 61;
    QWidget glider(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                                Qt::WindowDoesNotAcceptFocus | Qt::X11BypassWindowManagerHint);
    QLabel text(QStringLiteral("Glides."), &glider);
    QTimer cycle;
    QTimer step;
    int steps = 0;
    const QStringList arguments = QApplication::arguments();
    const qsizetype glide = arguments.indexOf(QStringLiteral("--glide"));
    if (glide > 0 && glide + 1 < arguments.size()) {
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        const int left = screen.x() + screen.width() - kWidth;
        const int parked = screen.y() + screen.height();
        glider.setAttribute(Qt::WA_ShowWithoutActivating);
        glider.resize(kWidth, kHeight);
        glider.move(left, parked);
        glider.show();
        step.setTimerType(Qt::PreciseTimer);
        step.setInterval(16);
        QObject::connect(&step, &QTimer::timeout, [&] {
            ++steps;
            const int up = std::min(2 * std::min(steps, kStepsEachWay), kHeight);
            const int down = std::min(2 * std::max(steps - kStepsEachWay, 0), kHeight);
            glider.move(left, parked - up + down);
            if (steps == kStepsEachWay) {
                step.stop();
                QTimer::singleShot(5000, &step, qOverload<>(&QTimer::start));
            } else if (steps == 2 * kStepsEachWay) {
                step.stop();
                steps = 0;
            }
        });
        QObject::connect(&cycle, &QTimer::timeout, &step, qOverload<>(&QTimer::start));
        cycle.start(arguments[glide + 1].toInt() * 1000);
    }

    window.show();
    return QApplication::exec();
}
